// The multilevel k-way driver: the shared trial driver (rb/trials.h) with
// trials of coarsening, initial k-way partitioning by recursive bisection and
// k-way refinement, keeping the best partition for the chosen objective.
#include <climits>
#include <cstdio>

#include "coarsen/coarsen.h"
#include "kway/kway.h"
#include "rb/rb.h"
#include "rb/trials.h"
#include "zorbel.h"

namespace {

// No trial yet: above every objective value, so the first trial always counts
// as the best so far (even a sum of external degrees that no bound derived
// from the hyperedge weights would cover) and always finds a kept slot.
constexpr int kNoTrialYet = INT_MAX;

bool IsSOED(const CtrlType *ctrl) { return ctrl->RType == OBJ_SOED; }

// What k-way trials do their own way: they minimise the objective (cut or
// SOED), take the initial partition from recursive bisection and refine
// k-way.
struct KwayTrials {
  const char *keptLabel = "Hypergraph_Bisection: vals";

  int NKeep(int nruns) const { return nruns <= 10 ? 2 : 3; }
  int NoTrialYet(const HGraph *) const { return kNoTrialYet; }
  void Header(const CtrlType *ctrl, const HGraph *graph) const {
    Trace__("\n  Partitioning a hgraph of size [vertices=%d, hedges=%d, balance=%4.2f]\n",
            graph->nvtxs, graph->nhedges, ctrl->ubfactor);
  }
  void Trial(const CtrlType *ctrl, HGraph *sgraph, int) const {
    HGraph *cgraph = Coarsen__(ctrl, sgraph);
    InitPartitionKway__(ctrl, cgraph);
    RefineKway__(ctrl, sgraph, cgraph);
  }
  int Value(const HGraph *graph) const { return graph->kway.objval; }
  void SetValue(HGraph *graph, int value) const { graph->kway.objval = value; }
  void PrintPruned(int t, const HGraph *sgraph) const {
    Trace__("    Cut/SOED of trial %4d:\t %6d %6d", t, sgraph->mincut, sgraph->kway.minsoed);
    TraceFlush__();
  }
  // Carries the pruned hypergraph's partition over to the full one; when
  // hyperedges were pruned, one more refinement there accounts for them.
  void Carry(const CtrlType *ctrl, HGraph *graph, HGraph *sgraph) const {
    const bool detail = IsSet(ctrl->dbglvl, DBG_DETAIL);
    if (sgraph->nhedges == graph->nhedges) {
      graph->mincut = sgraph->mincut;
      graph->kway.minsoed = sgraph->kway.minsoed;
      graph->kway.objval = sgraph->kway.objval;
      HandOverWhere__(sgraph, graph);
      return;
    }
    if (detail) {
      Trace__("[%d, ", IsSOED(ctrl) ? ComputeActualSOED__(graph, sgraph->where)
                                   : ComputeActualCut__(graph, sgraph->where));
      TraceFlush__();
    }
    AllocateKwayRefinementMemory__(ctrl, graph);
    HandOverWhere__(sgraph, graph);
    RefineKwayObjective__(ctrl, graph, 10);
    if (detail) {
      Trace__("%d]", graph->kway.objval);
      TraceFlush__();
    }
  }
  float Balance(const CtrlType *ctrl, const HGraph *graph, const int *where) const {
    return ComputeBalanceKway__(ctrl, graph, where);
  }
  void VCycles(const CtrlType *ctrl, HGraph *graph) const {
    VCycleRefinementKway__(ctrl, graph, 10);
  }
  void PrintTrial(const CtrlType *ctrl, int t, const HGraph *graph) const {
    Trace__("    Cut/SOED of trial %4d:\t %6d %6d [%4.2f]\n", t, graph->mincut, graph->kway.minsoed,
            ComputeBalanceKway__(ctrl, graph, graph->where));
  }
  void Summary(const CtrlType *ctrl, const HGraph *graph, int best, double average,
               const int *part) const {
    Trace__("    The %s for this partitioning = %d, (average = %3.1f) (balance = %4.2f)\n",
            IsSOED(ctrl) ? "minsoed" : "mincut", best, average,
            ComputeBalanceKway__(ctrl, graph, part));
  }
};

}  // namespace

int MultilevelKwayPartition__(const CtrlType *ctrl, HGraph *graph, int *part) {
  return MultilevelTrials__(ctrl, graph, part, KwayTrials{});
}

void InitPartitionKway__(const CtrlType *ctrl, HGraph *graph) {
  StartTimer(ctrl, &PhaseTimers::InitPartTmr);
  AllocateKwayRefinementMemory__(ctrl, graph);

  // A complete recursive bisection of the coarsest level: 2 runs of FC
  // matching with FM refinement, no V-cycles, silent. Its streams derive from
  // a key drawn from the trial's stream, so a seeded call repeats itself.
  const int options[9] = {1, 2, 2, 1, 0, 0, 0, 0, 0};
  int edgecut = 0;
  PartRecursivePhase__(DrawKey__(&ctrl->ctx->rng), graph->nvtxs, graph->nhedges, graph->cellwgt,
                       graph->netptr, graph->netind, graph->netwgt, ctrl->nparts, 1, options,
                       graph->where, &edgecut, ctrl->opt.limits);
  RefineKwayObjective__(ctrl, graph, 10);
  if (IsSet(ctrl->dbglvl, DBG_INITPART))
    Trace__("%d-way initial %s: %d\n", ctrl->nparts, IsSOED(ctrl) ? "soed" : "cut",
            graph->kway.objval);
  StopTimer(ctrl, &PhaseTimers::InitPartTmr);
}

float ComputeBalanceKway__(const CtrlType *ctrl, const HGraph *graph, const int *where) {
  int *kpwgts = ismalloc__(ctrl->nparts, 0, "ComputeBalanceKway: kpwgts");
  for (int v = 0; v < graph->nvtxs; v++) kpwgts[where[v]] += graph->cellwgt[v];
  int heaviest = kpwgts[iamax__(ctrl->nparts, kpwgts)];
  int total = iasum__(ctrl->nparts, kpwgts);
  ZBfree__(&kpwgts);
  return static_cast<float>((heaviest * 1.0 * ctrl->nparts) / (total * 1.0));
}
