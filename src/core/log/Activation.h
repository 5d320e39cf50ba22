#pragma once

#include "core/io/Dialogs.h"
#include "core/io/IoResult.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace zep {

/// One reference of an activation as the list file holds it. A double activation is two
/// records on consecutive lines, each carrying the 1-based position of the other.
struct ActivationRecord {
    QString number;       ///< reference number, columns 1-12
    QString activator;    ///< activator call sign, columns 14-23
    QString name;         ///< reference name, columns 25-59
    QString canton;       ///< canton number, columns 61-64 (may be empty)
    QString postalCode;   ///< postal code, columns 66-70
    QString type;         ///< activation type, columns 72-83
    QString date;         ///< activation date jj/mm/aa as typed, columns 85-92
    QString commune;      ///< commune name, columns 94-128
    QString logger;       ///< logger call sign, columns 134-143 (may be empty)
    int partner = 0;      ///< 0 = single, else 1-based position of the other line of the pair
    bool deleted = false; ///< "*" in column 13
};

/// A line written by this program is always this long; trailing blanks belong to the line.
inline constexpr int kActivationLineLength = 143;
/// Lines of earlier releases without partner field and logger; upgraded at start-up.
inline constexpr int kOldActivationLineLength = 129;
/// The partner field has three columns, so a pair can only sit within the first 999 lines.
inline constexpr int kMaxPartnerPosition = 999;

/// Builds the 143-character line of `r` (its `partner` and `deleted` members are ignored).
/// Every field is written as typed (not trimmed) and filled with blanks to its width. A field
/// longer than its width is cut to its width so that the columns never shift: this matters
/// for the activation type, which may be typed with up to 35 characters but keeps only 12 in
/// the file, and for the name and commune, which keep 35.
/// `partnerPosition` is 0 for a single activation, else the position (1 to 999) of the other
/// line, right-aligned in columns 130-132. A position outside 1..999 cannot be held and
/// leaves the field blank: callers check `kMaxPartnerPosition` before saving a pair.
QString formatActivationLine(const ActivationRecord &r, int partnerPosition);

/// Reads a line by columns, every field trimmed. Lines of any length are accepted: a field
/// lying wholly beyond the end reads as empty (a 93-character line of an early release has
/// no commune; a 129- or 132-character line has no partner and no logger). A partner field
/// that is blank or not a number reads as 0.
ActivationRecord decodeActivationLine(const QString &line);

/// Trimmed columns 1-12 of a list line: the key every lookup compares.
QString activationNumberOf(const QString &line);

/// The activity log file name of a reference: the trimmed number followed by ".txt".
QString activityLogFileName(const QString &number);
/// The same file in `programDir`.
QString activityLogPath(const QString &programDir, const QString &number);

/// A reference loaded from the list, with the other reference when it is a double activation.
struct LoadedActivation {
    IoResult status; ///< a list file that cannot be read (a missing one is an empty list)
    bool found = false;
    ActivationRecord first;
    /// Set when `first.partner` names an existing line of the file; a partner position past
    /// the end of the file leaves it empty and the activation loads as a single one.
    std::optional<ActivationRecord> second;
};

/// The activation list file "Liste_Activite.txt" in the program directory: one 143-column
/// line per reference, appended in creation order and never removed or reordered, so that
/// the positions kept in partner fields stay valid for the life of the file.
/// Every call opens, reads or writes, and closes the file; nothing is cached.
/// A missing file is an empty list for every read; `ensureExists` and `upgrade` create it.
class ActivationList {
public:
    explicit ActivationList(QString programDir);

    QString path() const;
    QString programDir() const { return dir_; }

    /// Creates the list file empty when it is missing; an existing file is left alone.
    IoResult ensureExists();

    struct Numbers {
        IoResult status;
        QStringList numbers;
    };
    /// The trimmed reference number of every line, in file order (deleted lines too), so that
    /// the item at index p - 1 is the number of the line at position p.
    Numbers numbers() const;

    /// Whether some line's trimmed number equals `number` exactly (case matters, no trimming
    /// of `number`). Deleted lines are found like the others.
    bool contains(const QString &number) const;

    /// The line whose trimmed number equals `number` (the last one when several match), and
    /// for a pair the line at its partner position.
    LoadedActivation load(const QString &number) const;

    /// Appends one formatted line (crash-safe; a line that the code page cannot hold is
    /// refused and the file left as it was), then makes sure the activity log file of the
    /// line's trimmed number exists. An existing log file is kept as it is: emptying it would
    /// throw away the QSOs already logged under that number.
    IoResult append(const QString &line);

    /// Start-up upgrade: every line of exactly 129 characters gets three blanks (empty partner
    /// field, no logger). The file is rewritten (atomically, through "Temporaire.txt") only
    /// when some line changed. A missing file is created empty.
    IoResult upgrade();

    struct Deletion {
        IoResult status;
        QStringList deletedNumbers; ///< the numbers now marked "*", in file order
        bool changed = false;       ///< the list file was rewritten
    };
    /// Deletes the activation `number` (both lines of a double activation) after asking the
    /// operator: marks the lines with "*" in column 13 and sets each log file aside as ".bak".
    /// Declining, or naming the second line of a pair, changes nothing.
    /// Order, so that no log is ever lost if the program stops between two steps: first the
    /// ".bak" copies are written, then the list file is rewritten, and only then are the
    /// ".txt" logs removed. A failing copy stops everything before the list is touched.
    /// A log that no longer exists (an activation deleted before) is simply skipped, and any
    /// older ".bak" of it is kept.
    Deletion remove(const QString &number, Dialogs &dialogs);

private:
    QString dir_;
};

} // namespace zep
