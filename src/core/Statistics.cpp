#include "core/Statistics.h"

#include "core/QsoLine.h"
#include "core/SortedList.h"

#include <algorithm>
#include <vector>

namespace zep {

OperatorCount Compte_Operateurs(const QStringList &logLines) {
    // The call-sign fields are sorted with their padding blanks, as the hidden sorted list
    // holds them, so "F1ABC" comes before "F1ABC/P". They are views into the log lines: the
    // sort moves no text.
    std::vector<QStringView> fields;
    fields.reserve(size_t(logLines.size()));
    for (const QString &line : logLines)
        fields.push_back(QStringView(line).mid(qsocol::call - 1, qsocol::callWidth));
    std::stable_sort(fields.begin(), fields.end(),
                     [](QStringView a, QStringView b) { return sortedListLess(a, b); });

    OperatorCount result;
    QString previous; // a blank call sign equals this starting value and is never counted
    for (const QStringView field : fields) {
        const QString call = field.trimmed().toString();
        if (call == previous)
            continue;
        result.operators.append(call);
        previous = call;
        ++result.count;
    }
    return result;
}

std::optional<int> departmentSlot(const QString &twoChars) {
    if (twoChars == QLatin1String("2a") || twoChars == QLatin1String("2A"))
        return 96;
    if (twoChars == QLatin1String("2b") || twoChars == QLatin1String("2B"))
        return 97;
    const auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    if (twoChars.isEmpty() || !digit(twoChars.at(0)))
        return std::nullopt;
    // The number its leading digits form: "7 " is 7.
    int value = twoChars.at(0).unicode() - '0';
    if (twoChars.size() > 1 && digit(twoChars.at(1)))
        value = value * 10 + (twoChars.at(1).unicode() - '0');
    return value;
}

DepartmentsWorked Colore_Departements(const QStringList &logLines, const QString &band,
                                      const QString &mode, const QString &entryBand,
                                      const QString &entryMode) {
    DepartmentsWorked worked;
    const QString stripBand = entryBand.trimmed();
    const QString stripMode = entryMode.trimmed();
    constexpr int lastStripLabel = 97;
    for (const QString &line : logLines) {
        const QStringView view(line);
        // The band is read with the blank in front of it (columns 66-69).
        const QStringView lineBand = view.mid(qsocol::band - 2, qsocol::bandWidth + 1).trimmed();
        const QStringView lineMode = view.mid(qsocol::mode - 1, qsocol::modeWidth).trimmed();
        const std::optional<int> slot =
            departmentSlot(line.mid(qsocol::department - 1, qsocol::departmentWidth));
        if (!slot)
            continue;
        if (lineBand == band && lineMode == mode)
            worked.map[*slot] = true;
        // The strip has no label beyond 2b: a department 98 or 99 found in the file shows on
        // the map only.
        if (*slot <= lastStripLabel && lineBand == stripBand && lineMode == stripMode)
            worked.strip[*slot] = true;
    }
    worked.mapCount = int(std::count(worked.map.begin() + 1, worked.map.end(), true));
    return worked;
}

} // namespace zep
