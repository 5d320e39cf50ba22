#pragma once

#include "core/station/SpotLine.h"

#include <QSet>

#include <deque>
#include <vector>

namespace zep::spots {

/// The spots kept, in the order of their times: at most `capacity` (the oldest go first),
/// each forgotten `lifetime` after its time. A station spotted again (same call, same source,
/// within 10 kHz) is one spot, the newest, in its new place; the same spot read again (no
/// newer) changes nothing.
class SpotList {
public:
    explicit SpotList(qsizetype capacity = 1000, qint64 lifetimeMs = 30 * 60 * 1000)
        : capacity_(capacity), lifetimeMs_(lifetimeMs) {}

    void setLifetime(qint64 lifetimeMs) { lifetimeMs_ = lifetimeMs; }
    /// Takes `spot` (its `seenMs` is its time of arrival).
    void add(Spot spot);
    /// Forgets the spots older than the lifetime at `nowMs`; true when any went.
    bool expire(qint64 nowMs);
    void clear() { spots_.clear(); }

    /// Oldest first.
    const std::deque<Spot> &spots() const { return spots_; }
    qsizetype size() const { return qsizetype(spots_.size()); }
    qsizetype capacity() const { return capacity_; }

private:
    qsizetype capacity_;
    qint64 lifetimeMs_;
    std::deque<Spot> spots_;
};

/// What a spot is to the current activation.
enum class SpotState {
    New,       ///< not yet worked on this band and mode
    Worked,    ///< already in the log on this band and mode ("déjà contacté")
    Activator, ///< another activator, of a reference named in the spot, not yet worked
};

/// The QSOs of the activation as the spots need them: "<call>|<band>|<mode>" in capitals,
/// the band as the band box shows it ("14").
using WorkedSet = QSet<QString>;
QString workedKey(const QString &call, const QString &band, const QString &mode);

/// The band box row text ("14", "3.5") whose band holds `kHz`, among `bands`; empty when none.
QString bandText(double kHz, const QStringList &bands);

/// What the list shows, and its filters.
struct SpotFilter {
    QString band; ///< "Bande en cours": only spots on this band box text; empty: all
    bool referencesOnly = false;
    QString mode; ///< only spots of this mode; empty: all
};

/// One row of the list, as shown: a copy of its spot (its texts shared), so that the rows
/// shown never point into a list that has changed since.
struct SpotRow {
    Spot spot;
    SpotState state = SpotState::New;
    QString band; ///< the band box text of its frequency, empty when out of every band
};

/// The rows shown, newest first, for `filter`, with each spot's state against `worked` on its
/// own band and mode (its `band` when it has one, else the row of `bands` holding it; a spot
/// without a mode is worked when the call is in the log on its band
/// in the mode `currentMode`).
std::vector<SpotRow> visibleRows(const SpotList &list, const SpotFilter &filter,
                                 const WorkedSet &worked, const QStringList &bands,
                                 const QString &currentMode);

} // namespace zep::spots
