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

// Islands: vertices without incident hyperedges set aside before matching.
void SeparateIslands__(HGraph *graph);
void CombineIslands__(HGraph *graph);
