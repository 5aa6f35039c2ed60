// Coarsening: the driver, the matching schemes, star grouping, coarse
// hypergraph construction and partition-respecting coarsening.
#pragma once

#include "hgraph/hgraph.h"
#include "rb/ctrl.h"

// Driver: returns the coarsest level of the chain hung from graph.
HGraph *Coarsen__(CtrlType *ctrl, HGraph *graph);

// Matching schemes: fill cellmap, mptr, mind of graph and hang the coarser level.
// htable: 2m ints, all -1 between uses; perm: m ints; vpairs: 2m ints (m pairs),
// with m = max(nvtxs, nhedges) of the hypergraph coarsening started from.
void Match_Edges__(CtrlType *ctrl, HGraph *graph, int *perm, int *htable, int *vpairs);
void Match_Hedges__(CtrlType *ctrl, HGraph *graph, int *perm, int *htable, int *vpairs);
void Match_Hedges_Edges__(CtrlType *ctrl, HGraph *graph, int *perm, int *htable, int *vpairs);
void Match_Hedges_PHedges_Edges__(CtrlType *ctrl, HGraph *graph, int *perm, int *htable,
                                  int *vpairs);
void Match_EdgesStars__(CtrlType *ctrl, HGraph *graph, int *perm, int *htable, int *vpairs,
                        int flag);

// Coarse hypergraph construction.
void CreateCoarseHGraph__(CtrlType *ctrl, HGraph *graph, int cnvtxs);
void CollapseSameHEdges__(int nhedges, const int *netptr, const int *netind, const int *netwgt,
                          int *newnhedges, int **newnetptr, int **newnetind, int **newnetwgt);
int NumOfLargeNets__(int nhedges, const int *netptr);

// Partition-respecting coarsening (V-cycles) and fixed-vertex compression.
HGraph *CCoarsen__(CtrlType *ctrl, HGraph *graph);
void CompressFixedCells__(CtrlType *ctrl, HGraph *graph, const int *part);
void ProjectFixedCells__(CtrlType *ctrl, HGraph *graph, int *part, const int *fpart);
