// The multilevel trial driver shared by bisection and direct k-way
// partitioning: Nruns trials on the pruned hypergraph, each carried over to
// the full hypergraph, V-cycles for the promising ones or for the best few at
// the end, and the best trial kept. A policy supplies what differs: how a
// trial partitions, which value it minimises, how a partition is carried over
// and V-cycled, and the trace lines.
//
// A policy P provides:
//   const char *keptLabel;                          label of the kept values
//   int NKeep(int nruns) const;                     partitions kept for @End
//   int NoTrialYet(const HGraph *graph) const;      above every trial's value
//   void Header(const CtrlType *, const HGraph *) const;
//   void Trial(const CtrlType *, HGraph *sgraph) const;    coarsen, initial, refine
//   int Value(const HGraph *) const;                the value being minimised
//   void SetValue(HGraph *, int value) const;
//   void PrintPruned(int t, const HGraph *sgraph) const;   trace bit 128
//   void Carry(const CtrlType *, HGraph *graph, HGraph *sgraph) const;
//   float Balance(const CtrlType *, const HGraph *, const int *where) const;
//   void VCycles(const CtrlType *, HGraph *graph) const;
//   void PrintTrial(const CtrlType *, int t, const HGraph *graph) const;  bit 16
//   void Summary(const CtrlType *, const HGraph *, int best, double average,
//                const int *part) const;            bits 8 or 128, as Header
#pragma once

#include <algorithm>
#include <cstdio>

#include "rb/rb.h"

// Whether a trial whose full hypergraph reached value gets V-cycles inside
// the trial loop: VCycle All every trial near the best so far, ForMin a
// trial that reaches the best or improved the pruned hypergraph's best;
// never under No and @End.
inline bool WantVCycles__(int vcycle, int value, int best, bool improved) {
  switch (vcycle) {
    case VCYCLE_ALL:
      return value < 1.2 * best || value * 1.0 - best < 20;
    case VCYCLE_FORMIN:
      return value <= best || improved;
    default:
      return false;
  }
}

namespace trials {

// Partitions kept for the V-cycles after the last trial (VCycle @End): the
// nkeep best trials seen so far, each with its value.
struct KeptPartitions {
  int nkeep = 0;
  int *vals = nullptr;
  int **parts = nullptr;
};

template <class P>
KeptPartitions AllocateKept(const CtrlType *ctrl, const P &policy, int nvtxs, int novalue) {
  KeptPartitions kept;
  if (ctrl->opt.VCycle != VCYCLE_END) return kept;
  kept.nkeep = std::min(policy.NKeep(ctrl->opt.Nruns), ctrl->opt.Nruns);
  kept.vals = ismalloc__(kept.nkeep, novalue, policy.keptLabel);
  kept.parts = ZBmallocT__<int *>(kept.nkeep, "Hypergraph_Bisection: parts");
  for (int k = 0; k < kept.nkeep; k++)
    kept.parts[k] = imalloc__(nvtxs, "Hypergraph_Bisection: parts[i]");
  return kept;
}

// A trial displaces the kept partition with the largest value (the first of
// equal ones) when it is better.
template <class P>
void KeepPartition(const P &policy, KeptPartitions &kept, const HGraph *graph) {
  if (kept.nkeep == 0) return;
  const int k = iamax__(kept.nkeep, kept.vals);
  if (kept.vals[k] > policy.Value(graph)) {
    kept.vals[k] = policy.Value(graph);
    icopy__(graph->nvtxs, graph->where, kept.parts[k]);
  }
}

// V-cycles on each kept partition; a result better than the best replaces it.
template <class P>
void VCycleKept(const CtrlType *ctrl, const P &policy, HGraph *graph, KeptPartitions &kept,
                int &best, int *part) {
  if (kept.nkeep == 0) return;
  graph->where = imalloc__(graph->nvtxs, "Hypergraph_Bisection: where");
  for (int k = 0; k < kept.nkeep; k++) {
    icopy__(graph->nvtxs, kept.parts[k], graph->where);
    policy.SetValue(graph, kept.vals[k]);
    policy.VCycles(ctrl, graph);
    if (policy.Value(graph) < best) {
      best = policy.Value(graph);
      icopy__(graph->nvtxs, graph->where, part);
    }
    ZBfree__(&kept.parts[k]);
    ReleaseRunState__(graph);
  }
  FreeRootHGraph__(graph);
  ZBfree__(&kept.vals, &kept.parts);
}

}  // namespace trials

// Runs the trials on graph and leaves the best partition in part; returns its
// value. The phase's own parameters (the vertex-weight limit of graph, each
// trial's scheme) go into copies of ctrl, which is left as it was; the limit
// is reported in *maxcellwgt when asked for.
template <class P>
int MultilevelTrials__(const CtrlType *ctrl, HGraph *graph, int *part, const P &policy,
                       int *maxcellwgt = nullptr) {
  const bool summary = IsSet(ctrl->dbglvl, DBG_BISECT) || IsSet(ctrl->dbglvl, DBG_DETAIL);
  if (summary) policy.Header(ctrl, graph);
  CreateIncidentHGraph__(graph);
  HGraph *sgraph = PruneHGraph__(ctrl, graph);

  const int novalue = policy.NoTrialYet(graph);
  int best = novalue, bestinit = novalue;
  CtrlType pctrl = *ctrl;
  pctrl.maxcellwgt = ComputeMaxCellWgt__(ctrl, graph->nvtxs, graph->cellwgt, &pctrl.HeavyCells);
  if (maxcellwgt != nullptr) *maxcellwgt = pctrl.maxcellwgt;
  trials::KeptPartitions kept = trials::AllocateKept(ctrl, policy, graph->nvtxs, novalue);

  long long sum = 0;  // trial values may each reach the weight limit
  for (int t = 0; t < ctrl->opt.Nruns; t++) {
    // HFC alternates with FC from trial to trial; other schemes stay. Each
    // trial draws from a stream of its own position.
    CtrlType tctrl = pctrl;
    tctrl.ctx->rng = TrialStream__(ctrl, t);
    if (ctrl->CType == COARSEN_HFC) tctrl.CType = t % 2 == 0 ? COARSEN_HFC : COARSEN_FC;

    policy.Trial(&tctrl, sgraph);
    const bool improved = policy.Value(sgraph) < bestinit;
    if (improved) bestinit = policy.Value(sgraph);

    if (IsSet(ctrl->dbglvl, DBG_DETAIL)) policy.PrintPruned(t, sgraph);
    policy.Carry(&tctrl, graph, sgraph);
    if (IsSet(ctrl->dbglvl, DBG_DETAIL))
      Trace__(" [%4.2f]\n", policy.Balance(ctrl, graph, graph->where));

    if (WantVCycles__(ctrl->opt.VCycle, policy.Value(graph), best, improved)) {
      ReleaseRunState__(graph);
      policy.VCycles(&tctrl, graph);
    }
    if (IsSet(ctrl->dbglvl, DBG_TRIAL)) policy.PrintTrial(ctrl, t, graph);

    // Strictly smaller: of equal values the earliest trial's partition stays.
    sum += policy.Value(graph);
    if (policy.Value(graph) < best) {
      best = policy.Value(graph);
      icopy__(graph->nvtxs, graph->where, part);
    }
    trials::KeepPartition(policy, kept, graph);
    FreeRootHGraph__(graph);
    FreeRootHGraph__(sgraph);
  }
  if (kept.nkeep > 0) pctrl.ctx->rng = TrialStream__(ctrl, STEP_KEPT_VCYCLES);
  trials::VCycleKept(&pctrl, policy, graph, kept, best, part);

  if (summary) policy.Summary(ctrl, graph, best, (sum * 1.0) / ctrl->opt.Nruns, part);
  FreeHGraph__(sgraph);
  return best;
}
