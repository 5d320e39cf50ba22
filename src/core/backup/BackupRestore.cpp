#include "core/backup/BackupRestore.h"

#include "core/backup/SettingsCheck.h"
#include "core/io/TextFile.h"
#include "core/log/Activation.h"

#include <QDir>
#include <QFileInfo>

namespace zep {

namespace {

QString when(const QDateTime &t) {
    return t.toString(QStringLiteral("dd/MM/yyyy à HH:mm"));
}

QString qsos(int n) {
    return n == 1 ? QStringLiteral("1 QSO") : QStringLiteral("%1 QSO").arg(n);
}

} // namespace

QStringList activationLogPaths(const QString &programDir, const CurrentActivation &activation) {
    QStringList paths;
    // A number that cannot name a file of the program directory ("../x", from settings edited
    // by hand) names no log.
    const auto add = [&](const QString &number) {
        if (!number.trimmed().isEmpty() && !referenceRefusal(number))
            paths.append(activityLogPath(programDir, number));
    };
    add(activation.reference);
    if (activation.isDouble)
        add(activation.secondReference);
    return paths;
}

std::optional<RestoreCandidate> restoreCandidate(const QString &logPath,
                                                 const QString &copyFolder) {
    if (copyFolder.isEmpty())
        return std::nullopt;
    RestoreCandidate c;
    c.logPath = logPath;
    c.copyPath = QDir(copyFolder).filePath(QFileInfo(logPath).fileName());
    // Read without waiting: a pipe or a device in either place is no file to offer.
    const FileBytes log = backup::readRegularFile(logPath, true);
    const FileBytes copy = backup::readRegularFile(c.copyPath, false);
    // A file that exists but cannot be read is no reason to offer anything.
    if ((!log.status && !log.missing) || !copy.status)
        return std::nullopt;
    c.damage = backup::damageOf(log.missing, log.bytes, copy.missing, copy.bytes);
    if (c.damage == backup::Damage::None)
        return std::nullopt;
    c.logQsos = backup::shapeOf(log.bytes).wholeLines;
    c.copyQsos = backup::shapeOf(copy.bytes).wholeLines;
    c.logModified = QFileInfo(logPath).lastModified();
    c.copyModified = QFileInfo(c.copyPath).lastModified();
    return c;
}

QString restoreQuestion(const RestoreCandidate &c, const QDateTime &now) {
    const QString log = QFileInfo(c.logPath).fileName();
    const QString copy =
        QStringLiteral("La copie de sécurité \"%1\" compte %2 (modifiée le %3).")
            .arg(QDir::toNativeSeparators(c.copyPath), qsos(c.copyQsos), when(c.copyModified));
    if (c.damage == backup::Damage::Missing)
        return QStringLiteral("Le log \"%1\" est introuvable.\n%2\n\n"
                              "Voulez-vous restaurer le log à partir de la copie ?")
            .arg(log, copy);
    const QString state = c.damage == backup::Damage::Torn
                              ? QStringLiteral("sa dernière ligne est incomplète")
                              : QStringLiteral("il est plus court que sa copie");
    return QStringLiteral("Le log \"%1\" semble endommagé : %2.\n"
                          "Le log compte %3 (modifié le %4).\n%5\n\n"
                          "Voulez-vous le remplacer par la copie ? Le log actuel sera "
                          "conservé à part, sous le nom \"%6\".")
        .arg(log, state, qsos(c.logQsos), when(c.logModified), copy,
             QFileInfo(damagedLogPath(c.logPath, now)).fileName());
}

QString damagedLogPath(const QString &logPath, const QDateTime &now) {
    const QFileInfo info(logPath);
    const QString stem = info.completeBaseName() + QStringLiteral(" endommagé ") +
                         now.toString(QStringLiteral("yyyyMMdd_HHmm"));
    QString path = info.dir().filePath(stem + QStringLiteral(".txt"));
    for (int n = 2; fileExists(path); ++n)
        path = info.dir().filePath(stem + QStringLiteral(" (%1).txt").arg(n));
    return path;
}

IoResult restoreFromCopy(const RestoreCandidate &c, const QDateTime &now) {
    if (c.damage != backup::Damage::Missing) {
        if (IoResult kept = copyFileSafely(c.logPath, damagedLogPath(c.logPath, now)); !kept)
            return kept;
    }
    const FileBytes copy = backup::readRegularFile(c.copyPath, false);
    if (!copy.status)
        return copy.status;
    return writeBytesFile(c.logPath, copy.bytes);
}

void offerRestore(Dialogs &dialogs, const QStringList &logPaths, const QString &copyFolder,
                  const QDateTime &now, QSet<QString> *asked) {
    for (const QString &path : logPaths) {
        const std::optional<RestoreCandidate> candidate = restoreCandidate(path, copyFolder);
        if (!candidate)
            continue;
        if (asked) {
            const QString state = QStringLiteral("%1|%2|%3|%4|%5")
                                      .arg(path, candidate->copyPath)
                                      .arg(QFileInfo(path).size())
                                      .arg(QFileInfo(candidate->copyPath).size())
                                      .arg(candidate->copyModified.toMSecsSinceEpoch());
            if (asked->contains(state))
                continue;
            asked->insert(state);
        }
        if (!dialogs.question(restoreQuestion(*candidate, now)))
            continue;
        if (const IoResult restored = restoreFromCopy(*candidate, now); !restored)
            dialogs.message(restored.message);
    }
}

} // namespace zep
