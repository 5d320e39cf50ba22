// The "Validité" line of the entry window and the "Bilan de l'activation" window, driven as the
// operator drives them: the line follows the QSOs typed and a log read again, is heard once
// when a minimum is reached; the window draws exactly the figures core/awards computed, prints
// them on one page of a real PDF, and saves its picture as a PNG.

#include "core/awards/ActivationSummary.h"
#include "core/countries/CountriesWorked.h"
#include "core/countries/PrefixTable.h"
#include "core/log/Activation.h"
#include "entry/EntryWindowFixture.h"
#include "platform/FileChooser.h"
#include "platform/ListBox.h"
#include "platform/QtPrinter.h"
#include "platform/RecordingPrinter.h"
#include "platform/StatusLabel.h"
#include "reports/DepartmentMapView.h"
#include "setup/Setup.h"
#include "summary/Bilan_Activation.h"
#include "summary/SummaryMenus.h"
#include "support/PdfText.h"
#include "support/QStringPrint.h"
#include "support/QsoLines.h"

#include <QAbstractBarSeries>
#include <QBarSet>
#include <QChart>
#include <QImage>
#include <QLineSeries>
#include <QPieSeries>
#include <QPlainTextEdit>
#include <QSignalSpy>

using namespace zep;
using zep::testing::qsoLineOf;

namespace {

/// Prints into a PDF kept in memory, as "print to file" would.
class PdfPrintService : public PrintService {
public:
    void print(const PrintJob &job, QWidget *) override { ok = printToPdfBytes(job, pdf).ok; }
    void preview(const PrintJob &job, QWidget *w) override { print(job, w); }
    QByteArray pdf;
    bool ok = false;
};

class ValidityLine : public zep::testing::EntryWindowTest {
protected:
    void SetUp() override {
        EntryWindowTest::SetUp();
        setup.activation.reference = QStringLiteral("FFF-0123");
        setup.activation.secondReference = QStringLiteral("F-0123");
        setup.activation.isDouble = true;
        settings.write(QStringLiteral("Validite WWFF"), QStringLiteral("3"));
        settings.write(QStringLiteral("Validite POTA"), QStringLiteral("2"));
    }
    RecordingPrintService printing;
    ScriptedFileChooser files;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
};

} // namespace

TEST_F(ValidityLine, FollowsEachQsoAndIsHeardOnceWhenAMinimumIsReached) {
    Saisie_QSO &w = open();
    StatusLabel *line = connectSummary(w, services);
    QSignalSpy heard(line, &StatusLabel::announced);
    w.refreshFromLog();
    EXPECT_EQ(line->spokenName(), QStringLiteral("Validité : FFF-0123 0/3, F-0123 0/2"));
    struct Step {
        const char *call, *dept;
        const char *shown;
        int heardSoFar;
    };
    const Step steps[] = {
        {"F1ABC", "76", "Validité : FFF-0123 1/3, F-0123 1/2", 0},
        {"G3XYZ", "", "Validité : FFF-0123 2/3, F-0123 2/2", 1}, // POTA reached
        {"DL1AA", "", "Validité : FFF-0123 3/3, F-0123 3/2", 2}, // WWFF reached
        {"ON4ZZ", "", "Validité : FFF-0123 4/3, F-0123 4/2", 2}, // nothing new to hear
    };
    for (const Step &s : steps) {
        logQso(QString::fromLatin1(s.call), QString::fromLatin1(s.dept));
        EXPECT_EQ(line->spokenName(), QString::fromUtf8(s.shown)) << s.call;
        EXPECT_EQ(heard.size(), s.heardSoFar) << s.call;
    }
    const QColor green(0x00, 0x64, 0x00);
    EXPECT_EQ(line->palette().color(QPalette::WindowText), green) << "reached: in green";
    // The log read again after a change made elsewhere (an import, a restore): one QSO left.
    put(path(QStringLiteral("FFF-0123.txt")),
        zep::testing::logBytesOf({qsoLineOf("07/12/26", "14:07", "F1ABC", "76", "", "SSB", "7")}));
    w.refreshFromLog();
    EXPECT_EQ(line->spokenName(), QStringLiteral("Validité : FFF-0123 1/3, F-0123 1/2"));
    EXPECT_NE(line->palette().color(QPalette::WindowText), green);
    // The operator changes a minimum: the next reading shows it.
    settings.write(QStringLiteral("Validite WWFF"), QStringLiteral("0"));
    w.refreshFromLog();
    EXPECT_EQ(line->spokenName(), QStringLiteral("Validité : FFF-0123 1, F-0123 1/2"));
}

TEST_F(ValidityLine, ALargeLogIsCountedOnAWorkerThenFollowedQsoByQso) {
    QStringList log;
    for (int i = 0; i < 25000; ++i)
        log << qsoLineOf("06/12/26",
                         QStringLiteral("%1:%2")
                             .arg(i / 60 % 24, 2, 10, QChar(u'0'))
                             .arg(i % 60, 2, 10, QChar(u'0')),
                         QStringLiteral("F%1AB").arg(i % 3000), "76", "", i % 2 ? "CW" : "SSB",
                         "7");
    put(path(QStringLiteral("FFF-0123.txt")), zep::testing::logBytesOf(log));
    Saisie_QSO &w = open();
    StatusLabel *line = connectSummary(w, services);
    // 3,000 stations, each always in the same mode, all on the 6th.
    const QString counted = QStringLiteral("Validité : FFF-0123 3000/3, F-0123 3000/2");
    EXPECT_TRUE(QTest::qWaitFor([&] { return line->spokenName() == counted; }, 20000))
        << line->spokenName().toStdString();
    logQso(QStringLiteral("G3XYZ"));
    // POTA counts the UTC day of the latest QSO: the 7th, and its one QSO.
    EXPECT_EQ(line->spokenName(), QStringLiteral("Validité : FFF-0123 3001/3, F-0123 1/2"));
}

namespace {

Bilan_Activation *openWindow() {
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *b = qobject_cast<Bilan_Activation *>(w); b && b->isVisible())
            return b;
    }
    return nullptr;
}

class SummaryWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ActivationRecord first, second;
        first.number = QStringLiteral("DFCF 76054");
        second.number = QStringLiteral("FFF-0123");
        for (ActivationRecord *r : {&first, &second}) {
            r->activator = QStringLiteral("F4ABC/P");
            r->date = QStringLiteral("10/12/26");
        }
        ActivationList list(dir.path());
        ASSERT_TRUE(list.append(formatActivationLine(first, 2)).ok);
        ASSERT_TRUE(list.append(formatActivationLine(second, 1)).ok);
        log = {
            qsoLineOf("10/12/26", "23:48", "F1ABC", "76", "", "SSB", "7"),
            qsoLineOf("10/12/26", "23:52", "F5XY", "2A", "", "SSB", "7"),
            qsoLineOf("10/12/26", "23:59", "DL1AA", "", "", "CW", "14"),
            qsoLineOf("11/12/26", "00:04", "G3XYZ", "", "", "FT8", "14"),
            qsoLineOf("11/12/26", "00:31", "F1ABC", "76", "", "CW", "7"),
        };
        ASSERT_TRUE(
            writeBytesFile(activityLogPath(dir.path(), first.number), zep::testing::logBytesOf(log))
                .ok);
    }
    void TearDown() override {
        if (window)
            window->close();
    }
    Bilan_Activation &openFromList() {
        EXPECT_TRUE(openSummaryOf(QStringLiteral("DFCF 76054"), services, nullptr));
        window = openWindow();
        EXPECT_TRUE(window);
        QSignalSpy ready(window.data(), &Bilan_Activation::ready);
        if (!window->isReady()) {
            EXPECT_TRUE(ready.wait(10000));
        }
        return *window;
    }

    QTemporaryDir dir;
    QStringList log;
    MemorySettingsStore settings;
    ScriptedDialogs dialogs;
    FixedActivationSource setup;
    RecordingPrintService printing;
    ScriptedFileChooser files;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
    QPointer<Bilan_Activation> window;
};

QList<int> barValues(QChart *chart) {
    QList<int> out;
    const auto *series = qobject_cast<QAbstractBarSeries *>(chart->series().value(0));
    if (series && !series->barSets().isEmpty()) {
        for (int i = 0; i < series->barSets()[0]->count(); ++i)
            out << int(series->barSets()[0]->at(i));
    }
    return out;
}

QList<int> pieValues(QChart *chart) {
    QList<int> out;
    if (const auto *pie = qobject_cast<QPieSeries *>(chart->series().value(0))) {
        for (const QPieSlice *slice : pie->slices())
            out << int(slice->value());
    }
    return out;
}

QList<int> qsosOf(const QList<Tally> &tallies) {
    QList<int> out;
    for (const Tally &t : tallies)
        out << t.qsos;
    return out;
}

} // namespace

TEST_F(SummaryWindow, AnEarlierDoubleActivationIsDrawnFromItsFigures) {
    Bilan_Activation &w = openFromList();
    const ActivationSummary expected =
        summarize(log, PrefixTable::parse(builtInPrefixTable()),
                  {{"DFCF 76054", ActivationRules::builtIn().ruleFor("DFCF 76054", nullptr), 0},
                   {"FFF-0123", ActivationRules::builtIn().ruleFor("FFF-0123", nullptr), 0}});
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Bilan de l'activation DFCF 76054 et FFF-0123"));
    EXPECT_EQ(w.Chiffres->toPlainText(), summaryLines(expected).join(u'\n'));
    EXPECT_TRUE(w.Chiffres->toPlainText().contains(
        QStringLiteral("Validité : DFCF 76054 5/100, FFF-0123 5/44")));
    // Each chart draws its figures, nothing more.
    EXPECT_EQ(barValues(w.Bandes), qsosOf(expected.bands));
    EXPECT_EQ(pieValues(w.Modes), qsosOf(expected.modes));
    EXPECT_EQ(pieValues(w.Continents), qsosOf(expected.continents));
    QList<int> top = qsosOf(expected.entities);
    std::reverse(top.begin(), top.end());
    EXPECT_EQ(barValues(w.Pays), top);
    const auto *rate = qobject_cast<QLineSeries *>(w.Rythme->series().value(0));
    ASSERT_TRUE(rate);
    QList<int> drawn;
    for (const QPointF &p : rate->points())
        drawn << int(p.y());
    EXPECT_EQ(drawn, (QList<int>{1, 2, 1, 0, 0, 1})); // 23:40 to 00:30 UTC
    EXPECT_EQ(drawn, expected.perSlot);
    // The map shows the departments counted: 76, and 2A where F5XY was.
    EXPECT_EQ(w.summary().departments, expected.departments);
    EXPECT_EQ(expected.departmentCount, 2);
}

TEST_F(SummaryWindow, PrintsItsFiguresOnOnePageAndSavesItsPicture) {
    PdfPrintService pdf;
    WindowServices toPdf{dir.path(), setup, settings, dialogs, pdf, files};
    ASSERT_TRUE(openSummaryOf(QStringLiteral("DFCF 76054"), toPdf, nullptr));
    window = openWindow();
    ASSERT_TRUE(window);
    QSignalSpy ready(window.data(), &Bilan_Activation::ready);
    if (!window->isReady()) {
        ASSERT_TRUE(ready.wait(10000));
    }
    QTest::mouseClick(window->Imprimer, Qt::LeftButton);
    ASSERT_TRUE(pdf.ok);
    EXPECT_EQ(pdftext::pages(pdf.pdf), 1);
    const QString text = pdftext::layout(pdf.pdf).simplified();
    for (const char *figure :
         {"Bilan de l'activation DFCF 76054 et FFF-0123", "QSO : 5", "Indicatifs différents : 4",
          "Premier QSO : 10/12/2026 23:48 UTC", "Dernier QSO : 11/12/2026 00:31 UTC",
          "Durée : 0 h 43 min", "Meilleur rythme sur 10 minutes : 2 QSO", "Pays : 4",
          "Départements : 2", "Validité : DFCF 76054 5/100, FFF-0123 5/44", "Bandes : 7 3, 14 2"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(figure))) << figure << "\n"
                                                              << text.toStdString();

    // "Enregistrer l'image": a PNG of the window where the operator chose.
    const QString png = dir.filePath(QStringLiteral("bilan.png"));
    files.answers.push_back(png);
    QTest::mouseClick(window->Enregistrer_Image, Qt::LeftButton);
    ASSERT_EQ(files.requests.size(), 1u);
    EXPECT_EQ(files.requests[0].defaultSuffix, QStringLiteral("png"));
    const QImage saved(png, "PNG");
    EXPECT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), window->grab().size());
    // Cancelled: nothing written, nothing said.
    QFile::remove(png);
    files.answers.push_back(std::nullopt);
    EXPECT_FALSE(window->Enregistrer_Image_Click());
    EXPECT_FALSE(QFile::exists(png));
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(SummaryWindow, ThePreviewShowsThePrintedPage) {
    Bilan_Activation &w = openFromList();
    QTest::mouseClick(w.Apercu, Qt::LeftButton);
    EXPECT_EQ(printing.previews, 1);
    EXPECT_EQ(printing.prints, 0);
    ASSERT_EQ(printing.printer.jobs.size(), 1);
    EXPECT_EQ(printing.printer.texts(0), w.printedLines());
    EXPECT_TRUE(w.printedLines().contains(QStringLiteral("QSO : 5")));
}

TEST_F(SummaryWindow, AnActivationNotInTheListIsSaidSo) {
    EXPECT_FALSE(openSummaryOf(QStringLiteral("DFCF 99999"), services, nullptr));
    EXPECT_EQ(dialogs.texts(),
              QStringList{QStringLiteral("L'activation DFCF 99999 n'est pas dans la liste.")});
}

TEST_F(SummaryWindow, TheSetupWindowsListOpensTheSummaryOfTheActivationChosen) {
    zep::Setup chooser(dir.path(), settings, dialogs);
    connectSummaryToActivationList(chooser, services);
    chooser.Cherche_Num_Activite();
    auto *item = chooser.findChild<QAction *>(QStringLiteral("Mnu_Bilan_Liste"));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->text(), QStringLiteral("Bilan de l'activation"));
    // Nothing chosen: said so, no window.
    chooser.Liste_Activite->setCurrentRow(-1);
    item->trigger();
    EXPECT_FALSE(openWindow());
    EXPECT_EQ(dialogs.texts(),
              QStringList{QStringLiteral("Cliquez sur une activation de la liste.")});
    // The first reference of the pair chosen: the summary of both, from its log.
    for (int i = 0; i < chooser.Liste_Activite->count(); ++i)
        if (chooser.Liste_Activite->listItem(i) == QLatin1String("DFCF 76054"))
            chooser.Liste_Activite->setCurrentRow(i);
    item->trigger();
    window = openWindow();
    ASSERT_TRUE(window);
    QSignalSpy ready(window.data(), &Bilan_Activation::ready);
    if (!window->isReady()) {
        ASSERT_TRUE(ready.wait(10000));
    }
    EXPECT_EQ(window->summary().qsos, 5);
    EXPECT_EQ(window->windowTitle(),
              QStringLiteral("Bilan de l'activation DFCF 76054 et FFF-0123"));
}
