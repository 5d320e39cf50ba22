// The figures of an activation's summary are those an independent count finds in the ADIF
// export of the same log, read back with the test tools' own ADIF reader: for a log of one QSO,
// a double activation, an activation past midnight UTC and 100,000 QSOs.

#include "core/awards/ActivationSummary.h"
#include "core/countries/CountriesWorked.h"
#include "core/countries/PrefixDxcc.h"
#include "core/countries/PrefixTable.h"
#include "core/exchange/AdifAwardExport.h"
#include "support/AdifCheck.h"
#include "support/QsoLines.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QRandomGenerator>
#include <QSet>

#include <algorithm>
#include <vector>

using namespace zep;
using zep::testing::AdifFields;
using zep::testing::qsoLineOf;

namespace {

const PrefixTable &table() {
    static const PrefixTable t = PrefixTable::parse(builtInPrefixTable());
    return t;
}

/// What the export of the log says, counted by hand from its records.
struct Independent {
    int qsos = 0, calls = 0, countries = 0, departments = 0;
    QDateTime first, last;
    int best10 = 0, best60 = 0;
    QMap<QString, int> bands, modes;
    QMap<qint64, int> slotCounts; ///< 10-minute slot -> QSOs
    std::vector<int> topCounts;   ///< the ten largest QSO counts of a DXCC entity
    int perBandAndMode = 0;       ///< distinct call, band, mode
};

Independent countExport(const QStringList &lines) {
    adif3::Station station;
    station.stationCall = QStringLiteral("F4ABC/P");
    station.operatorCall = QStringLiteral("F4ABC");
    station.reference = QStringLiteral("FFF-0123");
    station.created = QDateTime(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
    static const prefixdxcc::EntityFinder finder{builtInPrefixTable()};
    const adif3::Document doc = adif3::document(station, {}, zep::testing::logBytesOf(lines),
                                                [](QByteArrayView call) { return finder(call); });
    const auto read = zep::testing::AdifRules::published().check(doc.bytes());
    EXPECT_TRUE(read.problems.isEmpty()) << read.problems.join('\n').toStdString();
    Independent n;
    QSet<QByteArray> calls, entries, departments;
    QMap<QByteArray, int> perEntity;
    std::vector<qint64> times;
    for (const AdifFields &r : read.records) {
        ++n.qsos;
        calls.insert(r["CALL"].toUpper());
        entries.insert(r["CALL"].toUpper() + '|' + r["BAND"] + '|' + r["MODE"]);
        ++n.bands[QString::fromLatin1(r["BAND"]).toUpper()];
        ++n.modes[QString::fromLatin1(r["MODE"])];
        const QDateTime t(QDate::fromString(QString::fromLatin1(r["QSO_DATE"]), "yyyyMMdd"),
                          QTime::fromString(QString::fromLatin1(r["TIME_ON"]), "HHmm"), Qt::UTC);
        times.push_back(t.toSecsSinceEpoch() / 60);
        ++n.slotCounts[t.toSecsSinceEpoch() / 600];
        if (r.value("DXCC", "0") != "0")
            ++perEntity[r["DXCC"]];
        if ((r["DXCC"] == "227" || r["DXCC"] == "214") && r.contains("STATE"))
            departments.insert(r["STATE"]);
    }
    n.calls = int(calls.size());
    n.perBandAndMode = int(entries.size());
    n.countries = int(perEntity.size());
    n.departments = int(departments.size());
    std::sort(times.begin(), times.end());
    if (!times.empty()) {
        n.first = QDateTime::fromSecsSinceEpoch(times.front() * 60, Qt::UTC);
        n.last = QDateTime::fromSecsSinceEpoch(times.back() * 60, Qt::UTC);
    }
    // The busiest stretches, found by searching from each QSO forward.
    for (size_t i = 0; i < times.size(); ++i) {
        const auto upTo = [&](qint64 span) {
            return int(
                std::lower_bound(times.begin() + qsizetype(i), times.end(), times[i] + span) -
                (times.begin() + qsizetype(i)));
        };
        n.best10 = std::max(n.best10, upTo(10));
        n.best60 = std::max(n.best60, upTo(60));
    }
    for (const int c : perEntity)
        n.topCounts.push_back(c);
    std::sort(n.topCounts.rbegin(), n.topCounts.rend());
    if (n.topCounts.size() > 10)
        n.topCounts.resize(10);
    return n;
}

/// The ADIF name of the log's bands used here.
QString adifBand(const QString &logBand) {
    static const QMap<QString, QString> names = {{"3.5", "80M"}, {"7", "40M"},  {"14", "20M"},
                                                 {"21", "15M"},  {"28", "10M"}, {"144", "2M"}};
    return names.value(logBand, QStringLiteral("?") + logBand);
}

void expectSameFigures(const QStringList &lines, const QStringList &references) {
    QList<ReferenceValidity> refs;
    for (const QString &r : references)
        refs.append({r, ActivationRules::builtIn().ruleFor(r, nullptr), 0});
    const ActivationSummary s = summarize(lines, table(), refs);
    const Independent n = countExport(lines);
    EXPECT_EQ(s.qsos, n.qsos);
    EXPECT_EQ(s.distinctCalls, n.calls);
    ASSERT_TRUE(s.first && s.last);
    EXPECT_EQ(*s.first, n.first);
    EXPECT_EQ(*s.last, n.last);
    EXPECT_EQ(s.durationMinutes, n.first.secsTo(n.last) / 60);
    EXPECT_EQ(s.best10, n.best10);
    EXPECT_EQ(s.best60, n.best60);
    EXPECT_EQ(s.countries, n.countries);
    EXPECT_EQ(s.departmentCount, n.departments);
    QMap<QString, int> bands, modes;
    for (const Tally &t : s.bands)
        bands[adifBand(t.name)] += t.qsos;
    for (const Tally &t : s.modes)
        modes[t.name] += t.qsos;
    EXPECT_EQ(bands, n.bands);
    EXPECT_EQ(modes, n.modes);
    // The rate: every slot between the first and the last, the empty ones at 0.
    ASSERT_TRUE(s.firstSlot);
    QMap<qint64, int> slotCounts;
    for (qsizetype i = 0; i < s.perSlot.size(); ++i)
        if (s.perSlot[i] > 0)
            slotCounts[s.firstSlot->toSecsSinceEpoch() / 600 + i] = s.perSlot[i];
    EXPECT_EQ(slotCounts, n.slotCounts);
    EXPECT_EQ(s.perSlot.size(), n.slotCounts.lastKey() - n.slotCounts.firstKey() + 1);
    std::vector<int> top;
    for (const Tally &t : s.entities)
        top.push_back(t.qsos);
    EXPECT_EQ(top, n.topCounts);
    int onContinents = 0;
    for (const Tally &t : s.continents)
        onContinents += t.qsos;
    EXPECT_EQ(onContinents, s.qsos);
    ASSERT_EQ(s.validity.size(), references.size());
    for (const ReferenceValidity &v : s.validity) {
        if (v.rule.programme == QLatin1String("WWFF") ||
            v.rule.programme == QLatin1String("DFCF")) {
            EXPECT_EQ(v.count, n.perBandAndMode) << v.reference.toStdString();
        }
    }
}

} // namespace

TEST(ActivationSummary, OneQso) {
    expectSameFigures({qsoLineOf("10/12/26", "09:07", "F1ABC", "76", "Jean", "SSB", "7")},
                      {"FFF-0123"});
    const ActivationSummary s =
        summarize({qsoLineOf("10/12/26", "09:07", "F1ABC", "76", "Jean", "SSB", "7")}, table(), {});
    EXPECT_EQ(s.perSlot, QList<int>{1});
    EXPECT_EQ(s.firstSlot, QDateTime(QDate(2026, 12, 10), QTime(9, 0), Qt::UTC));
    EXPECT_EQ(summaryLines(s).mid(0, 3), (QStringList{"QSO : 1", "Indicatifs différents : 1",
                                                      "Premier QSO : 10/12/2026 09:07 UTC"}));
}

TEST(ActivationSummary, ADoubleActivationCountsItsOneLogForBothReferences) {
    const QStringList log = {
        qsoLineOf("10/12/26", "09:00", "F1ABC", "76", "", "SSB", "7"),
        qsoLineOf("10/12/26", "09:03", "F1ABC", "76", "", "CW", "7"),
        qsoLineOf("10/12/26", "09:09", "DL1AA", "", "", "SSB", "14"),
        qsoLineOf("10/12/26", "09:10", "G3XYZ", "", "", "FT8", "14"),
        qsoLineOf("10/12/26", "09:59", "F5XY", "2A", "", "SSB", "7"),
        qsoLineOf("10/12/26", "10:30", "ON4ZZ", "", "", "SSB", "3.5"),
    };
    expectSameFigures(log, {"DFCF 76054", "FFF-0123"});
    const ActivationSummary s =
        summarize(log, table(),
                  {{"DFCF 76054", ActivationRules::builtIn().ruleFor("DFCF 76054", nullptr), 0},
                   {"F/AM-001", ActivationRules::builtIn().ruleFor("F/AM-001", nullptr), 0}});
    EXPECT_EQ(validityText(s.validity),
              QStringLiteral("Validité : DFCF 76054 6/100, F/AM-001 5/4"));
    EXPECT_EQ(s.best10, 3); // 09:00, 09:03, 09:09
    EXPECT_EQ(s.best60, 5); // 09:00 to 09:59
}

TEST(ActivationSummary, AnActivationPastMidnightUtc) {
    const QStringList log = {
        qsoLineOf("10/12/26", "23:48", "F1ABC", "76", "", "SSB", "7"),
        qsoLineOf("10/12/26", "23:59", "F2DEF", "27", "", "SSB", "7"),
        qsoLineOf("11/12/26", "00:00", "F3GHI", "14", "", "SSB", "7"),
        qsoLineOf("11/12/26", "00:05", "F1ABC", "76", "", "SSB", "7"),
        qsoLineOf("11/12/26", "00:41", "EA3XX", "", "", "CW", "14"),
    };
    expectSameFigures(log, {"F-0123"});
    const ActivationSummary s = summarize(
        log, table(), {{"F-0123", ActivationRules::builtIn().ruleFor("F-0123", nullptr), 0}});
    EXPECT_EQ(s.durationMinutes, 53);
    EXPECT_EQ(s.perSlot, (QList<int>{1, 1, 2, 0, 0, 0, 1})); // 23:40 to 00:40
    EXPECT_EQ(s.best10, 3);                                  // 23:59, 00:00, 00:05
    // POTA counts the UTC day of the latest QSO: F3GHI, F1ABC and EA3XX on the 11th.
    EXPECT_EQ(s.validity[0].count, 3);
}

TEST(ActivationSummary, AHundredThousandQsos) {
    QRandomGenerator random(100000);
    const QStringList prefixes = {"F",  "F",  "F",  "DL",  "G",  "EA", "ON", "I",  "W",  "JA",
                                  "VK", "PY", "ZS", "HB9", "OE", "SP", "OK", "LA", "SM", "YO"};
    const QStringList bands = {"3.5", "7", "14", "21", "28", "144"};
    const QStringList modes = {"SSB", "CW", "FT8"};
    QStringList log;
    log.reserve(100000);
    QDateTime t(QDate(2026, 12, 8), QTime(6, 0), Qt::UTC);
    for (int i = 0; i < 100000; ++i) {
        t = t.addSecs(random.bounded(2) * 60 * random.bounded(4));
        const QString prefix = prefixes[random.bounded(int(prefixes.size()))];
        const QString call = prefix + QString::number(random.bounded(10)) +
                             QString(QChar(u'A' + random.bounded(26))) +
                             QString(QChar(u'A' + random.bounded(26)));
        const QString dpt =
            prefix == QLatin1String("F")
                ? QStringLiteral("%1").arg(1 + random.bounded(95), 2, 10, QChar(u'0'))
                : QString();
        log << qsoLineOf(t.toString("dd/MM/yy"), t.toString("HH:mm"), call, dpt, "",
                         modes[random.bounded(3)], bands[random.bounded(int(bands.size()))]);
    }
    expectSameFigures(log, {"FFF-0123"});
}
