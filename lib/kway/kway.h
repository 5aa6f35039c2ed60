// Direct k-way partitioning: the multilevel k-way driver, k-way refinement
// with its gain bookkeeping and V-cycles, and partition quality measures.
#pragma once

#include <vector>

#include "hgraph/hgraph.h"
#include "hgraph/ctrl.h"

// Direct k-way partitioning of the caller's hypergraph with options already
// read and the arrays already checked; returns the objective's value.
int RunKway__(const Options &opt, int nvtxs, int nhedges, const int *vwgts, const int *eptr,
              const int *eind, const int *hewgts, int *part, ProgressSink *progress);

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
// Moves v's pin from part from to part to in the bookkeeping of its
// hyperedges and recomputes what changes; updind[0] is v, updind[1..n-1] the
// pins whose entries were recomputed (marked by marker[u] = v). Returns n.
int KwayUpdateGainInfo__(HGraph *graph, int v, int from, int to, int *marker, int *updind);
// Whether part p comes before part q in the order of first appearance in v's
// cut hyperedges (incidence order, then each hyperedge's part list): the
// order of v's entries when they were computed from scratch, which updates
// by difference do not keep.
bool KwayListsBefore__(const HGraph *graph, int v, int p, int q);

// The bounds k-way refinement holds the parts to: none lighter than
// minpwgt, part p no heavier than maxpwgt[p].
struct KwayPartBounds {
  int minpwgt = 0;
  std::vector<int> maxpwgt;
};
KwayPartBounds KwayPartBounds__(const CtrlType *ctrl, const HGraph *graph);
// Flow refinement of every pair of adjacent parts in turn, in a fixed order
// (the lower part first, then the higher), each cut anew by a maximum flow
// when that lowers the objective within the bounds.
void RefineKwayFlows__(const CtrlType *ctrl, HGraph *graph);

// K-way FM for the objective in ctrl->RType: passes that move the boundary
// vertex with the best gain within the bounds, negative gains too, each
// vertex once, and go back to the best partition the pass went through;
// they end when a pass finds nothing better.
void RefineKwayFM__(const CtrlType *ctrl, HGraph *graph, int npasses);
// The two gains k-way FM orders moves by, for the objective rtype: how much
// the objective falls when v (record ci) moves to the part of entry d, then
// how much the figure that breaks ties falls (km1 under the cut, the cut
// under km1 and SOED).
void KwayFMGain__(int rtype, const CellKwayInfo &ci, const CellPartInfo &d, int *lead, int *second);
// Bounds on those gains over all of v's moves that need none of its entries:
// a vertex waits under them until its entries are listed.
void KwayFMGainBound__(int rtype, const CellKwayInfo &ci, int *lead, int *second);

// Randomized k-way refinement.
void RefineCutKway_Random__(const CtrlType *ctrl, HGraph *graph, int npasses);
void RefineSOEDKway_Random__(const CtrlType *ctrl, HGraph *graph, int npasses);
// Randomized k-way refinement for the objective in ctrl->RType (OBJ_CUT,
// OBJ_SOED or OBJ_KM1), followed with the KwayFM option by up to four FM
// passes; and that objective's value of the current partition as the
// refinement keeps it.
void RefineKwayObjective__(const CtrlType *ctrl, HGraph *graph, int npasses);
int KwayObjectiveValue__(const CtrlType *ctrl, const HGraph *graph);

// Partition quality measures.
int ComputeActualCut__(const HGraph *graph, const int *where);
int ComputeActualSOED__(const HGraph *graph, const int *where);
float ComputeBalance__(const HGraph *graph, const int *where);

// Rebalancing a finished k-way partition to per-part limits.
// The objective a move is charged in: the cut (weight of the hyperedges
// touching 2+ parts) or km1 (sum over hyperedges of weight * (parts touched - 1)).
enum class RebalanceObjective { kCut, kKm1 };
// Moves vertices out of the parts heavier than maxpwgts[p] into parts with
// room until every part p weighs at most maxpwgts[p]. Each step takes, among
// the free vertices of the overweight parts and the parts they fit into, the
// move that raises the objective least; ties go to the target lighter against
// its limit (weight / limit), then the lower vertex, then the lower part, so
// the result is deterministic. A move is costed again when its turn comes,
// so a later step takes the cheapest move as last costed, to the part that is
// then the best for it. Vertices with fixed[v] >= 0 never move (fixed may be
// NULL); netwgt and cellwgt NULL mean weight 1 each. where is updated in
// place. Returns true when every part ends within its limit, false when no
// free vertex of an overweight part fits into another part any more (the
// caller reports that).
// With force, a call that would give up instead moves a vertex that fits
// nowhere into the part that can best make room for it (its room plus its
// free vertices lighter than the one coming) and rebalances again, up to
// 2 * nparts times: heavy vertices then need not stay where the partitioner
// left them, although the part they go to is over its limit until it sends
// lighter vertices on.
bool RebalanceToLimits__(int nvtxs, int nhedges, const int *netptr, const int *netind,
                         const int *netwgt, const int *cellwgt, int nparts,
                         const int *maxpwgts, const int *fixed, RebalanceObjective obj,
                         int *where, bool force = false);
