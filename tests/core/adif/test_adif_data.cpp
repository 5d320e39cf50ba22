#include "core/adif/AdifData.h"

#include <gtest/gtest.h>

using namespace zep;

TEST(AdifData, ModesOfTheLogBecomeModeAndSubmode) {
    struct Case {
        const char *logged, *mode, *submode;
        bool known;
    } cases[] = {
        {"SSB", "SSB", "", true}, {"USB", "SSB", "USB", true},  {"lsb", "SSB", "LSB", true},
        {"CW", "CW", "", true},   {"FT4", "MFSK", "FT4", true}, {"PSK31", "PSK", "PSK31", true},
        {"FT8", "FT8", "", true}, {"RTTY", "RTTY", "", true},   {"XYZ", "XYZ", "", false},
        {" fm ", "FM", "", true},
    };
    for (const Case &c : cases) {
        const adif::ModeFields f = adif::modeFields(c.logged);
        EXPECT_EQ(f.mode, c.mode) << c.logged;
        EXPECT_EQ(f.submode, c.submode) << c.logged;
        EXPECT_EQ(f.known, c.known) << c.logged;
    }
}

TEST(AdifData, BandsEntitiesSubdivisionsAndFields) {
    EXPECT_EQ(adif::bandOfFrequency(7.074), QByteArrayView("40m"));
    EXPECT_EQ(adif::bandOfFrequency(7.3), QByteArrayView("40m")); // upper limit included
    EXPECT_EQ(adif::bandOfFrequency(144.3), QByteArrayView("2m"));
    EXPECT_FALSE(adif::bandOfFrequency(8.0));
    ASSERT_TRUE(adif::bandLimits("20M"));
    EXPECT_DOUBLE_EQ(adif::bandLimits("20M")->upperMHz, 14.35);
    EXPECT_EQ(adif::entityName(227), QByteArrayView("FRANCE"));
    EXPECT_TRUE(adif::entityName(9999).isEmpty());
    EXPECT_TRUE(adif::isSubdivision("75", 227));
    EXPECT_TRUE(adif::isSubdivision("2a", 214));
    EXPECT_FALSE(adif::isSubdivision("2A", 227));
    EXPECT_FALSE(adif::isSubdivision("00", 227));
}
