#pragma once

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

namespace zep {

/// One change of a log between two of its readings: the lines [at, at + removed.size()) of the
/// earlier reading became `added`. A live QSO is a change at the end with one line added, an
/// edited QSO one line removed and one added at its place.
struct LogChange {
    qsizetype at = 0;
    QStringList removed;
    QStringList added;

    bool samePlaces() const { return removed.size() == added.size(); }
};

/// A reading of a log for what follows it (the QSO list, the operator count, the departments
/// strip, the duplicate search): the lines, the version they are, and the way from an earlier
/// version. A follower that saw an earlier version applies the changes since, so that a log of
/// years costs its changed lines, not its 100,000 lines.
struct LogReading {
    QStringList lines;
    /// Names this content of this log; 0 names nothing (a log that cannot be read, or lines
    /// that come from no log), and a follower then starts afresh.
    quint64 version = 0;
    /// The changes from an earlier version of the same log to `version`, oldest first; nothing
    /// when that version is not known (too old, of another log, 0).
    std::function<std::optional<QList<LogChange>>(quint64 since)> changesSince;
};

/// Brings a follower from the version it saw (`seen`) to `now`: `apply` for each change when
/// the way is known, `restart` with the lines otherwise. `apply` returns false when it cannot
/// take a change; the follower then restarts from the lines.
template <class Apply, class Restart>
void followLog(quint64 &seen, const LogReading &now, Apply &&apply, Restart &&restart) {
    if (now.version != 0 && seen == now.version)
        return;
    std::optional<QList<LogChange>> changes;
    if (seen != 0 && now.version != 0 && now.changesSince)
        changes = now.changesSince(seen);
    bool applied = changes.has_value();
    if (changes)
        for (const LogChange &change : *changes)
            if (!(applied = apply(change)))
                break;
    if (!applied)
        restart(now.lines);
    seen = now.version;
}

/// Whether a follower that saw version `seen` reaches `now` by the changes since (or is there):
/// otherwise its next follow counts the whole log again.
inline bool reachable(quint64 seen, const LogReading &now) {
    if (now.version != 0 && seen == now.version)
        return true;
    return seen != 0 && now.version != 0 && now.changesSince && now.changesSince(seen).has_value();
}

/// followLog for a follower that counts each line: `count(line, -1)` for each line a change
/// removed and `count(line, 1)` for each it added; when it starts afresh, `clear()` then each
/// line counted.
template <class Count, class Clear>
void followLogLines(quint64 &seen, const LogReading &now, Count &&count, Clear &&clear) {
    followLog(
        seen, now,
        [&count](const LogChange &change) {
            for (const QString &line : change.removed)
                count(line, -1);
            for (const QString &line : change.added)
                count(line, 1);
            return true;
        },
        [&count, &clear](const QStringList &lines) {
            clear();
            for (const QString &line : lines)
                count(line, 1);
        });
}

} // namespace zep
