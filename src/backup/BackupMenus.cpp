#include "backup/BackupMenus.h"

#include "backup/Copie_Securite.h"
#include "core/backup/BackupMirror.h"
#include "entry/Saisie_QSO.h"
#include "platform/MessageBoxDialogs.h"
#include "platform/StatusLabel.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QStatusBar>

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

void connectBackup(Saisie_QSO &entry, const WindowServices &services, BackupMirror &mirror) {
    auto windows = std::make_shared<BackupWindows>();

    auto *line = new StatusLabel(QStringLiteral("Sauvegarde"), &entry);
    line->setObjectName(QStringLiteral("Sauvegarde"));
    // A copy that can no longer be made is heard at once, wherever the keyboard is.
    line->announceWhen(
        [](const QString &text) {
            return text == BackupMirror::statusText(BackupMirror::State::Absent);
        },
        StatusLabel::Return::Announced);
    entry.statusBar()->addPermanentWidget(line);
    showState(line, mirror.state());
    QObject::connect(&mirror, &BackupMirror::stateChanged, line,
                     [line](BackupMirror::State state) { showState(line, state); });

    // The warning does not hold the entry: the operator goes on typing while the medium is
    // put back, and the copy catches up by itself.
    QObject::connect(
        &mirror, &BackupMirror::warning, &entry, [windows, &entry](const QString &text) {
            if (!windows->warning) {
                windows->warning = new QMessageBox(QMessageBox::Warning, programTitle(), text,
                                                   QMessageBox::Ok, &entry);
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

    QObject::connect(entry.Mnu_Sauvegarde, &QAction::triggered, &entry,
                     [windows, services, &mirror, &entry] {
                         if (!windows->setup) {
                             windows->setup = new Copie_Securite(services, mirror, &entry);
                             windows->setup->setAttribute(Qt::WA_DeleteOnClose);
                         }
                         windows->setup->Form_Load();
                     });
}

} // namespace zep
