#pragma once

#include "core/log/LogJournal.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace zep {

/// One change of the operator list: `name` put in at `row`, or taken out of it.
struct OperatorListEdit {
    int row = 0;
    bool inserted = false;
    QString name;
};

/// What a count changed in the operator list: the edits, to be made in their order, or, when
/// the log was counted whole (`whole`), the whole list anew.
struct OperatorListChanges {
    bool whole = false;
    QList<OperatorListEdit> edits;
};

/// The distinct operators of a log kept up to date as the log changes: the list and the number
/// countOperators gives, without sorting the whole log again after each QSO. On a log kept
/// over years (100,000 QSOs) a full count costs several frames; a live QSO, an edited, deleted
/// or inserted one costs a binary search per line changed and one move of the sorted fields.
class OperatorTally {
public:
    /// The count for the log read. The changes since the reading of the previous call are
    /// counted alone; a large change, or a reading with no way from the previous one, counts the
    /// whole log again. `changes`, when given, gets what this call changed in the list.
    int count(const LogReading &log, OperatorListChanges *changes = nullptr);
    /// The count for lines that come from no log reading: always a whole count.
    int count(const QStringList &lines) { return count(LogReading{lines, 0, {}}); }

    /// The operators counted, in the order of the operator list.
    QStringList operators() const;

    /// Forgets everything: the next call counts the whole log.
    void clear();
    /// The version of the log counted (0: none).
    quint64 seen() const { return seen_; }

private:
    /// A call-sign field (columns 18-29) as the operator list sorts it, with its padding, and
    /// the line it comes from (fields that sort together keep the order of their lines).
    struct Field {
        quint64 high = 0, low = 0; ///< the case-folded text packed, when it is 12 ASCII chars
        quint32 line = 0;
        quint8 size = 0;
        quint8 trimStart = 0, trimSize = 0; ///< the call sign within the field, blanks trimmed
        bool packed = false;
        std::array<char16_t, 12> text{};
    };
    static Field fieldOf(const QString &line, qsizetype index);
    static bool less(const Field &a, const Field &b);
    /// The sorted order: the operator list's order, then the line's place.
    static bool before(const Field &a, const Field &b);
    static bool differ(const Field *a, const Field *b);
    static QString nameOf(const Field &f);
    void recount(const QStringList &lines);
    bool apply(const LogChange &change);
    void add(const Field &f);
    bool remove(quint32 line);
    /// The place of `f` among the first fields of the operators.
    std::vector<quint32>::iterator headOf(const Field &f);
    void insertHead(const Field &f);
    void eraseHead(const Field &f);

    quint64 seen_ = 0;           ///< the version of the log counted
    std::vector<Field> fields_;  ///< the field of each line counted, in the order of the lines
    std::vector<quint32> order_; ///< the lines in the operator list's order
    /// The lines whose field starts an operator (differs from the one before it in the sorted
    /// order), in that order: row n of the operator list is heads_[n].
    std::vector<quint32> heads_;
    OperatorListChanges *changes_ = nullptr; ///< where the count under way records its edits
};

} // namespace zep
