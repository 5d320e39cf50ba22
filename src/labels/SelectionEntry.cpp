#include "labels/SelectionEntry.h"

#include "core/io/SortedList.h"

#include <algorithm>

namespace zep {

namespace {
// Log columns: the call sign starts at 18, the entry keeps the log up to column 75, and the
// date and time take columns 1-15.
constexpr int logCallAt = 17; // 0-based
constexpr int logKept = 75;
constexpr int logDateTime = 15;
} // namespace

std::optional<QString> selectionEntry(const QString &logLine) {
    if (logLine.size() < logCallAt + 1)
        return std::nullopt;
    QString q = logLine.left(logKept);
    if (q.size() < logKept)
        q += QString(logKept - q.size(), QLatin1Char(' '));
    QString entry;
    entry.reserve(selcol::entryLength);
    entry += QStringLiteral("     ");
    entry += QStringView(q).mid(logCallAt);
    entry += QLatin1Char(' ');
    entry += QStringView(q).left(logDateTime);
    return entry;
}

QStringList sortedSelectionEntries(const QStringList &logLines) {
    QStringList entries;
    entries.reserve(logLines.size());
    for (const QString &line : logLines)
        if (std::optional<QString> entry = selectionEntry(line))
            entries.append(*std::move(entry));
    std::stable_sort(entries.begin(), entries.end(),
                     [](const QString &a, const QString &b) { return sortedListLess(a, b); });
    return entries;
}

QString selectionField(const QString &entry, int column, int width) {
    return entry.mid(column - 1, width).trimmed();
}

} // namespace zep
