#pragma once

#include "core/io/IoResult.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace zep {

/// The corrections of the log the operator can take back (a live QSO is never one of them).
enum class CorrectionKind {
    Edit,      ///< a logged QSO rewritten in place
    Deletion,  ///< a QSO taken out of the log
    Restore,   ///< the last deleted QSO put back at its date and time
    Insertion, ///< a forgotten QSO put in at its date and time
    Import,    ///< the QSOs of an ADIF file placed in the log
};

/// What one correction did to one file, line by line: the places where lines came in and went
/// out. Taken back on the file as it is later, so that what came after the correction (live
/// QSOs at the end of the log) stays where it is.
struct FileCorrection {
    /// One place of the file: from line `at` of the corrected file, the lines `added` stand
    /// where the lines `removed` stood before.
    struct Hunk {
        qsizetype at = 0;
        QList<QByteArray> removed;
        QList<QByteArray> added;
        /// The lines around the place in the corrected file, none at its start or end. A QSO
        /// put back where it was deleted goes between the same two lines, or not at all.
        std::optional<QByteArray> above, below;
    };

    QString path;
    QList<Hunk> hunks;
    qsizetype lines = 0;  ///< the corrected file's line count
    bool existed = true;  ///< whether the file existed before the correction
    bool follows = false; ///< a side file (the frequencies): best effort, never a refusal

    bool isEmpty() const { return hunks.isEmpty(); }

    /// The change that turned `before` into `after` (both a file's bytes, lines ended by
    /// CR LF or LF).
    static FileCorrection between(const QString &path, QByteArrayView before, QByteArrayView after);

    /// The file's bytes with the correction taken back, from its present bytes `now`, or why
    /// it cannot be (French, naming the file). `firstLine`, when given, gets the line where
    /// the first place taken back now stands.
    struct Undone {
        std::optional<QByteArray> bytes;
        QString refusal;
        qsizetype firstLine = 0;
    };
    Undone undo(QByteArrayView now) const;
};

/// One correction of the session: what it was and what it did to each file.
struct Correction {
    CorrectionKind kind = CorrectionKind::Edit;
    /// The logs first (the first reference's, then the second's), then their side files.
    QList<FileCorrection> files;

    /// "Correction annulée : QSO 12 F5XYZ rétabli", once undone (`firstLine` as undo gave it
    /// for the first log).
    QString undoneText(qsizetype firstLine) const;
};

/// The corrections of this session, newest last, that "Annuler la dernière correction" takes
/// back one after the other. Each is recorded from the bytes of the logs just before and just
/// after it; each undo checks that the logs still hold what the correction left, then rewrites
/// them through the crash-safe path, the logs before their side files. Only this activation's
/// logs are concerned: the window clears the history when the activation changes.
class CorrectionHistory {
public:
    /// How many corrections can be taken back; the oldest goes beyond that.
    static constexpr qsizetype depth = 50;

    /// The logs' bytes just before a correction (with their frequency side files).
    struct Before {
        struct File {
            QString path;
            bool follows = false;
            bool existed = false;
            bool readable = false;
            QByteArray bytes;
        };
        QList<File> files;
    };
    /// Reads `logs` (the first reference's log, then the second's) and their side files.
    static Before before(const QStringList &logs);

    /// Records the correction that changed the logs since `before`; nothing when they did not
    /// change (the correction failed or was declined) or could not be read.
    void record(const Before &before, CorrectionKind kind);

    bool canUndo() const { return !stack_.empty(); }
    qsizetype size() const { return qsizetype(stack_.size()); }
    /// The logs the newest correction changed (empty when there is none).
    QStringList lastLogs() const;
    std::optional<CorrectionKind> lastKind() const;
    void clear();

    struct Result {
        bool undone = false;
        /// What was undone, or why nothing was (French, for the operator).
        QString message;
        /// Problems that did not stop the undo (a side file that could not follow).
        QStringList warnings;
    };
    /// Takes back the newest correction. Nothing is written unless every log holds what the
    /// correction left; a correction whose log changed in another way is refused and leaves
    /// the history (it never could be taken back). A log that cannot be read or written
    /// leaves the logs as they were (as far as putting back the one already written allows)
    /// and the correction on the history.
    Result undoLast();

    /// Called after every change of the history (a record, an undo, a clear).
    void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

private:
    void changed();

    std::vector<Correction> stack_;
    std::function<void()> onChange_;
};

} // namespace zep
