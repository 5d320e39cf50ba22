// The known call signs beside the call-sign field, driven by keys: what the lists show while a
// call is typed, F8 taking the highlighted call, Enter and the log line left as they were; the
// MASTER.SCP update from the "Fichiers" menu; the rate line.

#include "EntryWindowFixture.h"

#include "core/io/SysCalls.h"
#include "core/io/TextFile.h"
#include "core/log/QsoLine.h"
#include "entry/PartialCheckPanel.h"
#include "platform/FileChooser.h"
#include "support/PartialCheckProbe.h"

#include <QAccessible>
#include <QAction>
#include <QMenu>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <tuple>

#include "support/QsoLines.h"

using namespace zep;
using zep::testing::EntryWindowTest;
using zep::testing::qsoLineOf;

namespace {

class PartialCheckWindow : public EntryWindowTest {
protected:
    void SetUp() override {
        EntryWindowTest::SetUp();
        put(path(QStringLiteral("MASTER.SCP")), "# test\r\nF5XAB\r\nF5XQQ\r\nDL5XA\r\nF5XM\r\n");
        put(path(QStringLiteral("Liste_Prenom.txt")), "F5XYZ        76 Jean\r\n");
        // Worked on 3.5 MHz SSB, the band and mode the window opens on.
        put(logFile(), (qsoLineOf("07/12/26", "14:00", "F5XM", "21", "Marc", "SSB", "3.5") +
                        QStringLiteral("\r\n"))
                           .toLatin1());
    }

    Saisie_QSO &openReady() {
        open();
        EXPECT_TRUE(QTest::qWaitFor(
            [this] { return PartialCheckProbe::ready(*window->Controle_Partiel); }));
        return *window;
    }

    KnownCallList *list(const QString &name) const { return child<KnownCallList>(name); }
    static QStringList rows(KnownCallList *list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->row(i).text;
        return out;
    }
};

} // namespace

TEST_F(PartialCheckWindow, TypingShowsWorkedThenRememberedThenListedCalls) {
    openReady();
    KnownCallList *known = list(QStringLiteral("Indicatifs connus"));
    KnownCallList *near = list(QStringLiteral("Voisins"));
    ASSERT_TRUE(known && near);
    EXPECT_EQ(known->accessibleName(), QStringLiteral("Indicatifs connus"));

    type(QStringLiteral("F"));
    EXPECT_EQ(known->count(), 0); // from the second character
    type(QStringLiteral("5X"));
    EXPECT_EQ(rows(known),
              QStringList({"F5XM        3.5 SSB", "F5XYZ       Jean (76)", "F5XAB", "F5XQQ"}));
    EXPECT_EQ(rows(near), QStringList({"F5XM        3.5 SSB"}));
    // A screen reader reads the same rows.
    QAccessibleInterface *heard = QAccessible::queryAccessibleInterface(known);
    ASSERT_NE(heard, nullptr);
    QStringList spoken;
    for (int i = 0; i < heard->childCount(); ++i)
        spoken << heard->child(i)->text(QAccessible::Name);
    EXPECT_EQ(spoken, rows(known));
    // Worked on this band and mode: the duplicate question would come.
    EXPECT_EQ(known->foreground(0).color(), QColor(Qt::red));
    EXPECT_NE(known->foreground(1).color(), QColor(Qt::red));
    // Highlighted, the call is still drawn in red.
    ASSERT_EQ(known->highlighted(), 0);
    const QImage drawn = known->viewport()->grab(known->rowRect(0)).toImage();
    int reddish = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            const QColor c = drawn.pixelColor(x, y);
            reddish += c.red() > 180 && c.green() < 90 && c.blue() < 90;
        }
    EXPECT_GT(reddish, 10);
    window->Bande_Q->setCurrentText(QStringLiteral("7"));
    EXPECT_NE(known->foreground(0).color(), QColor(Qt::red));
    EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));
    EXPECT_EQ(window->Indi_Q->text(), QStringLiteral("F5X"));
}

TEST_F(PartialCheckWindow, PastTwentyMatchesTheFirstTwentyAreShownInOrder) {
    // 25 calls worked on the band and mode, besides F5XM: they come first, alphabetically.
    QByteArray log;
    for (int i = 0; i < 25; ++i)
        log += (qsoLineOf("07/12/26", QStringLiteral("15:%1").arg(i, 2, 10, QLatin1Char('0')),
                          QStringLiteral("F5X%1").arg(i, 2, 10, QLatin1Char('0')), "76", "Paul",
                          "SSB", "3.5") +
                QStringLiteral("\r\n"))
                   .toLatin1();
    put(logFile(), bytes(logFile()) + log);
    openReady();
    const auto calls = [](int from, int to) {
        QStringList out;
        for (int i = from; i <= to; ++i)
            out << QStringLiteral("F5X%1").arg(i, 2, 10, QLatin1Char('0'));
        return out;
    };
    const struct {
        const char *typed;
        QStringList shown;
    } cases[] = {
        {"F5X", calls(0, 19)}, // 29 matches
        {"5X", calls(0, 19)},  // the same from inside the call
        {"X1", calls(10, 19)}, // ten, all of them
        {"X2", calls(20, 24)}, // five
    };
    KnownCallList *known = list(QStringLiteral("Indicatifs connus"));
    ASSERT_NE(known, nullptr);
    for (const auto &c : cases) {
        window->Indi_Q->clear();
        type(QString::fromLatin1(c.typed));
        QStringList firstWords;
        for (const QString &row : rows(known))
            firstWords << row.section(QLatin1Char(' '), 0, 0);
        EXPECT_EQ(firstWords, c.shown) << c.typed;
    }
}

TEST_F(PartialCheckWindow, F8TakesTheHighlightedCallAndPressesEnter) {
    openReady();
    type(QStringLiteral("F5X"));
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    press(Qt::Key_Up);
    press(Qt::Key_F8);
    // F5XYZ taken: the department and first name come from the memory, as for a typed call.
    EXPECT_EQ(window->Indi_Q->text(), QStringLiteral("F5XYZ"));
    EXPECT_EQ(focusName(), QStringLiteral("Dpt_Q"));
    EXPECT_EQ(window->Dpt_Q->text(), QStringLiteral("76"));
    EXPECT_EQ(window->Prenom_Q->text(), QStringLiteral("Jean"));
    EXPECT_TRUE(dialogs.shown().empty());

    // The red one brings the duplicate question; "Oui" drops the entry.
    window->resetForNextQso();
    type(QStringLiteral("XM"));
    dialogs.setNextAnswer(true);
    press(Qt::Key_F8);
    ASSERT_EQ(dialogs.shown().size(), 1U);
    EXPECT_TRUE(dialogs.shown().front().isQuestion);
    EXPECT_TRUE(window->Indi_Q->text().isEmpty());

    // A double click on a row takes its call as F8 does.
    window->show();
    window->resetForNextQso();
    type(QStringLiteral("F5X"));
    KnownCallList *known = list(QStringLiteral("Indicatifs connus"));
    ASSERT_EQ(known->row(1).call, QStringLiteral("F5XYZ"));
    // The first click of the two, then the second.
    QTest::mouseClick(known->viewport(), Qt::LeftButton, {}, known->rowRect(1).center());
    QTest::mouseDClick(known->viewport(), Qt::LeftButton, {}, known->rowRect(1).center());
    EXPECT_EQ(window->Indi_Q->text(), QStringLiteral("F5XYZ"));
    EXPECT_EQ(focusName(), QStringLiteral("Dpt_Q"));
    EXPECT_EQ(window->Prenom_Q->text(), QStringLiteral("Jean"));
}

TEST_F(PartialCheckWindow, EnterKeepsWhatWasTypedAndLogsTheSameLine) {
    openReady();
    // The list shows F5XM highlighted; Enter still takes the typed call, Up and Down do not
    // change it.
    type(QStringLiteral("f5x"));
    press(Qt::Key_Down);
    enter();
    EXPECT_EQ(focusName(), QStringLiteral("Dpt_Q"));
    replaceAndEnter(QStringLiteral("21"));
    replaceAndEnter(QStringLiteral("Luc"));
    enter();
    enter();
    field(QString());
    ASSERT_EQ(focusName(), QStringLiteral("Valide_Q"));
    QSignalSpy rebuilt(window->Controle_Partiel, &PartialCheckPanel::indexReady);
    press(Qt::Key_Space);
    ASSERT_EQ(logLines().size(), 2);
    EXPECT_EQ(logLines().at(1), qsoLineOf("07/12/26", "14:07", "F5X", "21", "Luc", "SSB", "3.5"));
    // The memory's new entry is taken as it is: the whole memory is not read and indexed again
    // after each QSO: a reload asked now is the first build seen.
    window->Controle_Partiel->reload();
    ASSERT_TRUE(rebuilt.wait(5000));
    EXPECT_EQ(rebuilt.count(), 1);

    // The new station is known at once, worked on this band and mode.
    type(QStringLiteral("F5X"));
    KnownCallList *known = list(QStringLiteral("Indicatifs connus"));
    ASSERT_GE(known->count(), 2);
    EXPECT_EQ(known->row(0).text, QStringLiteral("F5X         3.5 SSB"));
    EXPECT_EQ(known->foreground(0).color(), QColor(Qt::red));
    window->Indi_Q->clear();
    type(QStringLiteral("F5XY"));
    EXPECT_EQ(rows(known), QStringList({"F5XYZ       Jean (76)"}));

    // The log changed behind the window (another program, a correction) while a call is
    // typed: once read again, the lists show it as soon as the window is back to its events.
    put(logFile(), bytes(logFile()) +
                       qsoLineOf("07/12/26", "14:09", "F5XYZ", "76", "Jean", "CW", "7").toLatin1() +
                       "\r\n");
    window->refreshFromLog();
    QCoreApplication::processEvents();
    EXPECT_EQ(rows(known), QStringList({"F5XYZ       7 CW"}));
    EXPECT_EQ(window->Indi_Q->text(), QStringLiteral("F5XY"));
}

TEST_F(PartialCheckWindow, MasterScpUpdateChecksTheFileThenRebuilds) {
    openReady();
    ScriptedFileChooser files;
    connectMasterScpUpdate(*window, files, dialogs);
    auto *item = child<QAction>(QStringLiteral("Mnu_Master_Scp"));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->text(), QStringLiteral("Mettre à jour MASTER.SCP…"));
    EXPECT_TRUE(window->filesMenu->actions().contains(item));

    const QByteArray before = bytes(path(QStringLiteral("MASTER.SCP")));
    const QString bad = path(QStringLiteral("bad.txt"));
    put(bad, "K1ABC\r\nk1 abc\r\n");
    files.setNextOpenAnswer(bad);
    item->trigger();
    // Checked and copied on a worker thread, the item greyed until it is done.
    EXPECT_FALSE(item->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return item->isEnabled(); }, 5000));
    EXPECT_TRUE(dialogs.last().contains(QStringLiteral("ligne 2"))) << dialogs.last().toStdString();
    EXPECT_EQ(bytes(path(QStringLiteral("MASTER.SCP"))), before);

    const QString good = path(QStringLiteral("good.txt"));
    put(good, "K1ABC\r\nK1ABD\r\n");
    files.setNextOpenAnswer(good);
    QSignalSpy rebuilt(window->Controle_Partiel, &PartialCheckPanel::indexReady);
    item->trigger();
    ASSERT_TRUE(rebuilt.wait(5000));
    EXPECT_EQ(dialogs.last(), QStringLiteral("MASTER.SCP est mis à jour."));
    EXPECT_EQ(bytes(path(QStringLiteral("MASTER.SCP"))), QByteArray("K1ABC\r\nK1ABD\r\n"));
    type(QStringLiteral("K1AB"));
    EXPECT_EQ(rows(list(QStringLiteral("Indicatifs connus"))), QStringList({"K1ABC", "K1ABD"}));
    window->Indi_Q->clear();
    type(QStringLiteral("F5XA"));
    EXPECT_TRUE(rows(list(QStringLiteral("Indicatifs connus"))).isEmpty());
}

TEST_F(PartialCheckWindow, RateLineFollowsValidationsAndTheBand) {
    openReady();
    auto *rate = child<QLabel>(QStringLiteral("Cadence"));
    auto *onBand = child<QLabel>(QStringLiteral("QSO_Bande"));
    ASSERT_TRUE(rate && onBand);
    // One QSO at 14:00, the clock at 14:07.
    EXPECT_EQ(rate->text(), QStringLiteral("Cadence : 0 QSO/h sur les 10 derniers, 1 QSO/h sur "
                                           "la dernière heure"));
    EXPECT_EQ(onBand->text(), QStringLiteral("1 QSO sur 3.5 Mhz"));
    logQso(QStringLiteral("G4ABC"));
    EXPECT_EQ(rate->text(), QStringLiteral("Cadence : 17 QSO/h sur les 10 derniers, 2 QSO/h sur "
                                           "la dernière heure"));
    EXPECT_EQ(onBand->text(), QStringLiteral("2 QSO sur 3.5 Mhz"));
    window->Bande_Q->setCurrentText(QStringLiteral("14"));
    EXPECT_EQ(onBand->text(), QStringLiteral("0 QSO sur 14 Mhz"));
    // Past the hour, by the clock.
    clock.advance(3600);
    window->showClock();
    EXPECT_TRUE(rate->text().endsWith(QStringLiteral(", 0 QSO/h sur la dernière heure")));
}

TEST_F(PartialCheckWindow, ValidationsDuringTheFirstBuildAreKeptWithoutAnotherBuild) {
    window = std::make_unique<Saisie_QSO>(dir.path(), setup, settings, dialogs, clock);
    window->setQuitHandler([this] { ++quits; });
    PartialCheckPanel *panel = window->Controle_Partiel;
    // The builder's thread is held: the first build waits behind it while QSOs are logged.
    QSemaphore gate;
    QMetaObject::invokeMethod(PartialCheckProbe::builder(*panel), [&gate] { gate.acquire(); });
    const QByteArray memoryBefore = bytes(path(QStringLiteral("Liste_Prenom.txt")));
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(QTest::qWaitFor([panel] { return PartialCheckProbe::builds(*panel) == 1; }));
    EXPECT_FALSE(PartialCheckProbe::ready(*panel));

    logQso(QStringLiteral("F5XNA"), QStringLiteral("21"), QStringLiteral("Luc"));
    logQso(QStringLiteral("F5XNB"), QStringLiteral("2A"), QStringLiteral("Ange"));
    logQso(QStringLiteral("F5XYZ"), QStringLiteral("76"), QStringLiteral("Jeanne"));
    ASSERT_EQ(logLines().size(), 4);
    EXPECT_EQ(PartialCheckProbe::builds(*panel), 1);
    // The build reads the memory as it was before these QSOs, as one that read it just before
    // them would: the new index must take the entries remembered meanwhile.
    put(path(QStringLiteral("Liste_Prenom.txt")), memoryBefore);

    QSignalSpy arrived(panel, &PartialCheckPanel::indexReady);
    gate.release();
    ASSERT_TRUE(arrived.wait(5000));
    QTest::qWait(300);
    EXPECT_EQ(arrived.count(), 1);
    EXPECT_EQ(PartialCheckProbe::builds(*panel), 1);

    type(QStringLiteral("F5XN"));
    EXPECT_EQ(rows(list(QStringLiteral("Indicatifs connus"))),
              QStringList({"F5XNA       3.5 SSB", "F5XNB       3.5 SSB"}));
    // The memory's entries as validated, though the file the build read lacked them.
    const std::shared_ptr<const PartialCheckIndex> index = PartialCheckProbe::index(*panel).lock();
    ASSERT_TRUE(index);
    for (const auto &[call, department, firstName] :
         {std::tuple{u"F5XNB", "2A", "Ange"}, std::tuple{u"F5XYZ", "76", "Jeanne"}}) {
        const QList<KnownCall> found = index->search(call, u"3.5", u"SSB");
        ASSERT_EQ(found.size(), 1);
        EXPECT_EQ(found.at(0).department, QLatin1String(department));
        EXPECT_EQ(found.at(0).firstName.toUpper(), QString::fromLatin1(firstName).toUpper());
    }
}

TEST_F(PartialCheckWindow, ReplacedAndLeftIndexesAreFreedOnTheBuilderThread) {
    openReady();
    PartialCheckPanel *panel = window->Controle_Partiel;
    const std::weak_ptr<const PartialCheckIndex> first = PartialCheckProbe::index(*panel);
    ASSERT_FALSE(first.expired());
    std::atomic<QThread *> freedOn = nullptr;
    std::atomic_bool gone = false;
    QObject::connect(
        PartialCheckProbe::builder(*panel), &PartialCheckBuilder::released,
        PartialCheckProbe::builder(*panel),
        [&] {
            gone = first.expired();
            freedOn = QThread::currentThread();
        },
        Qt::DirectConnection);

    QSignalSpy arrived(panel, &PartialCheckPanel::indexReady);
    panel->reload();
    ASSERT_TRUE(arrived.wait(5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return freedOn.load() != nullptr; }));
    EXPECT_NE(freedOn.load(), QCoreApplication::instance()->thread());
    // Freed there, not merely handed over: no reference stayed on the window's side.
    EXPECT_TRUE(gone.load());
    EXPECT_NE(PartialCheckProbe::index(*panel).lock().get(), nullptr);
}

TEST_F(PartialCheckWindow, AidsLeftOutMakeNoIndexAndLogAsBefore) {
    settings.writeBool(keys::aidesSaisie, false);
    open();
    PartialCheckPanel *panel = window->Controle_Partiel;
    QTest::qWait(200);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(child<QLabel>(QStringLiteral("Cadence"))->isVisible());
    logQso(QStringLiteral("F5XNA"), QStringLiteral("21"), QStringLiteral("Luc"));
    EXPECT_EQ(logLines().size(), 2);
    QTest::qWait(100);
    EXPECT_EQ(PartialCheckProbe::builds(*panel), 0);
    EXPECT_FALSE(PartialCheckProbe::ready(*panel));
}

namespace {

/// The real calls, but the MASTER.SCP install's first write waits, its scratch file open,
/// until the test lets it go: the window's saves are made meanwhile, as a burst of validations
/// during a slow copy would make them.
class HeldInstall : public sys::Calls {
public:
    std::atomic_bool held = false;
    QSemaphore go;
    ssize_t write(int fd, const void *data, size_t size) override {
        if (QThread::currentThread()->objectName() == QLatin1String("MASTER.SCP") &&
            !held.exchange(true))
            go.tryAcquire(1, 20000);
        return sys::Calls::write(fd, data, size);
    }
};

} // namespace

TEST_F(PartialCheckWindow, MasterScpInstalledDuringABurstOfValidationsLeavesEveryFileItsOwn) {
    QByteArray memory;
    for (int i = 0; i < 5; ++i)
        memory += "F5BA" + QByteArray::number(i) + "        75 Paul\r\n";
    put(path(QStringLiteral("Liste_Prenom.txt")), memory);
    openReady();
    ScriptedFileChooser files;
    connectMasterScpUpdate(*window, files, dialogs);
    auto *item = child<QAction>(QStringLiteral("Mnu_Master_Scp"));
    ASSERT_TRUE(item);
    QByteArray list = "# 2026\r\n";
    for (int i = 0; i < 2000; ++i)
        list += "K" + QByteArray::number(i) + "XYZ\r\n";
    put(path(QStringLiteral("nouvelle.scp")), list);
    files.setNextOpenAnswer(path(QStringLiteral("nouvelle.scp")));

    HeldInstall seam;
    sys::ScopedCalls installed(seam);
    item->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return seam.held.load(); }, 5000));
    // Each known station's first name changed: each validation rewrites the memory.
    const QStringList names = {"Luc", "Jean", "Marc", "Anne", "Yves"};
    for (int i = 0; i < names.size(); ++i)
        logQso(QStringLiteral("F5BA%1").arg(i), QStringLiteral("75"), names[i]);
    seam.go.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return item->isEnabled(); }, 10000));

    EXPECT_EQ(dialogs.last(), QStringLiteral("MASTER.SCP est mis à jour."));
    ASSERT_EQ(dialogs.shown().size(), 1U) << dialogs.shown().front().text.toStdString();
    EXPECT_EQ(bytes(path(QStringLiteral("MASTER.SCP"))), list);
    QByteArray expected;
    for (int i = 0; i < names.size(); ++i)
        expected += "F5BA" + QByteArray::number(i) + "        75 " + names[i].toLatin1() + "\r\n";
    EXPECT_EQ(bytes(path(QStringLiteral("Liste_Prenom.txt"))), expected);
    const QStringList logged = logLines();
    ASSERT_EQ(logged.size(), 1 + names.size());
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(readQsoLine(logged[i + 1]).call, QStringLiteral("F5BA%1").arg(i));
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_TRUE(std::none_of(left.begin(), left.end(), scratch::isScratchFileName))
        << left.join(' ').toStdString();
}
