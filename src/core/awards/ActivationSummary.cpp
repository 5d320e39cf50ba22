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
    const qint64 day = QDate(int(*n / 100000000), int(*n / 1000000 % 100), int(*n / 10000 % 100))
                           .toJulianDay() -
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
    QSet<QString> calls;
    QHash<QString, int> bands, modes, continents, entities;
    QHash<QString, CountryMatch> countryOfCall; // a station is looked up once
    QSet<QString> countryCodes;
    const CountryMatch france = table.lookup(u"F"), corsica = table.lookup(u"TK");
    for (const QString &line : logLines) {
        const QStringView callColumn = column(line, qsocol::call, qsocol::callWidth);
        if (callColumn.isEmpty())
            continue;
        ++s.qsos;
        const QString call = callColumn.toString().toUpper();
        calls.insert(call);
        if (const auto m = minuteOf(line))
            minutes.push_back(*m);
        ++bands[column(line, qsocol::band, qsocol::bandWidth).toString()];
        ++modes[column(line, qsocol::mode, qsocol::modeWidth).toString().toUpper()];
        auto found = countryOfCall.constFind(call);
        if (found == countryOfCall.cend())
            found = countryOfCall.insert(call, table.lookup(call));
        const std::optional<int> slot =
            departmentSlot(line.mid(qsocol::department - 1, qsocol::departmentWidth));
        const CountryMatch *country = &*found;
        // A French station operating from Corsica says so by its department (2A, 2B), a
        // Corsican one on the mainland by a department of France: the country is where it is.
        if (found->found && slot) {
            const int dxcc = prefixdxcc::dxccOfCode(found->code);
            const bool corsican = *slot == 96 || *slot == 97;
            if (dxcc == dxccFrance && corsican)
                country = &corsica;
            else if (dxcc == dxccCorsica && !corsican && *slot >= 1 && *slot <= 95 &&
                     *slot != 20)
                country = &france;
        }
        if (country->found) {
            ++continents[country->continent];
            ++entities[country->name];
            countryCodes.insert(country->code);
        } else {
            ++continents[QStringLiteral("?")];
            ++s.unknownCountryQsos;
        }
        if (slot && *slot >= 1 && *slot <= 97 && *slot != 20) // 20 is Corsica's old number

            s.departments[size_t(*slot)] = true;
    }
    s.distinctCalls = int(calls.size());
    s.countries = int(countryCodes.size());
    s.departmentCount = int(std::count(s.departments.begin(), s.departments.end(), true));
    s.bands = ranked(bands);
    s.modes = ranked(modes);
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
