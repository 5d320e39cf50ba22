// The FT8 program's QSOs arriving over UDP while the operator types: each becomes a line of
// the activation, with its frequency and locator beside it; what is not a QSO the log can take
// never becomes one; the status line tells the sender, its QSOs, duplicates and silence; the
// sender is told which calls the activation already has on its band and mode.

#include "DigitalFixture.h"

#include "core/log/QsoFrequencies.h"
#include "core/log/QsoLocators.h"
#include "setup/Trafic_Numerique.h"

#include <QAction>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QMenu>
#include <QNetworkInterface>

using namespace zep;
using namespace zep::testing;
namespace ts = zep::testsender;

namespace {

QString ft8Line(const QString &time, const QString &call, const QString &dpt,
                const QString &name, const QString &rr, const QString &rs, const QString &mode,
                const QString &band, const QString &remarks) {
    QsoFields f{"07/12/26", time, call, dpt, name, rr, rs, mode, band, remarks};
    return buildQsoLine(f).line;
}

} // namespace

TEST_F(DigitalTest, ALoggedQsoBecomesALineWhileTheOperatorGoesOnTyping) {
    put(path("Liste_Prenom.txt"),
        (FirstNameMemory::entry("DL1ABC", "", "HANS") + "\r\n").toLatin1());
    openWired();
    type("F5AB"); // another QSO being typed
    ts::LoggedQso q;
    // The QSO Logged and Logged ADIF messages of one QSO, in schema 3, make one line.
    sendAndWait({ts::heartbeat("WSJT-X", 3), ts::qsoLogged("WSJT-X", 3, q),
                 ts::loggedAdif("WSJT-X", 3, q)});
    ZEP_TRY_COMPARE(logged(), 1, 3000);
    EXPECT_EQ(logLines().at(0), ft8Line("09:58", "DL1ABC", "", "HANS", "+05", "-12", "FT8", "14",
                                        "MERCI POUR LE QSO"));
    EXPECT_EQ(focusName(), "Indi_Q");
    EXPECT_EQ(window->Indi_Q->text(), "F5AB");
    EXPECT_EQ(window->Num_Q->text(), "2");
    EXPECT_EQ(window->Liste_QSO->count(), 1);
    EXPECT_EQ(line()->text(), "Numérique : WSJT-X, 1 QSO reçu");
    EXPECT_EQ(line()->accessibleName(), line()->text());
    EXPECT_EQ(QsoFrequencies(logFile()).read().of(logLines().at(0)), 14074000);
    EXPECT_EQ(QsoLocators(logFile()).read().of(logLines().at(0)), "JO62");
    EXPECT_TRUE(dialogs.shown().empty()) << dialogs.last().toStdString();
}

TEST_F(DigitalTest, EarlierQsosTakeTheirPlaceDuplicatesAreSaidAndBothReferencesGetThem) {
    setup.activation.isDouble = true;
    setup.activation.secondReference = QStringLiteral("DIFI-21-010");
    openWired();
    ts::LoggedQso first, earlier, again;
    first.call = "G4XYZ";
    first.mode = "FT4";
    first.on = QDateTime(QDate(2026, 12, 7), QTime(10, 30), Qt::UTC);
    earlier.on = QDateTime(QDate(2026, 12, 7), QTime(10, 15), Qt::UTC);
    earlier.withOn = true;
    again = earlier;
    again.on = again.on.addSecs(600); // the same station later, same band and mode
    // An older sender in schema 2, without the start: its end is taken.
    ts::LoggedQso old;
    old.call = "EA3AAA";
    old.withOn = false;
    old.hz = 7074000;
    old.off = QDateTime(QDate(2026, 12, 7), QTime(11, 0), Qt::UTC);
    sendAndWait({ts::qsoLogged("JTDX", 3, first)});
    ZEP_TRY_COMPARE(logged(), 1, 3000);
    sendAndWait({ts::qsoLogged("JTDX", 3, earlier)});
    ZEP_TRY_COMPARE(logged(), 2, 3000);
    sendAndWait({ts::qsoLogged("JTDX", 3, again)});
    ZEP_TRY_COMPARE(logged(), 3, 3000);
    EXPECT_EQ(line()->text(), "Numérique : JTDX, 3 QSO reçus, DL1ABC doublon");
    sendAndWait({ts::qsoLogged("JTDX", 2, old)});
    ZEP_TRY_COMPARE(logged(), 4, 3000);
    EXPECT_EQ(line()->text(), "Numérique : JTDX, 4 QSO reçus"); // said once
    QStringList calls;
    for (const QString &l : logLines())
        calls.append(readQsoLine(l).call + " " + readQsoLine(l).time + " " + readQsoLine(l).mode);
    EXPECT_EQ(calls, QStringList({"DL1ABC 10:15 FT8", "DL1ABC 10:25 FT8", "G4XYZ 10:30 FT4",
                                  "EA3AAA 11:00 FT8"}));
    const QString second = path("DIFI-21-010.txt");
    EXPECT_EQ(bytes(second), bytes(logFile()));
    EXPECT_EQ(bytes(QsoFrequencies::pathFor(second)), bytes(QsoFrequencies::pathFor(logFile())));
    EXPECT_EQ(bytes(QsoLocators::pathFor(second)), bytes(QsoLocators::pathFor(logFile())));
}

TEST_F(DigitalTest, NothingButACheckedQsoEverBecomesALine) {
    openWired();
    const QByteArray good = ts::qsoLogged("WSJT-X", 3, ts::LoggedQso{});
    const auto with = [](const std::function<void(ts::LoggedQso &)> &change) {
        ts::LoggedQso q;
        change(q);
        return ts::qsoLogged("WSJT-X", 3, q);
    };
    QByteArray lyingLength = good;
    lyingLength[12] = char(0x7f); // the id's length now far beyond the datagram
    const QList<QByteArray> garbage{
        good.first(good.size() / 2),
        lyingLength,
        QByteArray(5000, '\xad'),
        with([](auto &q) { q.comments = QString(20000, 'a'); }), // a comment over its bound
        with([](auto &q) { q.call = "NOT A CALL"; }),
        with([](auto &q) { q.on = q.on.addDays(-3); q.off = q.off.addDays(-3); }),
        with([](auto &q) { q.hz = 5357000; }), // 60 m: no band of the log
        with([](auto &q) { q.mode = "OLIVIA"; }),
        ts::message(99, "WSJT-X", 3),
        ts::heartbeat("WSJT-X", 7),
    };
    sendAndWait(garbage);
    EXPECT_GE(room->link().ignored(), quint64(garbage.size() - 1));
    EXPECT_EQ(logged(), 0);
    EXPECT_EQ(window->Liste_QSO->count(), 0);
    // The listener is still there for the next real QSO.
    sendAndWait({good});
    ZEP_TRY_COMPARE(logged(), 1, 3000);
}

TEST_F(DigitalTest, ASenderSilentForTenMinutesIsSaidSoAndAClosedOneIsNot) {
    openWired();
    sendAndWait({ts::heartbeat("WSJT-X", 3)});
    ZEP_TRY_COMPARE(line()->text(), QStringLiteral("Numérique : WSJT-X, 0 QSO reçu"), 3000);
    QSignalSpy announced(line(), &StatusLabel::announced);
    clock.advance(9 * 60);
    room->showStatus();
    EXPECT_EQ(line()->text(), "Numérique : WSJT-X, 0 QSO reçu");
    clock.advance(60);
    room->showStatus();
    EXPECT_EQ(line()->text(), "Numérique : rien reçu depuis 10 min");
    EXPECT_EQ(line()->accessibleName(), "Numérique : rien reçu depuis 10 min");
    EXPECT_EQ(announced.count(), 1);
    sendAndWait({ts::close("WSJT-X", 3)});
    clock.advance(3600);
    room->showStatus();
    EXPECT_EQ(line()->text(), "Numérique : WSJT-X, 0 QSO reçu, fermé");
}

TEST_F(DigitalTest, TheSenderGreysTheCallsWorkedOnItsBandAndModeUntilTheActivationChanges) {
    put(logFile(), logBytesOf({ft8Line("09:00", "F5AAA", "21", "", "", "", "FT8", "14", ""),
                               ft8Line("09:05", "F5BBB", "21", "", "", "", "FT8", "7", ""),
                               ft8Line("09:10", "F5CCC", "21", "", "", "", "SSB", "14", "")}));
    openWired();
    sendAndWait({ts::status("WSJT-X", 3, 14074000, "FT8")});
    ZEP_TRY_VERIFY(sender.hasPendingDatagrams(), 3000);
    QTest::qWait(50);
    QList<Highlight> got = highlightsReceived();
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got[0].call, "F5AAA");
    EXPECT_TRUE(got[0].painted);

    // A QSO it logs is greyed at once.
    sendAndWait({ts::qsoLogged("WSJT-X", 3, ts::LoggedQso{})});
    ZEP_TRY_VERIFY(sender.hasPendingDatagrams(), 3000);
    QTest::qWait(50);
    got = highlightsReceived();
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got[0].call, "DL1ABC");

    // On 40 m the 20 m calls are cleared and the 40 m one greyed.
    sendAndWait({ts::status("WSJT-X", 3, 7074000, "FT8")});
    ZEP_TRY_VERIFY(sender.hasPendingDatagrams(), 3000);
    QTest::qWait(50);
    got = highlightsReceived();
    QStringList cleared, painted;
    for (const Highlight &h : got)
        (h.painted ? painted : cleared).append(h.call);
    cleared.sort();
    EXPECT_EQ(cleared, QStringList({"DL1ABC", "F5AAA"}));
    EXPECT_EQ(painted, QStringList({"F5BBB"}));

    // Another activation: its log has none of them.
    setup.activation.reference = QStringLiteral("DFCF-21-002");
    window->showCurrentActivation();
    ZEP_TRY_VERIFY(sender.hasPendingDatagrams(), 3000);
    QTest::qWait(50);
    got = highlightsReceived();
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got[0].call, "F5BBB");
    EXPECT_FALSE(got[0].painted);
    EXPECT_TRUE(room->highlighted().isEmpty());
}

TEST_F(DigitalTest, TheSettingsWindowChecksEachValueBeforeSavingAny) {
    settings.write(keys::numeriqueActif, QStringLiteral("0"));
    openWired();
    ASSERT_TRUE(window->setupMenu->actions().contains(room->menuItem()));
    room->menuItem()->trigger();
    auto *w = window->findChild<Trafic_Numerique *>();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->Numerique_Actif->isChecked());
    EXPECT_EQ(w->Numerique_Adresse->text(), "127.0.0.1");
    struct Case {
        const char *address, *port, *locator;
        const char *refusedField; // nullptr: saved
    } cases[] = {
        {"127.0.0.300", "2237", "JN18du", "Numerique_Adresse"},
        {"127.0.0.1", "0", "JN18du", "Numerique_Port"},
        {"224.0.0.1", "2237", "JN1", "Locator"},
        {"127.0.0.1", "2237", "JN18", nullptr},
    };
    for (const Case &c : cases) {
        dialogs.clear();
        settings.clearLog();
        w->Numerique_Actif->setChecked(true);
        w->Numerique_Adresse->setText(c.address);
        w->Numerique_Port->setText(c.port);
        w->Locator->setText(c.locator);
        const bool saved = w->Enregistrer_Click();
        EXPECT_EQ(saved, c.refusedField == nullptr) << c.address << c.port << c.locator;
        if (c.refusedField) {
            EXPECT_EQ(w->focusWidget()->objectName(), c.refusedField);
            EXPECT_TRUE(settings.writtenKeys().isEmpty());
            EXPECT_EQ(dialogs.shown().size(), 1u);
        }
    }
    EXPECT_EQ(settings.read(keys::numeriqueActif, ""), "1");
    EXPECT_EQ(settings.read(keys::locator, ""), "JN18");
    EXPECT_EQ(settings.read(keys::locatorSource, ""), "0");
    // Saved on: the listening starts, and the locator is shown.
    ZEP_TRY_VERIFY(line()->text() == QStringLiteral("Numérique : en écoute"), 3000);
    EXPECT_EQ(room->locatorLine()->text(), "Locator : JN18");
}

TEST_F(DigitalTest, AMulticastGroupIsHeardAsWell) {
    settings.write(keys::numeriqueAdresse, QStringLiteral("239.255.42.1"));
    openWired();
    // A sender on this machine, sending on the loopback interface (no network needed).
    QUdpSocket groupSender;
    ASSERT_TRUE(groupSender.bind(QHostAddress::AnyIPv4, 0));
    groupSender.setMulticastInterface(QNetworkInterface::interfaceFromName(QStringLiteral("lo")));
    const QByteArray d = ts::qsoLogged("WSJT-X", 3, ts::LoggedQso{});
    ASSERT_EQ(groupSender.writeDatagram(d, QHostAddress(QStringLiteral("239.255.42.1")), port),
              d.size());
    ZEP_TRY_COMPARE(logged(), 1, 3000);
    EXPECT_EQ(readQsoLine(logLines().at(0)).call, "DL1ABC");
}
