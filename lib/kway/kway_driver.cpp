// The multilevel k-way driver: Nruns trials of coarsening, initial k-way
// partitioning by recursive bisection and k-way refinement, with V-cycles on
// promising trials, keeping the best partition for the chosen objective.
#include <climits>
#include <cstdio>

#include "coarsen/coarsen.h"
#include "kway/kway.h"
#include "rb/rb.h"
#include "zorbel.h"

namespace {

// No trial yet: above every objective value, so the first trial always counts
// as the best so far (even a sum of external degrees that no bound derived
// from the hyperedge weights would cover) and always finds a kept slot.
constexpr int kNoTrialYet = INT_MAX;

bool IsSOED(const CtrlType *ctrl) { return ctrl->RType == OBJ_SOED; }

void RefineForObjective(const CtrlType *ctrl, HGraph *graph) {
  if (IsSOED(ctrl))
    RefineSOEDKway_Random__(ctrl, graph, 10);
  else
    RefineCutKway_Random__(ctrl, graph, 10);
}

// What one trial's coarsening and refinement leave on the level they started
// from; released so that V-cycles can coarsen that level afresh.
void FreeKwayWork(HGraph *graph) {
  ZBfree__(&graph->cellmap, &graph->netmap, &graph->mptr, &graph->mind, &graph->nrinfo,
           &graph->crinfo, &graph->crdata, &graph->nrdata, &graph->kpwgts, &graph->islandmap);
}

// The best few trials' partitions, V-cycled once more after the last trial.
struct KeptTrials {
  int nkeep = 0;
  int **parts = nullptr;
  int *vals = nullptr;
};

KeptTrials AllocKeptTrials(const CtrlType *ctrl, int nvtxs) {
  KeptTrials kept;
  if (ctrl->opt.VCycle != VCYCLE_END) return kept;
  kept.nkeep = ctrl->opt.Nruns <= 10 ? 2 : 3;
  if (kept.nkeep > ctrl->opt.Nruns) kept.nkeep = ctrl->opt.Nruns;
  kept.parts = ZBmallocT__<int *>(kept.nkeep, "Hypergraph_Bisection: parts");
  kept.vals = ismalloc__(kept.nkeep, kNoTrialYet, "Hypergraph_Bisection: vals");
  for (int i = 0; i < kept.nkeep; i++)
    kept.parts[i] = imalloc__(nvtxs, "Hypergraph_Bisection: parts[i]");
  return kept;
}

// A trial displaces the kept partition with the largest value (the first of
// equal ones) when it is better.
void KeepTrial(KeptTrials &kept, const HGraph *graph) {
  if (kept.nkeep == 0) return;
  int i = iamax__(kept.nkeep, kept.vals);
  if (kept.vals[i] > graph->objval) {
    kept.vals[i] = graph->objval;
    icopy__(graph->nvtxs, graph->where, kept.parts[i]);
  }
}

// V-cycles for the kept partitions; a result better than the best replaces it.
void VCycleKeptTrials(const CtrlType *ctrl, HGraph *graph, KeptTrials &kept, int &best, int *part) {
  if (kept.nkeep == 0) return;
  graph->where = imalloc__(graph->nvtxs, "Hypergraph_Bisection: where");
  for (int i = 0; i < kept.nkeep; i++) {
    icopy__(graph->nvtxs, kept.parts[i], graph->where);
    graph->objval = kept.vals[i];
    VCycleRefinementKway__(ctrl, graph, 10);
    if (graph->objval < best) {
      best = graph->objval;
      icopy__(graph->nvtxs, graph->where, part);
    }
    ZBfree__(&kept.parts[i]);
    FreeKwayWork(graph);
  }
  FreeRootHGraph__(graph);
  ZBfree__(&kept.parts, &kept.vals);
}

// Carries the pruned hypergraph's partition over to the full one; when
// hyperedges were pruned, one more refinement there accounts for them.
void TakeOverPartition(const CtrlType *ctrl, HGraph *graph, HGraph *sgraph) {
  bool detail = IsSet(ctrl->dbglvl, DBG_DETAIL);
  if (sgraph->nhedges == graph->nhedges) {
    graph->mincut = sgraph->mincut;
    graph->minsoed = sgraph->minsoed;
    graph->objval = sgraph->objval;
    graph->where = sgraph->where;
    sgraph->where = nullptr;
    return;
  }
  if (detail) {
    printf("[%d, ", IsSOED(ctrl) ? ComputeActualSOED__(graph, sgraph->where)
                                 : ComputeActualCut__(graph, sgraph->where));
    fflush(stdout);
  }
  AllocateKwayRefinementMemory__(ctrl, graph);
  ZBfree__(&graph->where);
  graph->where = sgraph->where;
  sgraph->where = nullptr;
  RefineForObjective(ctrl, graph);
  if (detail) {
    printf("%d]", graph->objval);
    fflush(stdout);
  }
}

// One trial up to the refined partition of the full hypergraph. Returns
// whether the pruned hypergraph's result beat every earlier one.
bool KwayTrial(const CtrlType *ctrl, HGraph *graph, HGraph *sgraph, int t, int &bestinit) {
  HGraph *cgraph = Coarsen__(ctrl, sgraph);
  InitPartitionKway__(ctrl, cgraph);
  RefineKway__(ctrl, sgraph, cgraph);

  bool improved = sgraph->objval < bestinit;
  if (improved) bestinit = sgraph->objval;

  if (IsSet(ctrl->dbglvl, DBG_DETAIL)) {
    printf("    Cut/SOED of trial %4d:\t %6d %6d", t, sgraph->mincut, sgraph->minsoed);
    fflush(stdout);
  }
  TakeOverPartition(ctrl, graph, sgraph);
  if (IsSet(ctrl->dbglvl, DBG_DETAIL))
    printf(" [%4.2f]\n", ComputeBalanceKway__(ctrl, graph, graph->where));
  return improved;
}

}  // namespace

int MultilevelKwayPartition__(const CtrlType *ctrl, HGraph *graph, int *part) {
  bool headers = IsSet(ctrl->dbglvl, DBG_BISECT) || IsSet(ctrl->dbglvl, DBG_DETAIL);
  if (headers)
    printf("\n  Partitioning a hgraph of size [vertices=%d, hedges=%d, balance=%4.2f]\n",
           graph->nvtxs, graph->nhedges, ctrl->ubfactor);

  CreateIncidentHGraph__(graph);
  HGraph *sgraph = PruneHGraph__(ctrl, graph);
  int best = kNoTrialYet, bestinit = kNoTrialYet;
  // The partitioning's own parameters: the vertex-weight limit of its hypergraph.
  CtrlType pctrl = *ctrl;
  pctrl.maxcellwgt = ComputeMaxCellWgt__(ctrl, graph->nvtxs, graph->cellwgt, &pctrl.HeavyCells);
  KeptTrials kept = AllocKeptTrials(ctrl, graph->nvtxs);

  InitRandom__(&ctrl->ctx->rng, ctrl->opt.Seed);
  double sum = 0.0;
  for (int t = 0; t < ctrl->opt.Nruns; t++) {
    // HFC alternates with FC from trial to trial; other schemes stay.
    CtrlType tctrl = pctrl;
    if (ctrl->CType == COARSEN_HFC) tctrl.CType = t % 2 == 0 ? COARSEN_HFC : COARSEN_FC;
    bool improved = KwayTrial(&tctrl, graph, sgraph, t, bestinit);

    if (WantKwayVCycles__(ctrl->opt.VCycle, graph->objval, best, improved)) {
      FreeKwayWork(graph);
      VCycleRefinementKway__(&tctrl, graph, 10);
    }
    if (IsSet(ctrl->dbglvl, DBG_TRIAL))
      printf("    Cut/SOED of trial %4d:\t %6d %6d [%4.2f]\n", t, graph->mincut, graph->minsoed,
             ComputeBalanceKway__(ctrl, graph, graph->where));

    sum += graph->objval;
    if (graph->objval < best) {
      best = graph->objval;
      icopy__(graph->nvtxs, graph->where, part);
    }
    KeepTrial(kept, graph);
    FreeRootHGraph__(graph);
    FreeRootHGraph__(sgraph);
  }
  VCycleKeptTrials(&pctrl, graph, kept, best, part);

  if (headers)
    printf("    The %s for this partitioning = %d, (average = %3.1f) (balance = %4.2f)\n",
           IsSOED(ctrl) ? "minsoed" : "mincut", best, sum / ctrl->opt.Nruns,
           ComputeBalanceKway__(ctrl, graph, part));

  FreeHGraph__(sgraph);
  return best;
}

bool WantKwayVCycles__(int vcycle, int objval, int best, bool improved) {
  switch (vcycle) {
    case 3:
      return objval < 1.2 * best || objval * 1.0 - best < 20;
    case 2:
      return objval <= best || improved;
    default:
      return false;
  }
}

void InitPartitionKway__(const CtrlType *ctrl, HGraph *graph) {
  StartTimer(ctrl, &PhaseTimers::InitPartTmr);
  int *bestwhere = imalloc__(graph->nvtxs, "InitPartitionKway: bestwhere");
  AllocateKwayRefinementMemory__(ctrl, graph);

  // A complete recursive bisection of the coarsest level: 2 runs of FC
  // matching with FM refinement, no V-cycles, clock seed, silent.
  // It reseeds this call's stream, and the trial goes on drawing from there.
  const int options[9] = {1, 2, 2, 1, 0, 0, 0, -1, 0};
  int edgecut = 0;
  PartRecursivePhase__(&ctrl->ctx->rng, graph->nvtxs, graph->nhedges, graph->cellwgt,
                       graph->netptr, graph->netind, graph->netwgt, ctrl->nparts, 1, options,
                       graph->where, &edgecut);
  RefineForObjective(ctrl, graph);
  int best = graph->objval;
  icopy__(graph->nvtxs, graph->where, bestwhere);

  icopy__(graph->nvtxs, bestwhere, graph->where);
  graph->objval = best;
  if (IsSet(ctrl->dbglvl, DBG_INITPART))
    printf("%d-way initial %s: %d\n", ctrl->nparts, IsSOED(ctrl) ? "soed" : "cut", best);
  ZBfree__(&bestwhere);
  StopTimer(ctrl, &PhaseTimers::InitPartTmr);
}

float ComputeBalanceKway__(const CtrlType *ctrl, HGraph *graph, const int *where) {
  int *kpwgts = ismalloc__(ctrl->nparts, 0, "ComputeBalanceKway: kpwgts");
  for (int v = 0; v < graph->nvtxs; v++) kpwgts[where[v]] += graph->cellwgt[v];
  int heaviest = kpwgts[iamax__(ctrl->nparts, kpwgts)];
  int total = iasum__(ctrl->nparts, kpwgts);
  ZBfree__(&kpwgts);
  return static_cast<float>((heaviest * 1.0 * ctrl->nparts) / (total * 1.0));
}
