#pragma once

#include "cluster/Annonce_Cluster.h"
#include "cluster/ClusterClient.h"
#include "platform/WindowServices.h"

namespace zep {

class EntryDoor;

/// Wires the DX cluster: "Fichiers" > "Annoncer sur le cluster…" (Ctrl+S) and
/// "Setup" > "Cluster…". `frequency` gives the radio's frequency, when there is one.
void connectCluster(EntryDoor &entry, const WindowServices &services,
                    FrequencySource frequency = {}, ClusterTimings timings = {});

} // namespace zep
