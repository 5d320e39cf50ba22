#include "core/station/ClusterSession.h"
#include "core/station/ClusterSpot.h"

#include <gtest/gtest.h>

#include "support/QStringPrint.h"

#include <vector>

using namespace zep::cluster;

TEST(ClusterSpot, DxLineCarriesOneDecimalAndOnlyPlainAscii) {
    const std::pair<Spot, QByteArray> cases[] = {
        {{14285.04, "F4ABC", "DFCF 76054 SSB"}, "DX 14285.0 F4ABC DFCF 76054 SSB"},
        {{7074.0, " f4abc/p ", "  DFCF-21-001   CW "}, "DX 7074.0 F4ABC/P DFCF-21-001 CW"},
        {{144300.0, "F4ABC", ""}, "DX 144300.0 F4ABC"},
        {{3650.5, "F4ABC", "Château-Thierry 日"}, "DX 3650.5 F4ABC Chateau-Thierry ?"},
        // A pasted line end would otherwise send a second command to the node.
        {{14285.0, "F4ABC", "SSB\r\nBYE"}, "DX 14285.0 F4ABC SSB BYE"},
    };
    for (const auto &[spot, line] : cases)
        EXPECT_EQ(dxLine(spot), line);
}

TEST(ClusterSpot, TypedFrequencyIsReadInKilohertz) {
    const std::pair<const char *, std::optional<double>> cases[] = {
        {"14285", 14285.0},      {" 14 285,46 ", 14285.5}, {"136", 136.0},
        {"", std::nullopt},      {"abc", std::nullopt},    {"14.285", std::nullopt}, // MHz
        {"-7074", std::nullopt}, {"1e12", std::nullopt},   {"nan", std::nullopt},
    };
    for (const auto &[typed, kHz] : cases)
        EXPECT_EQ(parseKilohertz(QString::fromUtf8(typed)), kHz) << typed;
}

TEST(ClusterSpot, TelnetCommandsAreTakenOutAndEveryOptionRefusedOnce) {
    struct Case {
        std::vector<QByteArray> reads;
        QByteArray text, reply;
    };
    const Case cases[] = {
        {{"a\xff\xffz"}, "a\xffz", ""},                                     // IAC IAC is a byte
        {{"\xff\xfd\x18x\xff\xfb\x01y"}, "xy", "\xff\xfc\x18\xff\xfe\x01"}, // DO->WONT, WILL->DONT
        {{"\xff\xfc\x01\xff\xfe\x03z"}, "z", ""},                           // WONT, DONT: no answer
        {{"\xff\xfd\x01", "\xff\xfd\x01"}, "", "\xff\xfc\x01"},             // answered once
        {{"a\xff", "\xfd", "\x18z"}, "az", "\xff\xfc\x18"},                 // cut between reads
        {{"x\xff\xfa\x18\x01\xff\xff\x02", "\xff\xf0y"}, "xy", ""},         // subnegotiation
        {{"\xff\xf1p\xff\xf9q"}, "pq", ""},                                 // NOP, GA
    };
    for (const Case &c : cases) {
        TelnetDecoder decoder;
        TelnetDecoder::Result all;
        for (const QByteArray &read : c.reads) {
            const TelnetDecoder::Result r = decoder.feed(read);
            all.text += r.text;
            all.reply += r.reply;
        }
        EXPECT_EQ(all.text, c.text) << c.reads.front().toHex().constData();
        EXPECT_EQ(all.reply, c.reply) << c.reads.front().toHex().constData();
    }
}

namespace {
// The events of a connection, as the client feeds them to the session: bytes received,
// or one of these.
const QByteArray opened = "<opened>", quiet = "<quiet>", timeOut = "<time out>",
                 hangUp = "<hang up>", refused = "<refused>";
const QByteArray dx = "DX 14285.0 F4ABC DFCF-21-001 SSB\r\n";
const QByteArray spotBack = "DX de F4XYZ:  14285.0  F4ABC  DFCF-21-001 SSB  1407Z";
} // namespace

TEST(ClusterSession, LogsInAnnouncesAndEndsOnTheAnswerOrTheCause) {
    struct Case {
        const char *what;
        std::vector<QByteArray> events;
        QByteArray sent;
        Outcome outcome;
    };
    const Outcome noAnswer{false, QStringLiteral("pas de réponse du cluster")};
    const Case cases[] = {
        {"node prompt after the login, spot comes back",
         {opened, "\xff\xfb\x01Welcome\r\nlogin: ", "Hello\r\nF4XYZ de GB7TST 1407Z node >",
          spotBack + "\a\a\r\n"},
         "\xff\xfe\x01"
         "F4XYZ\r\n" +
             dx + "BYE\r\n",
         {true, QString::fromLatin1(spotBack)}},
        {"prompt cut between reads, no node prompt: the quiet sends, echo ignored",
         {opened, "PLEASE ENTER YOUR CA", "LL: ", "Welcome\r\n", quiet,
          dx + "Error: out of band\r\n", quiet},
         "F4XYZ\r\n" + dx + "BYE\r\n",
         {true, QStringLiteral("Error: out of band")}},
        {"two lines closed by the node's prompt",
         {opened, "call: ", "node >", "node >", "Sorry,\r\nspots are closed\r\n", "node >"},
         "F4XYZ\r\n" + dx + "BYE\r\n",
         {true, QStringLiteral("Sorry,\nspots are closed")}},
        {"answer cut short by the overall time",
         {opened, "login:\r\n", quiet, "Spot queued\r\n", timeOut},
         "F4XYZ\r\n" + dx + "BYE\r\n",
         {true, QStringLiteral("Spot queued")}},
        {"password asked",
         {opened, "login: ", "password: "},
         "F4XYZ\r\n",
         {false, QStringLiteral("le cluster demande un mot de passe")}},
        {"hang-up after the login, last words without a line end",
         {opened, "login: ", "Sorry F4XYZ is not a valid callsign", hangUp},
         "F4XYZ\r\n",
         {false, QStringLiteral("connexion coupée : Sorry F4XYZ is not a valid callsign")}},
        {"answer kept through the hang-up",
         {opened, "login: ", quiet, "Spot accepted", hangUp},
         "F4XYZ\r\n" + dx,
         {true, QStringLiteral("Spot accepted")}},
        {"silent peer", {opened, quiet, quiet, timeOut}, "", noAnswer},
        {"no answer to the spot",
         {opened, "login: ", quiet, quiet, timeOut},
         "F4XYZ\r\n" + dx,
         noAnswer},
        {"nothing counts after the outcome",
         {opened, timeOut, "login: ", refused, hangUp},
         "",
         noAnswer},
        {"refused", {refused}, "", {false, QStringLiteral("connexion refusée")}},
    };
    for (const Case &c : cases) {
        Session session(QStringLiteral(" f4xyz"), {14285.0, "F4ABC", "DFCF-21-001 SSB"});
        QByteArray sent;
        std::vector<Outcome> outcomes;
        for (const QByteArray &e : c.events) {
            const Step step = e == opened    ? session.connected()
                              : e == quiet   ? session.quiet()
                              : e == timeOut ? session.timedOut()
                              : e == hangUp  ? session.closed()
                              : e == refused ? session.failed(NetError::Refused)
                                             : session.received(e);
            sent += step.send;
            if (step.outcome)
                outcomes.push_back(*step.outcome);
        }
        EXPECT_EQ(sent, c.sent) << c.what;
        EXPECT_EQ(outcomes, std::vector<Outcome>{c.outcome}) << c.what;
    }
}

TEST(ClusterSpot, NoControlCharacterReachesTheNodeFromTheCommentOrTheLogin) {
    // BEL, ESC, Ctrl-C, DEL and the other controls, C0 and C1, and the Unicode line ends.
    const QString controls[] = {
        QStringLiteral("\a"),   QString(QChar(0x202e)), QStringLiteral("\x03"),
        QStringLiteral("\x7f"), QStringLiteral("\r\n"), QStringLiteral("\n"),
        QStringLiteral("\t"),   QString(QChar(0)),      QString(QChar(0x85)),
        QString(QChar(0x9b)),   QString(QChar(0x2028)), QStringLiteral("\x1b"),
    };
    const auto plain = [](const QByteArray &sent) {
        for (const char c : sent)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
                return false;
        return true;
    };
    for (const QString &control : controls) {
        const QString where = QString::number(control.front().unicode(), 16);
        const QByteArray line = dxLine({14285.0, "F4ABC", "SSB" + control + "SET/PASSWORD x"});
        EXPECT_TRUE(plain(line)) << line.toHex().constData();
        EXPECT_TRUE(line.startsWith("DX 14285.0 F4ABC SSB")) << line.constData();
        EXPECT_EQ(dxLine({14285.0, "F4" + control + "ABC", ""}), "DX 14285.0 F4ABC")
            << where.toStdString();

        // A login is one word: what follows a control is never sent.
        EXPECT_EQ(loginText(" f5xyz" + control + "SET/PASSWORD secret"), "F5XYZ")
            << where.toStdString();
        EXPECT_EQ(loginText(control + "F5XYZ"), "F5XYZ") << where.toStdString();
    }
    EXPECT_EQ(loginText(QStringLiteral("vp2e/f4abc/qrp/mm/extra")), "VP2E/F4ABC/QRP/M");
    EXPECT_EQ(loginText(QString(100000, QLatin1Char('A'))).size(), maxLoginLength);
    EXPECT_EQ(loginText(QStringLiteral("f4éÈ")), "F4EE"); // accents lost, as in the comment

    // The session sends the cleaned login, and nothing else, at the login prompt.
    Session session(QStringLiteral("F5XYZ\r\nSET/PASSWORD secret"), {14285.0, "F4ABC", "SSB"});
    session.connected();
    EXPECT_EQ(session.received("login: ").send, "F5XYZ\r\n");
}

namespace {

/// Feeds `chunk` to the session until it ends or `total` bytes went in; checks after every read
/// that what it keeps stays within its bound. The bytes fed.
qint64 flood(Session &session, const QByteArray &chunk, qint64 total, Step *last) {
    constexpr qsizetype bound = 2 * maxLineLength + maxAnswerLength;
    qint64 fed = 0;
    qsizetype mostKept = 0;
    while (fed < total && !session.finished()) {
        *last = session.received(chunk);
        fed += chunk.size();
        mostKept = qMax(mostKept, session.keptLength());
    }
    EXPECT_LE(mostKept, bound);
    return fed;
}

} // namespace

TEST(ClusterSession, KeepsABoundedPartOfAnyFlood) {
    constexpr qint64 mb = 1024 * 1024;
    const QByteArray shortLines = QByteArray("ok\r\n").repeated(16 * 1024);
    const QByteArray noLineEnd(64 * 1024, 'x');
    const QByteArray controlsOnly = QByteArray("\a\x1b\r\x7f\x03").repeated(12 * 1024);
    const QByteArray longLines = (QByteArray(5000, 'y') + "\r\n").repeated(12);
    struct Case {
        const char *what;
        std::vector<QByteArray> before; ///< up to the flood, after the connection
        QByteArray chunk;
        qint64 total;
        Outcome outcome; ///< at the end of the flood, or at the time out
        qint64 mostFed;  ///< the flood ends the exchange within this many bytes (0: it never does)
    };
    const Outcome noAnswer{false, noAnswerText()};
    const Case cases[] = {
        {"endless short lines after the DX line",
         {"login: ", "node >"},
         shortLines,
         256 * mb,
         {true, QStringList(maxAnswerLines, QStringLiteral("ok")).join(QLatin1Char('\n'))},
         maxAnswerLength * 2},
        {"no line end after the DX line", {"login: ", "node >"}, noLineEnd, 4 * mb, noAnswer, 0},
        {"no line end before the login", {}, noLineEnd, 4 * mb, noAnswer, 0},
        {"endless lines before the node's prompt", {"login: "}, shortLines, 4 * mb, noAnswer, 0},
        {"controls only", {"login: ", "node >"}, controlsOnly, 4 * mb, noAnswer, 0},
        {"long lines are cut",
         {"login: ", "node >"},
         longLines,
         256 * mb,
         {true, QStringList(maxAnswerLength / (maxLineLength + 1), QString(maxLineLength, 'y'))
                    .join(QLatin1Char('\n'))},
         maxAnswerLength * 6},
    };
    for (const Case &c : cases) {
        Session session(QStringLiteral("F4XYZ"), {14285.0, "F4ABC", "SSB"});
        session.connected();
        for (const QByteArray &bytes : c.before)
            session.received(bytes);
        Step last;
        const qint64 fed = flood(session, c.chunk, c.total, &last);
        if (!session.finished())
            last = session.timedOut();
        ASSERT_TRUE(last.outcome) << c.what;
        EXPECT_EQ(*last.outcome, c.outcome) << c.what;
        EXPECT_LE(last.outcome->text.size(), maxAnswerLength) << c.what;
        EXPECT_LE(last.outcome->text.count(QLatin1Char('\n')), maxAnswerLines - 1) << c.what;
        if (c.mostFed) {
            EXPECT_LE(fed, c.mostFed) << c.what;
            EXPECT_TRUE(last.send.endsWith("BYE\r\n")) << c.what;
        }
    }
}

TEST(ClusterSession, PromptsAreFoundWhateverTheReadsCutThem) {
    // Byte by byte, a prompt's words are found as they complete; a prompt after a line cut at
    // its length still counts.
    const QByteArray exchange = "Welcome\r\nPlease enter your call: ";
    Session session(QStringLiteral("F4XYZ"), {14285.0, "F4ABC", "SSB"});
    session.connected();
    QByteArray sent;
    for (const char c : exchange)
        sent += session.received(QByteArray(1, c)).send;
    EXPECT_EQ(sent, "F4XYZ\r\n");
    for (const char c : QByteArray(3000, 'm') + " node >")
        sent += session.received(QByteArray(1, c)).send;
    EXPECT_EQ(sent, "F4XYZ\r\nDX 14285.0 F4ABC SSB\r\n");
    const Step spot = session.received("DX de F4XYZ: 14285.0 F4ABC SSB 1407Z\r\n");
    EXPECT_EQ(spot.outcome,
              (Outcome{true, QStringLiteral("DX de F4XYZ: 14285.0 F4ABC SSB 1407Z")}));
}
