// The lines between the program and its radio helper: what is a frequency, which lines of the
// helper are readings, failures or models and which are dropped, the requests as the helper
// reads them back, and the cutting of a byte stream into bounded lines.

#include "core/station/RigProtocol.h"

#include <gtest/gtest.h>

#include <limits>

using namespace zep;
using namespace zep::rigproto;

namespace {
using State = RigReading::State;
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
} // namespace

TEST(RigProtocolFrequency, OnlyAFinitePositiveDialUpTo300GigahertzIsAReading) {
    const struct {
        double hz;
        std::optional<qint64> reading;
    } cases[] = {
        {14'285'000.0, 14'285'000},
        {14'285'000.4, 14'285'000},
        {7'030'000.5, 7'030'001},
        {1.0, 1},
        {300e9, 300'000'000'000},
        {300e9 + 1, {}},
        {1e19, {}}, // beyond qint64: no conversion at all
        {0.0, {}},
        {-0.0, {}},
        {0.4, {}},
        {-14'285'000.0, {}},
        {notANumber, {}},
        {-notANumber, {}},
        {inf, {}},
        {-inf, {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(hertzOf(c.hz), c.reading) << c.hz;
}

TEST(RigProtocolReplies, TheHelpersLinesAreReadOnlyWhenEveryFieldIsInBounds) {
    const RigReading silent{State::Silent, 0, QString()};
    const struct {
        const char *line;
        std::optional<Reply> reply;
    } cases[] = {
        {"READING 7 14285000 USB",
         Reply{Reply::Kind::Reading, 7, {State::Answering, 14'285'000, "USB"}, {}, {}, 0}},
        {"READING 7 14285000 USB\r",
         Reply{Reply::Kind::Reading, 7, {State::Answering, 14'285'000, "USB"}, {}, {}, 0}},
        {"READING 7 300000000000 D-STAR",
         Reply{Reply::Kind::Reading, 7, {State::Answering, 300'000'000'000, "D-STAR"}, {}, {}, 0}},
        {"READING 7 14285000 -",
         Reply{Reply::Kind::Reading, 7, {State::Answering, 14'285'000, ""}, {}, {}, 0}},
        {"SILENT 7", Reply{Reply::Kind::Silent, 7, silent, {}, {}, 0}},
        {"PONG 12", Reply{Reply::Kind::Pong, 12, {}, {}, {}, 0}},
        {"HELLO 1", Reply{Reply::Kind::Hello, 1, {}, {}, {}, 0}},
        {"TESTED 3 OK 145000000 FM",
         Reply{Reply::Kind::Tested, 3, {State::Answering, 145'000'000, "FM"}, {}, {}, 0}},
        {"TESTED 3 FAIL io", Reply{Reply::Kind::Tested, 3, silent, Cause::Io, {}, 0}},
        {"TESTED 3 FAIL later-cause", Reply{Reply::Kind::Tested, 3, silent, Cause::Unknown, {}, 0}},
        {"REFUSED 4 unknown", Reply{Reply::Kind::Refused, 4, silent, Cause::Unknown, {}, 0}},
        {"MODEL 5 1035 Yaesu FT-817",
         Reply{Reply::Kind::Model, 5, {}, {}, {1035, "Yaesu", "FT-817"}, 0}},
        {"MODEL 5 2 Hamlib NET%20rigctl",
         Reply{Reply::Kind::Model, 5, {}, {}, {2, "Hamlib", "NET rigctl"}, 0}},
        {"MODELS 5 312", Reply{Reply::Kind::ModelsEnd, 5, {}, {}, {}, 312}},
        // Frequencies that are no dial, or no number.
        {"READING 7 nan USB", {}},
        {"READING 7 -14285000 USB", {}},
        {"READING 7 0 USB", {}},
        {"READING 7 300000000001 USB", {}},
        {"READING 7 99999999999999999999999 USB", {}},
        {"READING 7 1.4e7 USB", {}},
        {"READING 7 +14285000 USB", {}},
        {"TESTED 3 OK inf FM", {}},
        // Modes and texts out of bounds.
        {"READING 7 14285000 usb", {}},
        {"READING 7 14285000 US%20B", {}},
        {"READING 7 14285000 ABCDEFGHIJKLMNOPQ", {}},
        {"MODEL 5 1035 Yaesu FT%0A817", {}},
        {"MODEL 5 0 Yaesu FT-817", {}},
        {"MODELS 5 5001", {}},
        // Lines of no shape.
        {"READING 7 14285000", {}},
        {"READING 7  14285000 USB", {}},
        {"READING x 14285000 USB", {}},
        {"READING 7 14285000 USB ", {}},
        {"SILENT", {}},
        {"SILENT 7 8", {}},
        {"TESTED 3 MAYBE io", {}},
        {"WHATEVER 7", {}},
        {"", {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(parseReply(c.line), c.reply) << c.line;
    EXPECT_EQ(parseReply(QByteArray("MODEL 5 1 a ") + QByteArray(maxLineBytes, 'b')), std::nullopt);
}

TEST(RigProtocolLines, WhatOneSideWritesTheOtherReadsBackTextsIncluded) {
    RigLink net;
    net.kind = RigLink::Kind::Rigctld;
    net.host = QStringLiteral("radio.local");
    net.port = 4533;
    RigLink wired;
    wired.kind = RigLink::Kind::Direct;
    wired.model = 1035;
    wired.speed = 38400;
    wired.device = QStringLiteral("/dev/serial/by-id/usb-Yaesu 817 %1-if00");
    RigLink dash = wired;
    dash.device = QStringLiteral("-");
    RigLink noDevice = wired;
    noDevice.device.clear();
    const Request requests[] = {
        {Request::Kind::Ping, 1, {}},         {Request::Kind::Models, 2, {}},
        {Request::Kind::Follow, 3, {}},       {Request::Kind::Follow, 4, net},
        {Request::Kind::Test, 5, wired},      {Request::Kind::Follow, 6, dash},
        {Request::Kind::Follow, 7, noDevice},
    };
    for (const Request &r : requests) {
        const QByteArray line = encode(r);
        ASSERT_TRUE(line.endsWith('\n'));
        EXPECT_EQ(line.count('\n'), 1);
        EXPECT_EQ(parseRequest(line.chopped(1)), r) << line.constData();
    }
    const Reply replies[] = {
        {Reply::Kind::Reading, 9, {State::Answering, 28'074'000, "PKTUSB"}, {}, {}, 0},
        {Reply::Kind::Tested, 9, {State::Silent, 0, ""}, Cause::UnknownModel, {}, 0},
        {Reply::Kind::Model, 9, {}, {}, {2001, "Ten-Tec", "-"}, 0},
        {Reply::Kind::Model, 9, {}, {}, {2002, "Élecraft", "K3 / K3S"}, 0},
    };
    for (const Reply &r : replies)
        EXPECT_EQ(parseReply(encode(r).chopped(1)), r) << encode(r).constData();

    const char *refused[] = {
        "FOLLOW 1 NET radio.local 0",
        "FOLLOW 1 NET radio.local 65536",
        "FOLLOW 1 DIRECT 0 9600 -",
        "FOLLOW 1 DIRECT 1 9600",
        "TEST 1 SERIAL 1",
        "PING",
        "PTT 1 on",
        "FOLLOW 1 NET %0Aevil 4532",
        "MODELS 1 2",
    };
    for (const char *line : refused)
        EXPECT_EQ(parseRequest(line), std::nullopt) << line;
}

TEST(RigProtocolLines, KeyingAndTuningRequestsTravelAndWhatIsOutOfBoundsIsNoRequest) {
    const auto keying = [](Request::Kind kind, bool on, const QString &text, int wpm) {
        Request r;
        r.kind = kind;
        r.id = 42;
        r.on = on;
        r.text = text;
        r.wpm = wpm;
        return r;
    };
    const auto tune = [](qint64 hz, const QString &mode) {
        Request r;
        r.kind = Request::Kind::Tune;
        r.id = 42;
        r.hz = hz;
        r.mode = mode;
        return r;
    };
    const struct {
        const char *line;
        std::optional<Request> request;
    } cases[] = {
        {"PTT 42 ON", keying(Request::Kind::Ptt, true, {}, 0)},
        {"PTT 42 OFF", keying(Request::Kind::Ptt, false, {}, 0)},
        {"PTT 42 ON\r", keying(Request::Kind::Ptt, true, {}, 0)},
        {"PTT 42", std::nullopt},
        {"PTT 42 ON OFF", std::nullopt},
        {"PTT 42 1", std::nullopt},
        {"MORSE 42 CQ%20F4XYZ%20DFCF%2076054",
         keying(Request::Kind::Morse, false, QStringLiteral("CQ F4XYZ DFCF 76054"), 0)},
        {"MORSE 42 %2D", keying(Request::Kind::Morse, false, QStringLiteral("-"), 0)},
        {"MORSE 42 -", std::nullopt}, // the empty text keys nothing
        {"MORSE 42", std::nullopt},
        {"MORSE 42 CQ TEST", std::nullopt},
        {"MORSE 42 CQ%0D%0AFOLLOW", std::nullopt}, // no control character reaches the radio
        // Bytes that are no UTF-8 would not read back the same once written again.
        {"MORSE 42 CQ%B1%B1", std::nullopt},
        {"MORSE 42 CQ\xB1", std::nullopt},
        {"MORSESTOP 42", keying(Request::Kind::MorseStop, false, {}, 0)},
        {"MORSESTOP 42 NOW", std::nullopt},
        {"SPEED 42 5", keying(Request::Kind::Speed, false, {}, 5)},
        {"SPEED 42 60", keying(Request::Kind::Speed, false, {}, 60)},
        {"SPEED 42 4", std::nullopt},
        {"SPEED 42 61", std::nullopt},
        {"SPEED 42 -25", std::nullopt},
        {"SPEED 42 99999999999999999999", std::nullopt},
        {"SPEED 42", std::nullopt},
        {"TUNE 42 14285000 USB", tune(14'285'000, QStringLiteral("USB"))},
        {"TUNE 42 7030000 -", tune(7'030'000, QString())}, // the mode kept
        {"TUNE 42 1 D%2DSTAR", tune(1, QStringLiteral("D-STAR"))},
        {"TUNE 42 300000000000 PKTUSB", tune(300'000'000'000, QStringLiteral("PKTUSB"))},
        {"TUNE 42 300000000001 USB", std::nullopt},
        {"TUNE 42 0 USB", std::nullopt},
        {"TUNE 42 -14285000 USB", std::nullopt},
        {"TUNE 42 14285000.5 USB", std::nullopt},
        {"TUNE 42 14285000 usb", std::nullopt},
        {"TUNE 42 14285000 U%0ASB", std::nullopt},
        {"TUNE 42 14285000 ABCDEFGHIJKLMNOPQ", std::nullopt}, // no mode name is this long
        {"TUNE 42 14285000", std::nullopt},
        {"TUNE 42 14285000 USB 2400", std::nullopt},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(parseRequest(c.line), c.request) << c.line;
        if (c.request) {
            EXPECT_EQ(parseRequest(encode(*c.request).chopped(1)), c.request) << c.line;
        }
    }
    // The longest Morse text travels; one byte more is refused.
    const QString longest(int(maxMorseBytes), QLatin1Char('E'));
    const QByteArray line = encode(keying(Request::Kind::Morse, false, longest, 0));
    EXPECT_LT(line.size(), maxLineBytes);
    EXPECT_EQ(parseRequest(line.chopped(1)), keying(Request::Kind::Morse, false, longest, 0));
    EXPECT_EQ(parseRequest("MORSE 42 " + QByteArray(maxMorseBytes + 1, 'E')), std::nullopt);

    // The answers to keying: done, or refused with a cause said in French.
    EXPECT_EQ(parseReply("DONE 42")->kind, Reply::Kind::Done);
    const auto refused = parseReply("REFUSED 42 unavailable");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind, Reply::Kind::Refused);
    EXPECT_EQ(refused->cause, Cause::Unavailable);
    EXPECT_EQ(keyingCause(Cause::Unavailable),
              QStringLiteral("ce poste ne le permet pas par sa liaison CAT"));
    EXPECT_EQ(parseReply("REFUSED 42 martian")->cause, Cause::Unknown);
}

TEST(RigProtocolLines, TheCausesOfAFailureAreFrenchAndTravelByTheirWord) {
    const Cause all[] = {Cause::Timeout,      Cause::Io,          Cause::Settings,   Cause::Garbled,
                         Cause::Rejected,     Cause::Unavailable, Cause::PoweredOff, Cause::Denied,
                         Cause::UnknownModel, Cause::Unknown};
    QStringList french;
    for (Cause c : all) {
        EXPECT_EQ(causeOfWord(causeWord(c)), c);
        french.append(frenchCause(c));
        EXPECT_FALSE(french.last().contains(QStringLiteral("Hamlib")));
    }
    french.removeDuplicates();
    EXPECT_EQ(french.size(), std::size(all)) << "each cause says something of its own";
    EXPECT_EQ(frenchCause(Cause::UnknownModel), QStringLiteral("modèle de poste inconnu"));
}

TEST(RigProtocolLines, TheStreamIsCutIntoBoundedLinesAndAnOverlongOneIsDroppedWhole) {
    LineReader reader;
    reader.append("PONG 1\nREADI");
    reader.append("NG 2 7030000 CW\n");
    // A flood in pieces, with no line end for a long while, then one.
    for (int i = 0; i < 100; ++i)
        reader.append(QByteArray(1000, 'x'));
    reader.append("xx\nSILENT 2\n");
    reader.append(QByteArray(maxLineBytes - 1, 'y') + "\n");
    reader.append(QByteArray(maxLineBytes, 'z') + "\nPONG 3");
    QList<QByteArray> lines;
    while (const auto line = reader.next())
        lines.append(*line);
    EXPECT_EQ(lines, (QList<QByteArray>{"PONG 1", "READING 2 7030000 CW", "SILENT 2",
                                        QByteArray(maxLineBytes - 1, 'y')}));
    EXPECT_EQ(reader.dropped(), 2);
    reader.append("\n");
    EXPECT_EQ(reader.next(), QByteArray("PONG 3"));
}
