#include "core/io/TextFile.h"

#include "core/io/SysCalls.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zep {

namespace {

/// Windows-1252: Latin-1 but for 0x80-0x9F, where it has the euro sign, typographic quotes and
/// a few letters; its five bytes without a character stand for the C1 controls of the same
/// number, as the system's converters read them. Written out rather than asked of a converter:
/// the ICU converters would be loaded at every start for these 32 characters.
constexpr char16_t windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct CodePage {
    std::array<char16_t, 256> toUnicode{};
    QHash<char16_t, char> fromUnicode;

    CodePage() {
        for (int i = 0; i < 256; ++i) {
            const char16_t c = i >= 0x80 && i < 0xA0 ? windows1252High[i - 0x80] : char16_t(i);
            toUnicode[size_t(i)] = c;
            if (!fromUnicode.contains(c))
                fromUnicode.insert(c, char(i));
        }
    }
};

const CodePage &codePage() {
    static const CodePage page;
    return page;
}

QString fileName(const QString &path) {
    return QFileInfo(path).fileName();
}

QString reason(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("le disque est plein");
    case EACCES:
    case EPERM:
        return QStringLiteral("accès refusé");
    case ENOENT:
        return QStringLiteral("fichier ou dossier introuvable");
    case EROFS:
        return QStringLiteral("le support est en lecture seule");
    case EIO:
        return QStringLiteral("erreur d'entrée-sortie du disque");
    case ELOOP:
        return QStringLiteral("c'est un lien symbolique");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

IoResult writeFailure(const QString &path, int error) {
    return IoResult::failure(QStringLiteral("Impossible d'enregistrer le fichier \"%1\" : %2.\n"
                                            "Le fichier précédent est conservé.")
                                 .arg(fileName(path), reason(error)),
                             error);
}

/// Writes every byte, going on after short writes and interruptions.
bool writeAll(sys::Calls &calls, int fd, const char *data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = calls.write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

/// Makes a rename or a creation in the directory durable. A file system that cannot sync a
/// directory still holds the complete file under its name, so a failure here is not reported.
void syncDirectory(sys::Calls &calls, const QString &dir) {
    const int fd =
        calls.open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0)
        return;
    calls.fsync(fd);
    calls.close(fd);
}

QString directoryOf(const QString &path) {
    return QFileInfo(path).absolutePath();
}

std::atomic<FileChangeObserver *> observer{nullptr};

} // namespace

void setFileChangeObserver(FileChangeObserver *o) {
    observer.store(o);
}

QString errorReason(int error) {
    return reason(error);
}

namespace cp1252 {

QString decode(QByteArrayView bytes) {
    const auto &table = codePage().toUnicode;
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const uchar *in = reinterpret_cast<const uchar *>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = table[in[i]];
    return text;
}

bool encode(const QString &text, QByteArray &out) {
    const auto &table = codePage().fromUnicode;
    out.resize(text.size());
    char *dest = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x80) {
            dest[i] = char(c);
            continue;
        }
        const auto it = table.constFind(c);
        if (it == table.constEnd())
            return false;
        dest[i] = it.value();
    }
    return true;
}

bool canEncode(const QString &text) {
    return unencodableCharacters(text).isEmpty();
}

QString unencodableCharacters(const QString &text) {
    const auto &table = codePage().fromUnicode;
    QString bad;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80 || table.contains(c.unicode()))
            continue;
        // Keep a surrogate pair together so the message shows the real character.
        QString one(c);
        if (c.isHighSurrogate() && i + 1 < text.size())
            one += text.at(++i);
        if (!bad.contains(one))
            bad += one;
    }
    return bad;
}

} // namespace cp1252

QString unencodableMessage(const QString &text) {
    return QStringLiteral("Caractère non autorisé : %1").arg(cp1252::unencodableCharacters(text));
}

QStringList splitLines(const QString &text) {
    QStringList lines;
    if (text.isEmpty())
        return lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0) {
            lines.append(text.mid(start)); // last line without its line end
            break;
        }
        qsizetype stop = end;
        if (stop > start && text.at(stop - 1) == QLatin1Char('\r'))
            --stop;
        lines.append(text.mid(start, stop - start));
        start = end + 1;
    }
    return lines;
}

FileBytes readFileBytes(const QString &path) {
    FileBytes result;
    sys::Calls &calls = sys::calls();
    const auto failed = [&](int error) {
        result.bytes.clear();
        result.status =
            IoResult::failure(QStringLiteral("Impossible de lire le fichier \"%1\" : %2.")
                                  .arg(fileName(path), reason(error)),
                              error);
        return result;
    };
    // Never waits at the opening: a pipe where the file should be is refused below.
    const int fd =
        calls.open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0) {
        const int error = errno ? errno : EIO;
        if (error == ENOENT) {
            result.missing = true;
            result.status = IoResult::failure(
                QStringLiteral("Le fichier \"%1\" est introuvable.").arg(fileName(path)), error);
            return result;
        }
        return failed(error);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        calls.close(fd);
        return failed(error);
    }
    // Read to the end, whatever the size said: a file that grew meanwhile is read whole.
    result.bytes.resize(qsizetype(info.st_size) + 1);
    qsizetype have = 0;
    for (;;) {
        if (have == result.bytes.size())
            result.bytes.resize(have * 2 + 4096);
        const ssize_t n = calls.pread(fd, result.bytes.data() + have,
                                      size_t(result.bytes.size() - have), off_t(have));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno ? errno : EIO;
            calls.close(fd);
            return failed(error);
        }
        if (n == 0)
            break;
        have += n;
    }
    result.bytes.resize(have);
    calls.close(fd);
    return result;
}

TextLines readTextFile(const QString &path) {
    const FileBytes file = readFileBytes(path);
    TextLines result;
    result.status = file.status;
    result.missing = file.missing;
    if (file.status)
        result.lines = splitLines(cp1252::decode(file.bytes));
    return result;
}

bool encodeLines(const QStringList &lines, QByteArray &out) {
    qsizetype total = 0;
    for (const QString &line : lines)
        total += line.size() + 2;
    out.clear();
    out.reserve(total);
    QByteArray one;
    for (const QString &line : lines) {
        if (!cp1252::encode(line, one))
            return false;
        out.append(one);
        out.append("\r\n", 2);
    }
    return true;
}

IoResult writeBytesFile(const QString &path, const QByteArray &content,
                        const QString &scratchName) {
    return writeBytesFile(path, QList<QByteArray>{content}, scratchName);
}

IoResult writeBytesFile(const QString &path, const QList<QByteArray> &pieces,
                        const QString &scratchName) {
    ScratchWriter writer(path, scratchName);
    for (const QByteArray &piece : pieces)
        if (!writer.append(piece))
            break;
    return writer.commit();
}

namespace scratch {

namespace {
std::atomic<quint64> scratchNumber{0};
} // namespace

QString uniqueName(const QString &hint) {
    qsizetype start = 0;
    while (start < hint.size() && hint.at(start) == QLatin1Char('.'))
        ++start;
    return prefix + hint.mid(start) +
           QStringLiteral("~%1-%2").arg(qint64(::getpid())).arg(scratchNumber.fetch_add(1) + 1);
}

bool isScratchFileName(const QString &name) {
    if (name.startsWith(prefix))
        return true;
    // The fixed names the earlier versions wrote through, still found after one of them crashed.
    static const QRegularExpression earlier(
        QStringLiteral(
            "^(Temporaire\\d*\\.(txt|frq|wav)|\\.zep-copie\\.tmp|\\.zep-rozadovev\\."
            "copie|\\.zep-restauration(-\\d+)?\\.tmp|\\..+\\.(zip\\.partiel|zep-tmp|part))$"),
        QRegularExpression::CaseInsensitiveOption);
    return earlier.match(name).hasMatch();
}

QStringList removeLeftovers(const QString &folder) {
    QStringList removed;
    const QDir base(folder);
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (!isScratchFileName(it.fileName()))
            continue;
        if (sys::calls().unlink(QFile::encodeName(it.filePath()).constData()) == 0)
            removed.append(base.relativeFilePath(it.filePath()));
    }
    return removed;
}

} // namespace scratch

ScratchWriter::ScratchWriter(const QString &path, const QString &scratchName)
    : calls_(sys::calls()), path_(path), dir_(directoryOf(path)) {
    // Made exclusively: whatever already stands under the name (a link, which would send the
    // content elsewhere, a pipe, another write's scratch file) is never opened, and a name
    // taken is followed by the next one.
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    for (int attempt = 0; attempt < 100; ++attempt) {
        scratch_ = QFile::encodeName(dir_ + QLatin1Char('/') + scratch::uniqueName(scratchName));
        fd_ = calls_.open(scratch_.constData(), flags, 0666);
        if (fd_ >= 0 || errno != EEXIST)
            break;
    }
    if (fd_ < 0)
        error_ = errno ? errno : EIO;
}

ScratchWriter::~ScratchWriter() {
    abandon();
}

void ScratchWriter::abandon() {
    if (fd_ < 0)
        return;
    calls_.close(fd_);
    calls_.unlink(scratch_.constData());
    fd_ = -1;
}

bool ScratchWriter::append(QByteArrayView piece) {
    if (error_ != 0)
        return false;
    if (!writeAll(calls_, fd_, piece.data(), piece.size())) {
        error_ = errno ? errno : EIO;
        abandon();
        return false;
    }
    // The disk may start on these bytes now: the sync at the end then waits for the last ones
    // only. A system that cannot is no failure, the sync does it all.
    if (!piece.isEmpty())
        (void)::sync_file_range(fd_, written_, piece.size(), SYNC_FILE_RANGE_WRITE);
    written_ += piece.size();
    return true;
}

QString ScratchWriter::scratchPath() const {
    return QFile::decodeName(scratch_);
}

IoResult ScratchWriter::keep() {
    if (error_ != 0)
        return writeFailure(path_, error_);
    sys::Calls &calls = calls_;
    if (calls.fsync(fd_) != 0) {
        error_ = errno;
        abandon();
        return writeFailure(path_, error_);
    }
    const int fd = fd_;
    fd_ = -1;
    if (calls.close(fd) != 0) {
        error_ = errno;
        calls.unlink(scratch_.constData());
        return writeFailure(path_, error_);
    }
    error_ = EALREADY; // the scratch file is complete; the writer is done with it
    return IoResult::success();
}

IoResult ScratchWriter::commit() {
    if (const IoResult kept = keep(); !kept)
        return kept;
    sys::Calls &calls = calls_;
    const QByteArray target = QFile::encodeName(QFileInfo(path_).absoluteFilePath());
    if (calls.rename(scratch_.constData(), target.constData()) != 0) {
        const int error = errno;
        calls.unlink(scratch_.constData());
        return writeFailure(path_, error);
    }
    syncDirectory(calls, dir_);
    if (FileChangeObserver *o = observer.load())
        o->replaced(path_);
    return IoResult::success();
}

IoResult writeTextFile(const QString &path, const QStringList &lines, const QString &scratchName) {
    QByteArray content;
    if (!encodeLines(lines, content)) {
        QString bad;
        for (const QString &line : lines)
            bad += cp1252::unencodableCharacters(line);
        return IoResult::failure(QStringLiteral("Impossible d'enregistrer le fichier \"%1\" : %2.\n"
                                                "Le fichier précédent est conservé.")
                                     .arg(fileName(path), unencodableMessage(bad)));
    }
    return writeBytesFile(path, content, scratchName);
}

IoResult appendTextLine(const QString &path, const QString &line) {
    QByteArray bytes;
    if (!cp1252::encode(line, bytes))
        return IoResult::failure(QStringLiteral("Impossible d'enregistrer le fichier \"%1\" : %2.\n"
                                                "Le fichier précédent est conservé.")
                                     .arg(fileName(path), unencodableMessage(line)));
    bytes.append("\r\n", 2);
    return appendLineBytes(path, std::move(bytes));
}

IoResult appendLineBytes(const QString &path, QByteArray bytes, bool followLinks) {
    sys::Calls &calls = sys::calls();
    const QByteArray name = QFile::encodeName(path);
    const bool existed = fileExists(path);
    // Never waits at the opening (a pipe where the file should be) and adds only to a file.
    const int fd = calls.open(name.constData(),
                              O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC |
                                  (followLinks ? 0 : O_NOFOLLOW),
                              0666);
    if (fd < 0)
        return writeFailure(path, errno);

    struct stat info {};
    const bool statted = ::fstat(fd, &info) == 0;
    if (!statted || !S_ISREG(info.st_mode)) {
        const int error = statted ? EINVAL : errno;
        calls.close(fd);
        return writeFailure(path, error);
    }
    const off_t formerSize = info.st_size;
    if (formerSize > 0) {
        char last = '\n';
        if (calls.pread(fd, &last, 1, formerSize - 1) != 1) {
            const int error = errno ? errno : EIO;
            calls.close(fd);
            return writeFailure(path, error);
        }
        // A line cut just after its CR lacks only the LF.
        if (last == '\r')
            bytes.prepend('\n');
        else if (last != '\n')
            bytes.prepend("\r\n", 2);
    }

    if (!writeAll(calls, fd, bytes.constData(), bytes.size()) || calls.fdatasync(fd) != 0) {
        const int error = errno;
        // Take back whatever part of the line reached the file.
        if (calls.ftruncate(fd, formerSize) == 0)
            calls.fdatasync(fd);
        calls.close(fd);
        if (!existed)
            calls.unlink(name.constData());
        return writeFailure(path, error);
    }
    // Once fdatasync has returned, the line is on disk: a close error can no longer lose it,
    // and reporting a failure would have the operator enter the QSO a second time.
    calls.close(fd);
    if (!existed)
        syncDirectory(calls, directoryOf(path));
    if (FileChangeObserver *o = observer.load())
        o->appended(path, bytes, qint64(formerSize));
    return IoResult::success();
}

IoResult ensureFileExists(const QString &path) {
    if (fileExists(path))
        return IoResult::success();
    return writeBytesFile(path, QByteArray());
}

IoResult copyFileSafely(const QString &from, const QString &to, const QString &scratchName) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return IoResult::failure(QStringLiteral("Impossible de lire le fichier \"%1\" : %2.")
                                     .arg(fileName(from), source.errorString()));
    const QByteArray content = source.readAll();
    if (source.error() != QFileDevice::NoError)
        return IoResult::failure(QStringLiteral("Impossible de lire le fichier \"%1\" : %2.")
                                     .arg(fileName(from), source.errorString()));
    return writeBytesFile(to, content, scratchName);
}

IoResult moveOver(const QString &from, const QString &to) {
    const QByteArray target = QFile::encodeName(QFileInfo(to).absoluteFilePath());
    sys::Calls &calls = sys::calls();
    if (calls.rename(QFile::encodeName(from).constData(), target.constData()) != 0)
        return writeFailure(to, errno);
    syncDirectory(calls, directoryOf(to));
    if (FileChangeObserver *o = observer.load())
        o->replaced(to);
    return IoResult::success();
}

IoResult removeFile(const QString &path) {
    sys::Calls &calls = sys::calls();
    if (calls.unlink(QFile::encodeName(path).constData()) != 0) {
        if (errno == ENOENT)
            return IoResult::success();
        return IoResult::failure(QStringLiteral("Impossible de supprimer le fichier \"%1\" : %2.")
                                     .arg(fileName(path), reason(errno)));
    }
    syncDirectory(calls, directoryOf(path));
    if (FileChangeObserver *o = observer.load())
        o->removed(path);
    return IoResult::success();
}

bool fileExists(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace zep
