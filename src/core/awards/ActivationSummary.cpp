#include "core/awards/ActivationSummary.h"

#include "core/countries/PrefixDxcc.h"
#include "core/countries/PrefixTable.h"
#include "core/log/QsoLine.h"
#include "core/reports/Statistics.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <vector>

namespace zep {

namespace {

constexpr int dxccFrance = 227, dxccCorsica = 214;

QStringView column(const QString &line, int first, int width) {
    const qsizetype at = first - 1;
    if (at >= line.size())
        return {};
    return QStringView(line).sliced(at, std::min<qsizetype>(width, line.size() - at)).trimmed();
}

/// Minutes since 1970-01-01 UTC of a QSO line, nothing when its date or time cannot be read.
std::optional<qint64> minuteOf(const QString &line) {
    const std::optional<qint64> n = qsoOrderingNumber(line); // yyyymmddhhmm
    if (!n)
        return std::nullopt;
    const qint64 day =
        QDate(int(*n / 100000000), int(*n / 1000000 % 100), int(*n / 10000 % 100)).toJulianDay() -
        QDate(1970, 1, 1).toJulianDay();
    return day * 1440 + (*n / 100 % 100) * 60 + *n % 100;
}

QDateTime dateTimeOf(qint64 minute) {
    return QDateTime::fromSecsSinceEpoch(minute * 60, Qt::UTC);
}

/// The most minutes of `sorted` within any `span` minutes (last - first < span).
int bestWithin(const std::vector<qint64> &sorted, qint64 span) {
    int best = 0;
    size_t from = 0;
    for (size_t to = 0; to < sorted.size(); ++to) {
        while (sorted[to] - sorted[from] >= span)
            ++from;
        best = std::max(best, int(to - from + 1));
    }
    return best;
}

QList<Tally> ranked(const QHash<QString, int> &counts) {
    QList<Tally> out;
    out.reserve(counts.size());
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        out.append({it.key(), it.value()});
    std::sort(out.begin(), out.end(), [](const Tally &a, const Tally &b) {
        return a.qsos != b.qsos ? a.qsos > b.qsos : a.name < b.name;
    });
    return out;
}

QString utcText(const std::optional<QDateTime> &t) {
    return t ? t->toString(QStringLiteral("dd/MM/yyyy HH:mm")) + QStringLiteral(" UTC")
             : QStringLiteral("-");
}

} // namespace

ActivationSummary summarize(const QStringList &logLines, const PrefixTable &table,
                            const QList<ReferenceValidity> &references) {
    ActivationSummary s;
    std::vector<qint64> minutes;
    minutes.reserve(size_t(logLines.size()));
    // The countries met, each looked up once per call sign; the QSOs are counted per country
    // and the names gathered at the end, so that a log of years hashes no name per QSO.
    struct Country {
        CountryMatch match;
        int dxcc = 0;
        int qsos = 0;
    };
    std::vector<Country> countries;
    QHash<QString, int> countryOfCode;
    const auto countryIndex = [&](const CountryMatch &m) {
        if (!m.found)
            return -1;
        auto it = countryOfCode.constFind(m.code);
        if (it == countryOfCode.cend()) {
            it = countryOfCode.insert(m.code, int(countries.size()));
            countries.push_back({m, prefixdxcc::dxccOfCode(m.code), 0});
        }
        return *it;
    };
    const int france = countryIndex(table.lookup(u"F"));
    const int corsica = countryIndex(table.lookup(u"TK"));
    QHash<QString, int> countryOfCall; // the distinct call signs, with their country
    countryOfCall.reserve(logLines.size());
    std::vector<std::pair<QString, int>> bands, modes;
    const auto tally = [](std::vector<std::pair<QString, int>> &counts, QStringView name) {
        for (auto &[known, n] : counts)
            if (QStringView(known).compare(name, Qt::CaseInsensitive) == 0) {
                ++n;
                return;
            }
        counts.emplace_back(name.toString().toUpper(), 1);
    };
    int unknown = 0;
    for (const QString &line : logLines) {
        const QStringView callColumn = column(line, qsocol::call, qsocol::callWidth);
        if (callColumn.isEmpty())
            continue;
        ++s.qsos;
        const QString call = callColumn.toString().toUpper();
        auto found = countryOfCall.constFind(call);
        if (found == countryOfCall.cend())
            found = countryOfCall.insert(call, countryIndex(table.lookup(call)));
        if (const auto m = minuteOf(line))
            minutes.push_back(*m);
        tally(bands, column(line, qsocol::band, qsocol::bandWidth));
        tally(modes, column(line, qsocol::mode, qsocol::modeWidth));
        const std::optional<int> slot =
            departmentSlot(column(line, qsocol::department, qsocol::departmentWidth).toString());
        int country = *found;
        // A French station operating from Corsica says so by its department (2A, 2B), a
        // Corsican one on the mainland by a department of France: the country is where it is.
        if (country >= 0 && slot) {
            const int dxcc = countries[size_t(country)].dxcc;
            const bool corsican = *slot == 96 || *slot == 97;
            if (dxcc == dxccFrance && corsican && corsica >= 0)
                country = corsica;
            else if (dxcc == dxccCorsica && !corsican && *slot >= 1 && *slot <= 95 && *slot != 20 &&
                     france >= 0)
                country = france;
        }
        if (country >= 0)
            ++countries[size_t(country)].qsos;
        else
            ++unknown;
        if (slot && *slot >= 1 && *slot <= 97 && *slot != 20) // 20 is Corsica's old number
            s.departments[size_t(*slot)] = true;
    }
    QHash<QString, int> continents, entities, perBand, perMode;
    for (const Country &c : countries) {
        if (c.qsos == 0)
            continue;
        ++s.countries;
        continents[c.match.continent] += c.qsos;
        entities[c.match.name] += c.qsos;
    }
    if (unknown > 0)
        continents[QStringLiteral("?")] += unknown;
    s.unknownCountryQsos = unknown;
    for (const auto &[name, n] : bands)
        perBand[name] += n;
    for (const auto &[name, n] : modes)
        perMode[name] += n;
    s.distinctCalls = int(countryOfCall.size());
    s.departmentCount = int(std::count(s.departments.begin(), s.departments.end(), true));
    s.bands = ranked(perBand);
    s.modes = ranked(perMode);
    s.continents = ranked(continents);
    s.entities = ranked(entities).mid(0, ActivationSummary::topEntities);
    if (!minutes.empty()) {
        std::sort(minutes.begin(), minutes.end());
        s.first = dateTimeOf(minutes.front());
        s.last = dateTimeOf(minutes.back());
        s.durationMinutes = minutes.back() - minutes.front();
        s.best10 = bestWithin(minutes, 10);
        s.best60 = bestWithin(minutes, 60);
        const qint64 firstSlot = minutes.front() / ActivationSummary::slotMinutes;
        const qint64 lastSlot = minutes.back() / ActivationSummary::slotMinutes;
        s.firstSlot = dateTimeOf(firstSlot * ActivationSummary::slotMinutes);
        s.perSlot = QList<int>(lastSlot - firstSlot + 1, 0);
        for (const qint64 m : minutes)
            ++s.perSlot[m / ActivationSummary::slotMinutes - firstSlot];
    }
    s.validity = countValidity(logLines, references);
    return s;
}

QStringList summaryLines(const ActivationSummary &s) {
    QStringList out;
    out << QStringLiteral("QSO : %1").arg(s.qsos)
        << QStringLiteral("Indicatifs différents : %1").arg(s.distinctCalls)
        << QStringLiteral("Premier QSO : %1").arg(utcText(s.first))
        << QStringLiteral("Dernier QSO : %1").arg(utcText(s.last))
        << QStringLiteral("Durée : %1 h %2 min")
               .arg(s.durationMinutes / 60)
               .arg(s.durationMinutes % 60, 2, 10, QChar(u'0'))
        << QStringLiteral("Meilleur rythme sur 10 minutes : %1 QSO").arg(s.best10)
        << QStringLiteral("Meilleur rythme sur 60 minutes : %1 QSO").arg(s.best60)
        << QStringLiteral("Pays : %1").arg(s.countries)
        << QStringLiteral("Départements : %1").arg(s.departmentCount);
    if (!s.validity.isEmpty())
        out << validityText(s.validity);
    return out;
}

} // namespace zep
