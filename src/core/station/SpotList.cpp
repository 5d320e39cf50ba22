#include "core/station/SpotList.h"

#include "core/station/RadioReading.h"

#include <cmath>

namespace zep::spots {

void SpotList::add(Spot spot) {
    for (auto it = spots_.begin(); it != spots_.end(); ++it) {
        if (it->source == spot.source && it->call == spot.call &&
            std::abs(it->kHz - spot.kHz) <= 10) {
            // The same spot read again (POTA's list, every minute) stays where it is.
            if (spot.seenMs < it->seenMs ||
                (spot.seenMs == it->seenMs && spot.kHz == it->kHz && spot.comment == it->comment))
                return;
            // The new words of the spotter replace the old; a reference once named stays.
            if (spot.reference.isEmpty())
                spot.reference = it->reference;
            spots_.erase(it);
            break;
        }
    }
    // In the order of their time: a spot of POTA's list may be older than the cluster's last.
    auto at = spots_.end();
    while (at != spots_.begin() && std::prev(at)->seenMs > spot.seenMs)
        --at;
    spots_.insert(at, std::move(spot));
    while (qsizetype(spots_.size()) > capacity_)
        spots_.pop_front();
}

bool SpotList::expire(qint64 nowMs) {
    const qsizetype before = size();
    // The list is in the order of the spots' times: the old ones are all at the front.
    while (!spots_.empty() && nowMs - spots_.front().seenMs > lifetimeMs_)
        spots_.pop_front();
    return size() != before;
}

QString workedKey(const QString &call, const QString &band, const QString &mode) {
    return call.trimmed().toUpper() + QLatin1Char('|') + band.trimmed() + QLatin1Char('|') +
           mode.trimmed().toUpper();
}

QString bandText(double kHz, const QStringList &bands) {
    const std::optional<int> row = radio::bandRow(qint64(std::llround(kHz * 1000)), bands);
    return row ? bands.at(*row) : QString();
}

std::vector<SpotRow> visibleRows(const SpotList &list, const SpotFilter &filter,
                                 const WorkedSet &worked, const QStringList &bands,
                                 const QString &currentMode) {
    std::vector<SpotRow> rows;
    rows.reserve(list.spots().size());
    for (auto it = list.spots().rbegin(); it != list.spots().rend(); ++it) {
        const Spot &spot = *it;
        if (filter.referencesOnly && spot.reference.isEmpty())
            continue;
        if (!filter.mode.isEmpty() && spot.mode.compare(filter.mode, Qt::CaseInsensitive) != 0)
            continue;
        SpotRow row{spot, SpotState::New,
                    spot.band.isEmpty() ? bandText(spot.kHz, bands) : spot.band};
        if (!filter.band.isEmpty() && row.band != filter.band)
            continue;
        const QString mode = spot.mode.isEmpty() ? currentMode : spot.mode;
        if (!row.band.isEmpty() && worked.contains(workedKey(spot.call, row.band, mode)))
            row.state = SpotState::Worked;
        else if (!spot.reference.isEmpty())
            row.state = SpotState::Activator;
        rows.push_back(row);
    }
    return rows;
}

} // namespace zep::spots
