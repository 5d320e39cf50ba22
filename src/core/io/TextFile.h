#pragma once

#include "core/io/IoResult.h"
#include "core/io/SysCalls.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace zep {

/// The 8-bit Windows code page of every data file, Windows-1252. Its tables are written in the
/// program (no converter of the system is loaded for them) and built once; encoding never
/// writes a silent "?" for a character the page cannot hold: callers check `canEncode` first and
/// refuse the input.
namespace cp1252 {
QString decode(QByteArrayView bytes);
/// Encodes `text`; returns false (and leaves `out` undefined) if a character cannot be held.
bool encode(const QString &text, QByteArray &out);
bool canEncode(const QString &text);
/// The distinct characters of `text` that the code page cannot hold, in order of appearance.
QString unencodableCharacters(const QString &text);
} // namespace cp1252

/// French refusal for input holding characters that cannot be stored in a data file.
QString unencodableMessage(const QString &text);

/// The lines of a text file. CR LF, lone LF and a missing final line end are all accepted and
/// no line is ever dropped (an empty file has no line; a file "\r\n" has one empty line).
struct [[nodiscard]] TextLines {
    IoResult status;
    QStringList lines;
    bool missing = false; ///< the file does not exist (status is then a failure)
};

TextLines readTextFile(const QString &path);

/// The raw bytes of a file, for scans that work on the code page's bytes directly.
struct [[nodiscard]] FileBytes {
    IoResult status;
    QByteArray bytes;
    bool missing = false; ///< the file does not exist (status is then a failure)
};
FileBytes readFileBytes(const QString &path);
QStringList splitLines(const QString &text);

/// Joins lines, each ended by CR LF, in the code page; false if a character cannot be held.
bool encodeLines(const QStringList &lines, QByteArray &out);

/// The scratch files. Each write makes its own in the target's folder, created exclusively
/// under a name no other write of any thread can hold at the same time: the program's scratch
/// prefix, the caller's name for it (which says what it is for), the process id and a number.
/// Two writes to different files of one folder can never meet in one scratch file.
namespace scratch {
/// The beginning of every scratch file name the program makes.
inline const QString prefix = QStringLiteral(".zep~");
/// A new name for a scratch file described by `hint` ("Temporaire.txt"), unique in the process.
QString uniqueName(const QString &hint);
/// Whether a file of this name (no folder) is a scratch file of the program: one under way or
/// one left by a crash, or a fixed scratch name of the earlier versions. The live copy, the
/// archives and the start-up clean-up all ask here and nowhere else.
bool isScratchFileName(const QString &name);
/// Removes the scratch files left in `folder` and its subfolders (links are not followed).
/// Only for a folder no other running program writes: the program directory once its lock is
/// taken. Returns the names removed, relative to `folder`.
QStringList removeLeftovers(const QString &folder);
} // namespace scratch

/// Replaces the whole file crash-safely: the content goes to a scratch file of its own in the
/// same directory (named after `scratchName`, see scratch::uniqueName), is written completely,
/// synced and closed, then renamed over the file and the directory is synced. At every moment
/// the file on disk is either the old one or the new one. On failure the old file is untouched
/// and the scratch file removed.
IoResult writeBytesFile(const QString &path, const QByteArray &content,
                        const QString &scratchName = QStringLiteral("Temporaire.txt"));
/// The same for a content made of pieces, written one after the other (a large file built in
/// parts is not joined in memory first).
IoResult writeBytesFile(const QString &path, const QList<QByteArray> &pieces,
                        const QString &scratchName = QStringLiteral("Temporaire.txt"));
/// The same write for a content that is made while it is written (a large export): each piece
/// goes to the scratch file as soon as it is ready, and the disk starts on it at once, so that
/// making the next piece and writing this one overlap. Nothing replaces the file before
/// `commit`; a writer dropped without it removes its scratch file and leaves the file as it was.
class ScratchWriter {
public:
    ScratchWriter(const QString &path, const QString &scratchName);
    ~ScratchWriter();
    ScratchWriter(const ScratchWriter &) = delete;
    ScratchWriter &operator=(const ScratchWriter &) = delete;

    /// Adds a piece; false once anything failed (the later pieces are then not written).
    [[nodiscard]] bool append(QByteArrayView piece);
    /// Syncs and closes the scratch file, renames it over the file and syncs the directory;
    /// the first failure met, as writeBytesFile reports it, otherwise.
    IoResult commit();
    /// Syncs and closes the scratch file and leaves it complete under its scratch name, for a
    /// caller that puts several files in place together (moveOver), or none of them.
    IoResult keep();
    /// The scratch file's full path.
    QString scratchPath() const;

private:
    void abandon();

    sys::Calls &calls_; ///< the system calls in force when the writer was made, used throughout
    QString path_, dir_;
    QByteArray scratch_;
    int fd_ = -1;
    int error_ = 0;
    qint64 written_ = 0;
};

IoResult writeTextFile(const QString &path, const QStringList &lines,
                       const QString &scratchName = QStringLiteral("Temporaire.txt"));

/// Appends one line and its CR LF in a single write, then syncs the data, before returning.
/// Creates the file if missing. A file whose last line has no line end (torn by a crash or
/// edited by hand) gets that line ended first, so the new line never sticks to it.
/// On failure the file is cut back to its former length.
IoResult appendTextLine(const QString &path, const QString &line);

/// The same for lines already in the code page, each ended by CR LF (one write, one sync).
/// Only a regular file takes them; `followLinks` false refuses a symbolic link at `path`.
IoResult appendLineBytes(const QString &path, QByteArray bytes, bool followLinks = true);

/// Creates an empty file when none exists; an existing file is left as it is.
IoResult ensureFileExists(const QString &path);

/// Replaces `to` by an exact copy of `from`, through the scratch file (crash-safe as above).
IoResult copyFileSafely(const QString &from, const QString &to,
                        const QString &scratchName = QStringLiteral("Temporaire.txt"));

/// Renames the complete file `from` over `to` (one atomic step: `to` is the old file or this
/// one) and syncs the directory of `to`. On failure both files are as they were.
IoResult moveOver(const QString &from, const QString &to);

/// Removes a file and syncs its directory; a file that is already gone is not an error.
IoResult removeFile(const QString &path);

bool fileExists(const QString &path);

/// Told of every change a write above makes to a file, once the change is complete (after its
/// sync), on the thread that made it. The backup copy follows the data files through it.
/// An observer must be cheap and must not touch the disk: it is called inside every save.
class FileChangeObserver {
public:
    virtual ~FileChangeObserver() = default;
    /// `bytes` were added at the end of `path`, which held `formerSize` bytes before.
    virtual void appended(const QString &path, const QByteArray &bytes, qint64 formerSize) = 0;
    /// `path` now holds a whole new content (a rewrite, a copy, a new file).
    virtual void replaced(const QString &path) = 0;
    virtual void removed(const QString &path) = 0;
};

/// Installs the one observer of the process (nullptr: none). Set once at start, before any
/// window writes, and cleared before the observer goes away.
void setFileChangeObserver(FileChangeObserver *observer);

/// The French words for a system error number, as the file messages give them ("le disque est
/// plein", "le support est en lecture seule"...).
QString errorReason(int error);

} // namespace zep
