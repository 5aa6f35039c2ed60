// Early-exit FM refinement: a pass ends once the running cut has stayed above
// the best cut for more than a fixed number of moves, and gains and side
// counts stay exact through the moves and their reverse take-back, so they are
// computed from scratch once per call. The heavy-vertex variant differs in the
// candidate pick, its removal and the side rule.
#include "refine2/refine2.h"

namespace {

struct EEPass {
  int minpwgt[2];
  int initcut, newcut, mincut;
  int mincutorder;  // last move of the best prefix, -1 for the empty one
};

// Side rule of the plain variant: the side of the higher gain if that side is
// at or above its minimum now; on equal gains a light side receives, and with
// both sides heavy enough the previous move's side gives again.
int ChooseSideEE(const HGraph *graph, const int minpwgt[2], int a, int b, int prev) {
  if (a == -1) return 1;
  if (b == -1) return 0;
  const int *gain = graph->twoway.gain, *pwgts = graph->twoway.pwgts;
  if (gain[a] > gain[b]) return pwgts[0] >= minpwgt[0] ? 0 : 1;
  if (gain[a] < gain[b]) return pwgts[1] >= minpwgt[1] ? 1 : 0;
  if (pwgts[0] < minpwgt[0]) return 1;
  if (pwgts[1] < minpwgt[1]) return 0;
  return prev;
}

template <class Pick>
int ChooseSide(const HGraph *graph, const int minpwgt[2], int a, int b, int prev) {
  if constexpr (Pick::kHeavy)
    return ChooseSideFM__(graph, minpwgt, a, b);
  else
    return ChooseSideEE(graph, minpwgt, a, b, prev);
}

void StartPass(const CtrlType *ctrl, HGraph *graph, FMWork *work, EEPass *pass, bool first) {
  ComputeMinPartWeights__(ctrl, graph->twoway.pwgts[0] + graph->twoway.pwgts[1], pass->minpwgt);
  PQueueReset__(&work->queues[0]);
  PQueueReset__(&work->queues[1]);
  pass->initcut = pass->newcut = pass->mincut = graph->mincut;
  pass->mincutorder = -1;
  iset__(graph->nvtxs, -1, work->moved);
  FillQueues__(&ctrl->ctx->rng, graph, work->queues, work->moved, work->perm);

  if (IsSet(ctrl->dbglvl, DBG_REFINE) && first)
    Trace__("Partitions: [%6d,%8d]  [%6d,%8d], Initial Cut: %8d [%d] [%d]\n",
            work->queues[0].nnodes, graph->twoway.pwgts[0], work->queues[1].nnodes,
            graph->twoway.pwgts[1], pass->initcut, ComputeCut__(graph), pass->minpwgt[0]);
}

// Makes moves until the queues run dry or the early exit; returns the number
// of moves that stand (the move that triggered the exit is taken back here).
template <class Pick>
int MakeMoves(const CtrlType *ctrl, HGraph *graph, FMWork *work, EEPass *pass, int earlyexit) {
  int *where = graph->where, *gain = graph->twoway.gain, *pwgts = graph->twoway.pwgts;
  const int *cellwgt = graph->cellwgt;
  int *moved = work->moved;
  PQueue *queues = work->queues;

  int from = 0;
  int nswaps = 0;
  for (; nswaps < graph->nvtxs; ++nswaps) {
    const int a = Pick::See(&queues[0], pwgts[0] - pass->minpwgt[0], cellwgt);
    const int b = Pick::See(&queues[1], pwgts[1] - pass->minpwgt[1], cellwgt);
    if (a == -1 && b == -1) break;
    from = ChooseSide<Pick>(graph, pass->minpwgt, a, b, from);
    const int to = 1 - from;
    const int cand = from == 0 ? a : b;
    const int v = Pick::Take(&queues[from], cand, gain[cand]);

    pass->newcut -= gain[v];
    moved[v] = nswaps;
    work->swaps[nswaps] = v;
    where[v] = to;
    pwgts[to] += cellwgt[v];
    pwgts[from] -= cellwgt[v];

    if (pwgts[0] >= pass->minpwgt[0] && pwgts[1] >= pass->minpwgt[1] &&
        pass->newcut < pass->mincut) {
      pass->mincut = pass->newcut;
      pass->mincutorder = nswaps;
    } else if (pass->newcut > pass->mincut && nswaps - pass->mincutorder > earlyexit) {
      // Its gains and side counts are untouched yet, so the side is enough.
      where[v] = from;
      pwgts[from] += cellwgt[v];
      pwgts[to] -= cellwgt[v];
      break;
    }

    if (IsSet(ctrl->dbglvl, DBG_MOVEINFO))
      Trace__("Gains from moving %8d from %2d: %4d, \tNewcut: %d\n", v, from, gain[v],
              pass->newcut);

    gain[v] = -gain[v];
    UpdateMoveGains__(
        graph, v, from, to, where,
        [queues, where, gain, moved](int u, int old) {
          if (moved[u] == -1) PQueueUpdate__(&queues[where[u]], u, old, gain[u]);
        });
  }
  return nswaps;
}

template <class Pick>
void RefineEEFM(const CtrlType *ctrl, HGraph *graph, int npasses, float fraction) {
  FMWork work;
  AllocateFMWork__(graph, &work, 2);
  const int earlyexit = static_cast<int>(fraction * static_cast<float>(graph->nvtxs));

  StartTimer(ctrl, &PhaseTimers::RefInitTmr);
  ComputeInitGainsInChunks__(graph, LevelTasks__(ctrl, graph->incptr[graph->nvtxs]));
  StopTimer(ctrl, &PhaseTimers::RefInitTmr);

  for (int p = 0; p < npasses; ++p) {
    EEPass pass;
    StartTimer(ctrl, &PhaseTimers::RefInitTmr);
    StartPass(ctrl, graph, &work, &pass, p == 0);
    StopTimer(ctrl, &PhaseTimers::RefInitTmr);

    StartTimer(ctrl, &PhaseTimers::RefIterTmr);
    const int nmoves = MakeMoves<Pick>(ctrl, graph, &work, &pass, earlyexit);
    StopTimer(ctrl, &PhaseTimers::RefIterTmr);

    StartTimer(ctrl, &PhaseTimers::RefWrapTmr);
    for (int i = nmoves - 1; i > pass.mincutorder; --i) UndoMoveExact__(graph, work.swaps[i]);
    if (IsSet(ctrl->dbglvl, DBG_REFINE))
      Trace__("\tMinimum Cut: %8d [%8d] at %5d [%6d %6d]\n", pass.mincut, ComputeCut__(graph),
              pass.mincutorder, graph->twoway.pwgts[0], graph->twoway.pwgts[1]);
    graph->mincut = pass.mincut;
    StopTimer(ctrl, &PhaseTimers::RefWrapTmr);

    if (pass.mincut == pass.initcut) break;
  }

  FreeFMWork__(&work);
}

}  // namespace

void Refine_EEFM__(const CtrlType *ctrl, HGraph *graph, int npasses, float fraction) {
  RefineEEFM<PlainPick>(ctrl, graph, npasses, fraction);
}

void Refine_EEFM2__(const CtrlType *ctrl, HGraph *graph, int npasses, float fraction) {
  RefineEEFM<WeightPick>(ctrl, graph, npasses, fraction);
}
