// "Fichiers" > "Importer un fichier ADIF…" as the operator uses it: the menu, the open dialog
// answering a path, the preview read and ticked, "Importer" or "Annuler" clicked, then the
// files checked byte for byte and the entry window looked at.

#include "entry/EntryWindowFixture.h"

#include "core/aids/FirstNames.h"
#include "core/io/TextFile.h"
#include "core/log/QsoLine.h"
#include "exchange/Import_ADIF.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"
#include "platform/WindowServices.h"
#include "support/MenuItems.h"
#include "support/ModalWindows.h"
#include "support/QStringPrint.h"
#include "support/QsoLines.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <functional>

using namespace zep;
using zep::testing::qsoLineOf;

namespace {

const QString logged = qsoLineOf(
    QStringLiteral("07/12/26"), QStringLiteral("10:00"), QStringLiteral("F1ABC"),
    QStringLiteral("75"), QStringLiteral("Jean"), QStringLiteral("SSB"), QStringLiteral("7"));

/// A file from a logger in the field: a new station before the logged QSO, the logged station
/// again later, a band the window does not offer, the logged QSO itself.
const QByteArray fieldFile =
    "Field log\n<adif_ver:5>3.1.6\n<eoh>\n"
    "<call:5>dl2xy<qso_date:8>20261207<time_on:6>090012<band:3>40m<mode:3>SSB<submode:3>USB"
    "<rst_sent:2>59<rst_rcvd:2>55<name:4>Hans<eor>\n"
    "<call:5>F1ABC<qso_date:8>20261207<time_on:4>1100<band:3>40m<mode:3>SSB<rst_sent:2>59"
    "<rst_rcvd:2>59<name:6>Jean-P<state:2>75<eor>\n"
    "<call:5>G4AAA<qso_date:8>20261207<time_on:4>1200<band:3>60m<mode:3>SSB<eor>\n"
    "<call:5>F1ABC<qso_date:8>20261207<time_on:4>1000<band:3>40m<mode:3>SSB<eor>\n";

class AdifImportFromEntry : public zep::testing::EntryWindowTest {
protected:
    void SetUp() override {
        EntryWindowTest::SetUp();
        ASSERT_TRUE(source.isValid());
    }

    Saisie_QSO &openWithImport() {
        Saisie_QSO &entry = open();
        connectAdifImport(entry, services, clock);
        return entry;
    }

    /// A double activation whose two logs hold the same QSO; the second log's path.
    QString doubleActivationWithOneQso() {
        setup.activation.isDouble = true;
        setup.activation.secondReference = QStringLiteral("DIFI-21-010");
        const QString second = path(QStringLiteral("DIFI-21-010.txt"));
        put(logFile(), zep::testing::logBytesOf({logged}));
        put(second, zep::testing::logBytesOf({logged}));
        return second;
    }

    /// "Importer un fichier ADIF…" clicked, the dialog answering `file`; `onPreview` runs
    /// on the preview window while it is shown. Returns whether it was shown.
    bool runImport(Saisie_QSO &entry, const QString &file,
                   const std::function<void(Import_ADIF &)> &onPreview) {
        files.setNextOpenAnswer(file);
        bool shown = false;
        // The preview is closed after `onPreview`, whatever becomes of its checks.
        const auto watcher = zep::testing::whenModalAppears<Import_ADIF>(onPreview, &shown);
        zep::testing::menuItem(entry, "Mnu_Import_ADIF")->trigger();
        QApplication::processEvents();
        return shown;
    }

    QString sourceFile(const QByteArray &content) {
        const QString path = source.filePath(QStringLiteral("field.adi"));
        put(path, content);
        return path;
    }

    QStringList programFiles() const {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    static QString cell(const Import_ADIF &w, int row, int column) {
        const QAbstractItemModel *m = w.Liste_Import->model();
        return m->data(m->index(row, column)).toString();
    }

    QTemporaryDir source; ///< where the operator keeps the other logger's file
    ScriptedFileChooser files;
    RecordingPrintService printing;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
};

} // namespace

TEST_F(AdifImportFromEntry, ImportsWhatThePreviewShows) {
    put(logFile(), zep::testing::logBytesOf({logged}));
    put(path(QStringLiteral("Liste_Prenom.txt")), "F1ABC        75 Jean\r\n");
    Saisie_QSO &entry = openWithImport();
    EXPECT_EQ(zep::testing::menuItem(entry, "Mnu_Import_ADIF")->text(),
              QStringLiteral("Importer un fichier ADIF…"));
    EXPECT_TRUE(
        entry.filesMenu->actions().contains(zep::testing::menuItem(entry, "Mnu_Import_ADIF")));

    const bool shown = runImport(entry, sourceFile(fieldFile), [&](Import_ADIF &w) {
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Import ADIF"));
        EXPECT_EQ(programFiles(), (QStringList{QStringLiteral("DFCF-21-001.txt"),
                                               QStringLiteral("Liste_Prenom.txt")}))
            << "nothing written while the preview is open";
        ASSERT_EQ(w.Liste_Import->model()->rowCount(), 4);
        const QStringList statuses = {cell(w, 0, 7), cell(w, 1, 7), cell(w, 2, 7), cell(w, 3, 7)};
        EXPECT_EQ(statuses,
                  (QStringList{QStringLiteral("à importer"), QStringLiteral("doublon"),
                               QStringLiteral("ignoré"), QStringLiteral("déjà dans le log")}));
        EXPECT_EQ(cell(w, 0, 2), QStringLiteral("DL2XY"));
        EXPECT_EQ(cell(w, 1, 8), QStringLiteral("déjà contacté le 07/12/26 à 10:00 sur 7 en SSB"));
        EXPECT_EQ(cell(w, 2, 8), QStringLiteral("bande 60m absente de la liste des bandes"));
        EXPECT_EQ(w.Compteurs->text(),
                  QStringLiteral("Lus : 4 — à importer : 1 — déjà dans le log : 1 — doublons : "
                                 "1 — ignorés : 1\nSeront importés : 1 — non importés : 3"));
        QTest::mouseClick(w.Importer_Doublons, Qt::LeftButton);
        EXPECT_TRUE(
            w.Compteurs->text().endsWith(QStringLiteral("Seront importés : 2 — non importés : 2")));
        QTest::mouseClick(w.Importer, Qt::LeftButton);
    });
    ASSERT_TRUE(shown);

    QsoFields hans;
    hans.date = QStringLiteral("07/12/26");
    hans.time = QStringLiteral("09:00");
    hans.call = QStringLiteral("DL2XY");
    hans.firstName = QStringLiteral("Hans");
    hans.rstReceived = QStringLiteral("55");
    hans.rstSent = QStringLiteral("59");
    hans.mode = QStringLiteral("SSB");
    hans.band = QStringLiteral("7");
    QsoFields again = readQsoLine(logged);
    again.time = QStringLiteral("11:00");
    again.firstName = QStringLiteral("Jean-P");
    const QByteArray expected =
        zep::testing::logBytesOf({buildQsoLine(hans).line, logged, buildQsoLine(again).line});
    EXPECT_EQ(bytes(logFile()), expected);
    EXPECT_EQ(
        bytes(path(QStringLiteral("Liste_Prenom.txt"))),
        zep::testing::logBytesOf(
            {FirstNameMemory::entry(QStringLiteral("F1ABC"), QStringLiteral("75"),
                                    QStringLiteral("Jean-P")),
             FirstNameMemory::entry(QStringLiteral("DL2XY"), QString(), QStringLiteral("Hans"))}));

    // The window follows the log: list, next number, operator count.
    EXPECT_EQ(entry.Liste_QSO->count(), 3);
    EXPECT_EQ(entry.Num_Q->text(), QStringLiteral("4"));
    EXPECT_EQ(entry.operatorCount->text(), QStringLiteral("2"));

    const QString report = path(QStringLiteral("DFCF-21-001_import_20261207_1407.txt"));
    const QByteArray listed = bytes(report);
    EXPECT_TRUE(listed.contains("  n\xB0 3 (ligne 6) G4AAA 07/12/26 12:00 60m SSB : ignor\xE9, "
                                "bande 60m absente de la liste des bandes\r\n"))
        << cp1252::decode(listed).toStdString();
    EXPECT_TRUE(listed.contains("  n\xB0 4 (ligne 7) F1ABC 07/12/26 10:00 7 SSB : d\xE9j\xE0 "
                                "dans le log, m\xEAme QSO dans le log\r\n"));
    EXPECT_EQ(dialogs.texts(),
              QStringList{QStringLiteral("2 QSO importé(s) dans le log DFCF-21-001, 2 non "
                                         "importé(s) : la liste est dans \"%1\".")
                              .arg(report)});
    EXPECT_EQ(programFiles().size(), 3) << "no scratch file left";
}

TEST_F(AdifImportFromEntry, WritesNothingUnlessImporterIsClicked) {
    put(logFile(), zep::testing::logBytesOf({logged}));
    Saisie_QSO &entry = openWithImport();
    const QStringList before = programFiles();
    const QByteArray log = bytes(logFile());

    EXPECT_TRUE(runImport(entry, sourceFile(fieldFile),
                          [](Import_ADIF &w) { QTest::mouseClick(w.Annuler, Qt::LeftButton); }));
    EXPECT_FALSE(runImport(entry, QString(), [](Import_ADIF &w) { w.reject(); }))
        << "the open dialog cancelled";
    EXPECT_FALSE(
        runImport(entry, sourceFile("no ADIF here\r\n"), [](Import_ADIF &w) { w.reject(); }));
    EXPECT_FALSE(runImport(entry, source.filePath(QStringLiteral("gone.adi")),
                           [](Import_ADIF &w) { w.reject(); }));

    EXPECT_EQ(programFiles(), before);
    EXPECT_EQ(bytes(logFile()), log);
    EXPECT_EQ(dialogs.texts(),
              (QStringList{QStringLiteral("Le fichier \"field.adi\" ne contient aucun QSO ADIF : "
                                          "rien n'est importé."),
                           QStringLiteral("Le fichier \"gone.adi\" est introuvable.")}));
    ASSERT_EQ(files.openRequests.size(), 4u);
    EXPECT_EQ(files.openRequests.front().caption, QStringLiteral("Importer un fichier ADIF"));
    EXPECT_EQ(files.openRequests.back().proposedPath, source.path())
        << "the next dialog opens where the last file was taken";
}

TEST_F(AdifImportFromEntry, BothLogsOfADoubleActivationGetTheQsos) {
    const QString second = doubleActivationWithOneQso();
    Saisie_QSO &entry = openWithImport();
    ASSERT_TRUE(runImport(entry, sourceFile(fieldFile),
                          [](Import_ADIF &w) { QTest::mouseClick(w.Importer, Qt::LeftButton); }));
    EXPECT_EQ(logLines().size(), 2);
    EXPECT_EQ(bytes(second), bytes(logFile()));
}

TEST_F(AdifImportFromEntry, CtrlZTakesOutExactlyTheImportedQsosFromBothLogs) {
    const QString second = doubleActivationWithOneQso();
    Saisie_QSO &entry = openWithImport();
    ASSERT_TRUE(runImport(entry, sourceFile(fieldFile), [](Import_ADIF &w) {
        QTest::mouseClick(w.Importer_Doublons, Qt::LeftButton);
        QTest::mouseClick(w.Importer, Qt::LeftButton);
    }));
    ASSERT_EQ(logLines().size(), 3);
    // Back at the entry window once the preview and the closing message are gone.
    QApplication::setActiveWindow(&entry);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&entry));
    entry.Indi_Q->setFocus();
    logQso(QStringLiteral("ON4LIV"), {}, QStringLiteral("LUC"));
    const QString live = logLines().last();
    const QByteArray names = bytes(path(QStringLiteral("Liste_Prenom.txt")));

    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(entry.modeStatus->text(),
              QStringLiteral("Correction annulée : import ADIF de 2 QSO retiré du log"));
    const QByteArray expected = zep::testing::logBytesOf({logged, live});
    EXPECT_EQ(bytes(logFile()), expected);
    EXPECT_EQ(bytes(second), expected);
    EXPECT_EQ(bytes(path(QStringLiteral("Liste_Prenom.txt"))), names)
        << "the first-name memory keeps what the import taught it";
    EXPECT_EQ(entry.Liste_QSO->count(), 2);
    EXPECT_EQ(entry.operatorCount->text(), QStringLiteral("2"));
    EXPECT_FALSE(entry.undoCorrectionItem->isEnabled());
}

TEST_F(AdifImportFromEntry, APreviewLeftOpenByAFailedCheckIsClosed) {
    // A check failing inside the callback returns from it before any button is clicked: the
    // preview closes all the same, nothing is written, and the test goes on.
    put(logFile(), zep::testing::logBytesOf({logged}));
    Saisie_QSO &entry = openWithImport();
    const QByteArray log = bytes(logFile());
    const QStringList before = programFiles();
    EXPECT_TRUE(runImport(entry, sourceFile(fieldFile), [](Import_ADIF &) {}));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(bytes(logFile()), log);
    EXPECT_EQ(programFiles(), before);
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(AdifImportFromEntry, FilesItCannotTakeAreRefusedInFrenchBeforeThePreview) {
    put(logFile(), zep::testing::logBytesOf({logged}));
    Saisie_QSO &entry = openWithImport();
    const QByteArray log = bytes(logFile());

    QByteArray broken = "Journal\r\n<EOH>\r\n";
    for (int i = 0; i < 30; ++i)
        broken += "CALL:5>DL2XY QSO_DATE:8>20261207 TIME_ON:4>0900 BAND:3>40m MODE:3>SSB EOR>\r\n";
    broken.replace("\r\nCALL", "\r\n<CALL");
    // A file above the bound, made without writing its 65 Mo (a sparse file).
    const QString big = source.filePath(QStringLiteral("big.adi"));
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(adif::maxFileBytes + 1));
    }
    struct Case {
        const char *what;
        QString file;
        QString message;
    };
    const Case cases[] = {
        {"tags broken by their writer", sourceFile(broken),
         QStringLiteral("Le fichier \"field.adi\" n'est pas un fichier ADIF : ses balises sont "
                        "abîmées (des « < » ou des <EOR> manquent). Rien n'est importé.")},
        {"above the size bound", big,
         QStringLiteral("Le fichier \"big.adi\" fait 65 Mo : l'import ADIF prend des fichiers "
                        "de 64 Mo au plus. Rien n'est importé.")},
    };
    for (const Case &c : cases) {
        dialogs.clear();
        EXPECT_FALSE(runImport(entry, c.file, [](Import_ADIF &) {})) << c.what;
        EXPECT_EQ(dialogs.texts(), QStringList{c.message}) << c.what;
        EXPECT_EQ(bytes(logFile()), log) << c.what;
    }
}

TEST_F(AdifImportFromEntry, AUtf16FileIsPreviewedLikeItsUtf8Text) {
    put(logFile(), zep::testing::logBytesOf({logged}));
    Saisie_QSO &entry = openWithImport();
    for (const bool bigEndian : {false, true}) {
        const QString text = QString::fromUtf8(fieldFile);
        QByteArray utf16 = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
        for (const QChar c : text) {
            const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
            utf16 += bigEndian ? high : low;
            utf16 += bigEndian ? low : high;
        }
        QStringList calls;
        EXPECT_TRUE(runImport(entry, sourceFile(utf16), [&](Import_ADIF &w) {
            for (int row = 0; row < w.Liste_Import->model()->rowCount(); ++row)
                calls.append(cell(w, row, 2));
            QTest::mouseClick(w.Annuler, Qt::LeftButton);
        })) << (bigEndian ? "big-endian" : "little-endian");
        EXPECT_EQ(calls, (QStringList{QStringLiteral("DL2XY"), QStringLiteral("F1ABC"),
                                      QStringLiteral("G4AAA"), QStringLiteral("F1ABC")}));
    }
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(AdifImportFromEntry, APreviewIsWorkedOutBehindProgressionAndAnnulerStopsIt) {
    put(logFile(), zep::testing::logBytesOf({logged}));
    Saisie_QSO &entry = openWithImport();
    const QByteArray log = bytes(logFile());
    const QStringList before = programFiles();
    // Enough records that the work is still going when the window is first looked at.
    QByteArray many = "<EOH>\n";
    for (int i = 0; i < 60000; ++i)
        many += QStringLiteral("<CALL:6>DL%1<QSO_DATE:8>20261207<TIME_ON:4>%2<BAND:3>40m"
                               "<MODE:3>SSB<EOR>\n")
                    .arg(1000 + i % 9000)
                    .arg(i % 1440 / 60 * 100 + i % 60, 4, 10, QLatin1Char('0'))
                    .toLatin1();
    const QString file = sourceFile(many);

    // Annuler while the work goes on: no preview, no message, nothing written.
    bool progressShown = false, previewShown = false;
    QString caption;
    {
        const auto cancel = zep::testing::whenModalAppears<Progression_Import>(
            std::function<void(Progression_Import &)>([&](Progression_Import &w) {
                caption = w.Fichier->text();
                EXPECT_TRUE(w.Progression->isVisible());
                QTest::mouseClick(w.Annuler, Qt::LeftButton);
                EXPECT_FALSE(w.Annuler->isEnabled()) << "asked to stop, the work ends first";
            }),
            &progressShown);
        const auto preview = zep::testing::whenModalAppears<Import_ADIF>(
            std::function<void(Import_ADIF &)>([](Import_ADIF &) {}), &previewShown);
        files.setNextOpenAnswer(file);
        zep::testing::menuItem(entry, "Mnu_Import_ADIF")->trigger();
        QApplication::processEvents();
    }
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(caption, QStringLiteral("Lecture du fichier field.adi…"));
    EXPECT_FALSE(previewShown) << "the preview of a stopped import is not shown";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_EQ(bytes(logFile()), log);
    EXPECT_EQ(programFiles(), before);

    // Left to its end, the same file's preview opens with every record.
    int rows = 0;
    EXPECT_TRUE(runImport(entry, file, [&](Import_ADIF &w) {
        rows = w.Liste_Import->model()->rowCount();
        QTest::mouseClick(w.Annuler, Qt::LeftButton);
    }));
    EXPECT_EQ(rows, 60000);
    EXPECT_EQ(bytes(logFile()), log);
}
