// K-way uncoarsening: projection of a partition to the finer level,
// refinement on every level, placement of the islands, and the V-cycles that
// coarsen within the parts and refine again.
#include "coarsen/coarsen.h"
#include "kway/kway.h"
#include "rb/rb.h"

namespace {

// Refines one level by the objective in RType. A level whose vertices are
// all islands has nothing to move; its figures are still computed so that
// objval describes the partition like after a refinement.
void RefineKwayLevel(const CtrlType *ctrl, HGraph *graph) {
  StartTimer(ctrl, &PhaseTimers::RefTmr);
  if (graph->nvtxs >= 1) {
    RefineKwayObjective__(ctrl, graph, 10);
    if (ctrl->opt.Flows && ctrl->opt.KwayFlows) RefineKwayFlows__(ctrl, graph);
  } else {
    ComputeInitKwayGains__(ctrl, graph);
    graph->kway.objval = KwayObjectiveValue__(ctrl, graph);
  }
  StopTimer(ctrl, &PhaseTimers::RefTmr);
}

}  // namespace

void ProjectKwayPartition__(const CtrlType *ctrl, HGraph *cgraph) {
  StartTimer(ctrl, &PhaseTimers::ProjectTmr);
  HGraph *graph = cgraph->finer;
  RestoreLevel__(graph);
  AllocateKwayRefinementMemory__(ctrl, graph);
  const int *cmap = graph->maps.cellmap, *cwhere = cgraph->where;
  for (int v = 0; v < graph->nvtxs; v++) graph->where[v] = cwhere[cmap[v]];
  FreeHGraph__(cgraph);
  graph->coarser = nullptr;
  StopTimer(ctrl, &PhaseTimers::ProjectTmr);
}

// Islands carry no cut: each goes to the part that is lightest at the time,
// so several islands may land in different parts.
void PartitionIslandsKway__(const CtrlType *ctrl, HGraph *graph) {
  const int end = graph->nvtxs + graph->nislands;
  for (int v = graph->nvtxs; v < end; v++) {
    const int p = iamin__(ctrl->nparts, graph->kway.kpwgts);
    graph->where[v] = p;
    graph->kway.kpwgts[p] += graph->cellwgt[v];
  }
}

void RefineKway__(const CtrlType *ctrl, HGraph *graph, HGraph *cgraph) {
  StartTimer(ctrl, &PhaseTimers::UncoarsenTmr);
  if (cgraph->finer != nullptr) {
    HGraph *g = cgraph->finer;
    ProjectKwayPartition__(ctrl, cgraph);
    for (;;) {
      RefineKwayLevel(ctrl, g);
      PartitionIslandsKway__(ctrl, g);
      if (g == graph) break;
      g = g->finer;
      ProjectKwayPartition__(ctrl, g->coarser);
    }
    CombineIslands__(graph);
  }
  StopTimer(ctrl, &PhaseTimers::UncoarsenTmr);
}

int VCycleRefinementKway__(const CtrlType *ctrl, HGraph *graph, int nvcycles) {
  // V-cycles coarsen further than the trials, alternating their two schemes.
  CtrlType vctrl = *ctrl;
  vctrl.CoarsenTo = 1000;
  int best = graph->kway.objval, last = -1;

  if (IsSet(ctrl->dbglvl, DBG_DETAIL)) Trace__("          [%d ", graph->kway.objval);
  for (int i = 0; i < nvcycles; i++) {
    // Coarsening keeps every group inside one part and carries where down,
    // so each cycle starts its refinement from the current partition.
    vctrl.CType = i % 2 == 0 ? CCOARSEN_EDGES_STARS : CCOARSEN_EDGES;
    RefineKway__(&vctrl, graph, CCoarsen__(&vctrl, graph));
    if (IsSet(ctrl->dbglvl, DBG_DETAIL)) {
      Trace__("%d ", graph->kway.objval);
      TraceFlush__();
    }
    ReleaseRunState__(graph);
    ProgressVCycleEnded__(ctrl->progress);

    if (graph->kway.objval < best) {
      best = graph->kway.objval;
      last = i;
    } else if (i - last >= 2) {
      break;
    }
  }
  if (IsSet(ctrl->dbglvl, DBG_DETAIL)) Trace__("(min = %d)]\n", graph->kway.objval);
  return graph->kway.objval;
}
