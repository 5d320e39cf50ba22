// The "Afficher" windows as the operator uses them: the log display with its save, print and
// preview, the sorted log and its save, the operator list, and the menu that opens them.

#include "core/io/Clock.h"
#include "core/io/Settings.h"
#include "core/log/Activation.h"
#include "core/log/QsoLine.h"
#include "core/reports/LogListing.h"
#include "entry/Saisie_QSO.h"
#include "platform/FileChooser.h"
#include "platform/QtPrinter.h"
#include "platform/RecordingPrinter.h"
#include "reports/Affiche_Log.h"
#include "reports/Liste_Operateurs.h"
#include "reports/ListingActions.h"
#include "reports/ListingMenus.h"
#include "reports/Log_Alpha.h"
#include "setup/Selection_Acti.h"
#include "support/ModalWindows.h"
#include "support/PdfText.h"
#include "support/QStringPrint.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace zep;

namespace {

QString qso(int minute, const char *call, const char *band = "7") {
    QsoFields f;
    f.date = QStringLiteral("12/02/09");
    f.time = QStringLiteral("10:%1").arg(minute % 60, 2, 10, QLatin1Char('0'));
    f.call = QString::fromLatin1(call);
    f.rstReceived = f.rstSent = QStringLiteral("59");
    f.mode = QStringLiteral("SSB");
    f.band = QString::fromLatin1(band);
    return buildQsoLine(f).line;
}

/// The visible top-level window of that class, if any.
template <class W> W *visible() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<W *>(w); window && window->isVisible())
            return window;
    return nullptr;
}

QStringList itemsOf(const QListWidget *list) {
    QStringList all;
    for (int i = 0; i < list->count(); ++i)
        all.append(list->item(i)->text());
    return all;
}

class ListingWindows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ActivationRecord first;
        first.number = QStringLiteral("DFCF 76054");
        first.activator = QStringLiteral("F5XYZ");
        first.name = QStringLiteral("Chateau");
        first.postalCode = QStringLiteral("76000");
        first.type = QStringLiteral("DFCF");
        first.date = QStringLiteral("12/02/09");
        first.commune = QStringLiteral("Rouen");
        ActivationRecord second = first;
        second.number = QStringLiteral("DIFI 76-001");
        second.name = QStringLiteral("Ile");
        second.type = QStringLiteral("DIFI");
        ActivationList list(dir.path());
        ASSERT_TRUE(list.append(formatActivationLine(first, 2)).ok);
        ASSERT_TRUE(list.append(formatActivationLine(second, 1)).ok);

        activation.activation.reference = first.number;
        activation.activation.secondReference = second.number;
        activation.activation.date = QStringLiteral("12/02/09");
        log = {qso(0, "ON4XYZ"), qso(1, "F1ABC", "14"), qso(2, "F1ABC"), qso(3, "F1ABC/P")};
        writeLog(first.number, log);
        writeLog(second.number, log);
    }
    void TearDown() override {
        for (QWidget *w : QApplication::topLevelWidgets())
            w->close();
    }

    void writeLog(const QString &number, const QStringList &lines) {
        QByteArray bytes;
        for (const QString &l : lines)
            bytes += l.toLatin1() + "\r\n";
        testfiles::put(activityLogPath(dir.path(), number), bytes);
    }
    QString file(const QString &name) const { return dir.filePath(name); }
    QStringList fileLines(const QString &name) const {
        QStringList lines = QString::fromLatin1(testfiles::bytesOf(file(name))).split("\r\n");
        lines.removeLast();
        return lines;
    }

    /// Acts on the reference choice window once it is up: `pick` 1 or 2 clicks that button and
    /// "Validez"; 0 closes the window without a choice.
    void answerChoice(int pick) {
        QTimer::singleShot(0, [this, pick] {
            // Closed after the answer even when a check fails: the test fails, not hangs.
            const zep::testing::ModalWindowsClosed closer;
            auto *choice = qobject_cast<Selection_Acti *>(QApplication::activeModalWidget());
            ASSERT_NE(choice, nullptr) << "the reference choice was not asked";
            ++choicesAsked;
            if (pick == 0) {
                choice->close();
                return;
            }
            QTest::mouseClick(pick == 1 ? choice->Act1 : choice->Act2, Qt::LeftButton);
            QTest::mouseClick(choice->Valide, Qt::LeftButton);
        });
    }

    QTemporaryDir dir;
    FixedActivationSource activation;
    MemorySettingsStore settings;
    ScriptedDialogs dialogs;
    RecordingPrintService printing;
    ScriptedFileChooser files;
    WindowServices services{dir.path(), activation, settings, dialogs, printing, files};
    QStringList log;
    int choicesAsked = 0;
};

TEST_F(ListingWindows, LogDisplayShowsTheNumberedLogUnderItsTitle) {
    for (bool isDouble : {false, true}) {
        activation.activation.isDouble = isDouble;
        Affiche_Log window(services, nullptr);
        window.Form_Load();
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Affichage du Log"));
        EXPECT_EQ(window.Label3->text(), isDouble ? QStringLiteral("Log de l'activité DFCF "
                                                                   "76054 et DIFI 76-001")
                                                  : QStringLiteral("Log de l'activité DFCF 76054"));
        EXPECT_EQ(window.Label2->text(), listing::windowHeading);
        EXPECT_EQ(window.Label2->text().size(), 106);
        EXPECT_EQ(itemsOf(window.Liste_QSO), QStringList({"    1  " + log[0], "    2  " + log[1],
                                                          "    3  " + log[2], "    4  " + log[3]}));
        EXPECT_TRUE(QFontInfo(window.Liste_QSO->font()).fixedPitch());
        EXPECT_EQ(window.Imprimer->text(), QStringLiteral("Imprimer"));
        EXPECT_EQ(window.Apercu->text(), QStringLiteral("Aperçu avant impression"));
    }
}

TEST_F(ListingWindows, SavingADoubleActivationNamesTheChosenReferenceOrNothing) {
    activation.activation.isDouble = true;
    Affiche_Log display(services, nullptr);
    display.Form_Load();
    answerChoice(2);
    EXPECT_TRUE(display.Enregistrer_Click());
    const QString name = QStringLiteral("DIFI 76-001_12_02_09.txt");
    EXPECT_EQ(dialogs.last(), QStringLiteral("Le log a été sauvegardé sous le nom : ") + name);
    QStringList lines = fileLines(name);
    ASSERT_EQ(lines.size(), 14);
    EXPECT_EQ(lines[0],
              QStringLiteral("         DIFI du DIFI 76-001 le Ile par F5XYZ le 12/02/09"));
    EXPECT_EQ(lines.mid(6, 4), itemsOf(display.Liste_QSO));
    EXPECT_EQ(lines[11], QStringLiteral("                               3 opérateurs différents "
                                        "contactés"));

    Log_Alpha alpha(services, nullptr);
    alpha.Form_Load();
    answerChoice(1);
    EXPECT_TRUE(alpha.Enregistrer_Click());
    lines = fileLines(QStringLiteral("DFCF 76054_12_02_09 Alpha.txt"));
    ASSERT_EQ(lines.size(), 14);
    EXPECT_EQ(lines[4], listing::alphaHeading);
    EXPECT_EQ(lines.mid(6, 4), itemsOf(alpha.Log_Alphanum));

    // A listing that cannot be written says why, in French, and is not reported saved.
    // (a directory standing in the file's place stops the rename, even for root)
    ASSERT_TRUE(QFile::remove(file(QStringLiteral("DFCF 76054_12_02_09 Alpha.txt"))));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("DFCF 76054_12_02_09 Alpha.txt")));
    answerChoice(1);
    EXPECT_FALSE(alpha.Enregistrer_Click());
    EXPECT_FALSE(dialogs.last().isEmpty());
    EXPECT_FALSE(dialogs.last().startsWith(QStringLiteral("Le log a été sauvegardé")));

    // The choice window closed without a choice: nothing is written, nothing is said.
    QFile::remove(file(name));
    const size_t shown = dialogs.shown().size();
    answerChoice(0);
    EXPECT_FALSE(display.Enregistrer_Click());
    EXPECT_FALSE(QFile::exists(file(name)));
    EXPECT_EQ(dialogs.shown().size(), shown);
    EXPECT_EQ(choicesAsked, 4);
}

TEST_F(ListingWindows, SortedLogAndOperatorListFollowTheCallSigns) {
    log.append(log[1]); // the same QSO twice
    writeLog(QStringLiteral("DFCF 76054"), log);
    Log_Alpha alpha(services, nullptr);
    alpha.Form_Load();
    EXPECT_EQ(alpha.windowTitle(), QStringLiteral("  Log alphanumerique"));
    EXPECT_EQ(alpha.Label3->text(), QStringLiteral("Log alphanumerique de l'activité DFCF 76054"));
    EXPECT_EQ(alpha.Label2->text(), listing::windowHeading);
    EXPECT_EQ(itemsOf(alpha.Log_Alphanum), QStringList({"    1  " + log[2], "    2  " + log[1],
                                                        "    3  " + log[3], "    4  " + log[0]}));

    struct Case {
        QStringList log;
        QString label;
        QStringList operators;
    };
    const Case cases[] = {
        {{}, QStringLiteral(" 0 opérateurs"), {}},
        {log, QStringLiteral(" 3 opérateurs"), {"F1ABC", "F1ABC/P", "ON4XYZ"}},
    };
    for (const Case &c : cases) {
        writeLog(QStringLiteral("DFCF 76054"), c.log);
        Liste_Operateurs window(services);
        window.Form_Load();
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Liste opérateurs"));
        EXPECT_EQ(window.Label1->text(), c.label);
        EXPECT_EQ(window.Label2->text(), QStringLiteral("contactés"));
        EXPECT_EQ(itemsOf(window.Liste_Op), c.operators);
    }
}

TEST_F(ListingWindows, PrintoutLinesFontsAndDialog) {
    Affiche_Log display(services, nullptr);
    display.Form_Load();
    RecordingPrinter &printer = printing.printer;
    EXPECT_TRUE(display.Imprimer_Click());
    ASSERT_EQ(printer.jobs.size(), 1);
    const QString credit = QString(37, QLatin1Char(' ')) + listing::creditText();
    EXPECT_EQ(
        printer.texts(0),
        QStringList({"         DFCF du DFCF 76054 le Chateau par F5XYZ le 12/02/09", "",
                     "                   N° du Canton    Code Postal 76000   Commune Rouen", "",
                     listing::logHeading, "", "    1     " + log[0], "    2     " + log[1],
                     "    3     " + log[2], "    4     " + log[3], "", credit}));
    for (const RecordingPrinter::Line &line : printer.jobs[0]) {
        EXPECT_EQ(line.font, QStringLiteral("Courier New"));
        EXPECT_EQ(line.size, 8);
        EXPECT_TRUE(line.bold);
    }
    EXPECT_EQ(printer.ops.first(), RecordingPrinter::Op::Dialog);
    EXPECT_EQ(printer.ops.last(), RecordingPrinter::Op::EndJob);
    const auto restored = [&] {
        EXPECT_EQ(printer.fontName(), QStringLiteral("Arial"));
        EXPECT_EQ(printer.fontSize(), 10);
        EXPECT_FALSE(printer.fontBold());
    };
    restored();

    // A cancelled printer dialog prints nothing; the preview runs the same job.
    printer.dialogAnswer = false;
    EXPECT_TRUE(display.Imprimer_Click());
    EXPECT_EQ(printer.jobs.size(), 1);
    EXPECT_TRUE(printer.pending.isEmpty());
    restored();
    printer.dialogAnswer = true;
    QTest::mouseClick(display.Apercu, Qt::LeftButton);
    EXPECT_EQ(printing.previews, 1);
    ASSERT_EQ(printer.jobs.size(), 2);
    EXPECT_EQ(printer.jobs[1].size(), printer.jobs[0].size());

    // A double activation prints under the reference chosen, from that reference's log.
    activation.activation.isDouble = true;
    writeLog(QStringLiteral("DIFI 76-001"), {log[0]});
    answerChoice(2);
    EXPECT_TRUE(display.Imprimer_Click());
    ASSERT_EQ(printer.jobs.size(), 3);
    EXPECT_TRUE(printer.texts(2)[0].contains(QStringLiteral("DIFI du DIFI 76-001")));
    EXPECT_EQ(printer.texts(2).size(), 9);
    answerChoice(0);
    EXPECT_FALSE(display.Imprimer_Click());
    EXPECT_EQ(printer.jobs.size(), 3);
}

TEST_F(ListingWindows, PrintoutInARealPdfContinuesOnTheNextPageWithoutTheTitle) {
    QStringList longLog;
    for (int i = 0; i < 130; ++i)
        longLog.append(qso(i, i % 2 ? "F1ABC" : "ON4XYZ"));
    ListingHeader header = readListingHeader(dir.path(), QStringLiteral("DFCF 76054")).header;
    QByteArray pdf;
    ASSERT_TRUE(printToPdfBytes(logPrintoutJob(printedLogLines(header, longLog)), pdf).ok);
    EXPECT_EQ(pdftext::pages(pdf), 2);
    // pdftotext spaces words its own way: compare the words of each line.
    QStringList pages = pdftext::layout(pdf).split(QLatin1Char('\f'));
    ASSERT_GE(pages.size(), 2);
    for (QString &page : pages) {
        QStringList lines = page.split(QLatin1Char('\n'));
        for (QString &line : lines)
            line = line.simplified();
        lines.removeAll(QString());
        page = lines.join(QLatin1Char('\n'));
    }
    EXPECT_TRUE(pages[0].startsWith(QStringLiteral("DFCF du DFCF 76054 le Chateau par F5XYZ")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("\nN° Date QTR Indicatif Dpt Prenom RST R E "
                                                 "Mode Bande Observations\n"
                                                 "1 12/02/09 10:00 ON4XYZ 59 59 SSB 7 Mhz\n")));
    EXPECT_FALSE(pages[1].contains(QStringLiteral("DFCF du"))) << "no title on page 2";
    EXPECT_FALSE(pages[1].contains(QStringLiteral("Indicatif")));
    const int firstOnPageTwo = pages[1].section(QLatin1Char(' '), 0, 0).toInt();
    EXPECT_GT(firstOnPageTwo, 50);
    EXPECT_TRUE(pages[0]
                    .section(QLatin1Char('\n'), -1)
                    .startsWith(QStringLiteral("%1 12/02/09").arg(firstOnPageTwo - 1)))
        << "page 1 is full up to the QSO before";
    EXPECT_TRUE(pages[1].endsWith(QStringLiteral("130 12/02/09 10:09 F1ABC 59 59 SSB 7 Mhz\n") +
                                  listing::creditText()));
    EXPECT_FALSE(pdftext::layout(pdf).contains(QStringLiteral("opérateurs")));
}

TEST_F(ListingWindows, MenuOpensEachWindowOnceWithoutBlockingTheEntryWindow) {
    ManualClock clock;
    activation.activation.reference = QStringLiteral("DFCF 76054");
    Saisie_QSO entry(dir.path(), activation, settings, dialogs, clock);
    entry.setQuitHandler([] {});
    connectListingWindows(entry, services);
    entry.show();
    const auto windowsNamed = [](const QString &name) {
        int n = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            n += w->objectName() == name && w->isVisible();
        return n;
    };
    const struct {
        QAction *item;
        const char *window;
    } items[] = {{entry.Mnu_Aff_Log, "Affiche_Log"},
                 {entry.Mnu_Log_Alpha, "Log_Alpha"},
                 {entry.Mnu_Liste_Op, "Liste_Operateurs"}};
    for (const auto &it : items) {
        it.item->trigger();
        it.item->trigger();
        EXPECT_EQ(windowsNamed(QString::fromLatin1(it.window)), 1) << it.window;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_TRUE(entry.isEnabled());
    }
    // Closed, the display is built again from the log as it is now.
    Affiche_Log *shown = visible<Affiche_Log>();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->Liste_QSO->count(), 4);
    shown->close();
    QApplication::processEvents();
    writeLog(QStringLiteral("DFCF 76054"), {log[0]});
    entry.Mnu_Aff_Log->trigger();
    shown = visible<Affiche_Log>();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->Liste_QSO->count(), 1);
    entry.close();
}

} // namespace
