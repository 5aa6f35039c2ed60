// One-way FM refinement: each pass moves vertices from one side to the other
// only, the direction alternating from pass to pass and starting from the
// heavier side. One queue serves; a vertex the giving side cannot spare is
// skipped instead of moved. Gains and side counts stay exact throughout.
#include <cstdlib>

#include "refine2/refine2.h"

namespace {

struct OneWayPass {
  int from, to;
  int initcut, newcut, mincut;
  int mincutorder;  // last step of the best prefix, -1 for the empty one
  int mindiff;      // |pwgts[0] - pwgts[1]| at the best prefix
};

// Only the giving side's vertices enter the queue; its fixed ones are marked.
void StartPass(const CtrlType *ctrl, HGraph *graph, FMWork *work, OneWayPass *pass,
               const int minpwgt[2], bool first) {
  const int from = pass->from;
  PQueue *queue = &work->queues[0];
  PQueueReset__(queue);
  pass->mincutorder = -1;
  pass->initcut = pass->newcut = pass->mincut = graph->mincut;
  iset__(graph->nvtxs, -1, work->moved);
  pass->mindiff = std::abs(graph->twoway.pwgts[0] - graph->twoway.pwgts[1]);

  RandomPermute__(&ctrl->ctx->rng, work->perm, graph->nvtxs, 1);
  for (int i = 0; i < graph->nvtxs; ++i) {
    const int v = work->perm[i];
    if (graph->where[v] != from) continue;
    if (v < graph->nfixed)
      work->moved[v] = 1;
    else
      PQueueInsert__(queue, v, graph->twoway.gain[v]);
  }

  if (IsSet(ctrl->dbglvl, DBG_REFINE) && first)
    Trace__("1-way Partitions: [%6d %8d %8d] Initial Cut: %8d [%d] [%d %d]\n", queue->nnodes,
            graph->twoway.pwgts[from], graph->twoway.pwgts[pass->to], pass->initcut,
            ComputeCut__(graph), minpwgt[0], minpwgt[1]);
}

// Returns the number of steps made, skipped vertices included.
int MakeMoves(const CtrlType *ctrl, HGraph *graph, FMWork *work, OneWayPass *pass,
              const int minpwgt[2]) {
  int *where = graph->where, *gain = graph->twoway.gain, *pwgts = graph->twoway.pwgts;
  const int *cellwgt = graph->cellwgt;
  const int nvtxs = graph->nvtxs, from = pass->from, to = pass->to;
  int *moved = work->moved;
  PQueue *queue = &work->queues[0];

  int nswaps = 0;
  for (; nswaps < nvtxs; ++nswaps) {
    const int v = PQueueGetMax__(queue);
    if (v == -1) break;

    if (pwgts[from] - cellwgt[v] < minpwgt[from]) {
      // The giving side cannot spare v: a useful vertex is passed over, and
      // once the best left is useless the pass's moves are over.
      if (gain[v] <= 0) break;
      moved[v] = nvtxs;
      work->swaps[nswaps] = v;
      continue;
    }

    pass->newcut -= gain[v];
    moved[v] = nswaps;
    work->swaps[nswaps] = v;
    where[v] = to;
    pwgts[to] += cellwgt[v];
    pwgts[from] -= cellwgt[v];

    if (pwgts[0] >= minpwgt[0] && pwgts[1] >= minpwgt[1]) {
      const int diff = std::abs(pwgts[0] - pwgts[1]);
      if (pass->newcut < pass->mincut || (pass->newcut == pass->mincut && diff < pass->mindiff)) {
        pass->mincut = pass->newcut;
        pass->mincutorder = nswaps;
        pass->mindiff = diff;
      }
    }

    if (IsSet(ctrl->dbglvl, DBG_MOVEINFO))
      Trace__("Gains from moving %8d from %2d: %4d, \tNewcut: %d\n", v, from, gain[v],
              pass->newcut);

    gain[v] = -gain[v];
    UpdateMoveGains__(
        graph, v, from, to, where,
        [queue, where, gain, moved, from](int u, int old) {
          if (where[u] == from && moved[u] == -1) PQueueUpdate__(queue, u, old, gain[u]);
        });
  }
  return nswaps;
}

// Reverse take-back of the steps after the best prefix; skipped vertices
// never moved.
void RollBack(HGraph *graph, const FMWork *work, const OneWayPass *pass, int nswaps) {
  for (int i = nswaps - 1; i > pass->mincutorder; --i) {
    const int v = work->swaps[i];
    if (work->moved[v] != graph->nvtxs) UndoMoveExact__(graph, v);
  }
}

}  // namespace

void Refine_OneWayFM__(const CtrlType *ctrl, HGraph *graph, int npasses) {
  FMWork work;
  AllocateFMWork__(graph, &work, 1);

  StartTimer(ctrl, &PhaseTimers::RefInitTmr);
  ComputeInitGains__(graph);
  StopTimer(ctrl, &PhaseTimers::RefInitTmr);
  int minpwgt[2];
  ComputeMinPartWeights__(ctrl, graph->twoway.pwgts[0] + graph->twoway.pwgts[1], minpwgt);
  // The heavier side gives first; side 0 on equal weights.
  int from = graph->twoway.pwgts[0] >= graph->twoway.pwgts[1] ? 0 : 1;

  for (int p = 0; p < npasses; ++p) {
    OneWayPass pass;
    pass.from = from;
    pass.to = 1 - from;
    StartTimer(ctrl, &PhaseTimers::RefInitTmr);
    StartPass(ctrl, graph, &work, &pass, minpwgt, p == 0);
    StopTimer(ctrl, &PhaseTimers::RefInitTmr);

    StartTimer(ctrl, &PhaseTimers::RefIterTmr);
    const int nswaps = MakeMoves(ctrl, graph, &work, &pass, minpwgt);
    StopTimer(ctrl, &PhaseTimers::RefIterTmr);

    StartTimer(ctrl, &PhaseTimers::RefWrapTmr);
    RollBack(graph, &work, &pass, nswaps);
    if (IsSet(ctrl->dbglvl, DBG_REFINE))
      Trace__("\tMinimum Cut: %8d [%8d] at %5d [%6d %6d] [%d]\n", pass.mincut, ComputeCut__(graph),
              pass.mincutorder, graph->twoway.pwgts[0], graph->twoway.pwgts[1], from);
    graph->mincut = pass.mincut;
    StopTimer(ctrl, &PhaseTimers::RefWrapTmr);

    // Only a pair of opposite directions without improvement ends the call.
    if (p % 2 == 1 && pass.mincut == pass.initcut) break;
    from = pass.to;
  }

  FreeFMWork__(&work);
}
