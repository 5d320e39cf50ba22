#include "core/log/ActivityLog.h"

#include "core/io/TextFile.h"
#include "core/log/QsoLine.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cstring>

#include <sys/stat.h>
#include <time.h>

namespace zep {

namespace {

const QString scratchName = QStringLiteral("Temporaire.txt");
const QString insertionScratchName = QStringLiteral("Temporaire6.txt");

QString fileName(const QString &path) {
    return QFileInfo(path).fileName();
}

/// A line holding a line end would come back from the file as two lines, the QSO cut in two.
bool holdsLineEnd(const QString &line) {
    return line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r'));
}

IoResult lineEndRefused() {
    return IoResult::failure(
        QStringLiteral("La ligne du QSO contient un saut de ligne : le journal reste inchangé."));
}

void appendLine(QByteArray &out, QByteArrayView line) {
    out.append(line);
    out.append("\r\n", 2);
}

/// Where `needle` (not empty) first stands in `bytes` from `from`, or -1: the C library's search,
/// several times faster than QByteArrayView::indexOf on a log of megabytes.
qsizetype find(QByteArrayView bytes, QByteArrayView needle, qsizetype from) {
    if (needle.isEmpty() || bytes.size() - from < needle.size())
        return -1; // and no null pointer reaches memmem
    const void *hit = ::memmem(bytes.data() + from, size_t(bytes.size() - from), needle.data(),
                               size_t(needle.size()));
    return hit ? static_cast<const char *>(hit) - bytes.data() : -1;
}

/// Whether every line of `bytes` ends with CR LF, the last one too: written again line by line,
/// such a file comes out byte for byte as it is.
bool crlfThroughout(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return true;
    if (!bytes.endsWith("\r\n"))
        return false;
    const char *const begin = bytes.data();
    for (const char *p = begin, *end = p + bytes.size();
         (p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)))) != nullptr; ++p)
        if (p == begin || p[-1] != '\r')
            return false;
    return true;
}

// --- The decoded log kept between reads ---------------------------------------------------

/// What identifies one state of a file: a rewrite gives a new file (device and inode), an
/// append a new size, and any change a new status-change time that no program can set back.
struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{}, changed{};

    bool operator==(const FileState &o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

std::optional<FileState> stateOf(const QString &path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return FileState{info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

qint64 nanoseconds(const timespec &t) {
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

/// File times advance in clock ticks (a few milliseconds on some systems): a change made in
/// the same tick as a read could leave every time as it was. So a state is only trusted when
/// the file last changed clearly before the read began: any later change then shows.
constexpr qint64 timestampTick = 50'000'000; // ns, well above any kernel tick

/// A change of the kept lines, recorded for the followers of the log (see LogReading).
struct Journaled {
    quint64 from = 0; ///< the version the change starts from
    LogChange change;
};

/// The lines of a log as last read, with the bytes they came from. The bytes make the cache
/// exact whatever the file times say: a log read again with the same bytes gives the same lines,
/// and a log that changed by a few lines (an append after every live QSO, an edited QSO) has
/// only those lines decoded.
struct CachedLog {
    FileState state;
    bool stateTrusted = false; ///< the state alone may stand for the bytes (see timestampTick)
    QByteArray bytes;
    QStringList lines;
    quint64 version = 0; ///< see LogReading::version
    /// The last changes, oldest first, each from the version before it to the next; the last
    /// one leads to `version`.
    std::vector<Journaled> journal;
};

/// Every content of every log read gets its own number; numbers are never reused, even for
/// another file or after the table was emptied.
quint64 newVersion() {
    static quint64 last = 0;
    return ++last;
}

/// Records a change of the kept lines under a new version. A large change (a log replaced by
/// another program) is not kept line by line: its followers start afresh.
void record(CachedLog &log, LogChange change) {
    constexpr qsizetype largestChange = 1024; // lines
    constexpr size_t changesKept = 64;
    const quint64 from = log.version;
    log.version = newVersion();
    if (change.removed.size() + change.added.size() > largestChange) {
        log.journal.clear();
        return;
    }
    if (log.journal.size() >= changesKept)
        log.journal.erase(log.journal.begin());
    log.journal.push_back({from, std::move(change)});
}

/// Adds whole lines at the end of the kept reading.
void grow(CachedLog &log, QStringList added) {
    LogChange change{log.lines.size(), {}, added};
    log.lines.append(std::move(added));
    record(log, std::move(change));
}

/// The lines of a region of a log that starts at a line start, decoded one by one.
QStringList decodeLines(QByteArrayView bytes) {
    QStringList lines;
    rawfile::forEachLine(bytes, [&](QByteArrayView line) { lines.append(cp1252::decode(line)); });
    return lines;
}

/// The length of the common start of two byte strings, compared a block at a time.
qsizetype commonStart(QByteArrayView a, QByteArrayView b) {
    const qsizetype common = std::min(a.size(), b.size());
    constexpr qsizetype block = 4096;
    qsizetype at = 0;
    while (at + block <= common && std::memcmp(a.data() + at, b.data() + at, block) == 0)
        at += block;
    while (at < common && a[at] == b[at])
        ++at;
    return at;
}

/// The length of the common end of two byte strings, at most `limit`.
qsizetype commonEnd(QByteArrayView a, QByteArrayView b, qsizetype limit) {
    constexpr qsizetype block = 4096;
    qsizetype n = 0;
    while (n + block <= limit && std::memcmp(a.data() + a.size() - n - block,
                                             b.data() + b.size() - n - block, block) == 0)
        n += block;
    while (n < limit && a[a.size() - 1 - n] == b[b.size() - 1 - n])
        ++n;
    return n;
}

bool startsLine(QByteArrayView bytes, qsizetype at) {
    return at == 0 || bytes[at - 1] == '\n';
}

/// The kept lines brought to the file's new bytes. Only the lines between the common start and
/// the common end of the old and new bytes are decoded; every other line stays the string it
/// was, so that an edited QSO in a log of years costs its own line. Both common parts are cut
/// at line starts, so the lines between are exactly the lines that changed.
void relines(CachedLog &log, const QByteArray &bytes) {
    const QByteArrayView old(log.bytes), now(bytes);
    const auto [head, tail] = rawfile::sameEnds(old, now);
    using rawfile::linesIn;
    const qsizetype at = linesIn(old.first(head));
    const qsizetype gone = linesIn(old.sliced(head, old.size() - tail - head));
    const QStringList come = decodeLines(now.sliced(head, now.size() - tail - head));
    LogChange change{at, log.lines.sliced(at, gone), come};
    if (gone == come.size()) {
        for (qsizetype i = 0; i < come.size(); ++i)
            log.lines[at + i] = come.at(i);
    } else {
        QStringList lines;
        lines.reserve(log.lines.size() - gone + come.size());
        lines.append(log.lines.first(at));
        lines.append(come);
        lines.append(log.lines.sliced(at + gone));
        log.lines = std::move(lines);
    }
    record(log, std::move(change));
}

/// Whether the file holds exactly `bytes`, read a block at a time into one buffer.
bool fileHolds(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    constexpr qsizetype block = 256 * 1024;
    static QByteArray buffer(block, Qt::Uninitialized);
    qsizetype at = 0;
    for (;;) {
        const qint64 n = file.read(buffer.data(), block);
        if (n < 0)
            return false;
        if (n == 0)
            return at == bytes.size();
        if (at + n > bytes.size() ||
            std::memcmp(buffer.constData(), bytes.constData() + at, size_t(n)) != 0)
            return false;
        at += n;
    }
}

/// One program thread reads the logs, so a plain table is enough; a handful of files at most.
QHash<QString, CachedLog> &logCache() {
    static QHash<QString, CachedLog> cache;
    return cache;
}

/// The log's entry in the table, brought up to date with the file; nullptr when the file does
/// not exist (`status` stays a success) or cannot be read (`status` says why). The entry stays
/// valid until the next reading.
CachedLog *readCached(const QString &path, IoResult &status) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const QString key = QFileInfo(path).absoluteFilePath();
    QHash<QString, CachedLog> &cache = logCache();
    const std::optional<FileState> before = stateOf(path);
    auto hit = cache.find(key);
    if (before && hit != cache.end() && hit->stateTrusted && hit->state == *before)
        return &*hit;
    // The state stands for the bytes only when the file did not move during the read and had
    // been still for a while.
    const auto settle = [&] {
        const std::optional<FileState> after = stateOf(path);
        hit->stateTrusted = before && after && *before == *after &&
                            nanoseconds(after->changed) < nanoseconds(now) - timestampTick;
        hit->state = after.value_or(FileState{});
    };
    // A log of the kept size whose times moved (touched, or written again the same) is compared
    // with the kept bytes as it is read, without a copy of a log of years.
    if (before && hit != cache.end() && before->size == hit->bytes.size() &&
        fileHolds(path, hit->bytes)) {
        settle();
        return &*hit;
    }

    rawfile::Bytes file = rawfile::read(path);
    if (file.missing)
        return nullptr;
    if (!file.status) {
        cache.remove(key);
        status = file.status;
        return nullptr;
    }

    if (hit == cache.end()) {
        if (cache.size() >= 8)
            cache.clear();
        hit = cache.insert(key, CachedLog{});
        hit->version = newVersion();
        hit->lines = decodeLines(file.bytes);
    } else if (hit->bytes == file.bytes) {
        // Same bytes: same lines, same version.
    } else if (file.bytes.startsWith(hit->bytes) &&
               (hit->bytes.isEmpty() || hit->bytes.endsWith('\n'))) {
        // The lines kept all ended with their line end: the new bytes are whole new lines, and
        // every line kept keeps its place.
        grow(*hit, decodeLines(QByteArrayView(file.bytes).sliced(hit->bytes.size())));
    } else {
        relines(*hit, file.bytes);
    }

    settle();
    hit->bytes = std::move(file.bytes);
    return &*hit;
}

/// After an append made here, the kept reading grows by the very bytes written, so the next
/// reading (the QSO list refreshed after a live QSO) does not read a log of years again to find
/// one line. This holds only when the kept reading stood for the file just before the append
/// (its state trusted and unchanged, its last line ended) and the file grew by exactly those
/// bytes on the same file; otherwise nothing is kept and the next reading reads the file.
void noteAppended(const QString &path, const std::optional<FileState> &before,
                  const QByteArray &bytes) {
    QHash<QString, CachedLog> &cache = logCache();
    const auto hit = cache.find(QFileInfo(path).absoluteFilePath());
    if (hit == cache.end())
        return;
    const std::optional<FileState> after = stateOf(path);
    const bool exact = before && after && hit->stateTrusted && hit->state == *before &&
                       (hit->bytes.isEmpty() || hit->bytes.endsWith('\n')) &&
                       after->device == before->device && after->inode == before->inode &&
                       after->size == before->size + bytes.size();
    if (!exact) {
        hit->stateTrusted = false;
        return;
    }
    hit->bytes.append(bytes);
    grow(*hit, decodeLines(bytes));
    hit->state = *after;
}

} // namespace

namespace rawfile {

SameEnds sameEnds(QByteArrayView old, QByteArrayView now) {
    qsizetype head = commonStart(old, now);
    while (!startsLine(old, head))
        --head;
    qsizetype tail = commonEnd(old, now, std::min(old.size(), now.size()) - head);
    if (!startsLine(old, old.size() - tail) || !startsLine(now, now.size() - tail)) {
        // Within the common end every byte is the same in both: its first line end is a line
        // start in both.
        const qsizetype firstEnd = old.sliced(old.size() - tail).indexOf('\n');
        tail = firstEnd < 0 ? 0 : tail - firstEnd - 1;
    }
    return {head, tail};
}

qsizetype linesIn(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return 0; // and no null pointer reaches memchr
    qsizetype n = 0;
    for (const char *p = bytes.data(), *end = p + bytes.size();
         (p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)))) != nullptr; ++p)
        ++n;
    if (!bytes.isEmpty() && bytes.back() != '\n')
        ++n;
    return n;
}

RewriteStart startRewrite(const QString &path, const QString &line) {
    RewriteStart start;
    if (!cp1252::encode(line, start.line)) {
        start.status = unencodable(path, line);
        return start;
    }
    FileBytes file = readFileBytes(path);
    if (!file.status && !file.missing)
        start.status = file.status;
    else
        start.file = std::move(file.bytes);
    return start;
}

IoResult unencodable(const QString &path, const QString &text) {
    return IoResult::failure(QStringLiteral("Impossible d'enregistrer le fichier \"%1\" : %2.\n"
                                            "Le fichier précédent est conservé.")
                                 .arg(fileName(path), unencodableMessage(text)));
}

QByteArray insertedChronologically(QByteArrayView file, const QList<QByteArray> &lines) {
    struct Entered {
        qint64 key;
        qsizetype index;
    };
    std::vector<Entered> entered;
    entered.reserve(size_t(lines.size()));
    std::vector<qsizetype> unreadable;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const std::optional<qint64> key = qsoOrderingNumber(QByteArrayView(lines.at(i))))
            entered.push_back({*key, i});
        else
            unreadable.push_back(i);
    }
    // Each line goes before the first line of the log of its minute or later; among the lines
    // entered there, the earlier minute first and, within a minute, the line entered last
    // first (it was placed before the others). The place in the log only moves forward with
    // the minute, so one pass over the log serves every line.
    std::sort(entered.begin(), entered.end(), [](const Entered &a, const Entered &b) {
        return a.key != b.key ? a.key < b.key : a.index > b.index;
    });
    QByteArray out;
    qsizetype added = 0;
    for (const QByteArray &line : lines)
        added += line.size() + 2;
    out.reserve(file.size() + added + 2);
    auto next = entered.cbegin();
    forEachLine(file, [&](QByteArrayView existing) {
        if (next != entered.cend()) {
            if (const std::optional<qint64> key = qsoOrderingNumber(existing))
                for (; next != entered.cend() && next->key <= *key; ++next)
                    appendLine(out, lines.at(next->index));
        }
        appendLine(out, existing);
    });
    for (; next != entered.cend(); ++next)
        appendLine(out, lines.at(next->index));
    for (const qsizetype i : unreadable)
        appendLine(out, lines.at(i));
    return out;
}

} // namespace rawfile

ActivityLog::ActivityLog(QString path) : path_(std::move(path)) {}

LogReading ActivityLog::Lines::reading() const {
    LogReading r{lines, version, {}};
    if (version != 0)
        r.changesSince = [key = key](quint64 since) { return changesOf(key, since); };
    return r;
}

std::optional<QList<LogChange>> ActivityLog::changesOf(const QString &key, quint64 since) {
    const QHash<QString, CachedLog> &cache = logCache();
    const auto hit = cache.find(key);
    if (hit == cache.end())
        return std::nullopt;
    if (since == hit->version)
        return QList<LogChange>();
    const auto from = std::find_if(hit->journal.begin(), hit->journal.end(),
                                   [&](const Journaled &j) { return j.from == since; });
    if (from == hit->journal.end())
        return std::nullopt;
    QList<LogChange> changes;
    for (auto j = from; j != hit->journal.end(); ++j)
        changes.append(j->change);
    return changes;
}

ActivityLog::Lines ActivityLog::read() const {
    IoResult status = IoResult::success();
    const CachedLog *log = readCached(path_, status);
    if (!log)
        return {status, {}, 0, {}};
    return {status, log->lines, log->version, QFileInfo(path_).absoluteFilePath()};
}

IoResult ActivityLog::append(const QString &line) {
    if (holdsLineEnd(line))
        return lineEndRefused();
    QByteArray bytes;
    if (!cp1252::encode(line, bytes))
        return rawfile::unencodable(path_, line);
    bytes.append("\r\n", 2);
    const std::optional<FileState> before = stateOf(path_);
    const IoResult done = appendLineBytes(path_, bytes);
    if (done)
        noteAppended(path_, before, bytes);
    return done;
}

IoResult ActivityLog::copyTo(const QString &to) const {
    IoResult status = IoResult::success();
    const CachedLog *source = readCached(path_, status);
    if (!status)
        return status;
    if (!source)
        return copyFileSafely(path_, to); // says that the log is missing
    // Taken before the second reading, which may move the kept readings.
    const QByteArray from = source->bytes;
    IoResult targetStatus = IoResult::success();
    const CachedLog *target = readCached(to, targetStatus);
    if (target && target->bytes == from)
        return IoResult::success();
    // The other log is this one but its last lines (a live QSO behind): those lines go to its
    // end, as a live QSO goes to a log, instead of a rewrite of years of QSOs.
    if (target && !target->bytes.isEmpty() && target->bytes.endsWith('\n') && from.endsWith('\n') &&
        from.size() > target->bytes.size() && from.startsWith(target->bytes)) {
        const QByteArray tail = from.sliced(target->bytes.size());
        const std::optional<FileState> before = stateOf(to);
        const IoResult done = appendLineBytes(to, tail);
        if (done)
            noteAppended(to, before, tail);
        return done;
    }
    return writeBytesFile(to, from, scratchName);
}

IoResult ActivityLog::replace(const QString &newLine, const QString &oldLine) {
    if (holdsLineEnd(newLine))
        return lineEndRefused();
    QByteArray newBytes, oldBytes;
    if (!cp1252::encode(newLine, newBytes))
        return rawfile::unencodable(path_, newLine);
    const bool oldStorable = cp1252::encode(oldLine, oldBytes);
    const rawfile::Bytes file = rawfile::read(path_);
    if (!file.status)
        return file.status;

    QByteArray out;
    out.reserve(file.bytes.size() + newBytes.size() + 2);
    bool found = false;
    if (oldStorable && !oldBytes.isEmpty() && crlfThroughout(file.bytes)) {
        // Rewritten line by line, such a file would come out as it is: only the lines found
        // change, and the rest is copied whole (a log of years is corrected in a few
        // milliseconds rather than line by line).
        const QByteArrayView bytes(file.bytes);
        qsizetype copied = 0;
        for (qsizetype at = find(bytes, oldBytes, 0); at >= 0;) {
            const qsizetype after = at + oldBytes.size();
            if ((at > 0 && bytes[at - 1] != '\n') || !bytes.sliced(after).startsWith("\r\n")) {
                at = find(bytes, oldBytes, at + 1);
                continue;
            }
            found = true;
            out.append(bytes.sliced(copied, at - copied));
            out.append(newBytes);
            copied = after;
            at = find(bytes, oldBytes, after);
        }
        out.append(bytes.sliced(copied));
    } else {
        rawfile::forEachLine(file.bytes, [&](QByteArrayView line) {
            const bool hit = oldStorable && line == oldBytes;
            found = found || hit;
            appendLine(out, hit ? QByteArrayView(newBytes) : line);
        });
    }
    // An edit whose QSO has left the file would otherwise vanish without a word.
    if (!found)
        return IoResult::failure(
            QStringLiteral("Le QSO à modifier est introuvable dans le journal \"%1\" : le "
                           "journal reste inchangé.")
                .arg(fileName(path_)));
    if (newBytes == oldBytes)
        return IoResult::success();
    return writeBytesFile(path_, out, scratchName);
}

IoResult ActivityLog::remove(const QString &line) {
    QByteArray gone;
    const bool storable = cp1252::encode(line, gone);
    const rawfile::Bytes file = rawfile::read(path_);
    if (!file.status)
        return file.status;

    QByteArray out;
    out.reserve(file.bytes.size());
    bool removed = false;
    rawfile::forEachLine(file.bytes, [&](QByteArrayView existing) {
        if (storable && existing == gone)
            removed = true;
        else
            appendLine(out, existing);
    });
    if (!removed)
        return IoResult::success(); // the QSO is already gone: nothing to rewrite
    return writeBytesFile(path_, out, scratchName);
}

IoResult ActivityLog::insertChronologically(const QString &line) {
    if (holdsLineEnd(line))
        return lineEndRefused();
    const std::optional<qint64> key = qsoOrderingNumber(line);
    if (!key)
        return IoResult::failure(
            QStringLiteral("La date \"%1\" ou l'heure \"%2\" du QSO n'est pas valide : le QSO "
                           "n'est pas inséré et le journal reste inchangé.")
                .arg(line.left(qsocol::dateWidth).trimmed(),
                     line.mid(qsocol::time - 1, qsocol::timeWidth).trimmed()));
    const rawfile::RewriteStart prepared = rawfile::startRewrite(path_, line);
    if (!prepared.status)
        return prepared.status;
    const QByteArray &bytes = prepared.line;

    // The new QSO goes before the first one of the same minute or later. A line whose date or
    // time cannot be read stays where it is and takes no part in the comparison.
    QByteArray out;
    out.reserve(prepared.file.size() + bytes.size() + 4);
    bool inserted = false;
    rawfile::forEachLine(prepared.file, [&](QByteArrayView existing) {
        if (!inserted) {
            const std::optional<qint64> other = qsoOrderingNumber(existing);
            if (other && *other >= *key) {
                appendLine(out, bytes);
                inserted = true;
            }
        }
        appendLine(out, existing);
    });
    if (!inserted)
        return appendTextLine(path_, line); // every QSO is earlier: no need to rewrite the log
    return writeBytesFile(path_, out, insertionScratchName);
}

} // namespace zep
