#include "core/io/ProgramDirectory.h"

#include "core/io/Dialogs.h"
#include "core/io/SysCalls.h"
#include "core/io/TextFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace zep {

namespace {

const QString probeName = QStringLiteral(".zep-rozadovev.essai");
const QString moveScratchName = QStringLiteral(".zep-rozadovev.copie");

/// The files of a data directory, by name, without the ones that belong to a run of the
/// program (its lock, the write probe, the scratch file of a move).
QStringList dataFileNames(const QString &dir) {
    QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    names.removeIf([](const QString &name) {
        return name == directoryLockName || name == probeName || scratch::isScratchFileName(name);
    });
    return names;
}

/// What a file is to a move: nothing of the operator's, the same bytes as the file of that
/// name in the folder being moved, or data.
enum class Holding { nothing, same, data };

bool sameBytes(const QString &a, const QString &b) {
    if (QFileInfo(a).size() != QFileInfo(b).size())
        return false;
    const FileBytes left = readFileBytes(a);
    const FileBytes right = readFileBytes(b);
    return left.status && right.status && left.bytes == right.bytes;
}

Holding holding(const QString &dir, const QString &name, const QString &otherDir,
                const QByteArray &carriedTable) {
    const QString path = dataFile(dir, name);
    const QFileInfo info(path);
    if (info.size() == 0)
        return Holding::nothing;
    if (name == prefixTableFileName && info.size() == carriedTable.size()) {
        const FileBytes table = readFileBytes(path);
        if (table.status && table.bytes == carriedTable)
            return Holding::nothing;
    }
    if (!otherDir.isEmpty() && fileExists(dataFile(otherDir, name)) &&
        sameBytes(path, dataFile(otherDir, name)))
        return Holding::same;
    return Holding::data;
}

QString shown(const QString &dir) {
    return QDir::toNativeSeparators(dir);
}

} // namespace

QString earlierDataDirectory(const QString &homeDir) {
    return QDir(homeDir).filePath(QStringLiteral("ZEP_Rozadovev"));
}

bool dataMoveWanted(const QString &dir, const QString &to, const QByteArray &carriedTable) {
    if (QDir(dir).absolutePath() == QDir(to).absolutePath())
        return false;
    const QStringList names = dataFileNames(dir);
    const bool dirHoldsData = std::any_of(names.begin(), names.end(), [&](const QString &name) {
        return holding(dir, name, QString(), carriedTable) == Holding::data;
    });
    if (!dirHoldsData)
        return false;
    const QStringList targetNames = dataFileNames(to);
    return std::none_of(targetNames.begin(), targetNames.end(), [&](const QString &name) {
        return holding(to, name, dir, carriedTable) == Holding::data;
    });
}

DataMoveResult moveDataFiles(const QString &from, const QString &to,
                             const QByteArray &carriedTable) {
    if (!QDir().mkpath(to))
        return {IoResult::failure(
                    QStringLiteral("Impossible de créer le répertoire \"%1\".").arg(shown(to))),
                false};
    const QStringList names = dataFileNames(from);

    // Every name is looked at before anything is written: one file of the operator's in the
    // way and nothing moves.
    struct Step {
        QString name;
        bool copy = true;
        bool existed = false;
        QByteArray previous; ///< what the copy replaces (empty file or carried table)
    };
    std::vector<Step> steps;
    for (const QString &name : names) {
        Step step;
        step.name = name;
        const QString target = dataFile(to, name);
        if (QFileInfo::exists(target)) {
            const Holding held =
                fileExists(target) ? holding(to, name, from, carriedTable) : Holding::data;
            if (held == Holding::data)
                return {IoResult::failure(
                            QStringLiteral("Le fichier \"%1\" existe déjà dans \"%2\" : aucun "
                                           "fichier n'a été déplacé.")
                                .arg(name, shown(to))),
                        false};
            step.copy = held != Holding::same;
            step.existed = true;
            // Kept to be put back should a later copy fail: unread, the undo would write empty
            // bytes over the file, so the move stops here with nothing touched.
            FileBytes previous = readFileBytes(target);
            if (!previous.status)
                return {IoResult::failure(
                            QStringLiteral("Les fichiers de \"%1\" n'ont pas été déplacés : "
                                           "aucun fichier n'a été modifié.\n%2")
                                .arg(shown(from), previous.status.message),
                            previous.status.code),
                        false};
            step.previous = std::move(previous.bytes);
        }
        steps.push_back(step);
    }

    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (!steps[i].copy)
            continue;
        const IoResult copied = copyFileSafely(dataFile(from, steps[i].name),
                                               dataFile(to, steps[i].name), moveScratchName);
        if (copied)
            continue;
        // The copies made so far are taken back: the directory is as it was. One that cannot
        // be is named: `from` still holds every file, only the copy in `to` stays.
        QString notTakenBack;
        for (std::size_t j = 0; j < i; ++j) {
            if (!steps[j].copy)
                continue;
            const QString target = dataFile(to, steps[j].name);
            const IoResult back = steps[j].existed
                                      ? writeBytesFile(target, steps[j].previous, moveScratchName)
                                      : removeFile(target);
            if (!back)
                notTakenBack += QLatin1Char('\n') + back.message;
        }
        return {
            IoResult::failure(QStringLiteral("Les fichiers de \"%1\" n'ont pas été déplacés.\n%2%3")
                                  .arg(shown(from), copied.message, notTakenBack),
                              copied.code),
            false};
    }

    for (const Step &step : steps) {
        const IoResult removed = removeFile(dataFile(from, step.name));
        if (!removed)
            return {
                IoResult::failure(QStringLiteral("Les fichiers ont été copiés dans \"%1\", mais le "
                                                 "dossier \"%2\" n'a pas pu être vidé.\n%3")
                                      .arg(shown(to), shown(from), removed.message),
                                  removed.code),
                true};
    }
    return {IoResult::success(), true};
}

QString offerDataMove(Dialogs &dialogs, const QString &userDir, const QString &earlierDir,
                      const QByteArray &carriedTable) {
    if (!dataMoveWanted(earlierDir, userDir, carriedTable))
        return userDir;
    if (!dialogs.question(
            QStringLiteral("Vos fichiers de données sont dans le dossier \"%1\", et le "
                           "répertoire de données du programme, \"%2\", n'en contient pas.\n\n"
                           "Déplacer les fichiers de \"%1\" dans \"%2\" ?\n"
                           "(Non : le programme travaille cette fois dans \"%1\".)")
                .arg(shown(earlierDir), shown(userDir))))
        return earlierDir;
    const DataMoveResult moved = moveDataFiles(earlierDir, userDir, carriedTable);
    if (moved.status)
        return userDir;
    if (moved.filesInPlace) {
        dialogs.message(moved.status.message);
        return userDir;
    }
    dialogs.message(
        moved.status.message +
        QStringLiteral("\nLe programme travaille cette fois dans \"%1\".").arg(shown(earlierDir)));
    return earlierDir;
}

IoResult checkWritable(const QString &programDir) {
    const QByteArray probe = QFile::encodeName(dataFile(programDir, probeName));
    sys::Calls &calls = sys::calls();
    int error = 0;
    const int fd = calls.open(probe.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = errno;
    } else {
        static const char line[] = "essai\r\n";
        if (calls.write(fd, line, sizeof line - 1) != ssize_t(sizeof line - 1) ||
            calls.fsync(fd) != 0)
            error = errno != 0 ? errno : EIO;
        if (calls.close(fd) != 0 && error == 0)
            error = errno;
        if (calls.unlink(probe.constData()) != 0 && error == 0)
            error = errno;
    }
    if (error == 0)
        return IoResult::success();
    return IoResult::failure(
        QStringLiteral("Le répertoire \"%1\" ne permet pas d'enregistrer les fichiers du "
                       "programme : %2.\nVérifiez que le support est bien branché et qu'il "
                       "n'est pas en lecture seule, puis relancez le programme.")
            .arg(QDir::toNativeSeparators(programDir), errorReason(error)));
}

QString dataFile(const QString &programDir, const QString &name) {
    return programDir + QLatin1Char('/') + name;
}

} // namespace zep
