// FM refinement: passes that move every movable vertex once, best gain first,
// and keep the best balanced prefix of the moves. The heavy-vertex variant
// differs only in how a side's candidate is picked and taken out.
#include <cstdlib>

#include "refine2/refine2.h"

namespace {

// The figures of one pass.
struct FMPass {
  int minpwgt[2];
  int initcut, newcut, mincut;
  int mincutorder;  // last move of the best prefix, -1 for the empty one
  int mindiff;      // |pwgts[0] - pwgts[1]| at the best prefix
};

// Fresh gains, side counts, bounds and queues for a pass. FM keeps its side
// counts in its hyperedge records; graph->twoway.ndeg is left alone.
template <class Pick>
void StartPass(const CtrlType *ctrl, HGraph *graph, FMWork *work, FMHEdge *hedges, FMPass *pass,
               bool first) {
  ComputeFMGains__(graph, hedges);
  ComputeMinPartWeights__(ctrl, graph->twoway.pwgts[0] + graph->twoway.pwgts[1], pass->minpwgt);
  PQueueReset__(&work->queues[0]);
  PQueueReset__(&work->queues[1]);
  pass->initcut = pass->newcut = pass->mincut = graph->mincut;
  pass->mincutorder = -1;
  iset__(graph->nvtxs, -1, work->moved);
  pass->mindiff = std::abs(graph->twoway.pwgts[0] - graph->twoway.pwgts[1]);
  FillQueues__(&ctrl->ctx->rng, graph, work->queues, work->moved, work->perm);
  for (int v = 0; v < graph->nvtxs; ++v)
    work->sides[v] = work->moved[v] == -1 ? graph->where[v] : kHeldSide;

  if (IsSet(ctrl->dbglvl, DBG_REFINE) && first)
    Trace__("%s: [%6d,%8d]  [%6d,%8d], Initial Cut: %8d [%d] [%d %d]\n",
            Pick::kHeavy ? "Partitions2" : "Partitions", work->queues[0].nnodes,
            graph->twoway.pwgts[0], work->queues[1].nnodes, graph->twoway.pwgts[1], pass->initcut,
            FMCut__(graph, hedges), pass->minpwgt[0], pass->minpwgt[1]);
}

// A balanced prefix counts when its cut is smaller, or equal with a more even
// split; among equal ones the earlier stays.
void RecordPrefix(const HGraph *graph, FMPass *pass, int nswaps) {
  const int *pwgts = graph->twoway.pwgts;
  if (pwgts[0] < pass->minpwgt[0] || pwgts[1] < pass->minpwgt[1]) return;
  const int diff = std::abs(pwgts[0] - pwgts[1]);
  if (pass->newcut < pass->mincut || (pass->newcut == pass->mincut && diff < pass->mindiff)) {
    pass->mincut = pass->newcut;
    pass->mincutorder = nswaps;
    pass->mindiff = diff;
  }
}

// Moves every movable vertex once; returns the number of moves.
template <class Pick>
int MakeMoves(const CtrlType *ctrl, HGraph *graph, FMWork *work, FMHEdge *hedges, FMPass *pass) {
  int *where = graph->where, *gain = graph->twoway.gain, *pwgts = graph->twoway.pwgts;
  const int *cellwgt = graph->cellwgt;
  int *moved = work->moved;
  const signed char *sides = work->sides;
  PQueue *queues = work->queues;

  int nswaps = 0;
  for (; nswaps < graph->nvtxs; ++nswaps) {
    const int a = Pick::See(&queues[0], pwgts[0] - pass->minpwgt[0], cellwgt);
    const int b = Pick::See(&queues[1], pwgts[1] - pass->minpwgt[1], cellwgt);
    if (a == -1 && b == -1) break;
    const int from = ChooseSideFM__(graph, pass->minpwgt, a, b), to = 1 - from;
    const int cand = from == 0 ? a : b;
    const int v = Pick::Take(&queues[from], cand, gain[cand]);

    pass->newcut -= gain[v];
    moved[v] = nswaps;
    work->swaps[nswaps] = v;
    where[v] = to;
    pwgts[to] += cellwgt[v];
    pwgts[from] -= cellwgt[v];
    work->sides[v] = kHeldSide;
    RecordPrefix(graph, pass, nswaps);

    if (IsSet(ctrl->dbglvl, DBG_MOVEINFO)) {
      if constexpr (Pick::kHeavy)
        Trace__("Gains from moving %8d from %2d: %4d, \tNewcut: %d [%6d %6d %6d]\n", v, from,
                gain[v], pass->newcut, cellwgt[v], pwgts[0], pwgts[1]);
      else
        Trace__("Gains from moving %8d from %2d: %4d, \tNewcut: %d [%6d %6d]\n", v, from, gain[v],
                pass->newcut, pwgts[0], pwgts[1]);
    }

    // Vertices that moved or are fixed keep their gains: the next pass
    // recomputes every gain anyway.
    UpdateMoveGains__(
        graph, FMHEdges{hedges, graph->netind}, v, from, to, sides,
        [queues, sides, gain](int u, int old) {
          // A pin reported here still may move, so its held side is where it is.
          PQueueUpdate__(&queues[sides[u]], u, old, gain[u]);
        });
  }
  return nswaps;
}

// Moves after the best prefix go back, in the order made; side counts and
// gains are left stale.
void RollBack(HGraph *graph, const FMWork *work, const FMPass *pass, int nswaps) {
  for (int i = pass->mincutorder + 1; i < nswaps; ++i) FlipSide__(graph, work->swaps[i]);
}

template <class Pick>
void RefineFM(const CtrlType *ctrl, HGraph *graph, int npasses) {
  FMWork work;
  AllocateFMWork__(graph, &work, 2);
  FMHEdge *hedges = CreateFMHEdges__(graph);

  for (int p = 0; p < npasses; ++p) {
    FMPass pass;
    StartTimer(ctrl, &PhaseTimers::RefInitTmr);
    StartPass<Pick>(ctrl, graph, &work, hedges, &pass, p == 0);
    StopTimer(ctrl, &PhaseTimers::RefInitTmr);

    StartTimer(ctrl, &PhaseTimers::RefIterTmr);
    const int nswaps = MakeMoves<Pick>(ctrl, graph, &work, hedges, &pass);
    StopTimer(ctrl, &PhaseTimers::RefIterTmr);

    StartTimer(ctrl, &PhaseTimers::RefWrapTmr);
    RollBack(graph, &work, &pass, nswaps);
    if (IsSet(ctrl->dbglvl, DBG_REFINE))
      Trace__("\tMinimum Cut: %8d at %5d [%6d %6d]\n", pass.mincut, pass.mincutorder,
              graph->twoway.pwgts[0], graph->twoway.pwgts[1]);
    graph->mincut = pass.mincut;
    StopTimer(ctrl, &PhaseTimers::RefWrapTmr);

    if (pass.mincut == pass.initcut) break;
  }

  FreeFMWork__(&work);
  ZBfree__(&hedges);
}

}  // namespace

void Refine_FM__(const CtrlType *ctrl, HGraph *graph, int npasses) {
  RefineFM<PlainPick>(ctrl, graph, npasses);
}

void Refine_FM2__(const CtrlType *ctrl, HGraph *graph, int npasses) {
  RefineFM<WeightPick>(ctrl, graph, npasses);
}
