#pragma once

#include "core/io/IoResult.h"
#include "core/io/TextFile.h"
#include "core/log/LogJournal.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace zep {

/// Whole-file scans on the raw Windows-1252 bytes, for the operations that look at every line
/// of a large file (a 100,000-entry first-name memory) and must cost little more than reading
/// it: one byte is one character, so columns are byte offsets and nothing is decoded but the
/// line that is wanted.
namespace rawfile {

/// A file's raw bytes (the same reading as readFileBytes).
using Bytes = FileBytes;
inline Bytes read(const QString &path) {
    return readFileBytes(path);
}

/// What a rewrite that may create its file starts from: the new line in the code page and the
/// file's present bytes (none when it does not exist yet). A failure means nothing was touched.
struct RewriteStart {
    IoResult status;
    QByteArray line;
    QByteArray file;
};
RewriteStart startRewrite(const QString &path, const QString &line);

/// Calls `f(QByteArrayView line)` for each line, cut as readTextFile cuts them: CR LF or a lone
/// LF ends a line, a last line without its end still counts, no line end is passed on.
template <class F> void forEachLine(QByteArrayView bytes, F &&f) {
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    while (start < size) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = size;
        qsizetype stop = end;
        if (end < size && stop > start && bytes.at(stop - 1) == '\r')
            --stop;
        f(bytes.sliced(start, stop - start));
        start = end + 1;
    }
}

/// The common start and the common end of two versions of a file, in bytes, both cut at line
/// starts and never overlapping: the lines between are exactly the lines that changed. Found
/// on the bytes a block at a time, so that a change of one line in a log of years costs little
/// more than comparing the two.
struct SameEnds {
    qsizetype head = 0, tail = 0;
};
SameEnds sameEnds(QByteArrayView old, QByteArrayView now);

/// How many lines a region that starts at a line start holds (a last line without its end
/// counts).
qsizetype linesIn(QByteArrayView bytes);

/// The refusal for text the code page cannot hold, worded as the file writers word it.
IoResult unencodable(const QString &path, const QString &text);

/// The log's bytes with `lines` (in the code page, without line end) placed as
/// ActivityLog::insertChronologically places them when called for each line in the order
/// given: each before the first line of the same minute or later, lines of the same minute
/// the latest entered first. A whole batch costs one pass over the log. Every line of the
/// result ends with CR LF; a line given whose date or time cannot be read goes at the end.
QByteArray insertedChronologically(QByteArrayView file, const QList<QByteArray> &lines);

} // namespace rawfile

/// The activity log file of one reference: one 104-column QSO line per QSO, in Windows-1252
/// with CR LF. The QSO number is the line's position. Every change other than an append
/// rewrites the whole file through a scratch file, so the log is never left half-written.
class ActivityLog {
public:
    explicit ActivityLog(QString path);

    struct Lines {
        IoResult status;
        QStringList lines;
        /// See LogReading::version: 0 when the log does not exist or cannot be read.
        quint64 version = 0;
        QString key; ///< the log's absolute path, where its changes are kept

        /// The reading as the followers of the log take it.
        LogReading reading() const;
    };

    const QString &path() const { return path_; }

    /// The QSO lines in file order; a log that does not exist yet reads as empty. A log that has
    /// not changed since it was last read (same file, size and change times, and last changed
    /// well before that read) is not decoded again; one that changed has only its changed lines
    /// decoded, and the change is recorded for the log's followers (see LogReading).
    Lines read() const;

    /// Adds a live QSO at the end of the log, creating the file when needed.
    IoResult append(const QString &line);

    /// Makes the log at `to` an exact copy of this one (the second log of a double activation).
    /// A log that holds this one's lines but the last ones gets those lines appended; any other
    /// is replaced whole through the scratch file, so it is never missing, even for a moment.
    IoResult copyTo(const QString &to) const;

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
    static std::optional<QList<LogChange>> changesOf(const QString &key, quint64 since);

    QString path_;
};

} // namespace zep
