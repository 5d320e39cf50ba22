// The sound helper's line protocol: each request and answer comes back as it was sent, and the
// other side's lines are input: an unknown verb, a field out of bounds, a text that is not
// clean UTF-8 or a line too long is dropped.

#include "core/station/VoiceProtocol.h"

#include <gtest/gtest.h>

using namespace zep;
using namespace zep::voiceproto;

TEST(VoiceProtocol, RequestsAndRepliesComeBackAsSent) {
    const QString path = QStringLiteral("/home/opé rateur/ZEP-Rozadovev/Messages/F1.wav");
    const Request requests[] = {
        {Request::Kind::Ping, 7, {}, {}, 0},
        {Request::Kind::Load, 8, QStringLiteral("radio"), path, 0},
        {Request::Kind::Load, 9, QString(), QStringLiteral("-"), 0},
        {Request::Kind::Start, 10, {}, {}, 0},
        {Request::Kind::Record, 11, QStringLiteral("USB Audio CODEC - mono"), path, 30000},
        {Request::Kind::Stop, 12, {}, {}, 0},
    };
    for (const Request &r : requests) {
        const auto line = encode(r);
        ASSERT_TRUE(line.has_value());
        EXPECT_TRUE(line->endsWith('\n'));
        EXPECT_EQ(line->count(' '), line->simplified().count(' ')) << line->constData();
        const auto back = parseRequest(QByteArrayView(*line).chopped(1));
        ASSERT_TRUE(back.has_value()) << line->constData();
        EXPECT_EQ(*back, r);
    }
    const Reply replies[] = {
        {Reply::Kind::Hello, 1, 0, {}},
        {Reply::Kind::Pong, 5, 0, {}},
        {Reply::Kind::Ready, 8, 12345, {}},
        {Reply::Kind::Playing, 8, 0, {}},
        {Reply::Kind::Ended, 8, 0, {}},
        {Reply::Kind::Stopped, 8, 0, {}},
        {Reply::Kind::Level, 11, 100, {}},
        {Reply::Kind::Saved, 11, 30000, {}},
        {Reply::Kind::Failed, 9, 0, QStringLiteral("la sortie audio \"radio\" est introuvable")},
    };
    for (const Reply &r : replies) {
        const auto line = encode(r);
        ASSERT_TRUE(line.has_value());
        const auto back = parseReply(QByteArrayView(*line).chopped(1));
        ASSERT_TRUE(back.has_value()) << line->constData();
        EXPECT_EQ(*back, r);
    }
}

TEST(VoiceProtocol, LinesOutOfTheProtocolAreDropped) {
    const char *requests[] = {
        "",
        "PING",
        "PING x",
        "PING -1",
        "PING 1 2",
        "PING  1",
        "PLAY 1",
        "LOAD 1 radio",
        "LOAD 1 radio -",        // no path
        "LOAD 1 ra-dio %2Fa",    // a "-" travels encoded
        "LOAD 1 radio %2Fa%0Ab", // a line end inside a text
        "LOAD 1 radio %FF%FE",   // not UTF-8
        "RECORD 1 - %2Fa",       // no length
        "RECORD 1 - %2Fa 0",
        "RECORD 1 - %2Fa 30001", // beyond 30 s
        "RECORD 1 - %2Fa 1e3",
        "START 1 now",
        "STOP 99999999999999999999", // an id beyond 18 digits
    };
    for (const char *line : requests)
        EXPECT_FALSE(parseRequest(line).has_value()) << line;
    const char *replies[] = {
        "READY 1",    "READY 1 -5", "READY 1 60001", "LEVEL 1 101", "SAVED 1 x",    "FAILED 1",
        "FAILED 1 -", "ENDED 1 2",  "HELLO",         "GOODBYE 1",   "FAILED 1 %07",
    };
    for (const char *line : replies)
        EXPECT_FALSE(parseReply(line).has_value()) << line;
    // A CR before the LF is allowed, a line of 1,024 bytes or more is not.
    EXPECT_TRUE(parseReply("ENDED 3\r").has_value());
    EXPECT_FALSE(parseReply("FAILED 1 " + QByteArray(1020, 'a')).has_value());
}

TEST(VoiceProtocol, WhatDoesNotFitALineIsNeverSent) {
    // A path too long, a record beyond 30 s, a failure without a cause: nothing to send.
    Request load{Request::Kind::Load, 1, QStringLiteral("radio"), QString(800, QChar(0xE9)), 0};
    EXPECT_FALSE(encode(load).has_value());
    load.path = QStringLiteral("/a/F1.wav");
    EXPECT_TRUE(encode(load).has_value());
    load.path.clear();
    EXPECT_FALSE(encode(load).has_value());
    EXPECT_FALSE(encode(Request{Request::Kind::Record, 1, {}, QStringLiteral("/a"), 30001}));
    EXPECT_FALSE(encode(Reply{Reply::Kind::Failed, 1, 0, {}}).has_value());
    EXPECT_FALSE(encode(Reply{Reply::Kind::Level, 1, 101, {}}).has_value());
    EXPECT_FALSE(encode(Reply{Reply::Kind::Failed, 1, 0, QStringLiteral("a\nb")}).has_value());
}
