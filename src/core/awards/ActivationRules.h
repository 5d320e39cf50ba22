#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace zep {

class SettingsStore;

/// How one award programme counts an activation's QSOs, as the shipped rules file says.
struct ProgrammeRule {
    QString programme;          ///< "WWFF", "POTA", "DFCF"
    std::optional<int> minimum; ///< nothing when the programme's minimum is not known
    /// Two QSOs with the same call sign are one QSO when this is false; when true, only when
    /// they are also on the same band and in the same mode.
    bool perBandAndMode = true;
    /// The count is of one UTC day (the day of the latest QSO), not of the whole log.
    bool perDay = false;
    QString source; ///< where the rule was read
};

/// The rules file "Regles_Validite.csv": one "Programme;Minimum;Doublon;Periode;Source" row per
/// programme, lines starting with "#" and blank lines ignored. The file is read whole, bounded
/// in size and rows; a row that cannot be read is skipped and its line number kept.
class ActivationRules {
public:
    static constexpr qsizetype maxFileBytes = 64 * 1024;
    static constexpr int maxRows = 500;
    /// A minimum beyond this is no minimum a programme asks.
    static constexpr int largestMinimum = 100000;

    static ActivationRules parse(QByteArrayView bytes);
    /// The file that travels inside the program.
    static ActivationRules builtIn();

    const QList<ProgrammeRule> &rules() const { return rules_; }
    const QList<int> &skippedLines() const { return skipped_; }
    bool tooLarge() const { return tooLarge_; }

    /// The rule of a programme (case ignored); nothing for a programme the file does not name.
    std::optional<ProgrammeRule> find(const QString &programme) const;

    /// The rule a reference is counted by: its programme's, the minimum the operator set in
    /// the settings ("Validite <programme>") taking the place of the file's. A programme the
    /// file does not name is counted by the log's duplicates, without a minimum.
    ProgrammeRule ruleFor(const QString &reference, const SettingsStore *settings) const;

private:
    QList<ProgrammeRule> rules_;
    QList<int> skipped_;
    bool tooLarge_ = false;
};

/// The programme of a reference: WWFF, POTA or SOTA by the shape of the reference
/// ("FFF-0123", "F-0123", "F/AM-001"), else the letters that start it ("DFCF 76054").
QString programmeOfReference(const QString &reference);

/// The settings key of a programme's minimum: "Validite WWFF".
QString validityKey(const QString &programme);

/// The minimum the settings hold for a programme: a whole number from 1 to largestMinimum sets
/// it, "0" takes it away (the count alone is shown), anything else leaves the file's.
std::optional<std::optional<int>> minimumFromSettings(const QString &value);

} // namespace zep
