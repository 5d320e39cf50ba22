#pragma once

#include "core/IoResult.h"

#include <QString>
#include <QStringList>

namespace zep {

/// The activity log file of one reference: one 104-column QSO line per QSO, in Windows-1252
/// with CR LF. The QSO number is the line's position. Every change other than an append
/// rewrites the whole file through a scratch file, so the log is never left half-written.
class ActivityLog {
public:
    explicit ActivityLog(QString path);

    struct Lines {
        IoResult status;
        QStringList lines;
    };

    const QString &path() const { return path_; }

    /// The QSO lines in file order; a log that does not exist yet reads as empty.
    Lines read() const;

    /// Adds a live QSO at the end of the log, creating the file when needed.
    IoResult append(const QString &line);

    /// Puts `newLine` in place of every line exactly equal to `oldLine` (an edited QSO keeps
    /// its place). Fails, leaving the log as it was, when no line equals `oldLine`.
    IoResult replace(const QString &newLine, const QString &oldLine);

    /// Leaves out every line exactly equal to `line` (a QSO present twice goes twice).
    IoResult remove(const QString &line);

    /// Places `line` before the first QSO of the same minute or later (at the end when every QSO
    /// is earlier). A line whose date or time cannot be read is refused; an existing line whose
    /// date or time cannot be read keeps its place and is not compared.
    IoResult insertChronologically(const QString &line);

private:
    QString path_;
};

} // namespace zep
