#pragma once

#include "core/io/IoResult.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>

namespace zep::archive {

/// Where each member of an archive lives on disk. Members are named relative to the program
/// directory with "/" between folders; the settings file, which lives elsewhere, travels as
/// "Réglages/<its file name>".
struct Layout {
    QString programDir;
    QString settingsFile; ///< the settings INI file; empty when there is none to keep

    /// The name the settings file has in an archive (empty without a settings file).
    QString settingsMember() const;
    /// The file on disk a member stands for.
    QString pathOf(const QString &member) const;
};

/// The folder the settings file is kept in, inside an archive.
inline const QString settingsFolder = QStringLiteral("Réglages");
/// The folders a restore keeps the replaced files in start with this, followed by the date.
inline const QString keptAsidePrefix = QStringLiteral("Avant restauration ");

/// One file of the program's data on disk.
struct DiskFile {
    QString member; ///< its name in an archive
    QString path;
    qint64 size = 0;
    QDateTime modified;
};

/// The files an archive of `layout` holds, sorted by name: every regular file of the program
/// directory and its folders, then the settings file. Left out: the directory lock, the scratch
/// files of a write in progress and the folders of files kept aside by a restore.
QList<DiskFile> listFiles(const Layout &layout);

/// "ZEP_Rozadovev 20240501_1432.zip": the name proposed for an archive made at `now`.
QString proposedArchiveName(const QDateTime &now);

struct Written {
    IoResult status;
    int fileCount = 0;
};

/// Writes one zip archive of every file `listFiles` gives to `target`: names in UTF-8 (flagged
/// so), modification times kept, the content deflated. The archive is built in memory and
/// written through the crash-safe path (scratch file in the target folder, sync, rename, folder
/// sync): on any failure there is neither an archive nor a scratch file, and a file that was
/// already at `target` is as it was.
Written writeArchive(const Layout &layout, const QString &target);

/// The most files an archive may name. A data directory of years (one log per activation, its
/// listings and copies, a few thousand files) stays far below.
inline constexpr qint64 mostMembers = 20000;
/// The most bytes the files of an archive may hold once decompressed (256 Mo): a 100,000-QSO
/// log is 11 Mo, the first-name memory of 100,000 call signs 4 Mo.
inline constexpr qint64 largestTotal = 256ll * 1024 * 1024;

/// One file of an archive, read whole and checked against its CRC.
struct Member {
    QString name;
    QByteArray bytes;
    QDateTime modified;
};

struct Contents {
    IoResult status;
    QList<Member> members; ///< sorted by name, folders left out
};

/// Reads every file of the archive `zipPath`. Refused with a French message: a file that is not
/// a zip or is cut short, more than `mostMembers` names or `largestTotal` bytes once
/// decompressed (both checked from the archive's directory, before any file is read), a
/// damaged member (CRC), a password, a member named with ".." or an absolute path or holding a
/// control character, a name given twice.
Contents readArchive(const QString &zipPath);

/// Whether `name` stays inside the folder it is restored into: relative, no "..", no ".".
bool safeMemberName(const QString &name);
/// Whether `name` holds a control character (a line end, a tab, an escape...), which no file
/// of the program has in its name.
bool hasControlCharacter(const QString &name);

enum class Status { Same, Different, NotOnDisk, OnlyOnDisk };
/// "identique", "différent", "absent du disque", "seulement sur le disque".
QString statusText(Status status);

/// One line of the comparison of an archive with the disk.
struct Row {
    QString name;
    std::optional<qint64> archiveSize; ///< none: not in the archive
    QDateTime archiveTime;
    std::optional<qint64> diskSize; ///< none: not on disk
    QDateTime diskTime;
    Status status = Status::Same;
};

/// Every file of the archive and of the disk, sorted by name, with what a restore would do.
QList<Row> compare(const Contents &contents, const Layout &layout);

struct Restored {
    IoResult status;
    int written = 0;    ///< files written from the archive
    int keptAside = 0;  ///< former files copied into the folder below
    QString keptFolder; ///< empty when no file was replaced
    bool cancelled = false;
};

/// How a restore running on a worker thread tells how far it is and learns it is to stop.
struct Progress {
    /// `done` steps of `total`, called on the restoring thread; may be empty.
    std::function<void(int done, int total)> step;
    /// Turned true from another thread: the restore stops and puts every file back.
    const std::atomic_bool *cancel = nullptr;
};

/// Writes every member that differs from the disk or is missing there, with its modification
/// time, all or nothing. First the files it replaces are copied into the folder
/// "Avant restauration aaaammjj_hhmm" of the program directory (a number follows when that
/// folder already exists) and every new content is written, complete and synced, to a scratch
/// file beside the file it replaces; only then is each scratch file renamed over its file. A
/// failure or a cancel on the way puts back every file already replaced, removes the scratch
/// files, the folders made and the kept copies: the disk is as before. Files only on disk are
/// left. Killed midway, each file is the old one or the archive's, never a mix.
Restored restore(const Contents &contents, const Layout &layout, const QDateTime &now,
                 const Progress &progress = {});

} // namespace zep::archive
