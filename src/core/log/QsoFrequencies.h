#pragma once

#include "core/io/IoResult.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace zep {

/// The radio's frequency of each QSO validated while the radio answered, kept beside the
/// activity log in "<reference>.frq" (Windows-1252, CR LF). One line per QSO that has a
/// frequency: columns 1-11 the frequency in hertz, right-aligned; column 12 a blank; from
/// column 13 the QSO's 104-column line exactly as the log holds it.
///
/// The log is the master. A frequency belongs to the QSO line it stands beside, not to a
/// position, so an insertion moves nothing, and a side file that is missing, damaged or out
/// of step with the log costs the frequencies of the lines that no longer match, never puts
/// one QSO's frequency on another. Every change rewrites or appends through the crash-safe
/// file path, after the log's own change.
class QsoFrequencies {
public:
    /// The side file of the log at `logPath`.
    explicit QsoFrequencies(const QString &logPath);
    static QString pathFor(const QString &logPath);

    const QString &path() const { return path_; }

    struct Reading {
        IoResult status; ///< a missing file reads as empty and succeeds
        QHash<QString, qint64> byLine;

        /// The frequency in hertz kept with the QSO line `line`.
        std::optional<qint64> of(const QString &line) const;
    };
    Reading read() const;

    /// Keeps `hz` with the QSO line just appended to the log.
    IoResult append(const QString &line, qint64 hz);

    /// The log's `oldLine` became `newLine` (a correction): its frequency goes with it while
    /// the corrected band still holds it, and is dropped when the band was changed to one that
    /// does not. Lines the log no longer holds are dropped on the way.
    IoResult replace(const QString &newLine, const QString &oldLine);

    /// The log's `line` was deleted: its frequency is dropped and returned, for a restore.
    struct Removed {
        IoResult status;
        std::optional<qint64> hz;
    };
    Removed remove(const QString &line);

    /// Makes the side file of the log at `otherLogPath` (the second reference's, an exact copy
    /// of this log) a copy of this one.
    IoResult copyTo(const QString &otherLogPath) const;

    /// The side file's line for a QSO line and its frequency.
    static QString fileLine(const QString &line, qint64 hz);

private:
    /// Rewrites the file from the log's present lines, `change` giving each kept frequency its
    /// line (or none to drop it).
    IoResult
    rewrite(const std::function<std::optional<std::pair<QString, qint64>>(const QString &line,
                                                                          qint64 hz)> &change);

    QString logPath_;
    QString path_;
};

} // namespace zep
