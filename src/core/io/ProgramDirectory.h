#pragma once

#include "core/io/IoResult.h"

#include <QByteArray>
#include <QString>

namespace zep {

/// File name of the country prefix table in the program directory.
inline const QString prefixTableFileName = QStringLiteral("Continents_DXCC.csv");

class Dialogs;

/// The folder where the program started from its source tree kept its data before it used the
/// per-user data directory: "ZEP_Rozadovev" in the home directory.
QString earlierDataDirectory(const QString &homeDir);

/// Whether `dir` is worth a move into `to`: `dir` holds data (a file that is neither empty nor
/// the prefix table the program carries), and `to` holds none of its own (its files are empty,
/// the carried table, or copies of `dir`'s files left by a move that was cut short).
bool dataMoveWanted(const QString &dir, const QString &to, const QByteArray &carriedTable);

struct [[nodiscard]] DataMoveResult {
    IoResult status;
    /// Every file of the folder now stands in the target directory, even when an original
    /// could not be removed afterwards.
    bool filesInPlace = false;
};

/// Moves every file of `from` into `to` (created when missing). Each file is copied through
/// the crash-safe write (synced, renamed into place, the directory synced); the originals are
/// removed only once every copy is in place. A file of `to` is never written over unless it
/// holds nothing of the operator's (empty, the carried prefix table, or the same bytes): such
/// a file refuses the whole move before anything is copied. A copy that fails takes back the
/// copies already made, so `from` keeps every file and `to` is as before.
DataMoveResult moveDataFiles(const QString &from, const QString &to,
                             const QByteArray &carriedTable);

/// At a start without --dir: when `userDir` holds no data and `earlierDir` does, says so and
/// asks whether to move them there. Returns the directory to work in: `userDir`, or
/// `earlierDir` when the operator keeps the files there or the move failed (said in French).
QString offerDataMove(Dialogs &dialogs, const QString &userDir, const QString &earlierDir,
                      const QByteArray &carriedTable);

/// Whether the program can keep its files in `programDir`: a small file is created there,
/// written, synced and removed, as every save will do. A read-only medium, a directory the user
/// may not write, or a medium that was removed gives the French message to show before any
/// window opens, so that nothing is typed that could not be saved.
IoResult checkWritable(const QString &programDir);

/// Path of a data file in the program directory.
QString dataFile(const QString &programDir, const QString &name);

/// The lock file that keeps a second program off a directory.
inline const QString directoryLockName = QStringLiteral(".zep-rozadovev.lock");

} // namespace zep
