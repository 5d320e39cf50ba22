#include "backup/BackupMenus.h"

#include "backup/Copie_Securite.h"
#include "core/backup/BackupMirror.h"
#include "platform/EntryDoor.h"
#include "platform/MessageBoxDialogs.h"
#include "platform/StatusLabel.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>

#include <memory>

namespace zep {

namespace {

struct BackupWindows {
    QPointer<Copie_Securite> setup;
    QPointer<QMessageBox> warning;
};

void showState(StatusLabel *line, BackupMirror::State state) {
    line->setText(BackupMirror::statusText(state));
    line->setVisible(state != BackupMirror::State::Off);
}

} // namespace

void connectBackup(EntryDoor &entry, const WindowServices &services, BackupMirror &mirror) {
    QWidget *window = entry.widget();
    auto windows = std::make_shared<BackupWindows>();

    auto *line = new StatusLabel(QStringLiteral("Sauvegarde"), window);
    line->setObjectName(QStringLiteral("Sauvegarde"));
    // A copy that can no longer be made is heard at once, wherever the keyboard is.
    line->announceWhen(
        [](const QString &text) {
            return text == BackupMirror::statusText(BackupMirror::State::Absent);
        },
        StatusLabel::Return::Announced);
    entry.addStatusLine(line);
    showState(line, mirror.state());
    QObject::connect(&mirror, &BackupMirror::stateChanged, line,
                     [line](BackupMirror::State state) { showState(line, state); });

    // The warning does not hold the entry: the operator goes on typing while the medium is
    // put back, and the copy catches up by itself.
    QObject::connect(
        &mirror, &BackupMirror::warning, window, [windows, window](const QString &text) {
            if (!windows->warning) {
                windows->warning = new QMessageBox(QMessageBox::Warning, programTitle(), text,
                                                   QMessageBox::Ok, window);
                windows->warning->setObjectName(QStringLiteral("Avertissement_Sauvegarde"));
                windows->warning->setAttribute(Qt::WA_DeleteOnClose);
                windows->warning->setWindowModality(Qt::NonModal);
                // Shown beside the entry window without taking the keyboard: the next call sign
                // typed still goes into the fields.
                windows->warning->setAttribute(Qt::WA_ShowWithoutActivating);
            } else
                windows->warning->setText(text);
            windows->warning->show();
        });

    QAction *item = entry.addMenuItem(EntryMenu::Setup, QStringLiteral("Mnu_Sauvegarde"),
                                      QStringLiteral("Sauvegarde…"));
    QObject::connect(item, &QAction::triggered, window, [windows, services, &mirror, window] {
        if (!windows->setup) {
            windows->setup = new Copie_Securite(services, mirror, window);
            windows->setup->setAttribute(Qt::WA_DeleteOnClose);
        }
        windows->setup->Form_Load();
    });
}

} // namespace zep
