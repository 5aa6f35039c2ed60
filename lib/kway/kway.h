// Direct k-way partitioning: the multilevel k-way driver, k-way refinement
// with its gain bookkeeping and V-cycles, and partition quality measures.
#pragma once

#include "hgraph/hgraph.h"
#include "hgraph/ctrl.h"

// Multilevel k-way driver.
int MultilevelKwayPartition__(const CtrlType *ctrl, HGraph *graph, int *part);
void InitPartitionKway__(const CtrlType *ctrl, HGraph *graph);
float ComputeBalanceKway__(const CtrlType *ctrl, const HGraph *graph, const int *where);

// K-way refinement framework and gains.
void RefineKway__(const CtrlType *ctrl, HGraph *graph, HGraph *cgraph);
void AllocateKwayRefinementMemory__(const CtrlType *ctrl, HGraph *graph);
void ProjectKwayPartition__(const CtrlType *ctrl, HGraph *cgraph);
void PartitionIslandsKway__(const CtrlType *ctrl, HGraph *graph);
void ComputeInitKwayGains__(const CtrlType *ctrl, HGraph *graph);
void ComputeKwayGainsSet__(HGraph *graph, int n, const int *list);
// The record of v with its entries listed: from scratch, the entries wait
// until they are first asked for.
const CellKwayInfo &KwayCellInfo__(HGraph *graph, int v);
int VCycleRefinementKway__(const CtrlType *ctrl, HGraph *graph, int nvcycles);
void KwayUpdateGainInfo__(HGraph *graph, int v, int from, int to, int *marker, int *updind);
// Whether part p comes before part q in the order of first appearance in v's
// cut hyperedges (incidence order, then each hyperedge's part list): the
// order of v's entries when they were computed from scratch, which updates
// by difference do not keep.
bool KwayListsBefore__(const HGraph *graph, int v, int p, int q);

// Randomized k-way refinement.
void RefineCutKway_Random__(const CtrlType *ctrl, HGraph *graph, int npasses);
void RefineSOEDKway_Random__(const CtrlType *ctrl, HGraph *graph, int npasses);

// Partition quality measures.
int ComputeActualCut__(const HGraph *graph, const int *where);
int ComputeActualSOED__(const HGraph *graph, const int *where);
float ComputeBalance__(const HGraph *graph, const int *where);
