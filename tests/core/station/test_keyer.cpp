#include "core/station/KeyerMessages.h"
#include "core/station/KeyerProtocols.h"
#include "core/station/KeyerSettings.h"

#include <gtest/gtest.h>

#include "support/QStringPrint.h"

using namespace zep;

namespace {

keyer::FieldValues station() {
    keyer::FieldValues v;
    v.ownCall = QStringLiteral("F4ABC/P");
    v.reference = QStringLiteral("DFCF 76054");
    v.call = QStringLiteral("f5xyz");
    v.rst = QStringLiteral("599");
    v.firstName = QStringLiteral("Hélène");
    return v;
}

} // namespace

TEST(KeyerMessages, TextsAreFilledFromTheFieldsAsMorseSendsThem) {
    struct Case {
        const char *text;
        keyer::FieldValues values;
        const char *sent;
    };
    keyer::FieldValues dbl = station();
    dbl.reference2 = QStringLiteral("DIFI 76-012");
    keyer::FieldValues noCall = station();
    noCall.call.clear();
    keyer::FieldValues hyphen = station();
    hyphen.firstName = QStringLiteral("Jean-Paul");
    keyer::FieldValues odd = station();
    odd.call = QStringLiteral("F5XYZ+~\t#");
    const Case cases[] = {
        {"CQ {REFERENCE} DE {MONINDICATIF} {MONINDICATIF} K", station(),
         "CQ DFCF 76054 DE F4ABC/P F4ABC/P K"},
        {"{INDICATIF} {RST} {RST}", station(), "F5XYZ 599 599"},
        {"TU {prenom} 73", station(), "TU HELENE 73"},
        {"CQ {REFERENCE} {REFERENCE2}", dbl, "CQ DFCF 76054 DIFI 76 012"},
        {"CQ {REFERENCE} {REFERENCE2} K", station(), "CQ DFCF 76054 K"},
        {"{INDICATIF}  {RST}", noCall, "599"},
        {"TU {PRENOM}", hyphen, "TU JEAN PAUL"},
        {"{INDICATIF} ?", odd, "F5XYZ ?"},
        {"qrz? de {monindicatif}", station(), "QRZ? DE F4ABC/P"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(keyer::fill(QString::fromUtf8(c.text), c.values), QString::fromUtf8(c.sent))
            << c.text;
}

TEST(KeyerMessages, AFieldFloodedByTheOperatorKeepsTheMessageBounded) {
    keyer::FieldValues v = station();
    v.call = QString(100000, QLatin1Char('A'));
    const QString sent = keyer::fill(QStringLiteral("{INDICATIF} {INDICATIF} {RST}"), v);
    EXPECT_LE(sent.size(), keyer::maxSentChars);
    EXPECT_TRUE(sent.startsWith(QStringLiteral("AAAA")));
}

TEST(KeyerMessages, SavedTextsRefuseUnknownFieldsAndSignsMorseHasNot) {
    struct Case {
        const char *text;
        bool ok;
        const char *inMessage;
    };
    const Case cases[] = {
        {"CQ {REFERENCE} DE {MONINDICATIF} {MONINDICATIF} K", true, ""},
        {"{INDICATIF} {RST} {RST} {PRENOM} {REFERENCE2}", true, ""},
        {"{indicatif} merci à vous", true, ""}, // a field in any case; à is sent as A
        {"", true, ""},
        {"TU 73 {NOM}", false, "Le champ {NOM} n'existe pas"},
        {"CQ {REFERENCE", false, "n'est pas fermée"},
        {"CQ REFERENCE}", false, "n'est pas ouverte"},
        {"CQ # TEST", false, "« # »"},
        {"CQ + TEST", false, "« + »"},
    };
    for (const Case &c : cases) {
        const keyer::TextCheck check = keyer::checkText(QString::fromUtf8(c.text));
        EXPECT_EQ(check.ok, c.ok) << c.text;
        EXPECT_TRUE(check.message.contains(QString::fromUtf8(c.inMessage)))
            << check.message.toStdString();
    }
    const keyer::TextCheck unknown = keyer::checkText(QStringLiteral("{NOM}"));
    EXPECT_TRUE(unknown.message.contains(QStringLiteral("{MONINDICATIF}, {INDICATIF}")));
    EXPECT_FALSE(keyer::checkText(QString(keyer::maxTextChars + 1, QLatin1Char('E'))).ok);
    EXPECT_TRUE(keyer::checkText(QString(keyer::maxTextChars, QLatin1Char('E'))).ok);
    for (int key = 1; key <= keyer::messageCount; ++key)
        EXPECT_TRUE(keyer::checkText(keyer::defaultText(key)).ok) << key;
}

TEST(KeyerMessages, DurationFollowsParisTiming) {
    // "PARIS " is fifty dot lengths: one minute holds twenty of them at 20 wpm.
    EXPECT_EQ(keyer::morseDurationMs(QStringLiteral("PARIS "), 20), 3000);
    EXPECT_EQ(keyer::morseDurationMs(QStringLiteral("PARIS PARIS "), 10), 12000);
    EXPECT_EQ(keyer::morseDurationMs(QStringLiteral("E"), 12), 400); // dot and letter gap
    EXPECT_EQ(keyer::morseDurationMs(QStringLiteral("T"), 0), 0);
}

TEST(KeyerSettings, ValuesReadFromTheSettingsAreCheckedAsIfTyped) {
    struct Case {
        QString key;
        const char *stored;
        std::function<bool(const KeyerSettings &)> holds;
    };
    const KeyerSettings defaults;
    const Case cases[] = {
        {keys::manipulateurPort, "0", [](auto &s) { return s.link.port == 6789; }},
        {keys::manipulateurPort, "70000", [](auto &s) { return s.link.port == 6789; }},
        {keys::manipulateurPort, "6790", [](auto &s) { return s.link.port == 6790; }},
        {keys::manipulateurHote, "local\nhost", [](auto &s) { return s.link.host == "127.0.0.1"; }},
        {keys::manipulateurHote, "shack.local",
         [](auto &s) { return s.link.host == "shack.local"; }},
        {keys::manipulateurPeripherique, "ttyUSB0",
         [](auto &s) { return s.link.device.isEmpty(); }},
        {keys::manipulateurPeripherique, "/dev/ttyUSB0",
         [](auto &s) { return s.link.device == "/dev/ttyUSB0"; }},
        {keys::manipulateurVitesse, "4", [](auto &s) { return s.wpm == 25; }},
        {keys::manipulateurVitesse, "61", [](auto &s) { return s.wpm == 25; }},
        {keys::manipulateurVitesse, "32", [](auto &s) { return s.wpm == 32; }},
        {keys::manipulateurSortie, "4",
         [](auto &s) { return s.link.output == KeyerLink::Output::None; }},
        {keys::manipulateurSortie, "3",
         [](auto &s) { return s.link.output == KeyerLink::Output::WinKeyer; }},
        {keys::cqRepetition, "-1", [](auto &s) { return s.cqRepeatSeconds == 0; }},
        {keys::cqRepetition, "601", [](auto &s) { return s.cqRepeatSeconds == 0; }},
        {keys::cqRepetition, "8", [](auto &s) { return s.cqRepeatSeconds == 8; }},
        {keys::voixPtt, "2", [](auto &s) { return s.voicePtt == KeyerSettings::VoicePtt::Vox; }},
        {keys::voixSortie, "Sortie\x07", [](auto &s) { return s.voiceOutput.isEmpty(); }},
        {keys::messageF(3), "TU {NOM}",
         [&](auto &s) { return s.messages.at(2) == defaults.messages.at(2); }},
        {keys::messageF(3), "TU 73 {PRENOM}",
         [](auto &s) { return s.messages.at(2) == "TU 73 {PRENOM}"; }},
    };
    for (const Case &c : cases) {
        MemorySettingsStore store;
        store.write(c.key, QString::fromUtf8(c.stored));
        EXPECT_TRUE(c.holds(KeyerSettings::load(store)))
            << c.key.toStdString() << " = " << c.stored;
    }
}

TEST(KeyerSettings, WhatIsSavedIsReadBack) {
    KeyerSettings s;
    s.messages[0] = QStringLiteral("CQ CQ {REFERENCE}");
    s.link = {KeyerLink::Output::CwDaemon, QStringLiteral("10.0.0.2"), 7000,
              QStringLiteral("/dev/ttyS1")};
    s.wpm = 31;
    s.voiceOutput = QStringLiteral("Haut-parleurs USB");
    s.voicePtt = KeyerSettings::VoicePtt::Cat;
    s.cqRepeatSeconds = 6;
    MemorySettingsStore store;
    s.save(store);
    const KeyerSettings back = KeyerSettings::load(store);
    EXPECT_EQ(back.messages, s.messages);
    EXPECT_TRUE(back.link.sameDevice(s.link));
    EXPECT_EQ(back.link.device, s.link.device);
    EXPECT_EQ(back.wpm, 31);
    EXPECT_EQ(back.voiceOutput, s.voiceOutput);
    EXPECT_EQ(back.voicePtt, KeyerSettings::VoicePtt::Cat);
    EXPECT_EQ(back.cqRepeatSeconds, 6);
    EXPECT_EQ(store.read(QStringLiteral("Manipulateur Sortie"), QString()), QStringLiteral("2"));
    EXPECT_EQ(store.read(QStringLiteral("Message F1"), QString()), s.messages[0]);
}

TEST(KeyerProtocols, CwdaemonRequestsAreItsPublishedEscapes) {
    EXPECT_EQ(cwdaemon::speed(28), QByteArray("\x1b"
                                              "228"));
    EXPECT_EQ(cwdaemon::abort(), QByteArray("\x1b"
                                            "4"));
    EXPECT_EQ(cwdaemon::replyOnEnd("17"), QByteArray("\x1b"
                                                     "h17"));
    // "+" and "-" would change its speed, "~" add a half space.
    EXPECT_EQ(cwdaemon::text(QStringLiteral("CQ+TEST-~ K\x1b"
                                            "4")),
              QByteArray("CQTEST K4"));
    EXPECT_EQ(cwdaemon::endToken("h17\r\n"), QByteArray("17"));
    EXPECT_EQ(cwdaemon::endToken("h\r\n"), QByteArray());
    EXPECT_FALSE(cwdaemon::endToken("h17"));
    EXPECT_FALSE(cwdaemon::endToken("x17\r\n"));
    EXPECT_FALSE(cwdaemon::endToken("h" + QByteArray(200, '1') + "\r\n"));
}

TEST(KeyerProtocols, WinKeyerBytesFollowItsCommandSet) {
    EXPECT_EQ(winkeyer::hostOpen(), QByteArray("\x00\x02", 2));
    EXPECT_EQ(winkeyer::hostClose(), QByteArray("\x00\x03", 2));
    EXPECT_EQ(winkeyer::speed(25), QByteArray("\x02\x19", 2));
    EXPECT_EQ(winkeyer::speed(200), QByteArray("\x02\x63", 2));
    EXPECT_EQ(winkeyer::clearBuffer(), QByteArray("\x0a", 1));
    EXPECT_EQ(winkeyer::text(QStringLiteral("cq de f4abc/p\x02")), QByteArray("CQ DE F4ABC/P"));

    using K = winkeyer::Byte::Kind;
    struct Case {
        unsigned char byte;
        K kind;
        bool busy, xoff;
    };
    const Case cases[] = {{0xc0, K::Status, false, false},   {0xc4, K::Status, true, false},
                          {0xc5, K::Status, true, true},     {0xd1, K::Status, false, true},
                          {0x9f, K::SpeedPot, false, false}, {0x43, K::Echo, false, false}};
    for (const Case &c : cases) {
        const winkeyer::Byte b = winkeyer::classify(c.byte);
        EXPECT_EQ(b.kind, c.kind) << int(c.byte);
        EXPECT_EQ(b.busy, c.busy) << int(c.byte);
        EXPECT_EQ(b.xoff, c.xoff) << int(c.byte);
    }
}
