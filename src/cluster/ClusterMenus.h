#pragma once

#include "cluster/Annonce_Cluster.h"
#include "cluster/ClusterClient.h"
#include "entry/WindowServices.h"

namespace zep {

class Saisie_QSO;

/// Wires the DX cluster: "Fichiers" > "Annoncer sur le cluster…" (Ctrl+S) and
/// "Setup" > "Cluster…". `frequency` gives the radio's frequency, when there is one.
void connectCluster(Saisie_QSO &entry, const WindowServices &services,
                    FrequencySource frequency = {}, ClusterTimings timings = {});

} // namespace zep
