#include "core/countries/CountriesWorked.h"
#include "core/io/ProgramDirectory.h"
#include "core/log/QsoLine.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zep;

namespace {

const PrefixTable table = PrefixTable::parse("TK;Corse;TK;EU\r\n"
                                             "F;France;F;EU\r\n"
                                             "TM;France;F;EU\r\n"
                                             "ON;Belgique;ON;EU\r\n"
                                             "EA8;Canaries;EA8;AF\r\n"
                                             "EA;Espagne;EA;EU\r\n"
                                             "9A;Croatie;9A;EU\r\n"
                                             "ZL;Nouvelle-Z\xE9lande;ZL/NZL;OC\r\n"
                                             "ZM;Nouvelle-Z\xE9lande;ZL/NZL;OC\r\n");

} // namespace

TEST(CountriesWorked, OneEntryPerCountryInSortedListOrder) {
    const struct {
        const char *name;
        QStringList calls;
        QStringList entries;
        int countries;
    } cases[] = {
        {"empty log", {}, {}, 0},
        {"two prefixes of one code", {"F5ABC", "TM5X", "F6KGL"}, {"F     France"}, 1},
        {"specific prefix first, sorted entries",
         {"ON4UN", "TK5XN", "EA8AB", "F5ABC", "9A1A", "EA1X"},
         {"9A    Croatie", "EA    Espagne", "EA8   Canaries", "F     France", "ON    Belgique",
          "TK    Corse"},
         6},
        {"code longer than 5 still one entry",
         {"ZL1AA", "ZM2B", "ZL3C"},
         {QStringLiteral("ZL/NZL Nouvelle-Zélande")},
         1},
        {"unknown calls gathered and named once",
         {"W1AW", "F5ABC", "4U1A", "W1AW"},
         {"?     Indicatifs sans pays dans la table (2) : 4U1A, W1AW", "F     France"},
         1},
    };
    for (const auto &c : cases) {
        const CountriesWorked worked = tallyCountries(table, c.calls);
        EXPECT_EQ(worked.entries, c.entries) << c.name;
        EXPECT_EQ(worked.countries, c.countries) << c.name;
    }
}

TEST(CountriesWorked, ManyUnknownCallsAreCountedButNotAllNamed) {
    QStringList calls;
    for (int i = 0; i < 12; ++i)
        calls << QStringLiteral("W%1AA").arg(i, 2, 10, QLatin1Char('0'));
    const CountriesWorked worked = tallyCountries(table, calls);
    ASSERT_EQ(worked.entries.size(), 1);
    EXPECT_EQ(worked.unknown.size(), 12);
    EXPECT_EQ(worked.entries.at(0),
              "?     Indicatifs sans pays dans la table (12) : W00AA, W01AA, W02AA, W03AA, W04AA, "
              "W05AA, W06AA, W07AA, W08AA, W09AA, ...");
}

TEST(CountriesWorked, CallSignIsTakenFromItsColumnsOfTheListItem) {
    QsoFields f;
    f.date = QStringLiteral("07/12/26");
    f.time = QStringLiteral("10:00");
    f.rstReceived = f.rstSent = QStringLiteral("59");
    f.mode = QStringLiteral("SSB");
    f.band = QStringLiteral("7");
    // From QSO 10000 on the number takes one more character: the call sign is still whole.
    for (const int number : {12, 9999, 10000, 10001, 123456})
        for (const char *call : {"F5ABC", "9M6/PA0RRS/2", "", "9A1A"}) {
            f.call = QString::fromLatin1(call);
            const QString item = qsoListItem(number, buildQsoLine(f).line);
            EXPECT_EQ(callOfListItem(item), f.call) << number << " " << call;
        }
    EXPECT_EQ(callOfListItem(QStringLiteral("   1  short")), QString());
}

TEST(CountriesWorked, SavedFileHeadingAndEntries) {
    EXPECT_EQ(countriesFileLines(QStringLiteral("DFCF-21-001"), {"F     France"}),
              (QStringList{QStringLiteral("Pays contactés activité DFCF-21-001"), "F     France"}));
    EXPECT_EQ(countriesFilePath(QStringLiteral("/d"), QStringLiteral("DIFI-13-002")),
              "/d/DIFI-13-002_Prefixes.txt");
}

TEST(CountriesWorked, ProgramTableIsInstalledOnlyWhereNoneIs) {
    QTemporaryDir dir;
    const QString path = dir.filePath(prefixTableFileName);
    bool installed = false;
    ASSERT_TRUE(installPrefixTable(dir.path(), &installed).ok);
    EXPECT_TRUE(installed);
    EXPECT_EQ(testfiles::bytesOf(path), builtInPrefixTable());
    EXPECT_GT(builtInPrefixTable().size(), 100000);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files) == QStringList{prefixTableFileName})
        << "no scratch file is left behind";

    // The operator's own table stays as it is, even an empty one.
    for (const QByteArray &own : {QByteArray("F;Chez moi;F;EU\r\n"), QByteArray()}) {
        testfiles::put(path, own);
        ASSERT_TRUE(installPrefixTable(dir.path(), &installed).ok);
        EXPECT_FALSE(installed);
        EXPECT_EQ(testfiles::bytesOf(path), own);
    }

    // A directory that cannot take it: the failure is reported in French.
    const IoResult refused = installPrefixTable(dir.filePath(QStringLiteral("absent")));
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.message.isEmpty());
}
