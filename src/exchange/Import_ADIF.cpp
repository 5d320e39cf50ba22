#include "exchange/Import_ADIF.h"

#include "exchange/LogExports.h"

#include "core/adif/AdifReader.h"
#include "core/io/ProgramDirectory.h"
#include "core/io/TextFile.h"
#include "core/log/Activation.h"
#include "entry/Saisie_QSO.h"
#include "platform/Colors.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>

#include <memory>

namespace zep {

using adifimport::Item;
using adifimport::Preview;
using adifimport::Status;

namespace {

/// The records of the preview as table rows, read straight from the preview (a file of
/// 100,000 records is not copied into 900,000 items).
class PreviewModel : public QAbstractTableModel {
public:
    PreviewModel(const Preview &preview, QObject *parent)
        : QAbstractTableModel(parent), preview_(preview) {}

    int rowCount(const QModelIndex &parent) const override {
        return parent.isValid() ? 0 : int(preview_.items.size());
    }
    int columnCount(const QModelIndex &parent) const override {
        return parent.isValid() ? 0 : int(std::size(headings));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < int(std::size(headings)))
            return QString::fromUtf8(headings[section]);
        return {};
    }
    QVariant data(const QModelIndex &index, int role) const override {
        if (!index.isValid() || index.row() >= preview_.items.size())
            return {};
        const Item &item = preview_.items.at(index.row());
        if (role == Qt::BackgroundRole && item.status == Status::Ignored)
            return colors::lightYellow();
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        switch (index.column()) {
        case 0:
            return item.record;
        case 1:
            return item.line;
        case 2:
            return item.fields.call;
        case 3:
            return item.fields.date;
        case 4:
            return item.fields.time;
        case 5:
            return item.fields.band;
        case 6:
            return item.fields.mode;
        case 7:
            return adifimport::statusText(item.status);
        default:
            QStringList said;
            if (!item.reason.isEmpty())
                said.append(item.reason);
            said.append(item.notes);
            return said.join(QStringLiteral(" ; "));
        }
    }

    static constexpr const char *headings[] = {"N°",   "Ligne",  "Indicatif",
                                               "Date", "Heure",  "Bande",
                                               "Mode", "Statut", "Motif et remarques"};

private:
    const Preview &preview_;
};

QStringList itemsOf(const QComboBox *box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

} // namespace

Import_ADIF::Import_ADIF(const Preview &preview, const QString &sourceFile,
                         const QString &reference, QWidget *parent)
    : QDialog(parent), preview_(preview) {
    setObjectName(QStringLiteral("Import_ADIF"));
    setWindowTitle(QStringLiteral("Import ADIF"));
    setModal(true);

    Fichier = new QLabel(QStringLiteral("Fichier %1 vers le log %2")
                             .arg(QDir::toNativeSeparators(sourceFile), reference.trimmed()),
                         this);
    Fichier->setObjectName(QStringLiteral("Fichier"));
    Compteurs = new QLabel(this);
    Compteurs->setObjectName(QStringLiteral("Compteurs"));
    Remarques = new QLabel(preview.fileNotes.join(QLatin1Char('\n')), this);
    Remarques->setObjectName(QStringLiteral("Remarques"));
    Remarques->setVisible(!preview.fileNotes.isEmpty());
    Remarques->setWordWrap(true);

    Liste_Import = new QTableView(this);
    Liste_Import->setObjectName(QStringLiteral("Liste_Import"));
    Liste_Import->setModel(new PreviewModel(preview, Liste_Import));
    Liste_Import->setSelectionBehavior(QAbstractItemView::SelectRows);
    Liste_Import->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Liste_Import->verticalHeader()->hide();
    // Rows of one height: a file of 100,000 records is laid out without measuring each row.
    Liste_Import->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Liste_Import->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    Liste_Import->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {55, 50, 105, 75, 55, 55, 75, 125};
    for (int column = 0; column < int(std::size(widths)); ++column)
        Liste_Import->horizontalHeader()->resizeSection(column, widths[column]);

    Importer_Doublons = new QCheckBox(QStringLiteral("Importer aussi les doublons"), this);
    Importer_Doublons->setObjectName(QStringLiteral("Importer_Doublons"));
    Importer_Doublons->setEnabled(preview.count(Status::Duplicate) > 0);
    Importer = new QPushButton(QStringLiteral("Importer"), this);
    Importer->setObjectName(QStringLiteral("Importer"));
    Annuler = new QPushButton(QStringLiteral("Annuler"), this);
    Annuler->setObjectName(QStringLiteral("Annuler"));
    Annuler->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Importer_Doublons);
    buttons->addStretch(1);
    buttons->addWidget(Importer);
    buttons->addWidget(Annuler);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Fichier);
    layout->addWidget(Compteurs);
    layout->addWidget(Remarques);
    layout->addWidget(Liste_Import, 1);
    layout->addLayout(buttons);

    const auto showCounts = [this] { Compteurs->setText(countsText(preview_, withDuplicates())); };
    showCounts();
    connect(Importer_Doublons, &QCheckBox::toggled, this, showCounts);
    connect(Importer, &QPushButton::clicked, this, &QDialog::accept);
    connect(Annuler, &QPushButton::clicked, this, &QDialog::reject);
    resize(1000, 600);
    centreOnScreen(this);
}

bool Import_ADIF::withDuplicates() const {
    return Importer_Doublons->isChecked();
}

QString Import_ADIF::countsText(const Preview &preview, bool withDuplicates) {
    const int read = int(preview.items.size());
    const int imported = preview.importedCount(withDuplicates);
    return QStringLiteral("Lus : %1 — à importer : %2 — déjà dans le log : %3 — doublons : %4 — "
                          "ignorés : %5\nSeront importés : %6 — non importés : %7")
        .arg(read)
        .arg(preview.count(Status::ToImport))
        .arg(preview.count(Status::AlreadyInLog))
        .arg(preview.count(Status::Duplicate))
        .arg(preview.count(Status::Ignored))
        .arg(imported)
        .arg(read - imported);
}

AdifImportAction::AdifImportAction(Saisie_QSO &entry, const WindowServices &services, Clock &clock)
    : entry_(entry), services_(services), clock_(clock), lastDirectory_(adifStartFolder()) {}

bool AdifImportAction::run() {
    Dialogs &dialogs = services_.dialogs;
    const std::optional<QString> chosen = services_.files.openFileName(
        &entry_, QStringLiteral("Importer un fichier ADIF"), lastDirectory_,
        QStringLiteral("Fichiers ADIF (*.adi *.adif *.adx *.ADI *.ADX);;Tous les fichiers (*)"));
    if (!chosen || chosen->isEmpty())
        return false;
    const QString source = *chosen;
    lastDirectory_ = QFileInfo(source).absolutePath();

    const QString fileName = QFileInfo(source).fileName();
    // The bound is checked before the file is read.
    if (const QString tooBig = adifimport::sizeRefusal(fileName, QFileInfo(source).size());
        !tooBig.isEmpty()) {
        dialogs.message(tooBig);
        return false;
    }
    FileBytes file = readFileBytes(source);
    if (!file.status) {
        dialogs.message(file.status.message);
        return false;
    }

    const CurrentActivation a = services_.activation.currentActivation();
    const QString reference = a.reference.trimmed();
    adifimport::Files files;
    files.log = activityLogPath(services_.programDir, reference);
    const QString second = a.secondReference.trimmed();
    if (a.isDouble && !second.isEmpty() && second != reference)
        files.secondLog = activityLogPath(services_.programDir, second);
    files.firstNames = entry_.firstNamesPath();

    const FileBytes log = readFileBytes(files.log);
    if (!log.status && !log.missing) {
        dialogs.message(log.status.message);
        return false;
    }
    const adifimport::FilePreview made = adifimport::previewFile(
        file.bytes, fileName, log.bytes, {itemsOf(entry_.Bande_Q), itemsOf(entry_.Mode_Q)});
    file.bytes = QByteArray(); // the preview holds what it needs of the file
    if (!made.refusal.isEmpty()) {
        dialogs.message(made.refusal);
        return false;
    }
    const Preview &preview = made.preview;

    Import_ADIF window(preview, source, reference, &entry_);
    if (window.exec() != QDialog::Accepted)
        return false;

    const QDateTime when = entry_.utcClock() ? clock_.utcNow() : clock_.localNow();
    files.report =
        QFileInfo(files.log).absoluteDir().filePath(adifimport::reportFileName(reference, when));
    QStringList logs{files.log};
    if (!files.secondLog.isEmpty())
        logs.append(files.secondLog);
    const CorrectionHistory::Before before = CorrectionHistory::before(logs);
    const adifimport::Outcome outcome =
        adifimport::applyImport(preview, window.withDuplicates(), files, source, reference, when);
    // "Annuler la dernière correction" takes the imported QSOs out again.
    entry_.corrections().record(before, CorrectionKind::Import);
    // The list, the number, the operator count and the strip follow the log, whatever
    // became of the import.
    entry_.refreshFromLog();
    for (const QString &problem : outcome.messages)
        dialogs.message(problem);
    if (!outcome.imported)
        return false;
    const int notImported = int(preview.items.size()) - outcome.count;
    dialogs.message(QStringLiteral("%1 QSO importé(s) dans le log %2, %3 non importé(s) : la "
                                   "liste est dans \"%4\".")
                        .arg(outcome.count)
                        .arg(reference)
                        .arg(notImported)
                        .arg(QDir::toNativeSeparators(files.report)));
    return true;
}

void connectAdifImport(Saisie_QSO &entry, const WindowServices &services, Clock &clock) {
    auto action = std::make_shared<AdifImportAction>(entry, services, clock);
    QObject::connect(entry.Mnu_Import_ADIF, &QAction::triggered, &entry,
                     [action] { action->run(); });
}

} // namespace zep
