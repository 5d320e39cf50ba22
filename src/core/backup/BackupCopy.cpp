#include "core/backup/BackupCopy.h"

#include "core/io/ProgramDirectory.h"
#include "core/io/TextFile.h"
#include "core/log/Activation.h"
#include "core/log/QsoLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace zep::backup {

namespace {

constexpr qint64 tailBlock = 4 * 1024;
constexpr qint64 compareBlock = 1024 * 1024;

/// A file opened for reading that never makes the copy wait: a pipe or a device is refused
/// before anything is read from it.
class RegularReader {
public:
    RegularReader(const QString &path, bool followLinks) {
        fd_ = ::open(QFile::encodeName(path).constData(),
                     O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW));
        if (fd_ < 0) {
            error_ = errno;
            return;
        }
        struct stat info {};
        if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
            error_ = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
            ::close(fd_);
            fd_ = -1;
            return;
        }
        size_ = info.st_size;
    }
    ~RegularReader() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    RegularReader(const RegularReader &) = delete;
    RegularReader &operator=(const RegularReader &) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int error() const { return error_; }
    qint64 size() const { return size_; }

    /// Up to `size` bytes from `offset`; fewer at the end of the file, empty on a failure.
    QByteArray readAt(qint64 offset, qint64 size) {
        QByteArray bytes(qsizetype(size), Qt::Uninitialized);
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = ::pread(fd_, bytes.data() + done, size_t(size - done), offset + done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error_ = errno;
                return {};
            }
            if (n == 0)
                break;
            done += n;
        }
        bytes.truncate(qsizetype(done));
        return bytes;
    }

private:
    int fd_ = -1;
    int error_ = 0;
    qint64 size_ = 0;
};

/// The path of a file's copy.
QString copyOf(const QString &copyDir, const QString &name) {
    return copyDir + QLatin1Char('/') + name;
}

/// A directory as the system knows it, whatever the path that reaches it.
struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const Identity &) const = default;
};

std::optional<Identity> identityOf(const QString &path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return Identity{info.st_dev, info.st_ino};
}

/// A resolved directory and every folder above it, up to the root.
QList<Identity> chainOf(const QString &canonical) {
    QList<Identity> chain;
    QString path = canonical;
    while (!path.isEmpty()) {
        if (const std::optional<Identity> id = identityOf(path))
            chain.append(*id);
        if (path == QLatin1String("/"))
            break;
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        path = slash <= 0 ? QStringLiteral("/") : path.first(slash);
    }
    return chain;
}

} // namespace

bool isDataFileName(const QString &name) {
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        return false;
    if (scratch::isScratchFileName(name))
        return false;
    return name != directoryLockName;
}

IoResult checkFolder(const QString &folder) {
    struct stat info {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0) {
        const int error = errno;
        return IoResult::failure(
            QStringLiteral("Le dossier de sauvegarde \"%1\" est introuvable : %2.")
                .arg(QDir::toNativeSeparators(folder), errorReason(error)),
            error);
    }
    if (!S_ISDIR(info.st_mode))
        return IoResult::failure(
            QStringLiteral("\"%1\" n'est pas un dossier.").arg(QDir::toNativeSeparators(folder)),
            ENOTDIR);
    return IoResult::success();
}

IoResult checkFolderApart(const QString &folder, const QString &programDir) {
    enum class Clash { None, Same, Inside, Holds };
    const auto clashOf = [](const QString &copy, const QString &data) {
        if (copy == data)
            return Clash::Same;
        const auto within = [](const QString &inner, const QString &outer) {
            return inner.startsWith(outer.endsWith(QLatin1Char('/')) ? outer
                                                                     : outer + QLatin1Char('/'));
        };
        return within(copy, data) ? Clash::Inside : within(data, copy) ? Clash::Holds : Clash::None;
    };
    // As written first, then as the system resolves it, then by device and inode, which a
    // bind mount or a second mount of the same disk shares with the program directory.
    Clash clash = clashOf(QDir::cleanPath(QDir(folder).absolutePath()),
                          QDir::cleanPath(QDir(programDir).absolutePath()));
    const QString copy = QFileInfo(folder).canonicalFilePath();
    const QString data = QFileInfo(programDir).canonicalFilePath();
    if (clash == Clash::None && !copy.isEmpty() && !data.isEmpty())
        clash = clashOf(copy, data);
    if (clash == Clash::None && !copy.isEmpty() && !data.isEmpty()) {
        const QList<Identity> copyChain = chainOf(copy);
        const QList<Identity> dataChain = chainOf(data);
        if (!copyChain.isEmpty() && !dataChain.isEmpty()) {
            if (copyChain.front() == dataChain.front())
                clash = Clash::Same;
            else if (copyChain.contains(dataChain.front()))
                clash = Clash::Inside;
            else if (dataChain.contains(copyChain.front()))
                clash = Clash::Holds;
        }
    }
    QString why;
    switch (clash) {
    case Clash::None:
        return IoResult::success();
    case Clash::Same:
        why = QStringLiteral("c'est le répertoire des données");
        break;
    case Clash::Inside:
        why = QStringLiteral("il est à l'intérieur du répertoire des données");
        break;
    case Clash::Holds:
        why = QStringLiteral("il contient le répertoire des données");
        break;
    }
    return IoResult::failure(
        QStringLiteral("Le dossier de sauvegarde \"%1\" est refusé : %2. Aucune copie n'y est "
                       "faite.\nChoisissez un dossier ailleurs que dans le répertoire des données, "
                       "de préférence sur un autre support.")
            .arg(QDir::toNativeSeparators(folder), why),
        EINVAL);
}

Entry entryAt(const QString &path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return errno == ENOENT ? Entry::Missing : Entry::Other;
    return S_ISREG(info.st_mode) ? Entry::Regular : Entry::Other;
}

IoResult notRegular(const QString &path) {
    return IoResult::failure(
        QStringLiteral("\"%1\" n'est pas un fichier ordinaire (lien symbolique, tube, "
                       "périphérique ou dossier) : la copie n'y est pas écrite.")
            .arg(QDir::toNativeSeparators(path)),
        EINVAL);
}

FileBytes readRegularFile(const QString &path, bool followLinks) {
    FileBytes result;
    RegularReader file(path, followLinks);
    if (!file.isOpen() && file.error() == ENOENT) {
        result.missing = true;
        result.status = IoResult::failure(QStringLiteral("Le fichier \"%1\" est introuvable.")
                                              .arg(QDir::toNativeSeparators(path)),
                                          ENOENT);
        return result;
    }
    if (file.isOpen())
        result.bytes = file.readAt(0, file.size());
    if (!file.isOpen() || file.error() != 0) {
        result.bytes.clear();
        result.status =
            IoResult::failure(QStringLiteral("Impossible de lire le fichier \"%1\" : %2.")
                                  .arg(QDir::toNativeSeparators(path), errorReason(file.error())),
                              file.error());
    }
    return result;
}

Step appendStep(const QString &originalPath, const QString &copyPath, qint64 formerSize) {
    RegularReader copy(copyPath, false);
    if (!copy.isOpen() || copy.size() != formerSize)
        return Step::Replace;
    if (formerSize == 0)
        return Step::Append;
    RegularReader original(originalPath, true);
    if (!original.isOpen() || original.size() < formerSize)
        return Step::Replace;
    const qint64 size = qMin(formerSize, tailBlock);
    const QByteArray copyTail = copy.readAt(formerSize - size, size);
    if (copyTail.size() != size)
        return Step::Replace;
    return copyTail == original.readAt(formerSize - size, size) ? Step::Append : Step::Replace;
}

IoResult followAppend(const QString &originalPath, const QString &copyPath, const QByteArray &bytes,
                      qint64 formerSize) {
    if (entryAt(copyPath) == Entry::Other)
        return notRegular(copyPath);
    if (appendStep(originalPath, copyPath, formerSize) == Step::Replace)
        return followReplace(originalPath, copyPath);
    return appendLineBytes(copyPath, bytes, false);
}

IoResult followReplace(const QString &originalPath, const QString &copyPath) {
    if (entryAt(copyPath) == Entry::Other)
        return notRegular(copyPath);
    const FileBytes original = readRegularFile(originalPath, true);
    if (original.missing)
        return IoResult::success();
    if (!original.status)
        return original.status;
    return writeBytesFile(copyPath, original.bytes, copyScratchName);
}

IoResult followRemove(const QString &copyPath) {
    if (entryAt(copyPath) == Entry::Other)
        return notRegular(copyPath);
    return removeFile(copyPath);
}

bool sameContent(const QString &a, const QString &b) {
    RegularReader first(a, true);
    RegularReader second(b, false);
    const bool hasFirst = first.isOpen() || first.error() != ENOENT;
    const bool hasSecond = second.isOpen() || second.error() != ENOENT;
    if (hasFirst != hasSecond)
        return false;
    if (!hasFirst)
        return true;
    if (!first.isOpen() || !second.isOpen() || first.size() != second.size())
        return false;
    for (qint64 at = 0; at < first.size(); at += compareBlock) {
        const QByteArray block = first.readAt(at, compareBlock);
        if (block.isEmpty() || block != second.readAt(at, block.size()))
            return false;
    }
    return first.error() == 0 && second.error() == 0;
}

CatchUpResult catchUp(const QString &sourceDir, const QString &copyDir,
                      const QSet<QString> &followed) {
    CatchUpResult result;
    if (result.status = checkFolder(copyDir); !result.status)
        return result;
    if (result.status = checkFolderApart(copyDir, sourceDir); !result.status)
        return result;
    QSet<QString> logs;
    for (const QString &number : ActivationList(sourceDir).numbers().numbers)
        logs.insert(activityLogFileName(number));

    const QStringList names =
        QDir(sourceDir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names) {
        if (!isDataFileName(name))
            continue;
        const QString original = dataFile(sourceDir, name);
        const QString copy = copyOf(copyDir, name);
        if (entryAt(copy) == Entry::Other) {
            result.skipped.append(name);
            continue;
        }
        if (sameContent(original, copy))
            continue;
        if (logs.contains(name) && !followed.contains(name)) {
            const FileBytes log = readRegularFile(original, true);
            const FileBytes kept = readRegularFile(copy, false);
            if (log.status && kept.status &&
                damageOf(false, log.bytes, false, kept.bytes) != Damage::None) {
                result.held.append(name);
                continue;
            }
        }
        if (result.status = followReplace(original, copy); !result.status)
            return result;
        result.replaced.append(name);
    }
    if (!result.skipped.isEmpty())
        result.status = notRegular(copyOf(copyDir, result.skipped.front()));
    return result;
}

IoResult keepCopyAside(const QString &copyDir, const QString &name) {
    const QString copy = copyOf(copyDir, name);
    const FileBytes kept = readRegularFile(copy, false);
    if (kept.missing)
        return IoResult::success();
    if (!kept.status)
        return kept.status;
    const QString stem = QFileInfo(name).completeBaseName() + QStringLiteral(" copie gardée");
    QString aside = copyOf(copyDir, stem + QStringLiteral(".txt"));
    for (int n = 2; entryAt(aside) != Entry::Missing; ++n)
        aside = copyOf(copyDir, stem + QStringLiteral(" (%1).txt").arg(n));
    return writeBytesFile(aside, kept.bytes, copyScratchName);
}

LogShape shapeOf(QByteArrayView bytes) {
    LogShape shape;
    qsizetype end = bytes.lastIndexOf('\n') + 1;
    shape.torn = end < bytes.size();
    if (!shape.torn && end > 0) {
        // The last ended line must be a whole QSO line: 104 columns and CR LF.
        const qsizetype start = end >= 2 ? bytes.first(end - 1).lastIndexOf('\n') + 1 : 0;
        if (end - start != qsocol::lineLength + 2 || bytes.at(end - 2) != '\r') {
            shape.torn = true;
            end = start;
        }
    }
    shape.wholeEnd = end;
    shape.wholeLines = int(bytes.first(end).count('\n'));
    return shape;
}

Damage damageOf(bool logMissing, QByteArrayView log, bool copyMissing, QByteArrayView copy) {
    if (copyMissing)
        return Damage::None;
    const LogShape kept = shapeOf(copy);
    if (kept.torn || kept.wholeLines == 0)
        return Damage::None;
    if (logMissing)
        return Damage::Missing;
    const LogShape shape = shapeOf(log);
    if (shape.torn)
        return copy.startsWith(log.first(shape.wholeEnd)) && kept.wholeLines >= shape.wholeLines
                   ? Damage::Torn
                   : Damage::None;
    return copy.size() > log.size() && copy.startsWith(log) ? Damage::Truncated : Damage::None;
}

} // namespace zep::backup
