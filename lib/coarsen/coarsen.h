// Coarsening: the driver, the matching schemes, star grouping, coarse
// hypergraph construction and partition-respecting coarsening.
#pragma once

#include "hgraph/hgraph.h"
#include "hgraph/ctrl.h"

// Driver: returns the coarsest level of the chain hung from graph.
HGraph *Coarsen__(const CtrlType *ctrl, HGraph *graph);

// Matching schemes: fill cellmap, mptr, mind of graph and hang the coarser level.
// htable: 2m ints, all -1 between uses; perm: m ints; vpairs: 2m ints (m pairs),
// with m = max(nvtxs, nhedges) of the hypergraph coarsening started from.
void Match_Edges__(const CtrlType *ctrl, HGraph *graph, int *perm, int *htable, int *vpairs);
void Match_Hedges__(const CtrlType *ctrl, HGraph *graph, int *perm, int *htable, int *vpairs);
void Match_Hedges_Edges__(const CtrlType *ctrl, HGraph *graph, int *perm, int *htable, int *vpairs);
void Match_Hedges_PHedges_Edges__(const CtrlType *ctrl, HGraph *graph, int *perm, int *htable,
                                  int *vpairs);
// Clusters built in sub-rounds whose searches run side by side: the same
// coarse hypergraph for any number of threads.
void Match_Clusters__(const CtrlType *ctrl, HGraph *graph, int *perm, int *vpairs);
void Match_EdgesStars__(const CtrlType *ctrl, HGraph *graph, int *perm, int *htable, int *vpairs,
                        int flag);

// Candidate searches: the vertex v should be grouped with, or -1. Candidates
// are the pins of v's hyperedges whose weight keeps the group within
// maxcellwgt; the score of a candidate is the summed edgewgt of the hyperedges
// it shares with v. The hypergraph is only read; htable (indexed by vertex)
// is all -1 on entry and on return.
int FindCell__(const CtrlType *ctrl, int v, const int *incptr, const int *incind, const int *netptr,
               const int *netind, const int *cellwgt, const float *edgewgt, const int *cellmap,
               int *htable);
// wgts[c] is the weight of coarse vertex c, and wgts[-1] = 0 (ungrouped).
int FindCellStar__(const CtrlType *ctrl, int v, const int *incptr, const int *incind,
                   const int *netptr, const int *netind, const int *cellwgt, const float *edgewgt,
                   const int *cellmap, int *htable, const int *wgts);
// The same searches restricted to v's part, skipping hyperedges of more than
// MaxNetSize pins.
int CFindCell__(const CtrlType *ctrl, int v, const int *incptr, const int *incind, const int *netptr,
                const int *netind, const int *cellwgt, const float *edgewgt, const int *cellmap,
                const int *where, int *htable);
int CFindCellStar__(const CtrlType *ctrl, int v, const int *incptr, const int *incind,
                    const int *netptr, const int *netind, const int *cellwgt, const float *edgewgt,
                    const int *cellmap, const int *where, int *htable, const int *wgts);
// The star search in two steps, for searches side by side: the scores do not
// depend on the groups formed so far, only which candidates may still join
// and the tie rule do. StarCandidates__ leaves in s the pins v's search
// meets, in order, with their scores (entries below 0 never win);
// PickStar__ judges such a list against the groups as they stand and
// returns what FindCellStar__ (where = NULL) or CFindCellStar__ would.
void StarCandidates__(const CtrlType *ctrl, int v, const HGraph *graph, const int *where,
                      int *htable, CandidateScratch &s);
int PickStar__(const CtrlType *ctrl, int v, const HGraph *graph, const int *cellmap,
               const int *wgts, const int *cell, const float *score, int n);
// Clustering in sub-rounds (Match_Clusters__): rep[v] names v's cluster by
// its first vertex (-1 while v is single; anchors are clusters of their own
// that nobody joins), clusterwgt[r] is the weight of the cluster r names,
// round[v] the sub-round v acts in, current the sub-round under way.
struct ClusterState {
  const int *rep, *clusterwgt, *round;
  int current;
};
// Hyperedges of more pins say too little about any pair to be rated.
constexpr int kMaxRatedPins = 1000;
// The cluster (or single vertex of another sub-round) v should join, or -1:
// the one whose pins share the most edgewgt with v, over v's hyperedges of
// at most kMaxRatedPins pins, that stays within maxcellwgt with v; on equal
// score the lighter, then the first met. Reads state only, so the vertices of
// a sub-round search side by side, each with its own htable (all -1 on entry
// and return) and scratch.
int FindCluster__(const CtrlType *ctrl, int v, const HGraph *graph, const ClusterState &state,
                  int *htable, CandidateScratch &scratch);
// Priority of every vertex for star grouping: (int)(100 / best connection),
// vertices without one last. Returns the largest key + 1.
int ComputeAllWeights__(const CtrlType *ctrl, HGraph *graph, int *keys, int *htable);

// Pieces shared by the schemes (where = NULL: no part restriction).
// Anchors are coarse vertices 0 .. nfixed-1 by themselves; returns nfixed.
int AnchorGroups(const HGraph *graph, int *cellmap, int *mptr, int *mind);
// perm = the vertices by increasing degree capped at MaxNetSize, ties random.
void DegreeOrder(const CtrlType *ctrl, const HGraph *graph, int *perm, int *vpairs);
// Pairs every still unmatched vertex, in perm order, with its best candidate
// (or leaves it alone); returns the new number of coarse vertices.
int EdgeMatchingPass(const CtrlType *ctrl, HGraph *graph, const int *perm, int *htable,
                     const int *where, int cnvtxs);
void MatchEdges(const CtrlType *ctrl, HGraph *graph, int *perm, int *htable, int *vpairs,
                const int *where);
void MatchEdgesStars(const CtrlType *ctrl, HGraph *graph, int *perm, int *htable, int *vpairs,
                     int flag, const int *where);
// mptr/mind from cellmap: each coarse vertex lists its members by increasing
// vertex number.
void GroupsFromCellMap(HGraph *graph, int cnvtxs);
// One line of the coarsening trace for a level.
void PrintCoarsenLevel(const HGraph *graph);

// Work arrays of one coarsening run, sized by m = max(nvtxs, nhedges) of the
// hypergraph it starts from and shared by every level's matching.
struct CoarsenScratch {
  int *htable;  // 2m, all -1 between uses
  int *perm;    // m
  int *vpairs;  // 2m
};
// htable only when the scheme asks for it.
CoarsenScratch AllocateCoarsenScratch__(const HGraph *graph, bool htable = true);
void FreeCoarsenScratch__(CoarsenScratch &work);
// Level 0 and, with the coarsening trace on, the trace's header and first line.
void StartCoarsenTrace__(HGraph *graph, bool trace);
// What graph keeps once the next level is made from it: the maps that only
// the making read (the groups and the hyperedges' new numbers) go, unless
// ctrl keeps them for checks, with the clique weights of a coarse level, and
// its structure is set aside (see SetLevelAside__).
void LevelMade__(const CtrlType *ctrl, HGraph *graph);

// Coarse hypergraph construction.
void CreateCoarseHGraph__(const CtrlType *ctrl, HGraph *graph, int cnvtxs);
void CollapseSameHEdges__(int nhedges, const int *netptr, int *netind, const int *netwgt,
                          int *newnhedges, int **newnetptr, int **newnetind, int **newnetwgt);
int NumOfLargeNets__(int nhedges, const int *netptr);

// Partition-respecting coarsening (V-cycles) and fixed-vertex compression.
HGraph *CCoarsen__(const CtrlType *ctrl, HGraph *graph);
void CMatch_Edges__(const CtrlType *ctrl, HGraph *graph, const int *where, int *perm, int *htable,
                    int *vpairs);
void CMatch_EdgesStars__(const CtrlType *ctrl, HGraph *graph, const int *where, int *perm,
                         int *htable, int *vpairs);
void CompressFixedCells__(const CtrlType *ctrl, HGraph *graph, const int *part);
// Ends the run with an internal error when the anchors of fpart do not lie in
// pairwise distinct parts 0 .. nparts-1.
void ProjectFixedCells__(const CtrlType *ctrl, HGraph *graph, int *part, const int *fpart);
