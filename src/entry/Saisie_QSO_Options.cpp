// The menu bar of the QSO window, the clock and the entry options of the "Setup" menu.

#include "entry/EntryClock.h"
#include "entry/RateLine.h"
#include "entry/Saisie_QSO.h"

#include <QAction>
#include <QActionGroup>
#include <QHash>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
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

QAction *newItem(QMenu *menu, const QString &name, const QString &caption) {
    QAction *item = menu->addAction(caption);
    item->setObjectName(name);
    return item;
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

namespace {

/// The place of each item in its menu, by objectName, whoever adds it: the window's own items
/// and those of the subsystems. An item not listed goes where "" stands, or last.
const QHash<QString, QStringList> &menuPlan() {
    static const QHash<QString, QStringList> plan{
        {QStringLiteral("Mnu_Fichier"),
         {QStringLiteral("Mnu_ADIF"), QStringLiteral("Mnu_ADIF3"), QStringLiteral("Mnu_C_Trafic"),
          QStringLiteral("Mnu_Import_ADIF"), QStringLiteral("Mnu_Archiver"),
          QStringLiteral("Mnu_Restaurer"), QStringLiteral("Mnu_Annonce_Cluster"),
          QStringLiteral("Mnu_Master_Scp"), QString(), QStringLiteral("Mnu_Quitter")}},
        {QStringLiteral("Mnu_Setup"),
         {QStringLiteral("Mnu_QTR"), QStringLiteral("Mnu_Date_Auto"),
          QStringLiteral("Mnu_Differee"), QStringLiteral("Mnu_Refrappe"),
          QStringLiteral("Mnu_Setup_Options_End"), QStringLiteral("Mnu_CAT"),
          QStringLiteral("Mnu_Messages"), QStringLiteral("Mnu_Cluster"),
          QStringLiteral("Mnu_Sauvegarde")}},
        {QStringLiteral("Mnu_Afficher"),
         {QStringLiteral("Mnu_Aff_Log"), QStringLiteral("Mnu_Log_Alpha"),
          QStringLiteral("Mnu_Pays_Contacte"), QStringLiteral("Mnu_Liste_Op")}},
        {QStringLiteral("Mnu_Help"),
         {QStringLiteral("Mnu_Historique"), QStringLiteral("Mnu_Mode_Emploi"),
          QStringLiteral("Mnu_Maj"), QStringLiteral("Mnu_A_Propos")}},
    };
    return plan;
}

/// The name an entry of a menu is placed by: a submenu's own, else the item's.
QString placeName(const QAction *entry) {
    return entry->menu() ? entry->menu()->objectName() : entry->objectName();
}

int rankIn(const QStringList &plan, const QString &name) {
    const qsizetype at = plan.indexOf(name);
    if (at >= 0)
        return int(at);
    const qsizetype others = plan.indexOf(QString());
    return others >= 0 ? int(others) : int(plan.size());
}

/// Puts `item` into `menu` before the first entry the plan puts after it.
void place(QMenu *menu, QAction *item) {
    const QStringList plan = menuPlan().value(menu->objectName());
    const int rank = rankIn(plan, placeName(item));
    for (QAction *other : menu->actions())
        if (other != item && rankIn(plan, placeName(other)) > rank) {
            menu->insertAction(other, item);
            return;
        }
    menu->addAction(item);
}

} // namespace

QMenu *Saisie_QSO::menu(EntryMenu which) const {
    switch (which) {
    case EntryMenu::Files:
        return Mnu_Fichier;
    case EntryMenu::Edit:
        return Mnu_Edition;
    case EntryMenu::Setup:
        return Mnu_Setup;
    case EntryMenu::Show:
        return Mnu_Afficher;
    case EntryMenu::Labels:
        return Mnu_Etique;
    case EntryMenu::Map:
        return Mnu_Carte;
    case EntryMenu::Help:
        break;
    }
    return Mnu_Help;
}

QAction *Saisie_QSO::addMenuItem(EntryMenu which, const QString &objectName,
                                 const QString &caption) {
    QMenu *into = menu(which);
    auto *item = new QAction(caption, into);
    item->setObjectName(objectName);
    place(into, item);
    return item;
}

void Saisie_QSO::addStatusLine(StatusLabel *line) {
    statusBar()->addPermanentWidget(line);
}

void Saisie_QSO::buildMenus() {
    QMenuBar *bar = menuBar();
    Mnu_Fichier = newMenu(bar, QStringLiteral("Mnu_Fichier"), QStringLiteral("Fichiers"));
    Mnu_Quitter =
        addMenuItem(EntryMenu::Files, QStringLiteral("Mnu_Quitter"), QStringLiteral("Quitter"));
    connect(Mnu_Quitter, &QAction::triggered, this, &QWidget::close);

    Mnu_Edition = newMenu(bar, QStringLiteral("Mnu_Edition"), QStringLiteral("Edition"));
    Mnu_Annuler_Correction = newItem(Mnu_Edition, QStringLiteral("Mnu_Annuler_Correction"),
                                     QStringLiteral("Annuler la dernière correction"));
    Mnu_Annuler_Correction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    Mnu_Annuler_Correction->setEnabled(false);

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
    Mnu_Setup->addSeparator()->setObjectName(QStringLiteral("Mnu_Setup_Options_End"));
    // Opens "Liaison avec le poste" once a radio is attached (attachRig).
    Mnu_CAT =
        addMenuItem(EntryMenu::Setup, QStringLiteral("Mnu_CAT"), QStringLiteral("Poste (CAT)…"));
    Mnu_CAT->setEnabled(false);

    // The other items of these menus are added by the subsystems (addMenuItem).
    Mnu_Afficher = newMenu(bar, QStringLiteral("Mnu_Afficher"), QStringLiteral("Afficher"));
    Mnu_Etique = newMenu(bar, QStringLiteral("Mnu_Etique"), QStringLiteral("Etiquettes"));
    Mnu_Carte = newMenu(bar, QStringLiteral("Mnu_Carte"), QStringLiteral("Carte"));
    Mnu_Help = newMenu(bar, QStringLiteral("Mnu_Help"), QStringLiteral("Aide"));

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
    rate_->update(); // the last hour now ends at the latest QSO, or at the clock
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
    if (rate_)
        rate_->update();
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
