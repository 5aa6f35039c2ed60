// Partition-respecting coarsening for V-cycles: only vertices of the same part
// are grouped, and every coarser level inherits the partition.
#include <algorithm>
#include <cstdio>

#include "coarsen/coarsen.h"
#include "prep/prep.h"

void CMatch_Edges__(const CtrlType *ctrl, HGraph *graph, const int *where, int *perm, int *htable,
                    int *vpairs) {
  MatchEdges(ctrl, graph, perm, htable, vpairs, where);
}

void CMatch_EdgesStars__(const CtrlType *ctrl, HGraph *graph, const int *where, int *perm,
                         int *htable, int *vpairs) {
  MatchEdgesStars(ctrl, graph, perm, htable, vpairs, 0, where);
}

namespace {

// Hands the finer level's partition down through cellmap and drops it there.
void CarryPartitionDown(HGraph *graph) {
  HGraph *coarser = graph->coarser;
  int *cwhere = imalloc__(coarser->nvtxs, "CCoarsen: cwhere");
  for (int v = 0; v < graph->nvtxs; ++v) cwhere[graph->maps.cellmap[v]] = graph->where[v];
  graph->where.reset();
  coarser->where = cwhere;
}

}  // namespace

HGraph *CCoarsen__(const CtrlType *ctrl, HGraph *graph) {
  StartTimer(ctrl, &PhaseTimers::CoarsenTmr);
  CoarsenScratch work = AllocateCoarsenScratch__(graph);
  int *htable = work.htable, *perm = work.perm, *vpairs = work.vpairs;
  const bool trace = IsSet(ctrl->dbglvl, DBG_COARSEN);
  const float ratio = (float)0.8;
  StartCoarsenTrace__(graph, trace);

  if (graph->nvtxs > ctrl->CoarsenTo) {
    for (int step = 0;;) {
      SeparateIslands__(graph);
      switch (ctrl->CType) {
        case 0:
          CMatch_EdgesStars__(ctrl, graph, graph->where, perm, htable, vpairs);
          break;
        case 1:
          CMatch_Edges__(ctrl, graph, graph->where, perm, htable, vpairs);
          break;
        default:
          errexit__("Unknown matching type! %d\n", ctrl->CType);
      }
      CarryPartitionDown(graph);

      const int f = graph->nvtxs;
      graph = graph->coarser;
      graph->level = ++step;
      LevelMade__(ctrl, graph->finer);
      if (trace) PrintCoarsenLevel(graph);

      // No second chance here: a stalled V-cycle has nothing left to merge
      // within its parts.
      const int c = graph->nvtxs;
      if ((float)f * ratio < (float)c || c == f) {
        if (trace) Trace__("\nSlow progress in coarsening. Aborted at %d nodes\n", c);
        break;
      }
      if (c <= ctrl->CoarsenTo) break;
    }
  }

  if (trace) Trace__("\n");
  FreeCoarsenScratch__(work);
  StopTimer(ctrl, &PhaseTimers::CoarsenTmr);
  return graph;
}
