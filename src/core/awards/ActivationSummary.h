#pragma once

#include "core/awards/ValidityCount.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace zep {

class PrefixTable;

/// A name and its QSOs: one bar of a chart.
struct Tally {
    QString name;
    int qsos = 0;
    bool operator==(const Tally &) const = default;
};

/// The figures of an activation's summary ("Bilan de l'activation"), read from its log. A QSO
/// is a line with a call sign; the figures of time leave out the QSOs whose date or time
/// cannot be read.
struct ActivationSummary {
    static constexpr int slotMinutes = 10;
    static constexpr int topEntities = 10;

    int qsos = 0;
    int distinctCalls = 0; ///< call signs compared in capitals, "/P" making another call
    std::optional<QDateTime> first, last; ///< UTC
    qint64 durationMinutes = 0;           ///< from the first QSO's minute to the last's
    int best10 = 0;                       ///< the most QSOs within any 10 minutes
    int best60 = 0;                       ///< the most QSOs within any 60 minutes
    /// QSOs per 10-minute slot of UTC time, from the slot of the first QSO to that of the last
    /// (slots start at hh:00, hh:10...): the activation's rate over its time.
    QList<int> perSlot;
    std::optional<QDateTime> firstSlot;    ///< the start of perSlot's first slot
    QList<Tally> bands, modes, continents; ///< most QSOs first, then by name
    QList<Tally> entities;                 ///< the ten countries most worked, most first
    int countries = 0;                     ///< countries of the prefix table worked
    int unknownCountryQsos = 0;            ///< QSOs whose call sign no prefix begins
    /// The French departments worked (map labels 1-95, 96 for 2A, 97 for 2B; the 20 that
    /// Corsica was is none), and their number.
    std::array<bool, 100> departments{};
    int departmentCount = 0;
    QList<ReferenceValidity> validity;
};

/// The summary of a log. `references` are the activation's references with their rules (two for
/// a double activation); `table` gives each call sign its country and continent.
ActivationSummary summarize(const QStringList &logLines, const PrefixTable &table,
                            const QList<ReferenceValidity> &references);

/// The figures as lines of text, for a screen reader and the printout ("QSO : 412"...).
QStringList summaryLines(const ActivationSummary &s);

} // namespace zep
