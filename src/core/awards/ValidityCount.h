#pragma once

#include "core/awards/ActivationRules.h"
#include "core/log/LogJournal.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>

namespace zep {

/// One reference of the activation and the QSOs of its log that count for its programme.
struct ReferenceValidity {
    QString reference;
    ProgrammeRule rule;
    int count = 0;
    /// The programme's minimum is known and the count has reached it.
    bool reached() const { return rule.minimum && count >= *rule.minimum; }
};

/// The QSOs of a log that count for one programme: the distinct stations, or stations on each
/// band and mode, of the whole log or of the day of its latest QSO, as the programme's rule
/// says. A line is added or taken away in a few hash look-ups, so that a log of years follows
/// each QSO at no cost the operator feels. Lines without a call sign are no QSOs.
class ValidityCounter {
public:
    explicit ValidityCounter(ProgrammeRule rule = {}) : rule_(std::move(rule)) {}
    /// `delta` is 1 for a line added to the log, -1 for a line taken away.
    void add(const QString &line, int delta);
    void clear();
    /// Room for the keys of a log of `lines` lines, counted at once.
    void reserve(qsizetype lines) { lines_.reserve(lines); }
    int count() const;
    const ProgrammeRule &rule() const { return rule_; }

private:
    ProgrammeRule rule_;
    QHash<QString, int> lines_;       ///< lines of the log per duplicate key
    std::map<qint64, int> keysByDay_; ///< distinct keys per UTC day (yyyymmdd, 0 undated)
    int distinct_ = 0;
};

/// The "Validité" of each reference of the activation, kept up to date with the log by its
/// changes (a QSO validated, corrected, deleted, taken back, imported).
class ValidityFollower {
public:
    /// The references shown and the rule each is counted by; counting starts again.
    void setReferences(const QList<ReferenceValidity> &references);
    void follow(const LogReading &log);
    QList<ReferenceValidity> figures() const;
    bool isEmpty() const { return counters_.isEmpty(); }
    /// Whether following `log` takes its changes since the last reading (else: the whole log).
    bool takesChangesOf(const LogReading &log) const { return reachable(seen_, log); }

private:
    QStringList references_;
    QList<ValidityCounter> counters_;
    quint64 seen_ = 0;
};

/// The same figures for a whole log at once.
QList<ReferenceValidity> countValidity(const QStringList &lines,
                                       const QList<ReferenceValidity> &references);

/// The status line: "Validité : FFF-0123 12/44, F-0123 12/10"; a reference without a known
/// minimum shows its count alone ("DMF 12345 12"); no reference, an empty text.
QString validityText(const QList<ReferenceValidity> &figures);

} // namespace zep
