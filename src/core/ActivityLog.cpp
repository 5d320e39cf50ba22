#include "core/ActivityLog.h"

#include "core/QsoLine.h"
#include "core/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

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

/// The lines of a log as last read, with the bytes they came from. The bytes make the cache
/// exact whatever the file times say: a log read again with the same bytes gives the same lines,
/// and a log that only grew at its end (an append, after every live QSO) has only its new lines
/// decoded.
struct CachedLog {
    FileState state;
    bool stateTrusted = false; ///< the state alone may stand for the bytes (see timestampTick)
    QByteArray bytes;
    QStringList lines;
    QStringList items;   ///< list items of the first lines, made when first asked for
    quint64 lineage = 0; ///< see ActivityLog::Items::lineage
};

/// One program thread reads the logs, so a plain table is enough; a handful of files at most.
QHash<QString, CachedLog> &logCache() {
    static QHash<QString, CachedLog> cache;
    return cache;
}

/// Every reading of a log that is not the growth of the one before starts a new lineage;
/// numbers are never reused, even for another file or after the table was emptied.
quint64 newLineage() {
    static quint64 last = 0;
    return ++last;
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
        hit->lineage = newLineage();
        hit->lines = splitLines(cp1252::decode(file.bytes));
    } else if (hit->bytes == file.bytes) {
        // Same bytes: same lines, same items, same lineage.
    } else if (file.bytes.startsWith(hit->bytes) &&
               (hit->bytes.isEmpty() || hit->bytes.endsWith('\n'))) {
        // The lines kept all ended with their line end: the new bytes are whole new lines, and
        // every line and item kept keeps its place.
        hit->lines.append(splitLines(cp1252::decode(file.bytes.sliced(hit->bytes.size()))));
    } else {
        hit->lineage = newLineage();
        hit->lines = splitLines(cp1252::decode(file.bytes));
        hit->items.clear();
    }

    // The state stands for the bytes only when the file did not move during the read and had
    // been still for a while; the bytes are kept either way.
    const std::optional<FileState> after = stateOf(path);
    hit->stateTrusted = before && after && *before == *after &&
                        nanoseconds(after->changed) < nanoseconds(now) - timestampTick;
    hit->state = after.value_or(FileState{});
    hit->bytes = std::move(file.bytes);
    return &*hit;
}

/// After an append made here, the kept reading grows by the very bytes written, so the next
/// reading (the QSO list refreshed after a live QSO) does not read a log of years again to find
/// one line. This holds only when the kept reading stood for the file just before the append
/// (its state trusted and unchanged, its last line ended) and the file grew by exactly those
/// bytes on the same file; otherwise nothing is kept and the next reading reads the file.
void noteAppended(const QString &path, const std::optional<FileState> &before,
                  const QString &line) {
    QHash<QString, CachedLog> &cache = logCache();
    const auto hit = cache.find(QFileInfo(path).absoluteFilePath());
    if (hit == cache.end())
        return;
    QByteArray bytes;
    const std::optional<FileState> after = stateOf(path);
    const bool exact = before && after && hit->stateTrusted && hit->state == *before &&
                       (hit->bytes.isEmpty() || hit->bytes.endsWith('\n')) &&
                       cp1252::encode(line, bytes) && after->device == before->device &&
                       after->inode == before->inode &&
                       after->size == before->size + bytes.size() + 2;
    if (!exact) {
        hit->stateTrusted = false;
        return;
    }
    bytes.append("\r\n", 2);
    hit->bytes.append(bytes);
    hit->lines.append(splitLines(cp1252::decode(bytes)));
    hit->state = *after;
}

} // namespace

namespace rawfile {

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

} // namespace rawfile

ActivityLog::ActivityLog(QString path) : path_(std::move(path)) {}

ActivityLog::Lines ActivityLog::read() const {
    IoResult status = IoResult::success();
    const CachedLog *log = readCached(path_, status);
    if (!log)
        return {status, {}};
    return {status, log->lines};
}

ActivityLog::Items ActivityLog::items() const {
    IoResult status = IoResult::success();
    CachedLog *log = readCached(path_, status);
    if (!log)
        return {status, {}, {}, 0};
    // Items are made on demand, for the lines that have none yet: within one lineage the items
    // already made stay right, the numbers being the lines' positions.
    if (log->items.size() < log->lines.size())
        appendQsoListItems(log->items, log->lines);
    return {status, log->lines, log->items, log->lineage};
}

IoResult ActivityLog::append(const QString &line) {
    if (holdsLineEnd(line))
        return lineEndRefused();
    const std::optional<FileState> before = stateOf(path_);
    const IoResult done = appendTextLine(path_, line);
    if (done)
        noteAppended(path_, before, line);
    return done;
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
    rawfile::forEachLine(file.bytes, [&](QByteArrayView line) {
        const bool hit = oldStorable && line == oldBytes;
        found = found || hit;
        appendLine(out, hit ? QByteArrayView(newBytes) : line);
    });
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
