#include "core/BackupCopy.h"

#include "core/Activation.h"
#include "core/ProgramDirectory.h"
#include "core/QsoLine.h"
#include "core/TextFile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace zep::backup {

namespace {

constexpr qint64 tailBlock = 4 * 1024;
constexpr qint64 compareBlock = 1024 * 1024;

QByteArray readAt(QFile &file, qint64 offset, qint64 size) {
    if (!file.seek(offset))
        return {};
    return file.read(size);
}

/// The path of a file's copy.
QString copyOf(const QString &copyDir, const QString &name) {
    return copyDir + QLatin1Char('/') + name;
}

} // namespace

bool isDataFileName(const QString &name) {
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        return false;
    // "Temporaire.txt", "Temporaire6.txt", "Temporaire.frq": the scratch files of the saves.
    if (name.startsWith(QLatin1String("Temporaire"), Qt::CaseInsensitive))
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

Step appendStep(const QString &originalPath, const QString &copyPath, qint64 formerSize) {
    QFile copy(copyPath);
    if (!copy.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || copy.size() != formerSize)
        return Step::Replace;
    if (formerSize == 0)
        return Step::Append;
    QFile original(originalPath);
    if (!original.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || original.size() < formerSize)
        return Step::Replace;
    const qint64 size = qMin(formerSize, tailBlock);
    const QByteArray copyTail = readAt(copy, formerSize - size, size);
    if (copyTail.size() != size)
        return Step::Replace;
    return copyTail == readAt(original, formerSize - size, size) ? Step::Append : Step::Replace;
}

IoResult followAppend(const QString &originalPath, const QString &copyPath, const QByteArray &bytes,
                      qint64 formerSize) {
    if (appendStep(originalPath, copyPath, formerSize) == Step::Replace)
        return followReplace(originalPath, copyPath);
    return appendLineBytes(copyPath, bytes);
}

IoResult followReplace(const QString &originalPath, const QString &copyPath) {
    if (!fileExists(originalPath))
        return IoResult::success();
    return copyFileSafely(originalPath, copyPath, copyScratchName);
}

IoResult followRemove(const QString &copyPath) {
    return removeFile(copyPath);
}

bool sameContent(const QString &a, const QString &b) {
    QFile first(a);
    QFile second(b);
    const bool hasFirst = first.exists();
    if (hasFirst != second.exists())
        return false;
    if (!hasFirst)
        return true;
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly) ||
        first.size() != second.size())
        return false;
    while (!first.atEnd()) {
        const QByteArray block = first.read(compareBlock);
        if (block.isEmpty() || block != second.read(block.size()))
            return false;
    }
    return first.error() == QFileDevice::NoError && second.error() == QFileDevice::NoError;
}

CatchUpResult catchUp(const QString &sourceDir, const QString &copyDir,
                      const QSet<QString> &followed) {
    CatchUpResult result;
    if (result.status = checkFolder(copyDir); !result.status)
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
        if (sameContent(original, copy))
            continue;
        if (logs.contains(name) && !followed.contains(name)) {
            const FileBytes log = readFileBytes(original);
            const FileBytes kept = readFileBytes(copy);
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
    return result;
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
