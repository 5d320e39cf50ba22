#pragma once

#include "core/log/LogJournal.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace zep {

/// The distinct operators of a log, in the order of the operator list, and their number.
struct OperatorCount {
    QStringList operators;
    int count = 0;
};

/// Distinct call-sign fields of the log: "F1ABC" and "F1ABC/P" are two operators, a station
/// worked on several bands is one, a blank call sign is none.
OperatorCount countOperators(const QStringList &logLines);

/// The department label of a QSO's two department characters: "2a"/"2A" is 96, "2b"/"2B" is
/// 97, two digits are their number; nothing when the first character is not a digit (blank).
std::optional<int> departmentSlot(const QString &twoChars);

/// Departments worked: `map` for the map labels 0-99 on the chosen band and mode, `strip` for
/// the entry window's labels 0-97 on the entry band and mode (98 and 99 stay false: that strip
/// has no such labels). `mapCount` is the number of map labels 1-99 worked.
struct DepartmentsWorked {
    std::array<bool, 100> map{};
    std::array<bool, 100> strip{};
    int mapCount = 0;
};

DepartmentsWorked Colore_Departements(const QStringList &logLines, const QString &band,
                                      const QString &mode, const QString &entryBand,
                                      const QString &entryMode);

/// The departments worked on every band and mode of a log, kept up to date as the log changes,
/// so that the entry window repaints its strip after each QSO from the lines that changed
/// instead of reading a log of years again. Gives what Colore_Departements gives.
class DepartmentTally {
public:
    /// Follows the log to this reading: the changes since the previous one are counted alone.
    void update(const LogReading &log);
    DepartmentsWorked worked(const QString &band, const QString &mode, const QString &entryBand,
                             const QString &entryMode) const;
    quint64 seen() const { return seen_; }

private:
    struct Tally {
        QString band, mode; ///< as the log's lines hold them, blanks trimmed
        std::array<int, 100> qsos{};
    };
    void count(const QString &line, int step);
    const Tally *find(QStringView band, QStringView mode) const;

    quint64 seen_ = 0;           ///< the version of the log counted
    std::vector<Tally> tallies_; ///< one per band and mode met: a few dozen at most
};

} // namespace zep
