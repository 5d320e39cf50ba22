#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace zep {

/// The distinct operator count of a log kept up to date as the log grows: the number
/// Compte_Operateurs gives, without sorting the whole log again after each live QSO. On a log
/// kept over years (100,000 QSOs) a full count costs several frames; adding one QSO costs one
/// binary search.
class OperatorTally {
public:
    /// The count for `lines`. `lineage` names the reading the lines come from (see
    /// ActivityLog::Items): when it is the lineage of the previous call and the log only grew,
    /// just the new lines are counted; anything else (0, another lineage, a shorter log) counts
    /// the whole log again.
    int count(const QStringList &lines, quint64 lineage);

    /// Forgets everything: the next call counts the whole log.
    void clear();

private:
    /// A call-sign field (columns 18-29) as the operator list sorts it, with its padding.
    struct Field {
        std::array<char16_t, 12> text{};
        quint8 size = 0;
        quint64 high = 0, low = 0; ///< the case-folded text packed, when it is 12 ASCII chars
        bool packed = false;
    };
    static Field fieldOf(const QString &line);
    static bool less(const Field &a, const Field &b);
    static bool differ(const Field *a, const Field *b);
    void add(const Field &f);

    quint64 lineage_ = 0;
    qsizetype counted_ = 0; ///< lines of the log counted so far
    std::vector<Field> sorted_;
    int count_ = 0;
};

} // namespace zep
