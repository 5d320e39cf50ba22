#include "reports/Pays_Cont.h"

#include "core/countries/CountriesWorked.h"
#include "core/io/ProgramDirectory.h"
#include "core/io/TextFile.h"
#include "entry/QsoList.h"
#include "entry/Saisie_QSO.h"
#include "platform/Colors.h"
#include "platform/ListBox.h"

#include <QAction>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace zep {

Pays_Cont::Pays_Cont(QsoList *entryList, const WindowServices &services, QWidget *parent)
    : QWidget(parent, Qt::Window), entryList_(entryList), services_(services) {
    setObjectName(QStringLiteral("Pays_Cont"));
    setWindowTitle(QStringLiteral("Pays contactés"));

    Liste_Pays = new ListBox(this);
    Liste_Pays->setObjectName(QStringLiteral("Liste_Pays"));
    Liste_Pays->setSortedList(true);
    // The codes are padded to 5 columns, which line the names up only in a fixed pitch: the
    // entry window's QSO list already has one.
    if (entryList)
        Liste_Pays->setFont(entryList->font());
    Liste_Pays->setUniformItemSizes(true);

    Nb_Pays = new QLabel(this);
    Nb_Pays->setObjectName(QStringLiteral("Nb_Pays"));
    Lignes_Ignorees = new QLabel(this);
    Lignes_Ignorees->setObjectName(QStringLiteral("Lignes_Ignorees"));
    Lignes_Ignorees->setWordWrap(true);
    Lignes_Ignorees->hide();

    Enregistrer = new QPushButton(QStringLiteral("Enregistrer"), this);
    Enregistrer->setObjectName(QStringLiteral("Enregistrer"));
    Enregistrer->setAutoDefault(false);
    connect(Enregistrer, &QPushButton::clicked, this, [this] { Enregistrer_Click(); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Nb_Pays, 1);
    buttons->addWidget(Enregistrer);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Liste_Pays, 1);
    layout->addWidget(Lignes_Ignorees);
    layout->addLayout(buttons);
    const QFontMetrics metrics(Liste_Pays->font());
    resize(metrics.horizontalAdvance(QString(64, QLatin1Char('M'))), 460);
}

bool Pays_Cont::Form_Load() {
    const QString path = dataFile(services_.programDir, prefixTableFileName);
    const IoResult installed = installPrefixTable(services_.programDir);
    PrefixTable::Loaded loaded = PrefixTable::load(path);
    if (loaded.missing) {
        // The directory has no table and the program's own could not be put there: the
        // operator is told why, and the countries are still found with the program's table.
        services_.dialogs.message(loaded.status.message + QStringLiteral("\n") + installed.message);
        loaded.table = PrefixTable::parse(builtInPrefixTable());
    } else if (!loaded.status) {
        // The operator's own table is there but cannot be read: no list rather than a list
        // made from another table than theirs.
        services_.dialogs.message(loaded.status.message);
        return false;
    }
    Charge_Pays(loaded.table);
    centreOnScreen(this);
    show();
    raise();
    activateWindow();
    return true;
}

void Pays_Cont::Charge_Pays(const PrefixTable &table) {
    QStringList calls;
    if (entryList_) {
        calls.reserve(entryList_->count());
        for (int row = 0; row < entryList_->count(); ++row)
            calls.append(callOfListItem(entryList_->itemText(row)));
    }
    const CountriesWorked worked = zep::tallyCountries(table, calls);
    Liste_Pays->clearList();
    // The entries come in list order already; the sorted list keeps them so.
    for (const QString &entry : worked.entries)
        Liste_Pays->addListItem(entry);
    Nb_Pays->setText(QStringLiteral("Nombre de pays : %1").arg(worked.countries));
    const QString skipped = skippedPrefixLinesMessage(table);
    Lignes_Ignorees->setText(skipped);
    Lignes_Ignorees->setVisible(!skipped.isEmpty());
}

bool Pays_Cont::Enregistrer_Click() {
    // For a double activation the file carries the first reference.
    const QString reference = services_.activation.currentActivation().reference.trimmed();
    const QString path = countriesFilePath(services_.programDir, reference);
    QStringList entries;
    for (int row = 0; row < Liste_Pays->listCount(); ++row)
        entries.append(Liste_Pays->listItem(row));
    const IoResult written = writeTextFile(path, countriesFileLines(reference, entries));
    if (!written) {
        services_.dialogs.message(written.message);
        return false;
    }
    services_.dialogs.message(QStringLiteral("Le fichier a été enregistré sous le nom ") +
                              QFileInfo(path).fileName());
    return true;
}

CountriesWindowOpener::CountriesWindowOpener(QsoList *entryList, const WindowServices &services)
    : entryList_(entryList), services_(services) {}

CountriesWindowOpener::~CountriesWindowOpener() {
    delete window_.data();
}

Pays_Cont *CountriesWindowOpener::open() {
    const bool fresh = !window_;
    if (fresh) {
        window_ = new Pays_Cont(entryList_, services_);
        // Closing unloads the window; the next opening builds it afresh.
        window_->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (!window_->Form_Load()) {
        if (fresh)
            delete window_.data();
        return nullptr;
    }
    return window_;
}

void connectCountriesWindow(Saisie_QSO &entry, const WindowServices &services) {
    // A failure here is told when the window is opened, where the table is needed.
    (void)installPrefixTable(services.programDir);
    auto opener = std::make_shared<CountriesWindowOpener>(entry.Liste_QSO, services);
    QObject::connect(entry.Mnu_Pays_Contacte, &QAction::triggered, &entry,
                     [opener] { opener->open(); });
}

} // namespace zep
