#include "core/log/CorrectionHistory.h"

#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"
#include "core/log/QsoFrequencies.h"
#include "core/log/QsoLine.h"

#include <QFileInfo>

#include <algorithm>

namespace zep {

namespace {

using Lines = QList<QByteArray>;

Lines linesOf(QByteArrayView bytes) {
    Lines lines;
    rawfile::forEachLine(bytes, [&](QByteArrayView line) { lines.append(line.toByteArray()); });
    return lines;
}

QByteArray bytesOf(const Lines &lines) {
    qsizetype size = 0;
    for (const QByteArray &line : lines)
        size += line.size() + 2;
    QByteArray out;
    out.reserve(size);
    for (const QByteArray &line : lines) {
        out.append(line);
        out.append("\r\n", 2);
    }
    return out;
}

QString callOf(const QByteArray &line) {
    return readQsoLine(cp1252::decode(line)).call;
}

QString fileName(const QString &path) {
    return QFileInfo(path).fileName();
}

/// Adds a line to the hunk that ends where it goes, or starts a new hunk there.
FileCorrection::Hunk &hunkAt(QList<FileCorrection::Hunk> &hunks, qsizetype at) {
    if (hunks.isEmpty() || hunks.last().at + hunks.last().added.size() != at)
        hunks.append({at, {}, {}, {}, {}});
    return hunks.last();
}

/// The changed middle of a file, `before` and `after` starting at line `head`, as the fewest
/// places the three kinds of correction make: lines rewritten in place (an edit, every copy of
/// a QSO), lines put in (an insertion, a restore, an import) or lines taken out (a deletion).
/// Anything else is one place, the whole middle.
QList<FileCorrection::Hunk> hunksOf(const Lines &before, const Lines &after, qsizetype head) {
    QList<FileCorrection::Hunk> hunks;
    if (before.size() == after.size()) {
        for (qsizetype i = 0; i < before.size(); ++i)
            if (before.at(i) != after.at(i)) {
                FileCorrection::Hunk &h = hunkAt(hunks, head + i);
                h.removed.append(before.at(i));
                h.added.append(after.at(i));
            }
        return hunks;
    }
    // The shorter one read in order inside the longer one: every other line of the longer one
    // is a line put in (or taken out).
    const bool grew = after.size() > before.size();
    const Lines &longer = grew ? after : before;
    const Lines &shorter = grew ? before : after;
    qsizetype kept = 0;
    for (qsizetype i = 0; i < longer.size(); ++i) {
        if (kept < shorter.size() && longer.at(i) == shorter.at(kept)) {
            ++kept;
            continue;
        }
        if (grew) {
            hunkAt(hunks, head + i).added.append(longer.at(i));
        } else {
            // A line taken out stands before the `kept`-th line of what is left.
            const qsizetype at = head + kept;
            if (hunks.isEmpty() || hunks.last().at != at)
                hunks.append({at, {}, {}, {}, {}});
            hunks.last().removed.append(longer.at(i));
        }
    }
    if (kept == shorter.size())
        return hunks;
    return {{head, before, after, {}, {}}};
}

/// Whether `h` can be taken back at line `at` of the present lines.
bool holdsAt(const FileCorrection::Hunk &h, const Lines &now, qsizetype at) {
    if (at < 0 || at + h.added.size() > now.size())
        return false;
    for (qsizetype k = 0; k < h.added.size(); ++k)
        if (now.at(at + k) != h.added.at(k))
            return false;
    if (!h.added.isEmpty())
        return true;
    // Lines to put back: between the same neighbours as when they went. Without a line below,
    // they went from the end of the file; whatever follows now came later (live QSOs) and
    // stays after them.
    if (h.above ? (at == 0 || now.at(at - 1) != *h.above) : at != 0)
        return false;
    return !h.below || (at < now.size() && now.at(at) == *h.below);
}

QString refusal(const QString &path, const FileCorrection::Hunk &h) {
    if (h.added.isEmpty())
        return QStringLiteral("Impossible d'annuler la dernière correction : le journal \"%1\" "
                              "a changé autour de la place du QSO %2. Le journal reste inchangé.")
            .arg(fileName(path), callOf(h.removed.value(0)));
    return QStringLiteral("Impossible d'annuler la dernière correction : le QSO %2 n'est plus "
                          "dans le journal \"%1\" tel que la correction l'a laissé. Le journal "
                          "reste inchangé.")
        .arg(fileName(path), callOf(h.added.at(0)));
}

} // namespace

FileCorrection FileCorrection::between(const QString &path, QByteArrayView before,
                                       QByteArrayView after) {
    FileCorrection change;
    change.path = path;
    // The lines the same at both ends are found on the bytes, without making a line of them:
    // a correction in a log of years changes a line or two of 100,000. The common start goes
    // back to a line start, the common end forward to one, and they never overlap.
    const auto [start, end] = rawfile::sameEnds(before, after);
    const QByteArrayView headBytes = after.first(start);
    const QByteArrayView tailBytes = after.last(end);
    const qsizetype headLines = rawfile::linesIn(headBytes);
    const Lines was = linesOf(before.sliced(start, before.size() - end - start));
    const Lines is = linesOf(after.sliced(start, after.size() - end - start));
    const qsizetype tailLines = rawfile::linesIn(tailBytes);
    change.lines = headLines + is.size() + tailLines;

    // Within the middle, lines told apart only by their line end are the same lines.
    const qsizetype middle = std::min(was.size(), is.size());
    qsizetype head = 0;
    while (head < middle && was.at(head) == is.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < middle - head && was.at(was.size() - 1 - tail) == is.at(is.size() - 1 - tail))
        ++tail;
    change.hunks = hunksOf(was.sliced(head, was.size() - tail - head),
                           is.sliced(head, is.size() - tail - head), headLines + head);

    // A line of the corrected file by its number: the middle's, else the last of the common
    // start or the first of the common end, the only ones next to a place.
    const auto lineAt = [&](qsizetype i) -> QByteArray {
        if (i >= headLines && i < headLines + is.size())
            return is.at(i - headLines);
        const bool inHead = i < headLines;
        QByteArrayView bytes = inHead ? headBytes : tailBytes;
        qsizetype n = inHead ? 0 : headLines + is.size();
        if (inHead && i == headLines - 1) {
            // The common start ends with this line's end.
            const qsizetype from = bytes.first(bytes.size() - 1).lastIndexOf('\n') + 1;
            bytes = bytes.sliced(from);
            n = i;
        } else if (!inHead && i == n) {
            // The first line of the common end.
            bytes =
                bytes.first(bytes.indexOf('\n') + 1 > 0 ? bytes.indexOf('\n') + 1 : bytes.size());
        }
        QByteArray found;
        rawfile::forEachLine(bytes, [&](QByteArrayView line) {
            if (n++ == i)
                found = line.toByteArray();
        });
        return found;
    };
    for (Hunk &h : change.hunks) {
        if (h.at > 0)
            h.above = lineAt(h.at - 1);
        if (h.at + h.added.size() < change.lines)
            h.below = lineAt(h.at + h.added.size());
    }
    return change;
}

FileCorrection::Undone FileCorrection::undo(QByteArrayView now) const {
    const Lines present = linesOf(now);
    // Lines added or taken out since, before a place, move it by the difference of the line
    // counts; elsewhere it stays where the correction left it.
    const qsizetype moved = present.size() - lines;
    Undone undone;
    QList<qsizetype> places;
    for (const Hunk &h : hunks) {
        const qsizetype floor =
            places.isEmpty() ? 0 : places.last() + hunks.at(places.size() - 1).added.size();
        qsizetype at = -1;
        for (const qsizetype candidate : {h.at, h.at + moved})
            if (candidate >= floor && holdsAt(h, present, candidate)) {
                at = candidate;
                break;
            }
        if (at < 0) {
            undone.refusal = refusal(path, h);
            return undone;
        }
        places.append(at);
    }
    Lines out;
    out.reserve(present.size() + 16);
    qsizetype from = 0;
    for (qsizetype i = 0; i < hunks.size(); ++i) {
        out.append(present.sliced(from, places.at(i) - from));
        out.append(hunks.at(i).removed);
        from = places.at(i) + hunks.at(i).added.size();
    }
    out.append(present.sliced(from));
    undone.bytes = bytesOf(out);
    undone.firstLine = places.value(0);
    return undone;
}

QString Correction::undoneText(qsizetype firstLine) const {
    const FileCorrection::Hunk first = files.value(0).hunks.value(0);
    const QString number = QString::number(firstLine + 1);
    switch (kind) {
    case CorrectionKind::Edit:
    case CorrectionKind::Deletion:
        return QStringLiteral("Correction annulée : QSO %1 %2 rétabli")
            .arg(number, callOf(first.removed.value(0)));
    case CorrectionKind::Restore:
        return QStringLiteral("Correction annulée : QSO %1 %2 de nouveau effacé")
            .arg(number, callOf(first.added.value(0)));
    case CorrectionKind::Insertion:
        return QStringLiteral("Correction annulée : QSO %1 %2 inséré, retiré du log")
            .arg(number, callOf(first.added.value(0)));
    case CorrectionKind::Import: {
        qsizetype count = 0;
        for (const FileCorrection::Hunk &h : files.value(0).hunks)
            count += h.added.size();
        return QStringLiteral("Correction annulée : import ADIF de %1 QSO retiré du log")
            .arg(count);
    }
    }
    return {};
}

CorrectionHistory::Before CorrectionHistory::before(const QStringList &logs) {
    Before before;
    QStringList paths = logs;
    for (const QString &log : logs)
        paths.append(QsoFrequencies::pathFor(log));
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const rawfile::Bytes read = rawfile::read(paths.at(i));
        before.files.append({paths.at(i), i >= logs.size(), !read.missing,
                             read.status || read.missing, read.bytes});
    }
    return before;
}

void CorrectionHistory::record(const Before &before, CorrectionKind kind) {
    Correction correction{kind, {}};
    for (const Before::File &file : before.files) {
        const rawfile::Bytes now = rawfile::read(file.path);
        if (!file.readable || (!now.status && !now.missing)) {
            // A log whose lines are not known cannot be taken back; a side file only loses
            // its frequencies.
            if (!file.follows)
                return;
            continue;
        }
        FileCorrection change = FileCorrection::between(file.path, file.bytes, now.bytes);
        change.existed = file.existed;
        change.follows = file.follows;
        if (!change.isEmpty())
            correction.files.append(std::move(change));
    }
    if (correction.files.isEmpty() || correction.files.first().follows)
        return;
    stack_.push_back(std::move(correction));
    if (size() > depth)
        stack_.erase(stack_.begin());
    changed();
}

QStringList CorrectionHistory::lastLogs() const {
    QStringList logs;
    if (!stack_.empty())
        for (const FileCorrection &file : stack_.back().files)
            if (!file.follows)
                logs.append(file.path);
    return logs;
}

std::optional<CorrectionKind> CorrectionHistory::lastKind() const {
    if (stack_.empty())
        return std::nullopt;
    return stack_.back().kind;
}

void CorrectionHistory::clear() {
    stack_.clear();
    changed();
}

void CorrectionHistory::changed() {
    if (onChange_)
        onChange_();
}

CorrectionHistory::Result CorrectionHistory::undoLast() {
    Result result;
    if (stack_.empty()) {
        result.message = QStringLiteral("Aucune correction à annuler.");
        return result;
    }
    Correction &correction = stack_.back();

    // Every log is checked before anything is written.
    struct Planned {
        qsizetype file;
        QByteArray bytes, previous;
        bool existedBefore; ///< whether the file exists now, to put back after a failure
    };
    QList<Planned> planned;
    qsizetype firstLine = 0;
    for (qsizetype i = 0; i < correction.files.size(); ++i) {
        const FileCorrection &file = correction.files.at(i);
        const rawfile::Bytes now = rawfile::read(file.path);
        if (!now.status && !now.missing) {
            if (file.follows)
                continue;
            result.message = now.status.message; // the log may be read again later
            return result;
        }
        const FileCorrection::Undone undone = file.undo(now.bytes);
        if (!undone.bytes) {
            // A side file out of step with its log costs the frequencies of its lines, never
            // the undo of the log.
            if (file.follows)
                continue;
            // The log changed in another way: this correction can never be taken back, and
            // it no longer stands in the way of the ones before it.
            result.message =
                undone.refusal + QStringLiteral("\nCette correction est retirée des corrections à "
                                                "annuler.");
            stack_.pop_back();
            changed();
            return result;
        }
        if (planned.isEmpty())
            firstLine = undone.firstLine;
        planned.append({i, *undone.bytes, now.bytes, !now.missing});
    }

    const auto write = [&](const QString &path, const QByteArray &bytes, bool exists) {
        return !exists && bytes.isEmpty() ? removeFile(path) : writeBytesFile(path, bytes);
    };
    QList<qsizetype> written;
    for (const Planned &p : planned) {
        const FileCorrection &file = correction.files.at(p.file);
        const IoResult done = write(file.path, p.bytes, file.existed);
        if (done) {
            written.append(p.file);
            continue;
        }
        if (file.follows) {
            result.warnings.append(done.message);
            continue;
        }
        // A log could not be written: the logs already undone are put back as they were, so
        // that the correction stays whole on the history.
        result.message = done.message;
        QList<qsizetype> stuck;
        for (const Planned &back : planned) {
            if (!written.contains(back.file))
                continue;
            const FileCorrection &other = correction.files.at(back.file);
            const IoResult restored = write(other.path, back.previous, back.existedBefore);
            if (!restored) {
                stuck.append(back.file);
                result.message += QLatin1Char('\n') + restored.message;
            }
        }
        // What could not be put back is undone for good: only the rest stays to be undone.
        for (qsizetype i = stuck.size() - 1; i >= 0; --i)
            correction.files.removeAt(stuck.at(i));
        if (std::none_of(correction.files.cbegin(), correction.files.cend(),
                         [](const FileCorrection &f) { return !f.follows; }))
            stack_.pop_back();
        if (!stuck.isEmpty())
            changed();
        return result;
    }

    result.undone = true;
    result.message = correction.undoneText(firstLine);
    stack_.pop_back();
    changed();
    return result;
}

} // namespace zep
