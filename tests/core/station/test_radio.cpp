// From the radio's reading to the entry window: which band row holds a frequency, which mode
// box text a Hamlib mode gives, the French frequency line, and the link kept in the settings.

#include "core/station/RadioReading.h"

#include <gtest/gtest.h>

using namespace zep;

namespace {
const QStringList rows = {"1.8", "3.5", "7", "10", "14", "18", "21", "24", "28", "50", "144"};
}

TEST(RadioBands, AFrequencySelectsTheRowWhoseBandHoldsItLimitsIncluded) {
    const struct {
        qint64 hz;
        std::optional<int> row;
    } cases[] = {
        {1'810'000, 0},    {3'500'000, 1},  {3'999'999, 1},   {4'000'000, 1},    {4'000'001, {}},
        {7'074'000, 2},    {10'136'000, 3}, {10'000'000, {}}, {14'285'000, 4},   {14'350'000, 4},
        {18'100'000, 5},   {21'074'000, 6}, {24'915'000, 7},  {28'500'000, 8},   {50'313'000, 9},
        {144'300'000, 10}, {5'357'000, {}}, {70'200'000, {}}, {432'200'000, {}}, {0, {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(radio::bandRow(c.hz, rows), c.row) << c.hz;
    // A box whose rows are typed otherwise finds nothing rather than a wrong row.
    EXPECT_EQ(radio::bandRow(14'285'000, {"abc", "", "-14"}), std::nullopt);
    EXPECT_TRUE(radio::bandHolds(QStringLiteral(" 14"), 14'000'000));
    EXPECT_FALSE(radio::bandHolds(QStringLiteral("7"), 14'000'000));
}

TEST(RadioModes, HamlibModesGiveTheModeBoxTextsAdifKnows) {
    const struct {
        const char *hamlib;
        const char *box;
    } cases[] = {
        {"USB", "SSB"}, {"LSB", "SSB"}, {"CW", "CW"},     {"CWR", "CW"},     {"FM", "FM"},
        {"WFM", "FM"},  {"AM", "AM"},   {"RTTY", "RTTY"}, {"RTTYR", "RTTY"}, {"usb", "SSB"},
        {"PKTUSB", ""}, {"PKTLSB", ""}, {"", ""},         {"NONSENSE", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(radio::modeBoxText(QString::fromLatin1(c.hamlib)), QString::fromLatin1(c.box))
            << c.hamlib;
}

TEST(RadioModes, AModeBoxTextTunesTheRadioToTheSidebandOrDataSettingOfItsFrequency) {
    const struct {
        const char *box;
        qint64 hz;
        const char *hamlib;
    } cases[] = {
        {"SSB", 3'760'000, "LSB"},    {"SSB", 7'150'000, "LSB"},      {"SSB", 9'999'999, "LSB"},
        {"SSB", 10'000'000, "USB"},   {"SSB", 14'285'000, "USB"},     {"SSB", 144'300'000, "USB"},
        {"SSB", 5'354'000, "USB"},    {"ssb", 1'850'000, "LSB"},      {"CW", 7'030'000, "CW"},
        {"FM", 145'500'000, "FM"},    {"AM", 7'100'000, "AM"},        {"RTTY", 14'080'000, "RTTY"},
        {"FT8", 7'074'000, "PKTUSB"}, {"PSK31", 3'580'000, "PKTUSB"}, {"DSTAR", 145'000'000, ""},
        {"", 14'000'000, ""},         {"NONSENSE", 14'000'000, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(radio::hamlibMode(QString::fromLatin1(c.box), c.hz),
                  QString::fromLatin1(c.hamlib))
            << c.box << " " << c.hz;
    // Every mode given back reads again as the mode box text it came from.
    for (const char *box : {"SSB", "CW", "FM", "AM", "RTTY"})
        EXPECT_EQ(radio::modeBoxText(radio::hamlibMode(QString::fromLatin1(box), 7'000'000)),
                  QString::fromLatin1(box));
}

TEST(RadioLine, FrenchFiguresBlankThousandsCommaDecimalsAndTheStates) {
    const struct {
        qint64 hz;
        const char *khz;
    } figures[] = {{14'285'000, "14 285,00"}, {7'074'125, "7 074,13"}, {144'300'000, "144 300,00"},
                   {999'990, "999,99"},       {1'000'000, "1 000,00"}, {0, "0,00"}};
    for (const auto &f : figures)
        EXPECT_EQ(radio::kiloHertz(f.hz), QString::fromUtf8(f.khz)) << f.hz;

    using S = RigReading::State;
    EXPECT_EQ(radio::stateLine({S::Answering, 14'285'000, "USB"}, false),
              QStringLiteral("Poste : 14 285,00 kHz USB"));
    EXPECT_EQ(radio::stateLine({S::Answering, 5'357'000, "USB"}, true),
              QStringLiteral("Poste : 5 357,00 kHz USB hors bande"));
    EXPECT_EQ(radio::stateLine({S::Silent, 14'285'000, "USB"}, false),
              QStringLiteral("Poste : pas de réponse"));
    EXPECT_EQ(radio::stateLine({}, false), QString());
}

TEST(RigLinkSettings, KeptUnderTheirKeysWithDefaultsForWhatIsMissingOrWrong) {
    MemorySettingsStore store;
    EXPECT_EQ(RigLink::load(store), RigLink());
    EXPECT_EQ(RigLink().host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(RigLink().port, 4532);

    RigLink direct;
    direct.kind = RigLink::Kind::Direct;
    direct.model = 3073;
    direct.device = QStringLiteral("/dev/ttyUSB0");
    direct.speed = 19200;
    direct.save(store);
    EXPECT_EQ(store.read(QStringLiteral("CAT Liaison"), {}), QStringLiteral("2"));
    EXPECT_EQ(store.read(QStringLiteral("CAT Modele"), {}), QStringLiteral("3073"));
    EXPECT_EQ(store.read(QStringLiteral("CAT Peripherique"), {}), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(store.read(QStringLiteral("CAT Vitesse"), {}), QStringLiteral("19200"));
    EXPECT_EQ(store.read(QStringLiteral("CAT Hote"), {}), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(store.read(QStringLiteral("CAT Port"), {}), QStringLiteral("4532"));
    EXPECT_EQ(RigLink::load(store), direct);

    // Values edited by hand out of range fall back to the defaults, one by one.
    store.write(keys::catLiaison, QStringLiteral("7"));
    store.write(keys::catPort, QStringLiteral("70000"));
    store.write(keys::catHote, QStringLiteral("  "));
    const RigLink read = RigLink::load(store);
    EXPECT_EQ(read.kind, RigLink::Kind::None);
    EXPECT_EQ(read.port, 4532);
    EXPECT_EQ(read.host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(read.model, 3073);
}
