// Balancing: moves vertices from the side with too much weight to the other,
// best gain first and whatever that costs in cut, until both sides carry at
// least their minimum weight. Every move is kept.
#include "refine2/refine2.h"

namespace {

struct BalanceWork {
  PQueue queues[2];
  int *moved;  // -1 while the vertex may still move or follow gain changes
  int *perm;
  int minpwgt[2];
  int cut;
};

bool Balanced(const HGraph *graph, const int minpwgt[2]) {
  return graph->twoway.pwgts[0] >= minpwgt[0] && graph->twoway.pwgts[1] >= minpwgt[1];
}

void SetupQueues(const CtrlType *ctrl, HGraph *graph, BalanceWork *work) {
  const int gainspan = MaxAdjWgt__(graph);
  PQueueInit__(&work->queues[0], graph->nvtxs, gainspan);
  PQueueInit__(&work->queues[1], graph->nvtxs, gainspan);
  work->moved = ismalloc__(graph->nvtxs, -1, "FM_Refine: perm");
  work->perm = imalloc__(graph->nvtxs, "FM_Refine: perm");

  ComputeInitGainsInChunks__(graph, LevelTasks__(ctrl, graph->incptr[graph->nvtxs]));
  PQueueReset__(&work->queues[0]);
  PQueueReset__(&work->queues[1]);
  work->cut = graph->mincut;
  FillQueues__(&ctrl->ctx->rng, graph, work->queues, work->moved, work->perm);

  if (IsSet(ctrl->dbglvl, DBG_REFINE))
    Trace__("Partitions[B]: [%6d,%8d]  [%6d,%8d], Initial Cut: %8d [%d] [%d]\n",
            work->queues[0].nnodes, graph->twoway.pwgts[0], work->queues[1].nnodes,
            graph->twoway.pwgts[1], work->cut, ComputeCut__(graph), work->minpwgt[0]);
}

// The side that gives next: 0 or 1, -1 to stop, or 2 when the giving side's
// best candidate cannot be spared and was dropped for the rest of the call.
constexpr int kDropped = 2;

int ChooseSide(HGraph *graph, BalanceWork *work) {
  const int *pwgts = graph->twoway.pwgts, *cellwgt = graph->cellwgt, *minpwgt = work->minpwgt;
  const int a = PQueueSeeMax__(&work->queues[0]);
  const int b = PQueueSeeMax__(&work->queues[1]);

  int from, cand;
  if (pwgts[0] < minpwgt[0]) {
    if (b == -1) return -1;
    from = 1;
    cand = b;
  } else {
    if (pwgts[1] >= minpwgt[1] || a == -1) return -1;
    from = 0;
    cand = a;
  }
  // A vertex that would take its side below the minimum is never moved.
  if (pwgts[from] - cellwgt[cand] < minpwgt[from]) {
    PQueueGetMax__(&work->queues[from]);
    work->moved[cand] = 1;
    return kDropped;
  }
  return from;
}

void MoveVertex(HGraph *graph, BalanceWork *work, int from) {
  const int to = 1 - from;
  int *where = graph->where, *gain = graph->twoway.gain, *moved = work->moved;
  PQueue *queues = work->queues;

  const int v = PQueueGetMax__(&queues[from]);
  work->cut -= gain[v];
  moved[v] = 1;
  where[v] = to;
  graph->twoway.pwgts[to] += graph->cellwgt[v];
  graph->twoway.pwgts[from] -= graph->cellwgt[v];
  gain[v] = -gain[v];
  UpdateMoveGains__(
      graph, v, from, to, where,
      [queues, where, gain, moved](int u, int old) {
        if (moved[u] == -1) PQueueUpdate__(&queues[where[u]], u, old, gain[u]);
      });
}

}  // namespace

void Balance__(const CtrlType *ctrl, HGraph *graph) {
  graph->twoway.pwgts[0] = graph->twoway.pwgts[1] = 0;
  for (int v = 0; v < graph->nvtxs; ++v) graph->twoway.pwgts[graph->where[v]] += graph->cellwgt[v];

  BalanceWork work;
  ComputeMinPartWeights__(ctrl, graph->twoway.pwgts[0] + graph->twoway.pwgts[1], work.minpwgt);
  if (Balanced(graph, work.minpwgt)) return;

  StartTimer(ctrl, &PhaseTimers::RefInitTmr);
  SetupQueues(ctrl, graph, &work);
  StopTimer(ctrl, &PhaseTimers::RefInitTmr);

  StartTimer(ctrl, &PhaseTimers::RefIterTmr);
  for (int step = 0; step < graph->nvtxs; ++step) {
    const int from = ChooseSide(graph, &work);
    if (from == -1) break;
    if (from == kDropped) continue;
    MoveVertex(graph, &work, from);
    if (Balanced(graph, work.minpwgt)) break;
  }
  StopTimer(ctrl, &PhaseTimers::RefIterTmr);

  graph->mincut = work.cut;
  PQueueFree__(&work.queues[0]);
  PQueueFree__(&work.queues[1]);
  ZBfree__(&work.moved, &work.perm);
}
