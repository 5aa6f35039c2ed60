// Preparing a hypergraph for the multilevel phases: the vertex-to-hyperedge
// incidence with its derived weights, the pruned copy without the large
// hyperedges, and the islands (vertices without hyperedges) set aside before
// matching.
#pragma once

#include "hgraph/ctrl.h"
#include "hgraph/hgraph.h"

// Preprocessing.
// The incidence, transposed in ntasks tasks side by side (the same for any
// ntasks).
void CreateIncidentHGraph__(HGraph *graph, int ntasks = 1);
HGraph *PruneHGraph__(const CtrlType *ctrl, HGraph *graph);

// Nothing reads the structure of a coarse level from the making of the next
// level until its refinement. Meanwhile a level of at least ctrl->pinsaside
// pins keeps it packed (see PackedLevel): its pins and hyperedge starts go,
// and are rebuilt from the incidence. A coarse hyperedge lists its pins
// ascending, as the vertices list their hyperedges in the incidence, so
// everything comes back as it was. The level a coarsening starts from keeps
// its own; the clique weights and the maps are not packed.
void SetLevelAside__(const CtrlType *ctrl, HGraph *graph);
void RestoreLevel__(HGraph *graph);

// Islands: vertices without incident hyperedges set aside before matching.
void SeparateIslands__(HGraph *graph);
void CombineIslands__(HGraph *graph);
