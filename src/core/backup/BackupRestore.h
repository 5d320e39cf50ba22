#pragma once

#include "core/backup/BackupCopy.h"
#include "core/io/Dialogs.h"
#include "core/io/IoResult.h"
#include "core/log/CurrentActivation.h"

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace zep {

/// A log of the opened activation that its copy in the backup folder could repair.
struct RestoreCandidate {
    QString logPath;
    QString copyPath;
    backup::Damage damage = backup::Damage::None;
    int logQsos = 0;  ///< whole QSO lines of the log
    int copyQsos = 0; ///< whole QSO lines of the copy
    QDateTime logModified, copyModified;
};

/// The log files of the activation (both references of a double activation).
QStringList activationLogPaths(const QString &programDir, const CurrentActivation &activation);

/// Compares a log with its copy in `copyFolder`; nothing when the copy could not repair it.
std::optional<RestoreCandidate> restoreCandidate(const QString &logPath, const QString &copyFolder);

/// The French question naming both files with their QSO counts and last modification, and the
/// name the damaged log would be kept under at `now`.
QString restoreQuestion(const RestoreCandidate &candidate, const QDateTime &now);

/// Where a damaged log is kept aside: "<nom> endommagé <aaaammjj_hhmm>.txt" beside it, `now`
/// being the local time; a name already taken gets " (2)", " (3)"...
QString damagedLogPath(const QString &logPath, const QDateTime &now);

/// Keeps the damaged log aside (when there is one) and puts the copy in its place, both
/// through the crash-safe copy: the log is never absent while an old one existed.
IoResult restoreFromCopy(const RestoreCandidate &candidate, const QDateTime &now);

/// For each log that its copy could repair, asks the operator; "Oui" restores it, "Non" leaves
/// every byte as it was. A restore that fails is said. Nothing is asked without a folder.
/// `asked`, when given, keeps the questions already put during the run: the same log and copy
/// in the same state are not asked about again at each opening of the entry window.
void offerRestore(Dialogs &dialogs, const QStringList &logPaths, const QString &copyFolder,
                  const QDateTime &now, QSet<QString> *asked = nullptr);

} // namespace zep
