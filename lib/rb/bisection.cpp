// One bisection of the recursion: the shared trial driver (rb/trials.h) with
// what bisection trials do their own way, the bisection's V-cycles and the
// vertex-weight limit of coarsening.
#include <algorithm>
#include <cstdio>

#include "coarsen/coarsen.h"
#include "kway/kway.h"
#include "rb/rb.h"
#include "rb/trials.h"
#include "refine2/refine2.h"

namespace {

bool Detailed(const CtrlType *ctrl) { return IsSet(ctrl->dbglvl, DBG_DETAIL); }

// What bisection trials do their own way: they minimise the cut, take the
// initial bisection from random FM runs and refine two-way.
struct BisectionTrials {
  const char *keptLabel = "Hypergraph_Bisection: cuts";

  int NKeep(int nruns) const { return nruns <= 10 ? 1 : 3; }
  // Above every cut.
  int NoTrialYet(const HGraph *graph) const { return iasum__(graph->nhedges, graph->netwgt) + 1; }
  void Header(const CtrlType *ctrl, const HGraph *graph) const {
    Trace__("\n  Bisecting a hgraph of size [vertices=%d, hedges=%d, balance=%4.2f]\n",
            graph->nvtxs, graph->nhedges, ctrl->TargetFrac);
  }
  // Leaves sgraph with its refined bisection in where and mincut. When the
  // widest hyperedges, left out of sgraph, hold a quarter of the full
  // hypergraph's pins or more, sgraph's flows wait for the carry to the full
  // hypergraph: a minimum cut that cannot see so much of it moves vertices
  // for a cut it may not have.
  void Trial(const CtrlType *ctrl, HGraph *sgraph, int fullpins) const {
    const int leftout = fullpins - sgraph->netptr[sgraph->nhedges];
    CtrlType tctrl = *ctrl;
    if (leftout > 0 && 4LL * leftout >= fullpins) tctrl.opt.Flows = 0;
    HGraph *cgraph = Coarsen__(&tctrl, sgraph);
    InitPartition__(&tctrl, cgraph);
    Refine__(&tctrl, sgraph, cgraph);
  }
  int Value(const HGraph *graph) const { return graph->mincut; }
  void SetValue(HGraph *graph, int value) const { graph->mincut = value; }
  void PrintPruned(int t, const HGraph *sgraph) const {
    Trace__("    Cut of trial %4d:\t %6d ", t, sgraph->mincut);
    TraceFlush__();
  }
  // Hands the pruned hypergraph's bisection to the full one. When hyperedges
  // were pruned, the full hypergraph has not seen them yet: one FM run (and
  // the flows, when on) accounts for them.
  void Carry(const CtrlType *ctrl, HGraph *graph, HGraph *sgraph) const {
    if (sgraph->nhedges == graph->nhedges) {
      graph->mincut = sgraph->mincut;
      HandOverWhere__(sgraph, graph);
      return;
    }
    if (Detailed(ctrl)) {
      Trace__("[%d, ", ComputeActualCut__(graph, sgraph->where));
      TraceFlush__();
    }
    AllocateRefinementMemory__(graph);
    HandOverWhere__(sgraph, graph);
    // The bisection carried from the pruned hypergraph to the full one.
    RefineCarry__(ctrl, graph);
    // The trials' flows never saw the pruned hyperedges, the widest ones.
    if (ctrl->opt.Flows) Refine_Flows__(ctrl, graph);
    if (Detailed(ctrl)) {
      Trace__("%d]", graph->mincut);
      TraceFlush__();
    }
  }
  float Balance(const CtrlType *, const HGraph *graph, const int *where) const {
    return ComputeBalance__(graph, where);
  }
  void VCycles(const CtrlType *ctrl, HGraph *graph) const {
    VCycleRefinement__(ctrl, graph, ctrl->opt.MaxVCycles);
  }
  void PrintTrial(const CtrlType *, int t, const HGraph *graph) const {
    Trace__("    Cut of trial %4d:\t %6d [%4.2f]\n", t, graph->mincut,
            ComputeBalance__(graph, graph->where));
  }
  void Summary(const CtrlType *, const HGraph *graph, int best, double average,
               const int *part) const {
    Trace__("    The mincut for this bisection = %d, (average = %3.1f) (balance = %4.2f)\n", best,
            average, ComputeBalance__(graph, part));
  }
};

}  // namespace

int Hypergraph_Bisection__(const CtrlType *ctrl, HGraph *graph, int *part, int *maxcellwgt) {
  const int bestcut = MultilevelTrials__(ctrl, graph, part, BisectionTrials{}, maxcellwgt);
  const int actual = ComputeActualCut__(graph, part);
  if (bestcut != actual) Trace__("Wrong cut! %d %d\n", bestcut, actual);
  return bestcut;
}

int VCycleRefinement__(const CtrlType *ctrl, HGraph *graph, int nvcycles) {
  // V-cycles coarsen further than the trials, alternating their two schemes.
  CtrlType vctrl = *ctrl;
  vctrl.CoarsenTo = 1000;
  int best = graph->mincut, last = -1;

  if (Detailed(ctrl)) Trace__("          [");
  for (int i = 0; i < nvcycles; i++) {
    // Coarsening merges only vertices of one side and carries where down, so
    // every level's refinement starts from the current bisection.
    vctrl.CType = i % 2 == 0 ? CCOARSEN_EDGES_STARS : CCOARSEN_EDGES;
    HGraph *cgraph = CCoarsen__(&vctrl, graph);
    Refine__(&vctrl, graph, cgraph);

    if (Detailed(ctrl)) {
      Trace__("%d ", graph->mincut);
      TraceFlush__();
    }
    ReleaseRunState__(graph);
    ProgressVCycleEnded__(ctrl->progress);

    // Two cycles in a row without a new best end the run.
    if (graph->mincut < best) {
      best = graph->mincut;
      last = i;
    } else if (i - last >= 2) {
      break;
    }
  }
  if (Detailed(ctrl)) Trace__("(min = %d)]\n", graph->mincut);
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
