#pragma once

#include "core/io/IoResult.h"
#include "core/log/LogJournal.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace zep {

/// What the first-name memory holds for a call sign; known=false when it holds nothing.
struct FirstNameLookup {
    bool known = false;
    QString department, firstName;
};

/// The first-name memory "Liste_Prenom.txt", shared by every activation: one entry per call sign,
/// call sign in columns 1-12, department in 14-15, first name from 17 to the end of the line.
class FirstNameMemory {
public:
    explicit FirstNameMemory(QString path);

    const QString &path() const { return path_; }

    /// A missing memory file is created empty (an empty file is an empty memory).
    IoResult ensureExists();

    /// The department and first name last recorded for `call` (the last matching entry wins);
    /// a blank department reads as empty. A missing file knows nobody.
    FirstNameLookup find(const QString &call) const;

    /// Records the department and first name of `call`, empty ones included. `unknown` is the
    /// result of the lookup made for this call sign: an unknown call sign is appended; a known
    /// one has its entry rewritten in place (no rewrite when it already reads the same, and an
    /// append when the entry has vanished from the file since the lookup).
    IoResult remember(const QString &call, const QString &department, const QString &firstName,
                      bool unknown);

    /// One QSO's call sign, department and first name, as a validation records them.
    struct Entry {
        QString call, department, firstName;
    };
    /// Records a batch of QSOs in one rewrite of the file, leaving it as `remember` would
    /// after each entry in turn, each with the lookup made just before it: a call sign the
    /// memory does not hold is added at the end, a known one has its entries rewritten. A
    /// blank department or first name keeps what the memory holds for the call sign, as the
    /// entry window shows the remembered values before the QSO is validated. Nothing is
    /// written when nothing changes; an entry the memory cannot hold (too long, control
    /// characters, outside the code page) refuses the whole batch. A call sign whose remembered
    /// values hold a control character (a memory edited by hand) keeps its entries, as the
    /// validation would refuse to record them.
    IoResult rememberAll(const QList<Entry> &entries);

    /// The memory line of a call sign: call padded to 12, blank, department padded to 2, blank,
    /// first name (absent when empty, the line then has 16 characters).
    static QString entry(const QString &call, const QString &department, const QString &firstName);

private:
    QString path_;
};

/// An earlier QSO with the same station on the same band and mode.
struct DuplicateResult {
    bool found = false;
    QString date, time, firstName;
};

/// The first QSO of the log with exactly this call sign, band and mode (text comparisons).
DuplicateResult findDuplicate(const QStringList &logLines, const QString &call, const QString &band,
                              const QString &mode);

/// findDuplicate's answer for a log read again and again as it changes (the call-sign field
/// of each line is kept as a number), so that Enter on a call sign in a log of years does not
/// compare 100,000 lines of text. Lines are only compared whole where the numbers agree.
class DuplicateFinder {
public:
    DuplicateResult find(const LogReading &log, const QString &call, const QString &band,
                         const QString &mode);
    /// Follows the log to this reading without searching.
    void follow(const LogReading &log);
    quint64 seen() const { return seen_; }

private:
    quint64 seen_ = 0;         ///< the version of the log the keys stand for
    std::vector<size_t> keys_; ///< the hash of each line's call-sign field, blanks trimmed
};

/// The question put to the operator when a duplicate is found.
QString duplicateQuestion(const QString &call, const DuplicateResult &d, const QString &band);

} // namespace zep
