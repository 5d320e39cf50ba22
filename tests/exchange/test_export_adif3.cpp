#include "entry/EntryWindowFixture.h"

#include "core/io/SysCalls.h"
#include "core/io/TextFile.h"
#include "core/log/QsoFrequencies.h"
#include "entry/WindowServices.h"
#include "exchange/ExportMenus.h"
#include "exchange/Export_ADIF3.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"
#include "support/AdifCheck.h"
#include "support/QsoLines.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QRegularExpression>

#include <cerrno>

using namespace zep;
using zep::testing::checkAdif;

namespace {

const QByteArray sampleLog = zep::testing::logBytesOf({
    zep::testing::qsoLineOf("07/12/26", "10:00", "F5ABC", "76", QStringLiteral("Hervé"), "SSB", "7",
                            QStringLiteral("DFCF-27-015")),
    zep::testing::qsoLineOf("07/12/26", "10:05", "TK5AA/P", "2A", "Zoë", "CW", "14"),
    zep::testing::qsoLineOf("07/12/26", "10:06", "ON4XY", "", "", "SSB", "144"),
});

class FailingWrites : public sys::Calls {
public:
    ssize_t write(int, const void *, size_t) override {
        errno = ENOSPC;
        return -1;
    }
};

class Adif3Export : public zep::testing::EntryWindowTest {
protected:
    void SetUp() override {
        EntryWindowTest::SetUp();
        ASSERT_TRUE(out.isValid());
        setup.activation.logger = QStringLiteral("F1XYZ");
        setup.activation.date = QStringLiteral("07/12/26");
        put(logFile(), sampleLog);
    }

    /// The entry window, then "Fichiers" > "Exporter pour les diplômes (ADIF 3)…".
    Export_ADIF3 &openExport() {
        if (!window) {
            connectExports(open(), services);
        }
        window->Mnu_ADIF3->trigger();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *found = qobject_cast<Export_ADIF3 *>(w); found && found->isVisible())
                return *found;
        ADD_FAILURE() << "no export window";
        std::abort();
    }

    void replaceText(QLineEdit *edit, const QString &text) {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    void toggle(QCheckBox *box) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
    }
    void save(Export_ADIF3 &w) { QTest::mouseClick(w.Enregistrer, Qt::LeftButton); }
    /// "Fermer", and the window unloaded as the event loop would do it.
    void closeExport(Export_ADIF3 &w) {
        QTest::mouseClick(w.Fermer, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QStringList filesOut() const { return QDir(out.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir out;
    ScriptedFileChooser files;
    RecordingPrintService printing;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
};

TEST_F(Adif3Export, DoubleActivationGivesOneCheckedFilePerReferenceAndRemembersTheChoices) {
    setup.activation.isDouble = true;
    setup.activation.secondReference = QStringLiteral("DIFI-21-002");
    // The radio gave the first QSO's frequency; the others were logged without it.
    ASSERT_TRUE(QsoFrequencies(logFile()).append(readTextFile(logFile()).lines.at(0), 7074000));
    Export_ADIF3 &w = openExport();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Export ADIF 3"));
    EXPECT_EQ(w.Station->text(), QStringLiteral("Station : F4ABC    Opérateur : F1XYZ"));
    EXPECT_EQ(w.Reference[1].box->title(), QStringLiteral("Référence DIFI-21-002"));
    EXPECT_EQ(w.Reference[1].programme->text(), QStringLiteral("DIFI"));
    for (QWidget *control : w.findChildren<QWidget *>()) {
        if (qobject_cast<QLineEdit *>(control) || qobject_cast<QCheckBox *>(control)) {
            EXPECT_FALSE(control->accessibleName().isEmpty())
                << control->objectName().toStdString();
        }
    }

    replaceText(w.Locator, QStringLiteral("jn18du"));
    replaceText(w.Reference[1].programme, QStringLiteral("DIFM"));
    toggle(w.Reference[1].prenoms);
    files.setNextAnswer(out.filePath(QStringLiteral("un.adi")));
    files.setNextAnswer(out.filePath(QStringLiteral("deux.adi")));
    save(w);

    ASSERT_EQ(files.requests.size(), 2u);
    EXPECT_EQ(QFileInfo(files.requests[0].proposedPath).fileName(),
              QStringLiteral("F4ABC @ DFCF-21-001 20261207.adi"));
    EXPECT_EQ(QFileInfo(files.requests[1].proposedPath).fileName(),
              QStringLiteral("F4ABC @ DIFI-21-002 20261207.adi"));
    EXPECT_EQ(filesOut(), (QStringList{"deux.adi", "un.adi"})) << "no scratch file left";
    struct Expected {
        const char *file, *mySig, *myRef;
        bool names;
    } expected[] = {{"un.adi", "DFCF", "DFCF-21-001", true},
                    {"deux.adi", "DIFM", "DIFI-21-002", false}};
    for (const Expected &e : expected) {
        const auto read = checkAdif(bytes(out.filePath(QLatin1String(e.file))));
        EXPECT_TRUE(read.problems.isEmpty()) << e.file << read.problems.join('\n').toStdString();
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{8} \\d{6}$"))
                        .match(QString::fromLatin1(read.header.value("CREATED_TIMESTAMP")))
                        .hasMatch());
        ASSERT_EQ(read.records.size(), 3) << e.file;
        for (const auto &r : read.records) {
            EXPECT_EQ(r.value("MY_SIG"), e.mySig) << e.file;
            EXPECT_EQ(r.value("MY_SIG_INFO"), e.myRef) << e.file;
            EXPECT_EQ(r.value("STATION_CALLSIGN") + ' ' + r.value("OPERATOR"), "F4ABC F1XYZ");
            EXPECT_EQ(r.value("MY_GRIDSQUARE"), "JN18du");
        }
        EXPECT_EQ(read.records[0].contains("NAME"), e.names) << e.file;
        EXPECT_EQ(read.records[1].value("STATE"), "2A") << "Corsica";
        EXPECT_EQ(read.records[0].value("FREQ"), "7.074") << e.file;
        EXPECT_FALSE(read.records[1].contains("FREQ")) << e.file;
    }
    EXPECT_EQ(checkAdif(bytes(out.filePath("un.adi"))).records[0].value("SIG_INFO"), "DFCF-27-015");
    EXPECT_EQ(dialogs.texts(),
              QStringList{QStringLiteral("Le fichier a été créé sous  %1  (3 QSO)\n"
                                         "Le fichier a été créé sous  %2  (3 QSO)")
                              .arg(out.filePath("un.adi"), out.filePath("deux.adi"))});

    // Opened again: the locator and the programme typed are proposed, in the folder used last.
    closeExport(w);
    files.requests.clear();
    Export_ADIF3 &again = openExport();
    EXPECT_EQ(again.Locator->text(), QStringLiteral("JN18du"));
    EXPECT_EQ(again.Reference[1].programme->text(), QStringLiteral("DIFM"));
    toggle(again.Reference[1].exporter);
    save(again);
    ASSERT_EQ(files.requests.size(), 1u) << "the unchecked reference gets no file";
    EXPECT_EQ(QFileInfo(files.requests[0].proposedPath).absolutePath(), out.path());
}

TEST_F(Adif3Export, AFloraReferenceIsNamedAsItsProgrammeNamesItselfAndTheChoiceIsKept) {
    setup.activation.reference = QStringLiteral("FFF-0123");
    setup.activation.activator = QStringLiteral("F4ABC/P");
    setup.activation.logger.clear();
    put(path(QStringLiteral("FFF-0123.txt")), sampleLog);
    Export_ADIF3 &w = openExport();
    EXPECT_EQ(w.Reference[0].programme->text(), QStringLiteral("WWFF"));
    files.setNextAnswer(out.filePath(QStringLiteral("wwff.adi")));
    save(w);
    const auto read = checkAdif(bytes(out.filePath(QStringLiteral("wwff.adi"))));
    EXPECT_TRUE(read.problems.isEmpty()) << read.problems.join('\n').toStdString();
    ASSERT_EQ(read.records.size(), 3);
    for (const auto &r : read.records) {
        EXPECT_EQ(r.value("MY_SIG") + ' ' + r.value("MY_SIG_INFO") + ' ' + r.value("MY_WWFF_REF"),
                  "WWFF FFF-0123 FFF-0123");
        EXPECT_EQ(r.value("STATION_CALLSIGN") + ' ' + r.value("OPERATOR"), "F4ABC/P F4ABC");
    }
    EXPECT_FALSE(read.records[0].contains("SIG")) << "a DFCF reference is no WWFF partner";

    // The operator names the programme otherwise: it is proposed so the next time.
    closeExport(w);
    Export_ADIF3 &again = openExport();
    replaceText(again.Reference[0].programme, QStringLiteral("WWFF-F"));
    files.setNextAnswer(out.filePath(QStringLiteral("wwff.adi")));
    save(again);
    closeExport(again);
    EXPECT_EQ(openExport().Reference[0].programme->text(), QStringLiteral("WWFF-F"));
}

TEST_F(Adif3Export, WritesNothingItCannotWriteWhole) {
    struct Case {
        const char *what;
        QString locator;
        bool uncheck;
        std::optional<QString> answer;
        QString message;
    };
    const QString target = out.filePath(QStringLiteral("export.adi"));
    const Case cases[] = {
        {"not a locator", QStringLiteral("JN1"), false, target,
         QStringLiteral("« JN1 » n'est pas un locator : 2, 4, 6 ou 8 caractères, par exemple "
                        "JN18du.")},
        {"no reference checked",
         {},
         true,
         target,
         QStringLiteral("Cochez au moins une référence à exporter.")},
        {"cancelled", {}, false, std::nullopt, {}},
        {"the log itself",
         {},
         false,
         logFile(),
         QStringLiteral("Ce fichier est le log de l'activation : choisissez un autre nom.")},
        {"disk full", {}, false, target, QStringLiteral("Erreur  28\n")},
    };
    put(target, "earlier export");
    for (const Case &c : cases) {
        Export_ADIF3 &w = openExport();
        EXPECT_FALSE(w.Reference[1].box->isVisible()) << "a single activation";
        replaceText(w.Locator, c.locator);
        if (c.uncheck)
            toggle(w.Reference[0].exporter);
        dialogs.clear();
        files.answers.clear();
        files.setNextAnswer(c.answer);
        {
            FailingWrites failing;
            std::optional<sys::ScopedCalls> installed;
            if (QLatin1String(c.what) == QLatin1String("disk full"))
                installed.emplace(failing);
            save(w);
        }
        if (c.message.isEmpty())
            EXPECT_TRUE(dialogs.texts().isEmpty()) << c.what;
        else
            EXPECT_TRUE(dialogs.last().startsWith(c.message)) << dialogs.last().toStdString();
        if (QLatin1String(c.what) == QLatin1String("disk full")) {
            EXPECT_TRUE(dialogs.last().contains(errorReason(ENOSPC)));
        }
        EXPECT_EQ(bytes(target), "earlier export") << c.what;
        EXPECT_EQ(filesOut(), QStringList{QStringLiteral("export.adi")}) << c.what;
        EXPECT_EQ(bytes(logFile()), sampleLog) << c.what;
        closeExport(w);
    }
}

} // namespace
