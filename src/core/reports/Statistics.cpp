#include "core/reports/Statistics.h"

#include "core/io/SortedList.h"
#include "core/log/QsoLine.h"

#include <algorithm>
#include <vector>

namespace zep {

namespace {

/// A call-sign field ready for sorting. A field of 12 plain ASCII characters (nearly all of
/// them) is also held case-folded in two numbers whose order is the text's order, so that
/// most comparisons are two integer comparisons.
struct SortField {
    QStringView text;
    quint64 high = 0, low = 0;
    bool packed = false;
};

SortField sortFieldOf(QStringView text) {
    SortField field{text};
    if (text.size() != qsocol::callWidth)
        return field;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text[i].unicode();
        if (c >= 0x80)
            return field;
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c + (u'a' - u'A'));
        if (i < 8)
            field.high = field.high << 8 | c;
        else
            field.low = field.low << 8 | c;
    }
    field.packed = true;
    return field;
}

bool sortFieldLess(const SortField &a, const SortField &b) {
    if (a.packed && b.packed)
        return a.high != b.high ? a.high < b.high : a.low < b.low;
    return sortedListLess(a.text, b.text);
}

/// Same test as departmentSlot, on the two characters where they stand in the line.
std::optional<int> slotOf(QStringView twoChars) {
    const auto is = [&](char first, char second) {
        return twoChars.size() == 2 && twoChars[0] == QLatin1Char(first) &&
               twoChars[1] == QLatin1Char(second);
    };
    if (is('2', 'a') || is('2', 'A'))
        return 96;
    if (is('2', 'b') || is('2', 'B'))
        return 97;
    const auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    if (twoChars.isEmpty() || !digit(twoChars[0]))
        return std::nullopt;
    // The number its leading digits form: "7 " is 7.
    int value = twoChars[0].unicode() - '0';
    if (twoChars.size() > 1 && digit(twoChars[1]))
        value = value * 10 + (twoChars[1].unicode() - '0');
    return value;
}

} // namespace

OperatorCount countOperators(const QStringList &logLines) {
    // The call-sign fields are sorted with their padding blanks, as the hidden sorted list
    // holds them, so "F1ABC" comes before "F1ABC/P". They are views into the log lines: the
    // sort moves no text.
    std::vector<SortField> fields;
    fields.reserve(size_t(logLines.size()));
    for (const QString &line : logLines)
        fields.push_back(sortFieldOf(QStringView(line).mid(qsocol::call - 1, qsocol::callWidth)));
    std::stable_sort(fields.begin(), fields.end(), sortFieldLess);

    OperatorCount result;
    QStringView previous; // a blank call sign equals this starting value and is never counted
    for (const SortField &field : fields) {
        const QStringView call = field.text.trimmed();
        if (call == previous)
            continue;
        result.operators.append(call.toString());
        previous = call;
        ++result.count;
    }
    return result;
}

std::optional<int> departmentSlot(const QString &twoChars) {
    return slotOf(twoChars);
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
            slotOf(view.mid(qsocol::department - 1, qsocol::departmentWidth));
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

namespace {

/// The band (read with the blank in front of it, columns 66-69), the mode and the department
/// label of a QSO line, as Colore_Departements reads them.
struct DepartmentFields {
    QStringView band, mode;
    std::optional<int> slot;
};

DepartmentFields departmentFieldsOf(const QString &line) {
    const QStringView view(line);
    return {view.mid(qsocol::band - 2, qsocol::bandWidth + 1).trimmed(),
            view.mid(qsocol::mode - 1, qsocol::modeWidth).trimmed(),
            slotOf(view.mid(qsocol::department - 1, qsocol::departmentWidth))};
}

} // namespace

const DepartmentTally::Tally *DepartmentTally::find(QStringView band, QStringView mode) const {
    for (const Tally &t : tallies_)
        if (t.band == band && t.mode == mode)
            return &t;
    return nullptr;
}

void DepartmentTally::count(const QString &line, int step) {
    const DepartmentFields f = departmentFieldsOf(line);
    if (!f.slot)
        return;
    auto *tally = const_cast<Tally *>(find(f.band, f.mode));
    if (!tally) {
        tallies_.push_back({f.band.toString(), f.mode.toString(), {}});
        tally = &tallies_.back();
    }
    tally->qsos[size_t(*f.slot)] += step;
}

void DepartmentTally::update(const LogReading &log) {
    followLogLines(
        seen_, log, [this](const QString &line, int step) { count(line, step); },
        [this] { tallies_.clear(); });
}

DepartmentsWorked DepartmentTally::worked(const QString &band, const QString &mode,
                                          const QString &entryBand,
                                          const QString &entryMode) const {
    DepartmentsWorked worked;
    constexpr size_t lastStripLabel = 97;
    if (const Tally *map = find(band, mode))
        for (size_t i = 0; i < worked.map.size(); ++i)
            worked.map[i] = map->qsos[i] > 0;
    if (const Tally *strip = find(entryBand.trimmed(), entryMode.trimmed()))
        for (size_t i = 0; i <= lastStripLabel; ++i)
            worked.strip[i] = strip->qsos[i] > 0;
    worked.mapCount = int(std::count(worked.map.begin() + 1, worked.map.end(), true));
    return worked;
}

} // namespace zep
