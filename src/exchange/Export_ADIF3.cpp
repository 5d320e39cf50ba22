#include "exchange/Export_ADIF3.h"

#include "core/log/QsoFrequencies.h"

#include "core/countries/CountriesWorked.h"
#include "core/countries/PrefixDxcc.h"
#include "core/exchange/AdifExport.h"
#include "core/io/ProgramDirectory.h"
#include "core/io/TextFile.h"
#include "core/log/Activation.h"
#include "core/log/ActivityLog.h"
#include "core/log/QsoLine.h"
#include "exchange/LogExports.h"
#include "platform/Accessibility.h"
#include "platform/Colors.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace zep {

namespace {

QCheckBox *checkBox(const QString &name, const QString &caption, QWidget *parent) {
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setChecked(true);
    access::name(box, caption);
    return box;
}

QLineEdit *lineEdit(const QString &name, const QString &caption, QLabel *label, QWidget *parent) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    access::name(edit, caption, label);
    return edit;
}

/// The day of the first QSO of the log that has a real date, for a file name when the
/// activation date is none.
QDate firstQsoDay(QByteArrayView log) {
    QDate day;
    rawfile::forEachLine(log, [&](QByteArrayView line) {
        if (day.isValid())
            return;
        if (const std::optional<qint64> when = qsoOrderingNumber(line)) {
            const qint64 ymd = *when / 10000;
            day = QDate(int(ymd / 10000), int(ymd / 100 % 100), int(ymd % 100));
        }
    });
    return day;
}

} // namespace

Export_ADIF3::Export_ADIF3(const WindowServices &services, QWidget *parent)
    : QWidget(parent, Qt::Window), services_(services) {
    setObjectName(QStringLiteral("Export_ADIF3"));
    setWindowTitle(QStringLiteral("Export ADIF 3"));

    Station = new QLabel(this);
    Station->setObjectName(QStringLiteral("Station"));
    auto *locatorLabel = new QLabel(QStringLiteral("Locator (MY_GRIDSQUARE)"), this);
    Locator = lineEdit(QStringLiteral("Locator"), locatorLabel->text(), locatorLabel, this);
    Locator->setMaxLength(8);
    Locator->setToolTip(QStringLiteral("Locator de la station, par exemple JN18du ; laissé vide, "
                                       "il n'est pas écrit"));

    auto *top = new QGridLayout;
    top->addWidget(Station, 0, 0, 1, 2);
    top->addWidget(locatorLabel, 1, 0);
    top->addWidget(Locator, 1, 1);

    Reference = {buildReferenceBox(1), buildReferenceBox(2)};

    Enregistrer = new QPushButton(QStringLiteral("Enregistrer"), this);
    Enregistrer->setObjectName(QStringLiteral("Enregistrer"));
    Enregistrer->setDefault(true);
    Fermer = new QPushButton(QStringLiteral("Fermer"), this);
    Fermer->setObjectName(QStringLiteral("Fermer"));
    Fermer->setAutoDefault(false);
    connect(Enregistrer, &QPushButton::clicked, this, [this] { Enregistrer_Click(); });
    connect(Fermer, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Enregistrer);
    buttons->addWidget(Fermer);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    for (const ReferenceBox &r : Reference)
        layout->addWidget(r.box);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    access::tabChain({Locator, Reference[0].exporter, Reference[0].entete, Reference[0].programme,
                      Reference[0].prenoms, Reference[0].observations, Reference[0].correspondant,
                      Reference[0].pays, Reference[1].exporter, Reference[1].entete,
                      Reference[1].programme, Reference[1].prenoms, Reference[1].observations,
                      Reference[1].correspondant, Reference[1].pays, Enregistrer, Fermer});
}

Export_ADIF3::ReferenceBox Export_ADIF3::buildReferenceBox(int n) {
    const QString suffix = QStringLiteral("_%1").arg(n);
    ReferenceBox r{};
    r.box = new QGroupBox(this);
    r.box->setObjectName(QStringLiteral("Reference") + suffix);
    r.exporter = checkBox(QStringLiteral("Exporter") + suffix,
                          QStringLiteral("Exporter cette référence"), r.box);
    auto *enteteLabel = new QLabel(QStringLiteral("Texte d'en-tête"), r.box);
    r.entete = lineEdit(QStringLiteral("Entete") + suffix, enteteLabel->text(), enteteLabel, r.box);
    auto *programmeLabel = new QLabel(QStringLiteral("Programme (MY_SIG)"), r.box);
    r.programme = lineEdit(QStringLiteral("Programme") + suffix, programmeLabel->text(),
                           programmeLabel, r.box);
    r.prenoms =
        checkBox(QStringLiteral("Prenoms") + suffix, QStringLiteral("Prénoms (NAME)"), r.box);
    r.observations = checkBox(QStringLiteral("Observations") + suffix,
                              QStringLiteral("Observations (COMMENT)"), r.box);
    r.correspondant = checkBox(QStringLiteral("Ref_Correspondant") + suffix,
                               QStringLiteral("Référence du correspondant (SIG, SIG_INFO)"), r.box);
    r.pays = checkBox(QStringLiteral("Pays") + suffix,
                      QStringLiteral("Pays et département (DXCC, COUNTRY, STATE)"), r.box);

    auto *grid = new QGridLayout(r.box);
    grid->addWidget(r.exporter, 0, 0, 1, 2);
    grid->addWidget(enteteLabel, 1, 0);
    grid->addWidget(r.entete, 1, 1);
    grid->addWidget(programmeLabel, 2, 0);
    grid->addWidget(r.programme, 2, 1);
    grid->addWidget(r.prenoms, 3, 0);
    grid->addWidget(r.observations, 3, 1);
    grid->addWidget(r.correspondant, 4, 0);
    grid->addWidget(r.pays, 4, 1);
    const QFontMetrics metrics(r.entete->font());
    r.entete->setMinimumWidth(metrics.horizontalAdvance(QString(48, QLatin1Char('n'))));

    // Nothing of a reference left out of the export is asked about.
    for (QWidget *w : std::initializer_list<QWidget *>{r.entete, r.programme, r.prenoms,
                                                       r.observations, r.correspondant, r.pays})
        connect(r.exporter, &QCheckBox::toggled, w, &QWidget::setEnabled);
    return r;
}

QStringList Export_ADIF3::references() const {
    const CurrentActivation a = services_.activation.currentActivation();
    QStringList refs{a.reference.trimmed()};
    if (a.isDouble && !a.secondReference.trimmed().isEmpty())
        refs << a.secondReference.trimmed();
    return refs;
}

void Export_ADIF3::Form_Load() {
    const CurrentActivation a = services_.activation.currentActivation();
    const QString activator = a.activator.trimmed();
    const QString logger = a.logger.trimmed();
    Station->setText(QStringLiteral("Station : %1    Opérateur : %2")
                         .arg(activator, logger.isEmpty() ? activator : logger));
    Locator->setText(services_.settings.read(keys::adif3Locator, QString()));

    const QStringList refs = references();
    for (int i = 0; i < int(Reference.size()); ++i) {
        const ReferenceBox &r = Reference[i];
        const bool shown = i < refs.size();
        r.box->setVisible(shown);
        r.exporter->setChecked(shown);
        if (!shown)
            continue;
        const QString &reference = refs.at(i);
        r.box->setTitle(QStringLiteral("Référence ") + reference);
        r.entete->setText(adif3::defaultHeaderText(activator, reference));
        const QString programme = adif3::defaultProgramme(reference);
        r.programme->setText(programme.isEmpty() ? QString()
                                                 : services_.settings.read(
                                                       keys::adif3Programme(programme), programme));
        for (QCheckBox *c : {r.prenoms, r.observations, r.correspondant, r.pays})
            c->setChecked(true);
    }
    centreOnScreen(this);
    show();
    raise();
    activateWindow();
    Enregistrer->setFocus();
}

QStringList Export_ADIF3::Enregistrer_Click() {
    const CurrentActivation a = services_.activation.currentActivation();
    const QStringList refs = references();

    const QString typedGrid = Locator->text().trimmed();
    const std::optional<QString> grid = adif3::gridSquare(typedGrid);
    if (!typedGrid.isEmpty() && !grid) {
        services_.dialogs.message(QStringLiteral("« %1 » n'est pas un locator : 2, 4, 6 ou 8 "
                                                 "caractères, par exemple JN18du.")
                                      .arg(typedGrid));
        Locator->setFocus();
        return {};
    }
    QList<int> chosen;
    for (int i = 0; i < refs.size(); ++i)
        if (Reference[i].exporter->isChecked())
            chosen << i;
    if (chosen.isEmpty()) {
        services_.dialogs.message(QStringLiteral("Cochez au moins une référence à exporter."));
        return {};
    }

    // What the operator gave is kept for the next export, written or not.
    services_.settings.write(keys::adif3Locator, grid.value_or(QString()));
    for (const int i : chosen) {
        const QString programme = adif3::defaultProgramme(refs.at(i));
        if (!programme.isEmpty())
            services_.settings.write(keys::adif3Programme(programme),
                                     Reference[i].programme->text().trimmed());
    }

    // Both logs of a double activation hold the same QSOs: the first is the one kept.
    const FileBytes log = rawfile::read(activityLogPath(services_.programDir, a.reference));
    if (!log.status && !log.missing) {
        services_.dialogs.message(adifErrorMessage(log.status.code, log.status.message));
        return {};
    }

    // The countries come from the operator's prefix table, or from the program's own when
    // theirs is missing or cannot be read (and then the operator is told).
    QString tableNote;
    (void)installPrefixTable(services_.programDir);
    const QString tablePath = dataFile(services_.programDir, prefixTableFileName);
    FileBytes table = readFileBytes(tablePath);
    if (!table.status) {
        const QString why =
            table.missing ? missingPrefixTableMessage(tablePath) : table.status.message;
        tableNote = QStringLiteral("\n") + why +
                    QStringLiteral("\nLes pays ont été trouvés avec la table du programme.");
        table.bytes = builtInPrefixTable();
    }
    const prefixdxcc::EntityFinder finder(table.bytes);
    const adif3::EntityOf entityOf = [&finder](QByteArrayView call) { return finder(call); };

    // The radio's frequency of each QSO validated while it answered, kept beside the log. A
    // side file that cannot be read costs the FREQ fields, not the export.
    const QsoFrequencies::Reading frequencies =
        QsoFrequencies(activityLogPath(services_.programDir, a.reference)).read();
    if (!frequencies.status)
        tableNote += QStringLiteral("\n") + frequencies.status.message +
                     QStringLiteral("\nLes fréquences des QSO ne sont pas écrites.");
    adif3::FrequencyOf frequencyOf;
    if (!frequencies.byLine.isEmpty())
        frequencyOf = [&frequencies](QByteArrayView qsoLine) -> std::optional<double> {
            const std::optional<qint64> hz = frequencies.of(cp1252::decode(qsoLine));
            if (!hz)
                return std::nullopt;
            return double(*hz) / 1e6;
        };

    QDate day = adif3::activationDay(a.date);
    if (!day.isValid())
        day = firstQsoDay(log.bytes);
    const QDateTime created = QDateTime::currentDateTimeUtc();
    QString folder = services_.settings.read(keys::adif3Folder, QString());
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = adifStartFolder();

    QStringList written, report;
    adif3::Document last;
    for (const int i : chosen) {
        const ReferenceBox &r = Reference[i];
        const QString &reference = refs.at(i);
        const QString proposed =
            QDir(folder).filePath(adif3::proposedFileName(a.activator, reference, day));
        const std::optional<QString> path = services_.files.saveFileName(
            this, QStringLiteral("Export ADIF 3 : ") + reference, proposed,
            QStringLiteral("Fichiers ADIF (*.adi)"), QStringLiteral("adi"));
        if (!path)
            continue;
        if (path->trimmed().isEmpty()) {
            services_.dialogs.message(QStringLiteral("selectionnez un fichier ou quitter"));
            continue;
        }
        const QFileInfo target(*path);
        if (isActivityLog(services_.programDir, a, *path)) {
            services_.dialogs.message(
                QStringLiteral("Ce fichier est le log de l'activation : choisissez un autre nom."));
            continue;
        }

        adif3::Station station;
        station.headerText = r.entete->text();
        station.stationCall = a.activator.trimmed();
        station.operatorCall = a.logger.trimmed().isEmpty() ? station.stationCall : a.logger;
        station.programme = r.programme->text().trimmed();
        station.reference = reference;
        station.gridSquare = grid.value_or(QString());
        station.created = created;
        adif3::Contents contents;
        contents.names = r.prenoms->isChecked();
        contents.comments = r.observations->isChecked();
        contents.partnerReferences = r.correspondant->isChecked();
        contents.countries = r.pays->isChecked();
        // The file is written while its later records are made; it replaces the former one
        // only once whole.
        const QString scratch = QLatin1Char('.') + target.fileName() + QStringLiteral(".zep-tmp");
        ScratchWriter writer(*path, scratch);
        last = adif3::document(station, contents, log.bytes, entityOf, frequencyOf,
                               [&writer](const QByteArray &piece) { return writer.append(piece); });
        const IoResult result = writer.commit();
        if (!result) {
            services_.dialogs.message(adifErrorMessage(result.code, result.message));
            continue;
        }
        folder = target.absolutePath();
        services_.settings.write(keys::adif3Folder, folder);
        written << *path;
        report << QStringLiteral("Le fichier a été créé sous  %1  (%2 QSO)")
                      .arg(*path)
                      .arg(last.records);
    }
    if (!written.isEmpty())
        services_.dialogs.message(report.join(QLatin1Char('\n')) +
                                  adif::unknownModesNote(last.unknownModes) +
                                  adif3::skippedNote(last.skippedLines) + tableNote);
    return written;
}

Adif3WindowOpener::Adif3WindowOpener(const WindowServices &services) : services_(services) {}

Adif3WindowOpener::~Adif3WindowOpener() {
    delete window_.data();
}

Export_ADIF3 *Adif3WindowOpener::open() {
    if (!window_) {
        window_ = new Export_ADIF3(services_);
        // Closing unloads the window; the next opening builds it afresh.
        window_->setAttribute(Qt::WA_DeleteOnClose);
    }
    window_->Form_Load();
    return window_;
}

} // namespace zep
