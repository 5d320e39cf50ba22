// The station's locator (typed, or from gpsd's reports), the settings of the listening, the
// "Numérique" status line and the locators kept beside the log.

#include "core/digital/DigitalSettings.h"
#include "core/digital/SenderTally.h"
#include "core/digital/StationLocator.h"
#include "core/io/TextFile.h"
#include "core/log/QsoLocators.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>

using namespace zep;
using namespace zep::digital;

TEST(StationLocator, MaidenheadOfKnownPlaces) {
    struct Case {
        double lat, lon;
        const char *grid;
    } cases[] = {
        {48.8566, 2.3522, "JN18eu"},    // Paris
        {48.1372, 11.5756, "JN58sd"},   // Munich
        {-33.8688, 151.2093, "QF56od"}, // Sydney
        {40.7128, -74.0060, "FN20xr"},  // New York
        {0, 0, "JJ00aa"},
        {-90, -180, "AA00aa"},
        {90, 180, "RR99xx"}, // the last square, not one past it
    };
    for (const Case &c : cases)
        EXPECT_EQ(maidenhead(c.lat, c.lon).value_or("<none>"), c.grid) << c.lat << " " << c.lon;
    EXPECT_FALSE(maidenhead(91, 0));
    EXPECT_FALSE(maidenhead(0, -181));
    EXPECT_FALSE(maidenhead(std::nan(""), 0));
}

TEST(StationLocator, TypedLocatorsAndTheOtherSettingsAreChecked) {
    const std::pair<const char *, const char *> locators[] = {
        {"jn18DU", "JN18du"}, {" JN18 ", "JN18"}, {"JN1", nullptr},   {"SN18", nullptr},
        {"JN18dz", nullptr},  {"JN18d", nullptr}, {"JN18du12", nullptr}, {"", nullptr},
    };
    for (const auto &[typed, grid] : locators) {
        EXPECT_EQ(stationLocator(typed).value_or("<none>"), grid ? grid : "<none>") << typed;
        EXPECT_EQ(checkLocator(typed).isEmpty(), grid != nullptr || QString(typed).isEmpty())
            << typed;
    }
    const std::pair<const char *, bool> addresses[] = {
        {"127.0.0.1", true},  {"224.0.0.1", true},  {" 239.255.0.1", true}, {"256.0.0.1", false},
        {"127.0.0", false},   {"localhost", false}, {"1.2.3.4.5", false},   {"-1.0.0.1", false},
        {"::1", false},       {"", false},
    };
    for (const auto &[typed, ok] : addresses)
        EXPECT_EQ(checkAddress(typed).isEmpty(), ok) << typed;
    EXPECT_TRUE(parseIpv4("224.0.0.1")->multicast());
    EXPECT_FALSE(parseIpv4("127.0.0.1")->multicast());
    for (const auto &[typed, ok] : std::initializer_list<std::pair<const char *, bool>>{
             {"2237", true}, {"1", true}, {"65535", true}, {"0", false}, {"65536", false},
             {"22a", false}, {"", false}})
        EXPECT_EQ(checkPort(typed).isEmpty(), ok) << typed;
}

namespace {
class MapSettings : public SettingsStore {
public:
    std::map<QString, QString> values;
    QString read(const QString &key, const QString &d) const override {
        const auto it = values.find(key);
        return it == values.end() ? d : it->second;
    }
    void write(const QString &key, const QString &value) override { values[key] = value; }
};
} // namespace

TEST(StationLocator, SettingsEditedByHandFallBackToTheDefaults) {
    MapSettings s;
    QString problem;
    ListenSettings l = loadListenSettings(s, &problem);
    EXPECT_FALSE(l.on);
    EXPECT_EQ(l.address, "127.0.0.1");
    EXPECT_EQ(l.port, 2237);
    EXPECT_TRUE(problem.isEmpty());

    s.values = {{keys::numeriqueActif, "1"},
                {keys::numeriqueAdresse, "239.1.2.3"},
                {keys::numeriquePort, "2238"}};
    l = loadListenSettings(s, &problem);
    EXPECT_TRUE(l.on);
    EXPECT_EQ(l.ipv4, 0xEF010203u);
    EXPECT_EQ(l.port, 2238);

    s.values = {{keys::numeriqueActif, "oui"},
                {keys::numeriqueAdresse, "ici"},
                {keys::numeriquePort, "99999"}};
    l = loadListenSettings(s, &problem);
    EXPECT_EQ(l, ListenSettings{});
    EXPECT_TRUE(problem.contains("Numerique Actif") && problem.contains("Numerique Adresse") &&
                problem.contains("Numerique Port"))
        << problem.toStdString();

    s.values = {{keys::locator, "jn18du"}, {keys::locatorSource, "1"}};
    EXPECT_EQ(loadTypedLocator(s), "JN18du");
    EXPECT_EQ(loadLocatorSource(s), LocatorSource::Gpsd);
    s.values = {{keys::locator, "JN18X"}, {keys::locatorSource, "2"}};
    EXPECT_EQ(loadTypedLocator(s), "");
    EXPECT_EQ(loadLocatorSource(s), LocatorSource::Typed);
}

TEST(StationLocator, GpsdReportsAreReadAcrossReadsAndWithinTheirBound) {
    const QByteArray stream =
        "{\"class\":\"VERSION\",\"release\":\"3.25\"}\n"
        "{\"class\":\"TPV\",\"mode\":1}\n"
        "{\"class\":\"SKY\",\"satellites\":[]}\n"
        "{\"class\":\"TPV\",\"mode\":3,\"lat\":48.8566,\"lon\":2.3522,\"alt\":35.0}\n"
        "{\"class\":\"TPV\",\"mode\":2,\"lat\":95.0,\"lon\":2.0}\n";
    // Whatever the size of the reads, the same reports in the same order.
    for (const qsizetype chunk : {qsizetype(1), qsizetype(7), stream.size()}) {
        GpsdStream g;
        QList<GpsReport> all;
        for (qsizetype at = 0; at < stream.size(); at += chunk)
            all += g.received(QByteArrayView(stream).sliced(at, std::min(chunk, stream.size() - at)));
        ASSERT_EQ(all.size(), 3) << chunk;
        EXPECT_FALSE(all[0].fix);
        EXPECT_TRUE(all[1].fix);
        EXPECT_EQ(maidenhead(all[1].latitude, all[1].longitude), "JN18eu");
        EXPECT_FALSE(all[2].fix); // a latitude that cannot be is no fix
    }
    // An endless line is dropped as it comes, and the next line is read.
    GpsdStream g;
    for (int i = 0; i < 100; ++i) {
        EXPECT_TRUE(g.received(QByteArray(1000, 'x')).isEmpty());
        EXPECT_LE(g.kept(), GpsdStream::maxLine);
    }
    const QList<GpsReport> after = g.received("\n{\"class\":\"TPV\",\"mode\":3,\"lat\":1,\"lon\":1}\n");
    ASSERT_EQ(after.size(), 1);
    EXPECT_TRUE(after[0].fix);
}

TEST(StationLocator, TheStatusLineTellsTheSenderItsQsosAndItsSilence) {
    const QDateTime t0(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC);
    SenderTally tally;
    EXPECT_EQ(tally.line(t0), "");
    tally.listening(true);
    EXPECT_EQ(tally.line(t0), "Numérique : en écoute");
    tally.heard("WSJT-X", t0);
    EXPECT_EQ(tally.line(t0), "Numérique : WSJT-X, 0 QSO reçu");
    tally.qsoReceived("WSJT-X", t0);
    EXPECT_EQ(tally.line(t0), "Numérique : WSJT-X, 1 QSO reçu");
    tally.qsoReceived("WSJT-X", t0.addSecs(60), "DL1ABC");
    EXPECT_EQ(tally.line(t0.addSecs(60)), "Numérique : WSJT-X, 2 QSO reçus, DL1ABC doublon");
    EXPECT_EQ(tally.line(t0.addSecs(60 + 599)), "Numérique : WSJT-X, 2 QSO reçus, DL1ABC doublon");
    EXPECT_EQ(tally.line(t0.addSecs(60 + 600)), "Numérique : rien reçu depuis 10 min");
    tally.heard("WSJT-X", t0.addSecs(3600));
    EXPECT_EQ(tally.line(t0.addSecs(3600)), "Numérique : WSJT-X, 2 QSO reçus, DL1ABC doublon");
    // A sender that closed is not waited for.
    tally.closed("WSJT-X", t0.addSecs(3600));
    EXPECT_EQ(tally.line(t0.addSecs(9000)), "Numérique : WSJT-X, 2 QSO reçus, fermé, DL1ABC doublon");
    tally.listening(true, "port 2237 indisponible");
    EXPECT_EQ(tally.line(t0), "Numérique : port 2237 indisponible");
    tally.listening(false);
    EXPECT_EQ(tally.line(t0), "");
}

TEST(StationLocator, LocatorsBesideTheLogFollowTheirLines) {
    QTemporaryDir dir;
    const QString log = dir.filePath("DFCF-21-001.txt");
    QsoLocators locators(log);
    EXPECT_EQ(locators.path(), dir.filePath("DFCF-21-001.loc"));
    EXPECT_TRUE(locators.read().status);
    EXPECT_TRUE(locators.read().byLine.isEmpty());
    const QString a = QString("07/12/26  09:58  DL1ABC").leftJustified(104);
    const QString b = QString("07/12/26  10:02  G4XYZ").leftJustified(104);
    ASSERT_TRUE(locators.append(a, "JO62"));
    ASSERT_TRUE(locators.append(b, ""));   // nothing kept without a locator
    ASSERT_TRUE(locators.append(b, "IO91wm"));
    EXPECT_EQ(testfiles::bytesOf(locators.path()),
              ("JO62     " + a + "\r\nIO91wm   " + b + "\r\n").toLatin1());
    // A damaged line is passed over, the others still read.
    testfiles::put(locators.path(), testfiles::bytesOf(locators.path()) + "garbage\r\n");
    const QsoLocators::Reading r = locators.read();
    EXPECT_EQ(r.of(a).value_or("<none>"), "JO62");
    EXPECT_EQ(r.of(b).value_or("<none>"), "IO91wm");
    EXPECT_EQ(r.byLine.size(), 2);

    const QString second = dir.filePath("DIFI-21-010.txt");
    ASSERT_TRUE(locators.copyTo(second));
    EXPECT_EQ(testfiles::bytesOf(QsoLocators::pathFor(second)),
              testfiles::bytesOf(locators.path()));
}
