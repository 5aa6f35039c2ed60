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
//   void Trial(const CtrlType *, HGraph *sgraph, int fullpins) const;
//                                                   coarsen, initial, refine;
//                                                   fullpins: pins of the full hypergraph
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
#include <climits>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

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
  ZBArray<int> vals;
  std::vector<ZBArray<int>> parts;
};

template <class P>
KeptPartitions AllocateKept(const CtrlType *ctrl, const P &policy, int nvtxs, int novalue) {
  KeptPartitions kept;
  if (ctrl->opt.VCycle != VCYCLE_END) return kept;
  kept.nkeep = std::min(policy.NKeep(ctrl->opt.Nruns), ctrl->opt.Nruns);
  kept.vals = ismalloc__(kept.nkeep, novalue, policy.keptLabel);
  kept.parts.resize(kept.nkeep);
  for (auto &where : kept.parts) where = imalloc__(nvtxs, "Hypergraph_Bisection: parts[i]");
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

// The V-cycles of kept partition k on graph, in a context of their own that
// draws from the kept partition's stream; the partition they reach is left in
// kept.parts[k] and its value in kept.vals[k].
template <class P>
void VCycleOneKept(const CtrlType *ctrl, const P &policy, HGraph *graph, KeptPartitions &kept,
                   int k, PhaseTimers *tmr) {
  CtrlType kctrl = *ctrl;
  kctrl.ctx = std::make_shared<CallContext>();
  kctrl.ctx->rng = TrialStream__(ctrl, KeptVCycleStep__(k));
  graph->where = std::move(kept.parts[k]);
  policy.SetValue(graph, kept.vals[k]);
  policy.VCycles(&kctrl, graph);
  kept.vals[k] = policy.Value(graph);
  kept.parts[k] = std::move(graph->where);
  ReleaseRunState__(graph);
  *tmr = kctrl.ctx->tmr;
}

// V-cycles on each kept partition; a result better than the best replaces it.
// The kept partitions' V-cycles are independent: with more than one thread
// they run as tasks side by side, each on a record of its own that reads
// graph's structure (see ShareHGraph__) and tracing into a buffer of its own,
// and their results are compared in order afterwards.
template <class P>
void VCycleKept(const CtrlType *ctrl, const P &policy, HGraph *graph, KeptPartitions &kept,
                int &best, int *part) {
  if (kept.nkeep == 0) return;
  std::vector<PhaseTimers> tmrs(kept.nkeep);
  if (TasksRunInParallel__() && kept.nkeep > 1) {
    CtrlType sctrl = *ctrl;
    sctrl.alone = false;
    const std::vector<std::string> traces = SideBySide__(kept.nkeep, [&](int k) {
      const HGraphOwner share(ShareHGraph__(graph));
      VCycleOneKept(&sctrl, policy, share.get(), kept, k, &tmrs[k]);
    });
    for (const auto &trace : traces) TraceText__(trace);
  } else {
    for (int k = 0; k < kept.nkeep; k++) VCycleOneKept(ctrl, policy, graph, kept, k, &tmrs[k]);
  }
  for (int k = 0; k < kept.nkeep; k++) {
    AddTimers__(&ctrl->ctx->tmr, tmrs[k]);
    if (kept.vals[k] < best) {
      best = kept.vals[k];
      icopy__(graph->nvtxs, kept.parts[k], part);
    }
  }
  kept = KeptPartitions{};
}

// A trial's partition while it waits for the decisions taken in trial order,
// beside those of the trials that ran with it: a byte per vertex when every
// part number fits one (bisections always do), else as it was.
class WaitingParts {
 public:
  void Keep(ZBArray<int> &&where, int n) {
    const int *w = where;
    if (std::all_of(w, w + n, [](int p) { return p >= 0 && p <= UCHAR_MAX; })) {
      bytes_.assign(w, w + n);
      where.reset();
    } else {
      ints_ = std::move(where);
    }
  }
  ZBArray<int> Take(int n) {
    ZBArray<int> where;
    if (ints_ != nullptr) {
      where = std::move(ints_);
    } else {
      where = imalloc__(n, "MultilevelTrials: where");
      std::copy(bytes_.begin(), bytes_.end(), where.get());
      bytes_ = {};
    }
    return where;
  }

 private:
  std::vector<unsigned char> bytes_;
  ZBArray<int> ints_;
};

// What one trial's multilevel run leaves for the decisions taken in trial
// order: its partition of the full hypergraph with the figures the policy
// reads, the value it reached on the pruned hypergraph, its context, whose
// stream its V-cycles continue, and its trace when it ran beside others.
struct TrialRun {
  WaitingParts where;
  std::string trace;
  int mincut = 0, objval = 0, minsoed = 0;
  int pruned = 0;
  std::shared_ptr<CallContext> ctx;
};

// Trials side by side on a pruned hypergraph of at least this many pins hand
// the memory they freed back to the system as they end.
constexpr int kReturnPins = 1 << 16;

// What a trial side by side with others takes beyond what they share, per
// pin of the pruned hypergraph: 31 to 33 bytes measured on generated
// netlists of 1.17M and 11.7M pins, with a margin.
constexpr long long kTrialBytesPerPin = 36;

// Trials under way at once: all of them, as the threads take them, unless
// the memory the process may still take holds fewer; never fewer than one.
inline int TrialsInFlight(int nruns, int npins) {
  const long long each = kTrialBytesPerPin * std::max(npins, 1);
  return static_cast<int>(std::clamp<long long>(MemoryBudget__() / each, 1, nruns));
}

// Trial t's record, working in ctx. HFC alternates with FC from trial to
// trial; other schemes stay.
inline CtrlType TrialCtrl(const CtrlType *ctrl, const CtrlType &pctrl, int t,
                          std::shared_ptr<CallContext> ctx) {
  CtrlType tctrl = pctrl;
  tctrl.ctx = std::move(ctx);
  if (ctrl->CType == COARSEN_HFC) tctrl.CType = t % 2 == 0 ? COARSEN_HFC : COARSEN_FC;
  return tctrl;
}

// Every trial on a pruned hypergraph large enough to coarsen separates its
// islands alike before its first matching, and side by side each would do so
// into copies of its own. They are separated once instead, in place, for all
// of them (see SeparateIslands__), unless too few vertices would be left to
// coarsen: each trial then keeps them all, as it would have.
inline void SeparateIslandsForTrials(const CtrlType &ctrl, HGraph *sgraph) {
  if (sgraph->nvtxs <= ctrl.CoarsenTo) return;
  SeparateIslands__(sgraph);
  if (sgraph->nvtxs <= ctrl.CoarsenTo) {
    CombineIslands__(sgraph);
    sgraph->islandmap.reset();
  }
}

// Trial t's multilevel run on sgraph, carried over to graph; graph and sgraph
// are left as they were. Alone, the trial works on them directly. Side by
// side with others, it works on records of its own that read their structure
// in place (see ShareHGraph__): the trials share the hypergraphs, and each
// holds only what it writes, its partitions, refinement records and coarser
// levels.
template <class P>
TrialRun RunTrial(const CtrlType *ctrl, const CtrlType &pctrl, const P &policy, HGraph *graph,
                  HGraph *sgraph, int t, bool sideBySide) {
  // Each trial draws from a stream of its own position, in a context of its own.
  auto ctx = std::make_shared<CallContext>();
  ctx->rng = TrialStream__(ctrl, t);
  CtrlType tctrl = TrialCtrl(ctrl, pctrl, t, ctx);
  const int fullpins = graph->netptr[graph->nhedges];
  HGraphOwner sshare, gshare;
  if (sideBySide) {
    tctrl.alone = false;
    sshare.reset(ShareHGraph__(sgraph));
    if (sgraph->nislands > 0) sshare->islandmap.Borrow(sgraph->islandmap);
    gshare.reset(ShareHGraph__(graph));
    sgraph = sshare.get();
    graph = gshare.get();
  }
  policy.Trial(&tctrl, sgraph, fullpins);
  if (IsSet(ctrl->dbglvl, DBG_DETAIL)) policy.PrintPruned(t, sgraph);
  TrialRun run;
  run.pruned = policy.Value(sgraph);
  policy.Carry(&tctrl, graph, sgraph);
  run.where.Keep(std::move(graph->where), graph->nvtxs);
  run.mincut = graph->mincut;
  run.objval = graph->kway.objval;
  run.minsoed = graph->kway.minsoed;
  run.ctx = tctrl.ctx;
  FreeRootHGraph__(graph);
  FreeRootHGraph__(sgraph);
  return run;
}

}  // namespace trials

// Runs the trials on graph and leaves the best partition in part; returns its
// value. The phase's own parameters (the vertex-weight limit of graph, each
// trial's scheme) go into copies of ctrl, which is left as it was; the limit
// is reported in *maxcellwgt when asked for.
//
// The trials' multilevel runs are independent: with more than one thread
// they run as tasks side by side, all reading the same hypergraphs, and
// tracing into buffers of their own. What depends on the trials before (the
// V-cycle decisions of VCycle All and ForMin, which read the best values so
// far, and the kept partitions) is settled afterwards in trial order, so the
// outcome and the trace are the same for any number of threads.
template <class P>
int MultilevelTrials__(const CtrlType *ctrl, HGraph *graph, int *part, const P &policy,
                       int *maxcellwgt = nullptr) {
  const bool summary = IsSet(ctrl->dbglvl, DBG_BISECT) || IsSet(ctrl->dbglvl, DBG_DETAIL);
  if (summary) policy.Header(ctrl, graph);
  CreateIncidentHGraph__(graph, LevelTasks__(ctrl, graph->netptr[graph->nhedges]));
  // Done with once the last trial has run: the V-cycles work on graph.
  HGraphOwner pruned(PruneHGraph__(ctrl, graph));
  HGraph *sgraph = pruned.get();

  const int partitioning = ProgressPartitioning__(ctrl->progress);
  const int novalue = policy.NoTrialYet(graph);
  int best = novalue, bestinit = novalue;
  CtrlType pctrl = *ctrl;
  pctrl.maxcellwgt = ComputeMaxCellWgt__(ctrl, graph->nvtxs, graph->cellwgt, &pctrl.HeavyCells);
  if (maxcellwgt != nullptr) *maxcellwgt = pctrl.maxcellwgt;
  trials::KeptPartitions kept = trials::AllocateKept(ctrl, policy, graph->nvtxs, novalue);

  long long sum = 0;  // trial values may each reach the weight limit
  // Trial t in trial order, after its multilevel run.
  auto settle = [&](int t, trials::TrialRun &run) {
    TraceText__(run.trace);
    const bool improved = run.pruned < bestinit;
    if (improved) bestinit = run.pruned;
    graph->where = run.where.Take(graph->nvtxs);
    graph->mincut = run.mincut;
    graph->kway.objval = run.objval;
    graph->kway.minsoed = run.minsoed;
    if (IsSet(ctrl->dbglvl, DBG_DETAIL))
      Trace__(" [%4.2f]\n", policy.Balance(ctrl, graph, graph->where));

    if (WantVCycles__(ctrl->opt.VCycle, policy.Value(graph), best, improved)) {
      const CtrlType tctrl = trials::TrialCtrl(ctrl, pctrl, t, run.ctx);
      policy.VCycles(&tctrl, graph);
    }
    AddTimers__(&ctrl->ctx->tmr, run.ctx->tmr);
    if (IsSet(ctrl->dbglvl, DBG_TRIAL)) policy.PrintTrial(ctrl, t, graph);

    // Strictly smaller: of equal values the earliest trial's partition stays.
    sum += policy.Value(graph);
    if (policy.Value(graph) < best) {
      best = policy.Value(graph);
      icopy__(graph->nvtxs, graph->where, part);
    }
    trials::KeepPartition(policy, kept, graph);
    FreeRootHGraph__(graph);
  };

  const int nruns = ctrl->opt.Nruns;
  const int npins = sgraph->netptr[sgraph->nhedges];
  // A single trial runs directly, with ctrl's claim to the threads: its
  // levels are then built in tasks side by side when the phase runs alone.
  if (TasksRunInParallel__() && nruns > 1) {
    std::vector<trials::TrialRun> runs(nruns);
    trials::SeparateIslandsForTrials(pctrl, sgraph);
    // In waves of what the memory holds; the trials' results do not depend
    // on which ran beside which.
    const int inflight = trials::TrialsInFlight(nruns, npins);
    for (int first = 0; first < nruns; first += inflight) {
      const int n = std::min(inflight, nruns - first);
      std::vector<std::string> traces = SideBySide__(n, [&](int i) {
        runs[first + i] = trials::RunTrial(ctrl, pctrl, policy, graph, sgraph, first + i, true);
        // What a large trial freed goes back to the system rather than stay
        // in its thread's heap beside what the next trial there allocates.
        if (npins >= trials::kReturnPins) ReturnFreeMemory__();
        ProgressTrialEnded__(ctrl->progress, partitioning);
      });
      for (int i = 0; i < n; i++) runs[first + i].trace = std::move(traces[i]);
    }
    pruned.reset();
    for (int t = 0; t < nruns; t++) settle(t, runs[t]);
  } else {
    for (int t = 0; t < nruns; t++) {
      trials::TrialRun run = trials::RunTrial(ctrl, pctrl, policy, graph, sgraph, t, false);
      ProgressTrialEnded__(ctrl->progress, partitioning);
      if (t == nruns - 1) pruned.reset();
      settle(t, run);
    }
  }
  trials::VCycleKept(&pctrl, policy, graph, kept, best, part);

  if (summary) policy.Summary(ctrl, graph, best, (sum * 1.0) / nruns, part);
  return best;
}
