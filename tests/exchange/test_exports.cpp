#include "entry/EntryWindowFixture.h"

#include "core/exchange/AdifExport.h"
#include "core/io/SysCalls.h"
#include "core/io/TextFile.h"
#include "core/log/QsoLine.h"
#include "core/reports/TrafficReport.h"
#include "entry/WindowServices.h"
#include "exchange/ExportMenus.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"

#include <QAction>
#include <QDir>

#include <cerrno>

using namespace zep;

namespace {

QByteArray line(const QString &time, const QString &call, const QString &dept,
                const QString &firstName, const QString &band, const QString &remarks) {
    QsoFields f;
    f.date = QStringLiteral("07/12/26");
    f.time = time;
    f.call = call;
    f.department = dept;
    f.firstName = firstName;
    f.rstReceived = f.rstSent = QStringLiteral("59");
    f.mode = QStringLiteral("SSB");
    f.band = band;
    f.remarks = remarks;
    QByteArray bytes;
    EXPECT_TRUE(cp1252::encode(buildQsoLine(f).line, bytes));
    return bytes + "\r\n";
}

const QByteArray sampleLog =
    line(QStringLiteral("10:00"), QStringLiteral("F5ABC"), QStringLiteral("2A"),
         QStringLiteral("Hervé"), QStringLiteral("7"), QStringLiteral("château")) +
    line(QStringLiteral("10:05"), QStringLiteral("DL1ABC/P"), QString(), QString(),
         QStringLiteral("1.8"), QString());

/// Writes fail from the first write on with one error number (a full disk, a dead one).
class FailingWrites : public sys::Calls {
public:
    explicit FailingWrites(int error) : error_(error) {}
    ssize_t write(int, const void *, size_t) override {
        errno = error_;
        return -1;
    }

private:
    int error_;
};

class ExportsFromEntry : public zep::testing::EntryWindowTest {
protected:
    void SetUp() override {
        EntryWindowTest::SetUp();
        setup.activation.date = QStringLiteral("07/12/26");
        ASSERT_TRUE(out.isValid());
    }

    Saisie_QSO &openWithExports() {
        Saisie_QSO &entry = open();
        connectExports(entry, services);
        return entry;
    }

    QString adiPath(const QString &name = QStringLiteral("export.adi")) const {
        return out.filePath(name);
    }
    QString ctfFile() const { return path(QStringLiteral("DFCF-21-001.ctf")); }
    QStringList entriesOf(const QString &directory) const {
        return QDir(directory).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    QString title() const { return adif::title(QStringLiteral("F4ABC")); }

    QTemporaryDir out; ///< where the operator saves the ADIF file
    ScriptedFileChooser files;
    RecordingPrintService printing;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
};

TEST_F(ExportsFromEntry, AdifGoesUnderTheChosenNameAndSaysWhere) {
    put(logFile(), sampleLog);
    Saisie_QSO &entry = openWithExports();
    files.setNextAnswer(adiPath());
    entry.Mnu_ADIF->trigger();

    ASSERT_EQ(files.requests.size(), 1u);
    const ScriptedFileChooser::Request &asked = files.requests.front();
    EXPECT_EQ(QFileInfo(asked.proposedPath).fileName(), QStringLiteral("DFCF-21-001_07_12_26"));
    EXPECT_EQ(asked.filter, QStringLiteral(".adi (*.adi)"));
    EXPECT_EQ(asked.defaultSuffix, QStringLiteral("adi"));

    EXPECT_EQ(entry.Entete->text(), title()) << "the title stays above the list";
    EXPECT_EQ(bytes(adiPath()), adif::document(title(), sampleLog));
    EXPECT_TRUE(bytes(adiPath()).contains("<name:5>Herve<band:3>40m"));
    EXPECT_EQ(dialogs.texts(),
              QStringList{QStringLiteral("Le fichier a été crée sous  ") + adiPath()});
    EXPECT_EQ(entriesOf(out.path()), QStringList{QStringLiteral("export.adi")})
        << "no scratch file left beside it";
    EXPECT_EQ(bytes(logFile()), sampleLog) << "the log keeps its own text";

    // The next export proposes the directory used last.
    files.setNextAnswer(std::nullopt);
    entry.Mnu_ADIF->trigger();
    EXPECT_EQ(QFileInfo(files.requests.back().proposedPath).absolutePath(),
              QFileInfo(adiPath()).absolutePath());
}

TEST_F(ExportsFromEntry, ASecondLogNotWrittenYetIsNoClashAndUnknownModesAreNamed) {
    QByteArray log = sampleLog + line(QStringLiteral("10:09"), QStringLiteral("ON4XY"), {}, {},
                                      QStringLiteral("14"), {});
    log.replace(sampleLog.size() + 60, 3, "XYZ");
    put(logFile(), log);
    setup.activation.isDouble = true;
    setup.activation.secondReference = QStringLiteral("DIFI-21-002"); // no log file yet
    Saisie_QSO &entry = openWithExports();
    files.setNextAnswer(adiPath());
    entry.Mnu_ADIF->trigger();
    EXPECT_EQ(dialogs.texts(),
              QStringList{QStringLiteral("Le fichier a été crée sous  ") + adiPath() +
                          QStringLiteral("\n1 QSO a un mode inconnu de la norme ADIF : il est "
                                         "écrit tel qu'il a été saisi.")});
    EXPECT_TRUE(bytes(adiPath()).contains("<mode:3>XYZ<qso_date:"));
}

TEST_F(ExportsFromEntry, AdifWritesNothingWithoutAUsableName) {
    struct Case {
        const char *what;
        std::optional<QString> answer;
        QStringList messages;
    };
    const Case cases[] = {
        {"cancelled", std::nullopt, {}},
        {"empty name", QString(), {QStringLiteral("selectionnez un fichier ou quitter")}},
        {"the log itself",
         logFile(),
         {QStringLiteral("Ce fichier est le log de l'activation : choisissez un autre nom.")}},
    };
    put(logFile(), sampleLog);
    Saisie_QSO &entry = openWithExports();
    for (const Case &c : cases) {
        dialogs.clear();
        files.setNextAnswer(c.answer);
        entry.Mnu_ADIF->trigger();
        EXPECT_EQ(dialogs.texts(), c.messages) << c.what;
        EXPECT_TRUE(entriesOf(out.path()).isEmpty()) << c.what;
        EXPECT_EQ(bytes(logFile()), sampleLog) << c.what;
    }
}

TEST_F(ExportsFromEntry, AFailedAdifWriteGivesTheErrorAndKeepsTheEarlierFile) {
    struct Case {
        const char *what;
        int error;
        QString start;
        QString cause;
    };
    const Case cases[] = {
        {"disk full", ENOSPC, QStringLiteral("Erreur  28\n"),
         QStringLiteral("le disque est plein")},
        {"disk error", EIO, QStringLiteral("Erreur  5\n"),
         QStringLiteral("erreur d'entrée-sortie")},
    };
    put(logFile(), sampleLog);
    put(adiPath(), "earlier export");
    Saisie_QSO &entry = openWithExports();
    for (const Case &c : cases) {
        dialogs.clear();
        files.setNextAnswer(adiPath());
        {
            FailingWrites failing(c.error);
            sys::ScopedCalls installed(failing);
            entry.Mnu_ADIF->trigger();
        }
        ASSERT_EQ(dialogs.texts().size(), 1) << c.what;
        EXPECT_TRUE(dialogs.last().startsWith(c.start)) << dialogs.last().toStdString();
        EXPECT_TRUE(dialogs.last().contains(c.cause)) << dialogs.last().toStdString();
        EXPECT_EQ(bytes(adiPath()), "earlier export") << c.what;
        EXPECT_EQ(entriesOf(out.path()), QStringList{QStringLiteral("export.adi")}) << c.what;
    }

    // A directory that does not exist: the system's "no such file" number.
    dialogs.clear();
    files.setNextAnswer(out.filePath(QStringLiteral("gone/export.adi")));
    entry.Mnu_ADIF->trigger();
    EXPECT_TRUE(dialogs.last().startsWith(QStringLiteral("Erreur  2\n")))
        << dialogs.last().toStdString();
}

TEST_F(ExportsFromEntry, TrafficReportGoesToTheProgramDirectoryAndIsRewrittenEachTime) {
    put(logFile(), sampleLog);
    Saisie_QSO &entry = openWithExports();
    entry.Mnu_C_Trafic->trigger();
    EXPECT_EQ(bytes(ctfFile()), ctf::document(sampleLog));
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Le fichier a été crée sous le nom ") +
                                           QDir::toNativeSeparators(ctfFile())});
    EXPECT_TRUE(files.requests.empty()) << "no dialog";

    // One more QSO, then the report again: overwritten without a question.
    logQso(QStringLiteral("ON4XY"), QString(), QStringLiteral("Zoë"));
    dialogs.clear();
    entry.Mnu_C_Trafic->trigger();
    const QByteArray log = bytes(logFile());
    EXPECT_EQ(bytes(ctfFile()), ctf::document(log));
    EXPECT_EQ(bytes(ctfFile()).count("\r\n"), 3);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_FALSE(dialogs.shown().front().isQuestion);

    // An empty log gives an empty report.
    put(logFile(), "");
    entry.Mnu_C_Trafic->trigger();
    EXPECT_EQ(bytes(ctfFile()), QByteArray());
}

TEST_F(ExportsFromEntry, AFailedTrafficReportSaysSoAndKeepsTheEarlierOne) {
    put(logFile(), sampleLog);
    put(ctfFile(), "earlier report");
    Saisie_QSO &entry = openWithExports();
    {
        FailingWrites failing(ENOSPC);
        sys::ScopedCalls installed(failing);
        entry.Mnu_C_Trafic->trigger();
    }
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.last().contains(QStringLiteral("le disque est plein")))
        << dialogs.last().toStdString();
    EXPECT_EQ(bytes(ctfFile()), "earlier report");
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("Temporaire.txt"))));
}

} // namespace
