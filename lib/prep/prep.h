// Preparing a hypergraph for the multilevel phases: the vertex-to-hyperedge
// incidence with its derived weights, the pruned copy without the large
// hyperedges, and the islands (vertices without hyperedges) set aside before
// matching.
#pragma once

#include "hgraph/ctrl.h"
#include "hgraph/hgraph.h"

// Preprocessing.
void CreateIncidentHGraph__(HGraph *graph);
HGraph *PruneHGraph__(const CtrlType *ctrl, HGraph *graph);

// The pin lists of a coarse level, which nothing reads from the making of
// the next level until its refinement, are released meanwhile when the level
// has at least ctrl->pinsaside pins, and rebuilt from its incidence: a coarse
// hyperedge lists its pins ascending, as the vertices list their hyperedges
// in the incidence, so they come back as they were. The level a coarsening
// starts from keeps its own.
void SetLevelPinsAside__(const CtrlType *ctrl, HGraph *graph);
void RestoreLevelPins__(HGraph *graph);

// Islands: vertices without incident hyperedges set aside before matching.
void SeparateIslands__(HGraph *graph);
void CombineIslands__(HGraph *graph);
