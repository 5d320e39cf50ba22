#pragma once

#include "core/io/IoResult.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <string_view>
#include <unordered_map>

namespace zep {

/// One line of the prefix table: "prefix;country name;code;continent".
struct PrefixLine {
    QString prefix;     ///< a call sign beginning with it belongs to the country
    QString name;       ///< country name, shown in the list
    QString code;       ///< identifies the country: several prefixes of one country share it
    QString continent;  ///< read and passed on, the countries window does not use it
    int lineNumber = 0; ///< 1-based line of the file, for messages about it
};

/// The answer for one call sign: the fields of the first line whose prefix begins it.
struct CountryMatch {
    bool found = false;
    QString continent;
    QString code;
    QString name;
};

/// The country prefix table, read once and looked up through an index.
///
/// Lines are tried in file order and the first whose prefix begins the call sign wins (exact,
/// case-sensitive comparison), so a longer prefix placed after a shorter one it begins with is
/// never reached. `lookup` gives that first-match answer by trying each beginning of the call
/// sign in a hash of prefixes (a dozen probes whatever the size of the table); `scan` is the
/// plain first-match reading, kept as the reference the index is measured against.
///
/// Reading: Windows-1252 (a file saved as UTF-8 with its mark is read as UTF-8), CR LF or LF.
/// Each line has four fields separated by ";", the fourth running to the end of the line;
/// blanks around a field are dropped. A line with fewer than three ";" or an empty prefix
/// cannot be used: it is skipped and its number kept in `skippedLines`. Blank lines are
/// ignored.
class PrefixTable {
public:
    PrefixTable() = default;
    PrefixTable(const PrefixTable &other) { *this = other; }
    PrefixTable &operator=(const PrefixTable &other);
    PrefixTable(PrefixTable &&) = default;
    PrefixTable &operator=(PrefixTable &&) = default;

    /// The table held in `bytes` (the content of the file).
    static PrefixTable parse(const QByteArray &bytes);

    /// Reading the file: the table, or the French message for a file that is missing or
    /// cannot be read (`missing` tells the two apart).
    struct Loaded;
    static Loaded load(const QString &path);

    CountryMatch lookup(QStringView call) const;
    CountryMatch scan(QStringView call) const;

    const QList<PrefixLine> &lines() const { return lines_; }
    /// Line numbers of the lines that were skipped as unusable.
    const QList<int> &skippedLines() const { return skipped_; }
    bool isEmpty() const { return lines_.isEmpty(); }

private:
    void buildIndex();
    CountryMatch matchOf(qsizetype line) const;

    QList<PrefixLine> lines_;
    QList<int> skipped_;
    /// prefix -> position of its first line; the views point into lines_.
    std::unordered_map<std::u16string_view, qsizetype> index_;
    qsizetype longestPrefix_ = 0;
};

struct PrefixTable::Loaded {
    IoResult status;
    bool missing = false;
    PrefixTable table;
};

/// The French message shown when the table is not in the program directory.
QString missingPrefixTableMessage(const QString &path);

/// The French note for the lines of the table that were skipped (empty when none was).
QString skippedPrefixLinesMessage(const PrefixTable &table);

} // namespace zep
