#include "core/ClusterSession.h"
#include "core/ClusterSpot.h"

#include <gtest/gtest.h>

#include "support/QStringPrint.h"

#include <vector>

using namespace zep::cluster;

TEST(ClusterSpot, DxLineCarriesOneDecimalAndOnlyPlainAscii) {
    struct Case {
        Spot spot;
        QByteArray line;
    };
    const Case cases[] = {
        {{14285.0, QStringLiteral("F4ABC"), QStringLiteral("DFCF 76054 SSB")},
         "DX 14285.0 F4ABC DFCF 76054 SSB"},
        {{7074.0, QStringLiteral(" f4abc/p "), QStringLiteral("  DFCF-21-001   CW ")},
         "DX 7074.0 F4ABC/P DFCF-21-001 CW"},
        {{144300.0, QStringLiteral("F4ABC"), QString()}, "DX 144300.0 F4ABC"},
        {{3650.5, QStringLiteral("F4ABC"), QStringLiteral("Château-Thierry é")},
         "DX 3650.5 F4ABC Chateau-Thierry e"},
        // A pasted line end would otherwise send a second command to the node.
        {{14285.0, QStringLiteral("F4ABC"), QStringLiteral("SSB\r\nBYE\tx")},
         "DX 14285.0 F4ABC SSB BYE x"},
        {{14285.0, QStringLiteral("F4ABC"), QStringLiteral("日本")}, "DX 14285.0 F4ABC ??"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(dxLine(c.spot), c.line) << c.line.constData();
}

TEST(ClusterSpot, TypedFrequencyIsReadInKilohertz) {
    struct Case {
        const char *typed;
        std::optional<double> kHz;
    };
    const Case cases[] = {
        {"14285", 14285.0},      {" 14285.0 ", 14285.0},   {"14 285,46", 14285.5},
        {"14285.04", 14285.0},   {"136", 136.0},           {"", std::nullopt},
        {"abc", std::nullopt},   {"14.285", std::nullopt}, // MHz typed for kHz
        {"-7074", std::nullopt}, {"1e12", std::nullopt},   {"nan", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parseKilohertz(QString::fromUtf8(c.typed)), c.kHz) << c.typed;
    EXPECT_EQ(kilohertzText(14285.04), QStringLiteral("14285.0"));
}

TEST(ClusterSpot, TelnetCommandsAreTakenOutAndEveryOptionRefusedOnce) {
    struct Case {
        const char *what;
        std::vector<QByteArray> reads;
        QByteArray text;
        QByteArray reply;
    };
    const Case cases[] = {
        {"plain text", {"login: "}, "login: ", ""},
        {"doubled IAC is a byte",
         {"a\xff\xff"
          "b"},
         "a\xff"
         "b",
         ""},
        {"DO refused with WONT, WILL with DONT",
         {"\xff\xfd\x18x\xff\xfb\x01y"},
         "xy",
         "\xff\xfc\x18\xff\xfe\x01"},
        {"WONT and DONT need no answer", {"\xff\xfc\x01\xff\xfe\x03z"}, "z", ""},
        {"a repeated request is answered once",
         {"\xff\xfd\x01", "\xff\xfd\x01"},
         "",
         "\xff\xfc\x01"},
        {"a command cut between reads",
         {"a\xff", "\xfd",
          "\x18"
          "b"},
         "ab",
         "\xff\xfc\x18"},
        {"subnegotiation skipped, IAC IAC inside it too",
         {"x\xff\xfa\x18\x01\xff\xff\x02", "\xff\xf0y"},
         "xy",
         ""},
        {"NOP and GA skipped", {"\xff\xf1p\xff\xf9q"}, "pq", ""},
    };
    for (const Case &c : cases) {
        TelnetDecoder decoder;
        QByteArray text, reply;
        for (const QByteArray &read : c.reads) {
            const TelnetDecoder::Result r = decoder.feed(read);
            text += r.text;
            reply += r.reply;
        }
        EXPECT_EQ(text, c.text) << c.what;
        EXPECT_EQ(reply, c.reply) << c.what;
    }
}

namespace {

/// One event of a connection, as the client feeds them to the session.
struct Event {
    enum Kind { Connect, Receive, Quiet, TimeOut, Fail, Close } kind;
    QByteArray bytes = {};
    NetError error = NetError::Other;
};

Event got(const QByteArray &bytes) {
    return {Event::Receive, bytes};
}

const Event opened{Event::Connect};
const Event quiet{Event::Quiet};
const Event timeOut{Event::TimeOut};
const Event hangUp{Event::Close};

const QByteArray dx = "DX 14285.0 F4ABC DFCF-21-001 SSB\r\n";
const QByteArray spotBack = "DX de F4XYZ:     14285.0  F4ABC        DFCF-21-001 SSB    1407Z";

} // namespace

TEST(ClusterSession, LogsInAnnouncesAndEndsOnTheAnswerOrTheCause) {
    struct Case {
        const char *what;
        std::vector<Event> events;
        QByteArray sent;
        Outcome outcome;
    };
    const Outcome noAnswer{false, QStringLiteral("pas de réponse du cluster")};
    const Case cases[] = {
        {"node prompt after the login, spot comes back",
         {opened, got("\xff\xfb\x01Welcome to the node\r\nlogin: "),
          got("Hello Jean\r\nF4XYZ de GB7TST 7-Dec-2026 1407Z dxspider >"),
          got(spotBack + "\a\a\r\n")},
         "\xff\xfe\x01"
         "F4XYZ\r\n" +
             dx + "BYE\r\n",
         {true, QString::fromLatin1(spotBack)}},
        {"prompt cut between reads, no node prompt: the quiet sends, echo ignored",
         {opened, got("PLEASE ENTER YOUR CA"), got("LL: "), got("Welcome\r\n"), quiet,
          got(dx + "Error: frequency out of band\r\n"), quiet},
         "F4XYZ\r\n" + dx + "BYE\r\n",
         {true, QStringLiteral("Error: frequency out of band")}},
        {"answer of two lines closed by the node's prompt",
         {opened, got("call: "), got("node >"), got("node >"),
          got("Sorry,\r\nspots are closed\r\n"), got("node >")},
         "F4XYZ\r\n" + dx + "BYE\r\n",
         {true, QStringLiteral("Sorry,\nspots are closed")}},
        {"answer cut short by the overall time",
         {opened, got("login:\r\n"), quiet, got("Spot queued\r\n"), timeOut},
         "F4XYZ\r\n" + dx + "BYE\r\n",
         {true, QStringLiteral("Spot queued")}},
        {"password asked",
         {opened, got("login: "), got("password: ")},
         "F4XYZ\r\n",
         {false, QStringLiteral("le cluster demande un mot de passe")}},
        {"node hangs up after the login, its last words without a line end",
         {opened, got("login: "), got("Sorry F4XYZ is not a valid callsign"), hangUp},
         "F4XYZ\r\n",
         {false, QStringLiteral("connexion coupée : Sorry F4XYZ is not a valid callsign")}},
        {"answer kept when the node hangs up after it",
         {opened, got("login: "), quiet, got("Spot accepted"), hangUp},
         "F4XYZ\r\n" + dx,
         {true, QStringLiteral("Spot accepted")}},
        {"silent peer", {opened, quiet, quiet, timeOut}, "", noAnswer},
        {"no answer to the spot",
         {opened, got("login: "), quiet, quiet, timeOut},
         "F4XYZ\r\n" + dx,
         noAnswer},
        {"nothing after the outcome counts",
         {opened, timeOut, got("login: "), {Event::Fail, {}, NetError::Refused}, hangUp},
         "",
         noAnswer},
        {"refused",
         {{Event::Fail, {}, NetError::Refused}},
         "",
         {false, QStringLiteral("connexion refusée")}},
        {"unknown host",
         {{Event::Fail, {}, NetError::HostNotFound}},
         "",
         {false, QStringLiteral("hôte inconnu")}},
        {"reset by the node",
         {opened, {Event::Fail, {}, NetError::Closed}},
         "",
         {false, QStringLiteral("connexion coupée")}},
        {"network down",
         {{Event::Fail, {}, NetError::Unreachable}},
         "",
         {false, QStringLiteral("réseau inaccessible")}},
    };
    for (const Case &c : cases) {
        Session session(QStringLiteral(" f4xyz"),
                        {14285.0, QStringLiteral("F4ABC"), QStringLiteral("DFCF-21-001 SSB")});
        QByteArray sent;
        std::vector<Outcome> outcomes;
        for (const Event &e : c.events) {
            Step step;
            switch (e.kind) {
            case Event::Connect:
                step = session.connected();
                break;
            case Event::Receive:
                step = session.received(e.bytes);
                break;
            case Event::Quiet:
                step = session.quiet();
                break;
            case Event::TimeOut:
                step = session.timedOut();
                break;
            case Event::Fail:
                step = session.failed(e.error);
                break;
            case Event::Close:
                step = session.closed();
                break;
            }
            sent += step.send;
            if (step.outcome)
                outcomes.push_back(*step.outcome);
        }
        EXPECT_EQ(sent, c.sent) << c.what;
        ASSERT_EQ(outcomes.size(), 1u) << c.what;
        EXPECT_EQ(outcomes.front().answered, c.outcome.answered) << c.what;
        EXPECT_EQ(outcomes.front().text, c.outcome.text) << c.what;
        EXPECT_TRUE(session.finished()) << c.what;
    }
    EXPECT_EQ(causeText(NetError::Other, QStringLiteral("Socket operation timed out")),
              QStringLiteral("erreur réseau : Socket operation timed out"));
}
