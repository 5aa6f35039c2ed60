// One bisection of the recursion: Nruns multilevel trials on the pruned
// hypergraph, each carried over to the full hypergraph, V-cycles for the
// promising ones, and the best trial kept.
#include <algorithm>
#include <cstdio>

#include "coarsen/coarsen.h"
#include "kway/kway.h"
#include "rb/rb.h"
#include "refine2/refine2.h"

namespace {

// Partitions kept for the V-cycles at the end (VCycle 1): the nkeep best
// trials seen so far, each with its cut.
struct KeptPartitions {
  int nkeep = 0;
  int *cuts = nullptr;
  int **parts = nullptr;
};

// The coarsening maps and refinement arrays of the last run; a V-cycle
// coarsens the hypergraph again and projection allocates them afresh.
void FreeVCycleArrays(HGraph *graph) {
  ZBfree__(&graph->cellmap, &graph->netmap, &graph->mptr, &graph->mind, &graph->gain,
           &graph->ndeg[0], &graph->ndeg[1], &graph->islandmap);
}

void FM(const CtrlType *ctrl, HGraph *graph) {
  if (ctrl->HeavyCells == 1)
    Refine_FM2__(ctrl, graph, 10);
  else
    Refine_FM__(ctrl, graph, 10);
}

bool Detailed(const CtrlType *ctrl) { return IsSet(ctrl->dbglvl, DBG_DETAIL); }

KeptPartitions AllocateKept(const CtrlType *ctrl, int nvtxs, int initcut) {
  KeptPartitions kept;
  kept.nkeep = std::min(ctrl->opt.Nruns <= 10 ? 1 : 3, ctrl->opt.Nruns);
  kept.cuts = ismalloc__(kept.nkeep, initcut, "Hypergraph_Bisection: cuts");
  kept.parts = ZBmallocT__<int *>(kept.nkeep, "Hypergraph_Bisection: parts");
  for (int k = 0; k < kept.nkeep; k++) kept.parts[k] = imalloc__(nvtxs, "Hypergraph_Bisection: parts[i]");
  return kept;
}

// A trial of the multilevel scheme on the pruned hypergraph; leaves sgraph
// with its refined bisection in where and mincut.
void MultilevelTrial(const CtrlType *ctrl, HGraph *sgraph) {
  HGraph *cgraph = Coarsen__(ctrl, sgraph);
  InitPartition__(ctrl, cgraph);
  Refine__(ctrl, sgraph, cgraph);
}

// Hands the pruned hypergraph's bisection to the full one. When hyperedges were
// pruned, the full hypergraph has not seen them yet: one FM run accounts for them.
void CarryToFullGraph(const CtrlType *ctrl, HGraph *graph, HGraph *sgraph) {
  if (sgraph->nhedges == graph->nhedges) {
    graph->mincut = sgraph->mincut;
    graph->where = sgraph->where;
    sgraph->where = nullptr;
    return;
  }
  if (Detailed(ctrl)) {
    printf("[%d, ", ComputeActualCut__(graph, sgraph->where));
    fflush(stdout);
  }
  AllocateRefinementMemory__(graph);
  ZBfree__(&graph->where);
  graph->where = sgraph->where;
  sgraph->where = nullptr;
  FM(ctrl, graph);
  if (Detailed(ctrl)) {
    printf("%d]", graph->mincut);
    fflush(stdout);
  }
}

bool WantsVCycles(const CtrlType *ctrl, int mincut, int bestcut, bool improved) {
  switch (ctrl->opt.VCycle) {
    case VCYCLE_ALL:  // every trial near the best
      return mincut < 1.2 * bestcut || mincut - bestcut < 20;
    case VCYCLE_FORMIN:  // trials that reach or set the best
      return mincut <= bestcut || improved;
    default:  // No, or @End: none inside the trial loop
      return false;
  }
}

// Replaces the kept partition with the largest cut when this trial beats it.
void KeepPartition(KeptPartitions &kept, const HGraph *graph) {
  const int k = iamax__(kept.nkeep, kept.cuts);
  if (kept.cuts[k] > graph->mincut) {
    kept.cuts[k] = graph->mincut;
    icopy__(graph->nvtxs, graph->where, kept.parts[k]);
  }
}

// V-cycles on each kept partition; returns the improved best cut.
int EndVCycles(const CtrlType *ctrl, HGraph *graph, KeptPartitions &kept, int bestcut, int *part) {
  graph->where = imalloc__(graph->nvtxs, "Hypergraph_Bisection: where");
  for (int k = 0; k < kept.nkeep; k++) {
    icopy__(graph->nvtxs, kept.parts[k], graph->where);
    graph->mincut = kept.cuts[k];
    VCycleRefinement__(ctrl, graph, 10);
    if (graph->mincut < bestcut) {
      bestcut = graph->mincut;
      icopy__(graph->nvtxs, graph->where, part);
    }
    ZBfree__(&kept.parts[k]);
    FreeVCycleArrays(graph);
  }
  FreeRootHGraph__(graph);
  return bestcut;
}

}  // namespace

int Hypergraph_Bisection__(const CtrlType *ctrl, HGraph *graph, int *part, int *maxcellwgt) {
  const bool summary = IsSet(ctrl->dbglvl, DBG_BISECT) || Detailed(ctrl);
  if (summary)
    printf("\n  Bisecting a hgraph of size [vertices=%d, hedges=%d, balance=%4.2f]\n", graph->nvtxs,
           graph->nhedges, ctrl->TargetFrac);

  CreateIncidentHGraph__(graph);
  HGraph *sgraph = PruneHGraph__(ctrl, graph);

  int bestinit = iasum__(graph->nhedges, graph->netwgt) + 1, bestcut = bestinit;
  // The bisection's own parameters: the vertex-weight limit of its hypergraph.
  CtrlType bctrl = *ctrl;
  bctrl.maxcellwgt = ComputeMaxCellWgt__(ctrl, graph->nvtxs, graph->cellwgt, &bctrl.HeavyCells);
  if (maxcellwgt != nullptr) *maxcellwgt = bctrl.maxcellwgt;

  KeptPartitions kept;
  if (ctrl->opt.VCycle == VCYCLE_END) kept = AllocateKept(ctrl, graph->nvtxs, bestcut);

  InitRandom__(&ctrl->ctx->rng, ctrl->opt.Seed);

  long long sumcut = 0;  // trial cuts may each reach the weight limit
  for (int t = 0; t < ctrl->opt.Nruns; t++) {
    CtrlType tctrl = bctrl;
    if (ctrl->CType == COARSEN_HFC) tctrl.CType = t % 2 == 0 ? COARSEN_HFC : COARSEN_FC;

    MultilevelTrial(&tctrl, sgraph);
    const bool improved = sgraph->mincut < bestinit;
    if (improved) bestinit = sgraph->mincut;

    if (Detailed(ctrl)) {
      printf("    Cut of trial %4d:\t %6d ", t, sgraph->mincut);
      fflush(stdout);
    }
    CarryToFullGraph(&tctrl, graph, sgraph);
    if (Detailed(ctrl)) printf(" [%4.2f]\n", ComputeBalance__(graph, graph->where));

    if (WantsVCycles(ctrl, graph->mincut, bestcut, improved)) {
      FreeVCycleArrays(graph);
      VCycleRefinement__(&tctrl, graph, 10);
    }

    if (IsSet(ctrl->dbglvl, DBG_TRIAL))
      printf("    Cut of trial %4d:\t %6d [%4.2f]\n", t, graph->mincut,
             ComputeBalance__(graph, graph->where));

    // Strictly smaller: of equal cuts the earliest trial's bisection stays.
    sumcut += graph->mincut;
    if (graph->mincut < bestcut) {
      bestcut = graph->mincut;
      icopy__(graph->nvtxs, graph->where, part);
    }
    if (ctrl->opt.VCycle == VCYCLE_END) KeepPartition(kept, graph);

    FreeRootHGraph__(graph);
    FreeRootHGraph__(sgraph);
  }

  if (ctrl->opt.VCycle == VCYCLE_END) {
    bestcut = EndVCycles(&bctrl, graph, kept, bestcut, part);
    ZBfree__(&kept.cuts, &kept.parts);
  }

  if (summary)
    printf("    The mincut for this bisection = %d, (average = %3.1f) (balance = %4.2f)\n", bestcut,
           (sumcut * 1.0) / ctrl->opt.Nruns, ComputeBalance__(graph, part));

  FreeHGraph__(sgraph);

  const int actual = ComputeActualCut__(graph, part);
  if (bestcut != actual) printf("Wrong cut! %d %d\n", bestcut, actual);
  return bestcut;
}

int VCycleRefinement__(const CtrlType *ctrl, HGraph *graph, int nvcycles) {
  // V-cycles coarsen further than the trials, alternating their two schemes.
  CtrlType vctrl = *ctrl;
  vctrl.CoarsenTo = 1000;
  int best = graph->mincut, last = -1;

  if (Detailed(ctrl)) printf("          [");
  for (int i = 0; i < nvcycles; i++) {
    // Coarsening merges only vertices of one side and carries where down, so
    // every level's refinement starts from the current bisection.
    vctrl.CType = i % 2 == 0 ? CCOARSEN_EDGES_STARS : CCOARSEN_EDGES;
    HGraph *cgraph = CCoarsen__(&vctrl, graph);
    Refine__(&vctrl, graph, cgraph);

    if (Detailed(ctrl)) {
      printf("%d ", graph->mincut);
      fflush(stdout);
    }
    FreeVCycleArrays(graph);

    // Two cycles in a row without a new best end the run.
    if (graph->mincut < best) {
      best = graph->mincut;
      last = i;
    } else if (i - last >= 2) {
      break;
    }
  }
  if (Detailed(ctrl)) printf("(min = %d)]\n", graph->mincut);
  return graph->mincut;
}

int ComputeMaxCellWgt__(const CtrlType *ctrl, int nvtxs, const int *cellwgt, int *heavycells) {
  // A limit below one vertex (a k-way call on a single vertex) would divide by zero.
  const int coarsento = std::max(ctrl->CoarsenTo, 1);
  int totalwgt = iasum__(nvtxs, cellwgt);
  const int threshold = 2 * totalwgt / coarsento;

  // Vertices too heavy to be matched are left out of the limit for the others.
  int nheavy = 0;
  for (int v = 0; v < nvtxs; v++) {
    if (cellwgt[v] > threshold) {
      nheavy++;
      totalwgt -= cellwgt[v];
    }
  }
  *heavycells = nheavy > 0 ? 1 : 0;
  return 2 * totalwgt / (coarsento - nheavy);
}
