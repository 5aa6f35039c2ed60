// The coarsening driver: one grouping scheme per level, the switch from
// hyperedge grouping to edge matching when progress slows, and the stop.
#include <algorithm>
#include <cstdio>

#include "coarsen/coarsen.h"
#include "prep/prep.h"

void PrintCoarsenLevel(const HGraph *graph) {
  // A level whose islands were separated before its coarsening began counts
  // them, as it did before.
  const int n = graph->nvtxs + graph->nislands, h = graph->nhedges;
  const int W = iasum__(h, graph->netwgt);
  const int R = graph->removedwgt;
  const int L = NumOfLargeNets__(h, graph->netptr);
  Trace__("[%6d %6d %6.2f %6.2f %6.2f %6.2f, %6d %6d %6d %6.2f]\n", n, h,
          (double)graph->incptr[graph->nvtxs] / (double)n, (double)graph->netptr[h] / (double)h,
          (double)h / (double)n, (double)L / (double)n, W, R, R + W, (double)W / (double)n);
}

namespace {

// The scheme of one coarsening step, by CType, the step number and whether
// the driver has switched to edge matching.
void MatchLevel(const CtrlType *ctrl, HGraph *graph, int step, bool switched, int *perm, int *htable,
                int *vpairs) {
  switch (ctrl->CType) {
    case 1:  // the priority order pays off on the first, largest levels
      Match_EdgesStars__(ctrl, graph, perm, htable, vpairs, step < 4 ? 1 : 0);
      break;
    case 2:
      Match_EdgesStars__(ctrl, graph, perm, htable, vpairs, 0);
      break;
    case 3:
      Match_EdgesStars__(ctrl, graph, perm, htable, vpairs, 1);
      break;
    case 4:
      if (switched)
        Match_Edges__(ctrl, graph, perm, htable, vpairs);
      else
        Match_Hedges_PHedges_Edges__(ctrl, graph, perm, htable, vpairs);
      break;
    case 5:
      Match_Edges__(ctrl, graph, perm, htable, vpairs);
      break;
    case 6:
      if (switched)
        Match_Edges__(ctrl, graph, perm, htable, vpairs);
      else
        Match_Hedges__(ctrl, graph, perm, htable, vpairs);
      break;
    case 7:
      if (switched)
        Match_Edges__(ctrl, graph, perm, htable, vpairs);
      else
        Match_Hedges_Edges__(ctrl, graph, perm, htable, vpairs);
      break;
    case COARSEN_CLUSTERS:
      Match_Clusters__(ctrl, graph, perm, vpairs);
      break;
    default:
      errexit__("Unknown matching type! %d\n", ctrl->CType);
  }
}

}  // namespace

CoarsenScratch AllocateCoarsenScratch__(const HGraph *graph, bool htable) {
  const size_t m = static_cast<size_t>(std::max(graph->nvtxs, graph->nhedges));
  return {htable ? ismalloc__(2 * m, -1, "Coarsen: htable") : nullptr,
          imalloc__(m, "Coarsen: perm"), imalloc__(2 * m, "Coarsen: vpairs")};
}

void LevelMade__(const CtrlType *ctrl, HGraph *graph) {
  if (!ctrl->keepmaps) {
    graph->maps.netmap.reset();
    graph->maps.mptr.reset();
    graph->maps.mind.reset();
    if (graph->level > 0) graph->edgewgt.reset();
  }
  SetLevelAside__(ctrl, graph);
}

void FreeCoarsenScratch__(CoarsenScratch &work) {
  ZBfree__(&work.htable, &work.perm, &work.vpairs);
}

void StartCoarsenTrace__(HGraph *graph, bool trace) {
  graph->level = 0;
  if (trace) {
    Trace__("----------------------------------------------------------\n");
    PrintCoarsenLevel(graph);
  }
}

HGraph *Coarsen__(const CtrlType *ctrl, HGraph *graph) {
  StartTimer(ctrl, &PhaseTimers::CoarsenTmr);
  // Clusters find their candidates with tables of their own.
  CoarsenScratch work = AllocateCoarsenScratch__(graph, ctrl->CType != COARSEN_CLUSTERS);
  int *htable = work.htable, *perm = work.perm, *vpairs = work.vpairs;
  const bool trace = IsSet(ctrl->dbglvl, DBG_COARSEN);
  float ratio = (float)0.8;
  StartCoarsenTrace__(graph, trace);

  if (graph->nvtxs > ctrl->CoarsenTo) {
    bool switched = false;
    for (int step = 0;;) {
      SeparateIslands__(graph);
      StartTimer(ctrl, &PhaseTimers::Aux1Tmr);
      MatchLevel(ctrl, graph, step, switched, perm, htable, vpairs);
      StopTimer(ctrl, &PhaseTimers::Aux1Tmr);

      const int f = graph->nvtxs;
      graph = graph->coarser;
      graph->level = ++step;
      LevelMade__(ctrl, graph->finer);
      if (trace) PrintCoarsenLevel(graph);

      const int c = graph->nvtxs;
      if ((float)f * ratio < (float)c || c == f) {
        // Slow progress: once give the hyperedge schemes' successor (or the
        // stars a looser ratio) a chance, then stop.
        if (switched || ctrl->CType == COARSEN_EDGE || ctrl->CType == COARSEN_CLUSTERS) {
          if (trace) Trace__("\nSlow progress in coarsening. Aborted at %d nodes\n", c);
          break;
        }
        switched = true;
        if (trace) Trace__("-----------------------------------\n");
        ratio = (float)((double)ratio * 1.075);
      }
      if (c <= ctrl->CoarsenTo) break;
    }
  }

  if (trace) Trace__("\n");
  FreeCoarsenScratch__(work);
  StopTimer(ctrl, &PhaseTimers::CoarsenTmr);
  return graph;
}
