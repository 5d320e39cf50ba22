#include "help/HelpMenus.h"

#include "core/io/ShippedFiles.h"
#include "help/HelpTexts.h"
#include "help/Mise_a_Jour.h"
#include "help/Mode_Emploi.h"
#include "platform/EntryDoor.h"
#include "platform/UrlOpener.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>

namespace zep {

namespace {

/// The "Aide" menu's windows: one of each at a time, raised when asked for again, closed with
/// the entry window. They have no parent, so that they never stay on top of the entry window.
class HelpMenu : public QObject {
public:
    HelpMenu(QObject *owner, Dialogs &dialogs, QString guideFile, UrlOpener &browser)
        : QObject(owner), dialogs_(dialogs), guideFile_(std::move(guideFile)), browser_(browser) {}
    ~HelpMenu() override {
        delete guide_.data();
        delete update_.data();
    }

    void showHistory() { dialogs_.message(historyText()); }
    void showAbout() { dialogs_.message(aboutText()); }

    void showGuide() {
        if (!QFileInfo(guideFile_).isFile()) {
            dialogs_.message(QStringLiteral("Mode d'emploi introuvable : ") +
                             QDir::toNativeSeparators(guideFile_));
            return;
        }
        if (!guide_)
            guide_ = new Mode_Emploi(guideFile_, browser_);
        else
            guide_->showContents();
        bringForward(guide_);
    }

    void showUpdate() {
        if (!update_) {
            update_ = new Mise_a_Jour(browser_, dialogs_);
            update_->Form_Load();
        }
        bringForward(update_);
    }

private:
    static void bringForward(QWidget *window) {
        window->show();
        window->raise();
        window->activateWindow();
    }

    Dialogs &dialogs_;
    QString guideFile_;
    UrlOpener &browser_;
    QPointer<Mode_Emploi> guide_;
    QPointer<Mise_a_Jour> update_;
};

} // namespace

void connectHelpMenu(EntryDoor &entry, const WindowServices &services, const QString &guideFile,
                     UrlOpener &browser) {
    auto *menu = new HelpMenu(entry.widget(), services.dialogs, guideFile, browser);
    const auto add = [&](const char *name, const QString &caption, void (HelpMenu::*click)()) {
        QAction *item = entry.addMenuItem(EntryMenu::Help, QString::fromLatin1(name), caption);
        QObject::connect(item, &QAction::triggered, menu, click);
    };
    add("Mnu_Historique", QStringLiteral("Historique"), &HelpMenu::showHistory);
    add("Mnu_Mode_Emploi", QStringLiteral("Mode d'emploi"), &HelpMenu::showGuide);
    add("Mnu_Maj", QStringLiteral("Mise a jour du programme"), &HelpMenu::showUpdate);
    add("Mnu_A_Propos", QStringLiteral("A Ppropos"), &HelpMenu::showAbout);
}

void connectHelpMenu(EntryDoor &entry, const WindowServices &services) {
    static DesktopUrlOpener desktop;
    const ShippedFiles shipped = locateShippedFiles(QCoreApplication::applicationDirPath());
    connectHelpMenu(entry, services, userGuidePath(shipped), desktop);
}

} // namespace zep
