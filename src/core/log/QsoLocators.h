#pragma once

#include "core/io/IoResult.h"

#include <QHash>
#include <QString>

#include <optional>

namespace zep {

/// The locator of the station worked, for the QSOs that came with one (those logged by the
/// FT8 and FT4 programs), kept beside the activity log in "<reference>.loc" (Windows-1252,
/// CR LF). One line per QSO: columns 1-8 the locator, left-aligned; column 9 a blank; from
/// column 10 the QSO's 104-column line exactly as the log holds it.
///
/// As with the frequencies, the log is the master: a locator belongs to the QSO line it
/// stands beside, so a QSO corrected afterwards no longer matches and loses it, and no
/// locator ever lands on another QSO.
class QsoLocators {
public:
    explicit QsoLocators(const QString &logPath);
    static QString pathFor(const QString &logPath);
    const QString &path() const { return path_; }

    struct Reading {
        IoResult status; ///< a missing file reads as empty and succeeds
        QHash<QString, QString> byLine;
        std::optional<QString> of(const QString &line) const;
    };
    Reading read() const;

    /// Keeps `grid` (a checked locator of 2 to 8 characters) with the QSO line just written.
    IoResult append(const QString &line, const QString &grid);
    /// Makes the side file of the log at `otherLogPath` a copy of this one.
    IoResult copyTo(const QString &otherLogPath) const;

    static QString fileLine(const QString &line, const QString &grid);

private:
    QString path_;
};

} // namespace zep
