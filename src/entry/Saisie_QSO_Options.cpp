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
        return filesMenu;
    case EntryMenu::Edit:
        return editMenu;
    case EntryMenu::Setup:
        return setupMenu;
    case EntryMenu::Show:
        return showMenu;
    case EntryMenu::Labels:
        return labelsMenu;
    case EntryMenu::Map:
        return mapMenu;
    case EntryMenu::Help:
        break;
    }
    return helpMenu;
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
    filesMenu = newMenu(bar, QStringLiteral("Mnu_Fichier"), QStringLiteral("Fichiers"));
    quitItem =
        addMenuItem(EntryMenu::Files, QStringLiteral("Mnu_Quitter"), QStringLiteral("Quitter"));
    connect(quitItem, &QAction::triggered, this, &QWidget::close);

    editMenu = newMenu(bar, QStringLiteral("Mnu_Edition"), QStringLiteral("Edition"));
    undoCorrectionItem = newItem(editMenu, QStringLiteral("Mnu_Annuler_Correction"),
                                 QStringLiteral("Annuler la dernière correction"));
    undoCorrectionItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    undoCorrectionItem->setEnabled(false);

    setupMenu = newMenu(bar, QStringLiteral("Mnu_Setup"), QStringLiteral("Setup"));
    clockMenu = newSubMenu(setupMenu, QStringLiteral("Mnu_QTR"), QStringLiteral("QTR"));
    std::tie(utcClockItem, localClockItem) =
        newChoice(clockMenu, QStringLiteral("Mnu_UTC_Oui"), QStringLiteral("Heure UTC"),
                  QStringLiteral("Mnu_UTC_Non"), QStringLiteral("Heure Locale"));
    separatorsMenu = newSubMenu(setupMenu, QStringLiteral("Mnu_Date_Auto"),
                                QStringLiteral("Insertion de \"/\" et \":\" en automatique"));
    std::tie(separatorsOnItem, separatorsOffItem) =
        newChoice(separatorsMenu, QStringLiteral("Mnu_Date_Auto_Oui"), QStringLiteral("Oui"),
                  QStringLiteral("Mnu_Date_Auto_Non"), QStringLiteral("Non"));
    deferredMenu =
        newSubMenu(setupMenu, QStringLiteral("Mnu_Differee"), QStringLiteral("Saisie differée"));
    std::tie(deferredOffItem, deferredOnItem) =
        newChoice(deferredMenu, QStringLiteral("Mnu_Diff_Non"), QStringLiteral("NON"),
                  QStringLiteral("Mnu_Diff_Oui"), QStringLiteral("OUI"));
    retypeMenu =
        newSubMenu(setupMenu, QStringLiteral("Mnu_Refrappe"), QStringLiteral("Mode Refrappe"));
    std::tie(retypeOffItem, retypeOnItem) =
        newChoice(retypeMenu, QStringLiteral("Mnu_Refrappe_Non"), QStringLiteral("NON"),
                  QStringLiteral("Mnu_Refrappe_Oui"), QStringLiteral("OUI"));
    setupMenu->addSeparator()->setObjectName(QStringLiteral("Mnu_Setup_Options_End"));
    // Opens "Liaison avec le poste" once a radio is attached (attachRig).
    radioLinkItem =
        addMenuItem(EntryMenu::Setup, QStringLiteral("Mnu_CAT"), QStringLiteral("Poste (CAT)…"));
    radioLinkItem->setEnabled(false);

    // The other items of these menus are added by the subsystems (addMenuItem).
    showMenu = newMenu(bar, QStringLiteral("Mnu_Afficher"), QStringLiteral("Afficher"));
    labelsMenu = newMenu(bar, QStringLiteral("Mnu_Etique"), QStringLiteral("Etiquettes"));
    mapMenu = newMenu(bar, QStringLiteral("Mnu_Carte"), QStringLiteral("Carte"));
    helpMenu = newMenu(bar, QStringLiteral("Mnu_Help"), QStringLiteral("Aide"));

    connect(utcClockItem, &QAction::triggered, this, [this] {
        settings_.writeBool(keys::heureUtc, true);
        showClock();
    });
    connect(localClockItem, &QAction::triggered, this, [this] {
        settings_.writeBool(keys::heureUtc, false);
        showClock();
    });
    connect(separatorsOnItem, &QAction::triggered, this,
            [this] { settings_.writeBool(keys::dateAuto, true); });
    connect(separatorsOffItem, &QAction::triggered, this,
            [this] { settings_.writeBool(keys::dateAuto, false); });
    connect(retypeOnItem, &QAction::triggered, this,
            [this] { settings_.writeBool(keys::modeRefrappe, true); });
    connect(retypeOffItem, &QAction::triggered, this,
            [this] { settings_.writeBool(keys::modeRefrappe, false); });
    // Deferred entry is not stored: every opening starts with live entry.
    connect(deferredOnItem, &QAction::triggered, this, [this] { setDeferredEntry(true); });
    connect(deferredOffItem, &QAction::triggered, this, [this] { setDeferredEntry(false); });
}

void Saisie_QSO::setDeferredEntry(bool on) {
    deferredOnItem->setChecked(on);
    deferredOffItem->setChecked(!on);
    rate_->update(); // the last hour now ends at the latest QSO, or at the clock
    if (on) {
        showDateAndTime(true);
        return;
    }
    // A QSO being corrected or inserted needs its own date and time whatever the option: the
    // fields stay as they are until that entry ends.
    if (state_.correcting || state_.inserting)
        return;
    Date_Q->clear();
    Heure_Q->clear();
    showDateAndTime(false);
}

void Saisie_QSO::showDateAndTime(bool shown) {
    for (QWidget *w : std::initializer_list<QWidget *>{dateCaption, timeCaption, Date_Q, Heure_Q})
        w->setVisible(shown);
}

void Saisie_QSO::showClock() {
    const bool utc = utcClock();
    const entryclock::Reading now = entryclock::read(clock_, utc);
    utcClockLabel->setText(now.utcLabel);
    utcClockLabel->setEnabled(utc);
    localClockLabel->setText(now.localLabel);
    localClockLabel->setEnabled(!utc);
    state_.clockDate = now.date;
    state_.clockTime = now.time;
    clockDateLabel->setText(now.date);
    if (rate_)
        rate_->update();
}

void Saisie_QSO::stopClock() {
    clockTimer->stop();
}

void Saisie_QSO::startClock() {
    showClock();
    clockTimer->start();
}

bool Saisie_QSO::utcClock() const {
    return utcClockItem->isChecked();
}
bool Saisie_QSO::deferredEntry() const {
    return deferredOnItem->isChecked();
}
bool Saisie_QSO::retypeOn() const {
    return retypeOnItem->isChecked();
}
bool Saisie_QSO::autoSeparators() const {
    return separatorsOnItem->isChecked();
}

} // namespace zep
