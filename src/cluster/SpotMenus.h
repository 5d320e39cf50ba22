#pragma once

#include "cluster/SpotSources.h"
#include "platform/WindowServices.h"

#include <functional>

namespace zep {

class Annonces;
class Clock;
class EntryDoor;

/// Tunes the radio to a spot: its frequency in Hz and its mode; empty without a radio link.
using TuneRadio = std::function<void(qint64 hz, const QString &mode)>;

/// The entry window's spot sources (made at the first call, with `feedTimings` and
/// `potaTimings`; the same afterwards).
SpotSources &spotSources(EntryDoor &entry, FeedTimings feedTimings = {},
                         PotaTimings potaTimings = {});

/// Wires the spots: "Afficher" > "les annonces (cluster et POTA)" (Ctrl+Maj+A) opens the
/// "Annonces" window; the sources follow the settings at once and after "Setup" >
/// "Cluster…"; the log's QSOs and the band and mode boxes give each spot its state; a spot
/// taken goes into the entry window (`EntryDoor::takeSpot`) and, when `tune` is given, to the
/// radio. Returns the window (made hidden, it takes spots from the start).
Annonces &connectSpots(EntryDoor &entry, const WindowServices &services, const Clock &clock,
                       TuneRadio tune = {});

} // namespace zep
