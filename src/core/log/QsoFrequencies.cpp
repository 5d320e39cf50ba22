#include "core/log/QsoFrequencies.h"

#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"
#include "core/log/QsoLine.h"
#include "core/log/SideFile.h"
#include "core/station/RadioReading.h"

#include <QSet>

namespace zep {

namespace {

constexpr int hzWidth = 11;
const QString scratchName = QStringLiteral("Temporaire.frq");

/// A side file line, or nothing for one that is not of the form (damaged, edited by hand).
std::optional<std::pair<QString, qint64>> parse(const QString &fileLine) {
    if (fileLine.size() <= hzWidth + 1 || fileLine.at(hzWidth) != QLatin1Char(' '))
        return std::nullopt;
    bool ok = false;
    const qint64 hz = fileLine.left(hzWidth).trimmed().toLongLong(&ok);
    if (!ok || hz <= 0)
        return std::nullopt;
    return std::pair{fileLine.mid(hzWidth + 1), hz};
}

} // namespace

QsoFrequencies::QsoFrequencies(const QString &logPath)
    : logPath_(logPath), path_(pathFor(logPath)) {}

QString QsoFrequencies::pathFor(const QString &logPath) {
    return sidefile::pathFor(logPath, QStringLiteral(".frq"));
}

QString QsoFrequencies::fileLine(const QString &line, qint64 hz) {
    return QStringLiteral("%1 ").arg(hz, hzWidth, 10, QLatin1Char(' ')) + line;
}

std::optional<qint64> QsoFrequencies::Reading::of(const QString &line) const {
    const auto it = byLine.constFind(line);
    if (it == byLine.constEnd())
        return std::nullopt;
    return *it;
}

QsoFrequencies::Reading QsoFrequencies::read() const {
    Reading reading;
    reading.status = sidefile::read(path_, reading.byLine, parse);
    if (!reading.status)
        reading.byLine.clear();
    return reading;
}

IoResult QsoFrequencies::append(const QString &line, qint64 hz) {
    if (hz <= 0)
        return IoResult::success();
    return appendTextLine(path_, fileLine(line, hz));
}

IoResult QsoFrequencies::rewrite(
    const std::function<std::optional<std::pair<QString, qint64>>(const QString &, qint64)>
        &change) {
    const Reading kept = read();
    if (!kept.status)
        return kept.status;
    if (kept.byLine.isEmpty() && !fileExists(path_))
        return IoResult::success();
    QHash<QString, qint64> next;
    for (auto it = kept.byLine.constBegin(); it != kept.byLine.constEnd(); ++it)
        if (const auto changed = change(it.key(), it.value()))
            next.insert(changed->first, changed->second);
    const ActivityLog::Lines log = ActivityLog(logPath_).read();
    if (!log.status)
        return log.status;
    // In the log's order, and only for the lines it holds: the file stays in step with it.
    QStringList lines;
    QSet<QString> written;
    for (const QString &line : log.lines) {
        const auto it = next.constFind(line);
        if (it != next.constEnd() && !written.contains(line)) {
            lines.append(fileLine(line, *it));
            written.insert(line);
        }
    }
    return writeTextFile(path_, lines, scratchName);
}

IoResult QsoFrequencies::replace(const QString &newLine, const QString &oldLine) {
    const QString band = readQsoLine(newLine).band;
    return rewrite(
        [&](const QString &line, qint64 hz) -> std::optional<std::pair<QString, qint64>> {
            if (line != oldLine)
                return std::pair{line, hz};
            if (!radio::bandHolds(band, hz))
                return std::nullopt;
            return std::pair{newLine, hz};
        });
}

QsoFrequencies::Removed QsoFrequencies::remove(const QString &line) {
    Removed removed;
    removed.status =
        rewrite([&](const QString &l, qint64 hz) -> std::optional<std::pair<QString, qint64>> {
            if (l == line) {
                removed.hz = hz;
                return std::nullopt;
            }
            return std::pair{l, hz};
        });
    if (!removed.status)
        removed.hz.reset();
    return removed;
}

IoResult QsoFrequencies::copyTo(const QString &otherLogPath) const {
    return sidefile::copy(path_, pathFor(otherLogPath), scratchName);
}

} // namespace zep
