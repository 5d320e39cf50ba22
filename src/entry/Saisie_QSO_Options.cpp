// The menu bar of the QSO window, the clock and the entry options of the "Setup" menu.

#include "entry/EntryClock.h"
#include "entry/Saisie_QSO.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

namespace zep {

namespace {

QMenu *newMenu(QMenuBar *bar, const QString &name, const QString &title) {
    QMenu *menu = bar->addMenu(title);
    menu->setObjectName(name);
    return menu;
}

QMenu *newSubMenu(QMenu *parent, const QString &name, const QString &title) {
    QMenu *menu = parent->addMenu(title);
    menu->setObjectName(name);
    return menu;
}

/// Two items of which exactly one carries the check mark: the option's state.
std::pair<QAction *, QAction *> newChoice(QMenu *menu, const QString &firstName,
                                          const QString &firstCaption, const QString &secondName,
                                          const QString &secondCaption) {
    auto *group = new QActionGroup(menu);
    group->setExclusive(true);
    QAction *first = menu->addAction(firstCaption);
    first->setObjectName(firstName);
    QAction *second = menu->addAction(secondCaption);
    second->setObjectName(secondName);
    for (QAction *a : {first, second}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    return {first, second};
}

} // namespace

void Saisie_QSO::buildMenus() {
    QMenuBar *bar = menuBar();
    Mnu_Fichier = newMenu(bar, QStringLiteral("Mnu_Fichier"), QStringLiteral("Fichiers"));
    Mnu_Quitter = Mnu_Fichier->addAction(QStringLiteral("Quitter"));
    Mnu_Quitter->setObjectName(QStringLiteral("Mnu_Quitter"));
    connect(Mnu_Quitter, &QAction::triggered, this, &QWidget::close);

    Mnu_Setup = newMenu(bar, QStringLiteral("Mnu_Setup"), QStringLiteral("Setup"));
    Mnu_QTR = newSubMenu(Mnu_Setup, QStringLiteral("Mnu_QTR"), QStringLiteral("QTR"));
    std::tie(Mnu_UTC_Oui, Mnu_UTC_Non) =
        newChoice(Mnu_QTR, QStringLiteral("Mnu_UTC_Oui"), QStringLiteral("Heure UTC"),
                  QStringLiteral("Mnu_UTC_Non"), QStringLiteral("Heure Locale"));
    Mnu_Date_Auto = newSubMenu(Mnu_Setup, QStringLiteral("Mnu_Date_Auto"),
                               QStringLiteral("Insertion de \"/\" et \":\" en automatique"));
    std::tie(Mnu_Date_Auto_Oui, Mnu_Date_Auto_Non) =
        newChoice(Mnu_Date_Auto, QStringLiteral("Mnu_Date_Auto_Oui"), QStringLiteral("Oui"),
                  QStringLiteral("Mnu_Date_Auto_Non"), QStringLiteral("Non"));
    Mnu_Differee =
        newSubMenu(Mnu_Setup, QStringLiteral("Mnu_Differee"), QStringLiteral("Saisie differée"));
    std::tie(Mnu_Diff_Non, Mnu_Diff_Oui) =
        newChoice(Mnu_Differee, QStringLiteral("Mnu_Diff_Non"), QStringLiteral("NON"),
                  QStringLiteral("Mnu_Diff_Oui"), QStringLiteral("OUI"));
    Mnu_Refrappe =
        newSubMenu(Mnu_Setup, QStringLiteral("Mnu_Refrappe"), QStringLiteral("Mode Refrappe"));
    std::tie(Mnu_Refrappe_Non, Mnu_Refrappe_Oui) =
        newChoice(Mnu_Refrappe, QStringLiteral("Mnu_Refrappe_Non"), QStringLiteral("NON"),
                  QStringLiteral("Mnu_Refrappe_Oui"), QStringLiteral("OUI"));

    connect(Mnu_UTC_Oui, &QAction::triggered, this, [this] {
        settings_.writeBool(keys::heureUtc, true);
        Timer1_Timer();
    });
    connect(Mnu_UTC_Non, &QAction::triggered, this, [this] {
        settings_.writeBool(keys::heureUtc, false);
        Timer1_Timer();
    });
    connect(Mnu_Date_Auto_Oui, &QAction::triggered, this,
            [this] { settings_.writeBool(keys::dateAuto, true); });
    connect(Mnu_Date_Auto_Non, &QAction::triggered, this,
            [this] { settings_.writeBool(keys::dateAuto, false); });
    connect(Mnu_Refrappe_Oui, &QAction::triggered, this,
            [this] { settings_.writeBool(keys::modeRefrappe, true); });
    connect(Mnu_Refrappe_Non, &QAction::triggered, this,
            [this] { settings_.writeBool(keys::modeRefrappe, false); });
    // Deferred entry is not stored: every opening starts with live entry.
    connect(Mnu_Diff_Oui, &QAction::triggered, this, [this] { setDeferredEntry(true); });
    connect(Mnu_Diff_Non, &QAction::triggered, this, [this] { setDeferredEntry(false); });
}

void Saisie_QSO::setDeferredEntry(bool on) {
    Mnu_Diff_Oui->setChecked(on);
    Mnu_Diff_Non->setChecked(!on);
    if (on) {
        showDateAndTime(true);
        return;
    }
    // A QSO being corrected or inserted needs its own date and time whatever the option: the
    // fields stay as they are until that entry ends.
    if (state_.modeEdition || state_.modeAjout)
        return;
    Date_Q->clear();
    Heure_Q->clear();
    showDateAndTime(false);
}

void Saisie_QSO::showDateAndTime(bool shown) {
    for (QWidget *w : std::initializer_list<QWidget *>{Label10, Label6, Date_Q, Heure_Q})
        w->setVisible(shown);
}

void Saisie_QSO::Timer1_Timer() {
    const bool utc = utcClock();
    const entryclock::Reading now = entryclock::read(clock_, utc);
    Label37->setText(now.utcLabel);
    Label37->setEnabled(utc);
    Label34->setText(now.localLabel);
    Label34->setEnabled(!utc);
    state_.dateCourante = now.date;
    state_.heureCourante = now.time;
    Label33->setText(now.date);
}

void Saisie_QSO::stopClock() {
    Timer1->stop();
}

void Saisie_QSO::startClock() {
    Timer1_Timer();
    Timer1->start();
}

bool Saisie_QSO::utcClock() const {
    return Mnu_UTC_Oui->isChecked();
}
bool Saisie_QSO::deferredEntry() const {
    return Mnu_Diff_Oui->isChecked();
}
bool Saisie_QSO::retypeOn() const {
    return Mnu_Refrappe_Oui->isChecked();
}
bool Saisie_QSO::autoSeparators() const {
    return Mnu_Date_Auto_Oui->isChecked();
}

} // namespace zep
