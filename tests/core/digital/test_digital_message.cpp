// The datagrams of the FT8 and FT4 programs, as their sender writes them with QDataStream, read
// back field by field; then everything a datagram can do wrong: cut short, lengths that lie,
// values that cannot be, and the checks that turn a logged QSO into one the log can take.

#include "core/digital/ArrivedQso.h"
#include "core/digital/DigitalMessage.h"
#include "support/DigitalSender.h"

#include <gtest/gtest.h>

using namespace zep::digital;
namespace ts = zep::testsender;

namespace {

const QDateTime now(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC);
const QStringList rows{"1.8", "3.5", "7", "10", "14", "18", "21", "24", "28", "50", "144"};

Message readOk(const QByteArray &bytes) {
    const Read r = readDatagram(bytes);
    EXPECT_TRUE(r.ok()) << r.refusal.toStdString();
    return r.message.value_or(Message{});
}

} // namespace

TEST(DigitalMessage, EveryTypeTheSenderWritesReadsBackInBothSchemas) {
    for (const quint32 schema : {2u, 3u}) {
        SCOPED_TRACE(schema);
        const Message hb = readOk(ts::heartbeat("WSJT-X", schema));
        EXPECT_EQ(hb.type, Type::Heartbeat);
        EXPECT_EQ(hb.schema, schema);
        EXPECT_EQ(hb.id, "WSJT-X");
        EXPECT_EQ(hb.maxSchema.has_value(), schema == 3);
        if (schema == 3) {
            EXPECT_EQ(hb.version, "2.7.0");
        }

        const Message st = readOk(ts::status("JTDX", schema, 7074000, "FT8"));
        ASSERT_TRUE(st.status);
        EXPECT_EQ(st.status->dialHz, 7074000u);
        EXPECT_EQ(st.status->mode, "FT8");
        EXPECT_EQ(st.status->deGrid, "JN18du");
        EXPECT_EQ(st.status->dxGrid, "JO62");

        ts::LoggedQso q;
        const Message lg = readOk(ts::qsoLogged("WSJT-X", schema, q));
        ASSERT_TRUE(lg.qsoLogged);
        EXPECT_EQ(lg.qsoLogged->off, q.off);
        EXPECT_EQ(lg.qsoLogged->on, q.on);
        EXPECT_EQ(lg.qsoLogged->dxCall, "DL1ABC");
        EXPECT_EQ(lg.qsoLogged->dxGrid, "JO62");
        EXPECT_EQ(lg.qsoLogged->txHz, 14074000u);
        EXPECT_EQ(lg.qsoLogged->reportSent, "-12");
        EXPECT_EQ(lg.qsoLogged->reportReceived, "+05");
        EXPECT_EQ(lg.qsoLogged->comments, "merci pour le qso");
        EXPECT_EQ(lg.qsoLogged->myGrid, "JN18du");

        q.withOn = false; // an older sender stops after the name
        const Message old = readOk(ts::qsoLogged("WSJT-X", schema, q));
        EXPECT_FALSE(old.qsoLogged->on.isValid());
        EXPECT_EQ(old.qsoLogged->name, "Hans");

        const Message ad = readOk(ts::loggedAdif("WSJT-X", schema, ts::LoggedQso{}));
        EXPECT_EQ(ad.type, Type::LoggedAdif);
        EXPECT_TRUE(ad.adif.contains("<call:6>DL1ABC"));

        EXPECT_EQ(readOk(ts::close("WSJT-X", schema)).type, Type::Close);
        EXPECT_EQ(readOk(ts::decode("WSJT-X", schema)).type, Type::Decode);
        // A type added by a newer sender reads as its header, for the caller to pass over.
        const Message unknown = readOk(ts::message(99, "WSJT-X", schema));
        EXPECT_FALSE(knownType(unknown.rawType));
    }
}

TEST(DigitalMessage, AMessageCutShortAnywhereIsRefused) {
    const QByteArray whole = ts::qsoLogged("WSJT-X", 3, ts::LoggedQso{});
    ts::LoggedQso old;
    old.withOn = false;
    // An older sender's message ends after the name: that cut is a whole message.
    const qsizetype oldEnd = ts::qsoLogged("WSJT-X", 3, old).size();
    // The last three fields (exchanges and propagation mode, empty here) are not read.
    const qsizetype readEnd = whole.size() - 3 * 4;
    for (qsizetype n = 0; n < whole.size(); ++n) {
        const Read r = readDatagram(whole.first(n));
        EXPECT_EQ(r.ok(), n == oldEnd || n >= readEnd) << "cut at " << n;
        if (!r.ok()) {
            EXPECT_FALSE(r.refusal.isEmpty());
        }
    }
    // Fields added at the end by newer senders are passed over.
    EXPECT_TRUE(readDatagram(whole + QByteArray(40, '\x07')).ok());
}

TEST(DigitalMessage, LyingAndImpossibleFieldsAreRefused) {
    const auto withField = [](const std::function<void(QDataStream &)> &f) {
        return ts::message(5, "X", 3, f);
    };
    const QDateTime t = now;
    struct Case {
        const char *what;
        QByteArray bytes;
    } cases[] = {
        {"wrong magic", QByteArray::fromHex("adbccbdb000000030000000000000001") + "X"},
        {"schema 1", ts::heartbeat("X", 1)},
        {"schema 4", ts::heartbeat("X", 4)},
        {"id length near 4 GiB", QByteArray::fromHex("adbccbda0000000300000000fffffffe")},
        {"id over its bound", ts::message(0, QString(300, 'A'), 3)},
        {"call with a control character",
         withField([&](QDataStream &s) { s << t << QByteArray("DL1\x01" "ABC"); })},
        {"comment over its bound", withField([&](QDataStream &s) {
             s << t << QByteArray("DL1ABC") << QByteArray("JO62") << quint64(14074000)
               << QByteArray("FT8") << QByteArray("-1") << QByteArray("-1") << QByteArray("5")
               << QByteArray(20000, 'a');
         })},
        {"time past midnight", withField([](QDataStream &s) {
             s << qint64(2461382) << quint32(86400000) << quint8(1);
         })},
        {"year 3000", withField([](QDataStream &s) {
             s << qint64(QDate(3000, 1, 1).toJulianDay()) << quint32(0) << quint8(1);
         })},
        {"named time zone", withField([](QDataStream &s) {
             s << qint64(2461382) << quint32(0) << quint8(3);
         })},
        {"over 64 KiB", ts::message(2, "X", 3) + QByteArray(70000, 0)},
    };
    for (const Case &c : cases)
        EXPECT_FALSE(readDatagram(c.bytes).ok()) << c.what;
}

TEST(DigitalMessage, ALoggedQsoIsTakenOnlyWhenEveryFieldHolds) {
    const auto checked = [](const std::function<void(ts::LoggedQso &)> &change) {
        ts::LoggedQso q;
        change(q);
        const Message m = readDatagram(ts::qsoLogged("WSJT-X", 3, q)).message.value();
        return checkQsoLogged(*m.qsoLogged, m.id, now, rows);
    };
    const Checked good = checked([](ts::LoggedQso &) {});
    ASSERT_TRUE(good.qso) << good.refusal.toStdString();
    EXPECT_EQ(good.qso->call, "DL1ABC");
    EXPECT_EQ(good.qso->date(), "07/12/26");
    EXPECT_EQ(good.qso->time(), "09:58"); // the start, to the minute
    EXPECT_EQ(good.qso->band, "14");
    EXPECT_EQ(good.qso->hz, 14074000);
    EXPECT_EQ(good.qso->grid, "JO62");
    EXPECT_EQ(good.qso->reportSent, "-12");
    EXPECT_EQ(good.qso->sender, "WSJT-X");

    struct Case {
        const char *what;
        std::function<void(ts::LoggedQso &)> change;
        bool taken;
    } cases[] = {
        {"portable call", [](auto &q) { q.call = "f/dl1abc/p"; }, true},
        {"call without digit", [](auto &q) { q.call = "DLABC"; }, false},
        {"call too long", [](auto &q) { q.call = "DL1ABCDEFGHIJ"; }, false},
        {"call with a blank", [](auto &q) { q.call = "DL1 ABC"; }, false},
        {"call ending in /", [](auto &q) { q.call = "DL1ABC/"; }, false},
        {"23 h before", [](auto &q) { q.on = now.addSecs(-23 * 3600); }, true},
        {"two days before", [](auto &q) { q.on = now.addDays(-2); }, false},
        {"tomorrow", [](auto &q) { q.on = now.addSecs(25 * 3600); }, false},
        {"no start: the end is taken", [](auto &q) { q.withOn = false; }, true},
        {"60 m is no band of the log", [](auto &q) { q.hz = 5357000; }, false},
        {"no frequency", [](auto &q) { q.hz = 0; }, false},
        {"6 m", [](auto &q) { q.hz = 50313000; }, true},
        {"FT4", [](auto &q) { q.mode = "ft4"; }, true},
        {"mode of five characters", [](auto &q) { q.mode = "JT65A"; }, false},
        {"no mode", [](auto &q) { q.mode = ""; }, false},
        {"report that is no number", [](auto &q) { q.sent = "5x"; }, false},
        {"report of 99 dB", [](auto &q) { q.received = "99"; }, false},
        {"no grid", [](auto &q) { q.grid = ""; }, true},
        {"grid that is none", [](auto &q) { q.grid = "ZZ99"; }, true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(checked(c.change).qso.has_value(), c.taken) << c.what;
    EXPECT_EQ(checked([](auto &q) { q.grid = "ZZ99"; }).qso->grid, "");
    EXPECT_EQ(checked([](auto &q) { q.mode = "ft4"; }).qso->mode, "FT4");
    EXPECT_EQ(checked([](auto &q) { q.call = "f/dl1abc/p"; }).qso->call, "F/DL1ABC/P");
}

TEST(DigitalMessage, ReportsAreWrittenWithSignAndTwoDigits) {
    const std::pair<const char *, const char *> cases[] = {
        {"-12", "-12"}, {"5", "+05"}, {"+5", "+05"}, {"-3", "-03"}, {"0", "+00"},
        {" -07 ", "-07"}, {"", ""}, {"-51", nullptr}, {"abc", nullptr}, {"599", nullptr},
    };
    for (const auto &[given, written] : cases) {
        const auto r = reportText(given);
        if (written) {
            EXPECT_EQ(r.value_or("<none>"), written) << given;
        } else {
            EXPECT_FALSE(r) << given;
        }
    }
}

TEST(DigitalMessage, TheAdifOfALoggedQsoGivesTheSameQsoAndCountsOnce) {
    for (const char *mode : {"FT8", "FT4"}) {
        ts::LoggedQso q;
        q.mode = mode;
        const Message lg = readDatagram(ts::qsoLogged("WSJT-X", 3, q)).message.value();
        const Message ad = readDatagram(ts::loggedAdif("WSJT-X", 3, q)).message.value();
        const Checked a = checkQsoLogged(*lg.qsoLogged, lg.id, now, rows);
        const Checked b = checkLoggedAdif(ad.adif, ad.id, now, rows);
        ASSERT_TRUE(a.qso && b.qso) << b.refusal.toStdString();
        EXPECT_EQ(b.qso->mode, mode); // FT4 is MFSK's submode in ADIF
        EXPECT_EQ(a.qso->key(), b.qso->key());
        EXPECT_EQ(b.qso->grid, "JO62");
        EXPECT_EQ(b.qso->reportReceived, "+05");
        RecentQsos recent;
        EXPECT_FALSE(recent.alreadyMet(*a.qso));
        EXPECT_TRUE(recent.alreadyMet(*b.qso));
    }
    // A band without a frequency still places the QSO; no band at all does not.
    const QByteArray bandOnly = "<call:5>G4XYZ<qso_date:8>20261207<time_on:4>0930<band:3>40m"
                                "<mode:3>FT8<eor>";
    const Checked c = checkLoggedAdif(bandOnly, "JTDX", now, rows);
    ASSERT_TRUE(c.qso) << c.refusal.toStdString();
    EXPECT_EQ(c.qso->band, "7");
    EXPECT_EQ(c.qso->hz, 0);
    EXPECT_FALSE(checkLoggedAdif("<call:5>G4XYZ<qso_date:8>20261207<time_on:4>0930<mode:3>FT8"
                                 "<eor>",
                                 "JTDX", now, rows)
                     .qso);
    EXPECT_FALSE(checkLoggedAdif("<call:5>G4XYZ<eor><call:5>G4XYY<eor>", "JTDX", now, rows).qso);
}

TEST(DigitalMessage, RecentQsosForgetTheOldest) {
    RecentQsos recent(2);
    ArrivedQso a, b, c;
    a.call = "A1A";
    b.call = "B1B";
    c.call = "C1C";
    EXPECT_FALSE(recent.alreadyMet(a));
    EXPECT_FALSE(recent.alreadyMet(b));
    EXPECT_FALSE(recent.alreadyMet(c));
    EXPECT_FALSE(recent.alreadyMet(a)); // pushed out by c
    EXPECT_TRUE(recent.alreadyMet(c));
}
