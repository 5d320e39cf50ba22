#pragma once

#include "core/io/IoResult.h"
#include "core/io/TextFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSet>
#include <QString>
#include <QStringList>

namespace zep::backup {

/// The scratch file of every write in the copy folder: hidden, and never taken for a data file.
inline const QString copyScratchName = QStringLiteral(".zep-copie.tmp");

/// Whether a file of the program directory is one the copy follows: every file the program
/// keeps there (logs, lists, side files, reports), not the directory lock, the hidden files
/// nor the scratch files a save leaves behind when it is cut short.
bool isDataFileName(const QString &name);

/// Whether `folder` can take the copy now: an existing folder (a medium that was pulled out
/// leaves none). A failure carries the French reason and the system's error number.
IoResult checkFolder(const QString &folder);

/// Why `folder` cannot take the copy of the files of `programDir`: once resolved (symbolic
/// links, "..", and by device and inode a bind mount or a second mount of the same disk), it
/// is the program directory, lies inside it or holds it. A copy there would land on the files
/// it copies. A folder that cannot be resolved now (a medium that is not there) passes: every
/// catch-up checks it again before it writes anything.
IoResult checkFolderApart(const QString &folder, const QString &programDir);

/// What stands at a path, the path's last part not followed when it is a symbolic link.
enum class Entry {
    Missing,
    Regular, ///< a regular file
    Other    ///< a symbolic link, a pipe, a device, a socket or a folder
};
Entry entryAt(const QString &path);

/// The French warning for a copy left undone because `path` is not a regular file.
IoResult notRegular(const QString &path);

/// The content of a regular file, read without ever waiting: a pipe or a device is refused at
/// once, and with `followLinks` false a symbolic link too (`missing` as readFileBytes gives it).
FileBytes readRegularFile(const QString &path, bool followLinks);

/// What a live append to a data file asks of its copy.
enum class Step {
    Append, ///< the copy is the original as it was before the append: add the same bytes
    Replace ///< anything else: the copy is rewritten whole from the original
};

/// The copy takes the appended bytes only when it holds exactly `formerSize` bytes and its
/// last block (up to 4 KiB, the last thirty-odd QSO lines) is the original's block at the same
/// place. The whole content is compared at every catch-up; here a live QSO must cost little
/// more than its own write and sync, even on a log of 100,000 QSOs.
Step appendStep(const QString &originalPath, const QString &copyPath, qint64 formerSize);

/// Brings the copy of one file up to date after the program's change to it (crash-safe, as
/// every write). A file that is gone by then is left to the removal that follows.
IoResult followAppend(const QString &originalPath, const QString &copyPath, const QByteArray &bytes,
                      qint64 formerSize);
IoResult followReplace(const QString &originalPath, const QString &copyPath);
IoResult followRemove(const QString &copyPath);

/// Whether two files hold the same bytes (both missing counts as the same); sizes first, then
/// the content block by block.
bool sameContent(const QString &a, const QString &b);

struct CatchUpResult {
    IoResult status;
    QStringList replaced; ///< names whose copy was rewritten
    QStringList held;     ///< logs whose copy holds more than they do, kept for a restore
    QStringList skipped;  ///< names whose place in the copy folder is not a regular file
};

/// Compares every data file of `sourceDir` with its copy in `copyDir` by size and content
/// (never by date) and replaces the copies that differ. A log of the activation list whose
/// copy holds QSOs it lost (see damageOf) is held, unless the program changed it during this
/// run (`followed`): the copy is then what a restore at its next opening offers. A name whose
/// place in the copy folder is taken by something else than a regular file is skipped, and
/// the result is then a failure naming it. Stops at the first other failure (the medium is gone
/// or full: the next catch-up goes on from there). Nothing is written in a folder that
/// checkFolderApart refuses.
CatchUpResult catchUp(const QString &sourceDir, const QString &copyDir,
                      const QSet<QString> &followed);

/// Keeps the copy of `name` in `copyDir` under "<nom> copie gardée.txt" (" (2)"... when taken)
/// before the copy follows a log it could have repaired: the QSO lines only it holds stay.
IoResult keepCopyAside(const QString &copyDir, const QString &name);

/// How a log stands against its copy, for the restore offered when it is opened.
enum class Damage {
    None,      ///< nothing to restore: the log is whole and holds at least what the copy holds
    Missing,   ///< the log is gone and the copy holds QSOs
    Truncated, ///< the log's bytes begin the copy's, and the copy has more lines
    Torn       ///< the log's last line is cut or not 104 columns + CR LF, its whole lines begin
               ///< the copy's, and the copy's last line is whole
};

/// The number of whole QSO lines (104 columns + CR LF) at the start of a log, and where they
/// end; a last line that is cut, has no line end or another length is torn.
struct LogShape {
    int wholeLines = 0;
    qsizetype wholeEnd = 0;
    bool torn = false;
};
LogShape shapeOf(QByteArrayView bytes);

/// `log` and `copy` are the files' bytes; a missing file is given as missing.
Damage damageOf(bool logMissing, QByteArrayView log, bool copyMissing, QByteArrayView copy);

} // namespace zep::backup
