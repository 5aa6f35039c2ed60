// Initial bisection of the coarsest level: random assignments that meet the
// target weight of side 0 (and, when asked, as many sides grown by
// breadth-first search), each balanced and FM-refined; the smallest cut wins.
#include <cmath>
#include <cstdio>
#include <vector>

#include "rb/rb.h"
#include "refine2/refine2.h"

void InitPartition__(const CtrlType *ctrl, HGraph *graph) {
  // The many short refinement runs below would flood the refinement traces.
  CtrlType quiet = *ctrl;
  quiet.dbglvl &= ~(DBG_REFINE | DBG_MOVEINFO);

  StartTimer(ctrl, &PhaseTimers::InitPartTmr);
  Random_FMPartition__(&quiet, graph);
  StopTimer(ctrl, &PhaseTimers::InitPartTmr);
}

namespace {

// Anchors are split at random: nfixed0 of them start on side 0, the rest on
// side 1, so each side holds as many anchors as it has parts to produce.
void PlaceAnchors(RandomStream *rng, HGraph *graph, int nfixed0, int *perm, int pw[2]) {
  RandomPermuteFine__(rng, perm, graph->nfixed, 1);
  for (int i = 0; i < graph->nfixed; i++) {
    const int v = perm[i], side = i < nfixed0 ? 0 : 1;
    graph->where[v] = side;
    pw[side] += graph->cellwgt[v];
  }
}

// Side 0 takes vertices in random order until it first reaches target0;
// every later vertex goes to side 1.
void FillSides(RandomStream *rng, HGraph *graph, int target0, int *perm, int pw[2]) {
  RandomPermuteFine__(rng, perm, graph->nvtxs, 1);
  for (int i = 0; i < graph->nvtxs; i++) {
    const int v = perm[i];
    if (v < graph->nfixed) continue;
    const int side = pw[0] < target0 ? 0 : 1;
    graph->where[v] = side;
    pw[side] += graph->cellwgt[v];
  }
}

}  // namespace

void Random_FMPartition__(const CtrlType *ctrl, HGraph *graph) {
  AllocateRefinementMemory__(graph);
  const int nvtxs = graph->nvtxs;
  if (nvtxs == 0) {
    // Nothing to place: an empty bisection with nothing cut.
    graph->mincut = graph->twoway.pwgts[0] = graph->twoway.pwgts[1] = 0;
    return;
  }

  int *perm = imalloc__(nvtxs, "Random_FMPartition: perm");
  int *bestwhere = imalloc__(nvtxs, "Random_FMPartition: graph->where");
  const int total = iasum__(nvtxs, graph->cellwgt);
  const int target0 = ctrl->opt.limits
                          ? static_cast<int>(std::llround(ctrl->share0 * static_cast<double>(total)))
                          : static_cast<int>(ctrl->TargetFrac * static_cast<float>(total));
  const int nfixed0 =
      static_cast<int>(static_cast<double>(static_cast<float>(graph->nfixed) * ctrl->TargetFrac) + 0.4);
  const int nrandom = ctrl->opt.KwayFinish == 1 ? 20 : 10;
  const int ntrials = ctrl->opt.GrownStarts ? 2 * nrandom : nrandom;

  int best = 0;
  for (int t = 0; t < ntrials; t++) {
    int pw[2] = {0, 0};
    if (graph->nfixed > 0) PlaceAnchors(&ctrl->ctx->rng, graph, nfixed0, perm, pw);
    if (t < nrandom)
      FillSides(&ctrl->ctx->rng, graph, target0, perm, pw);
    else
      GrowSides__(&ctrl->ctx->rng, graph, target0, perm, pw);

    Balance__(ctrl, graph);
    RefineByFM__(ctrl, graph, false);

    if (IsSet(ctrl->dbglvl, DBG_INITPART))
      Trace__("%5d %5d %5d\n", graph->twoway.pwgts[0], graph->twoway.pwgts[1], graph->mincut);
    if (t == 0 || graph->mincut < best) {
      best = graph->mincut;
      icopy__(nvtxs, graph->where, bestwhere);
    }
  }
  if (IsSet(ctrl->dbglvl, DBG_INITPART)) Trace__("Bestcut Icut: %5d\n", best);

  // The side weights go with the bisection that is kept, not the last trial.
  icopy__(nvtxs, bestwhere, graph->where);
  graph->mincut = best;
  graph->twoway.pwgts[0] = graph->twoway.pwgts[1] = 0;
  for (int v = 0; v < nvtxs; v++) graph->twoway.pwgts[graph->where[v]] += graph->cellwgt[v];
  ZBfree__(&perm, &bestwhere);
}

// On a hypergraph with a geometry (a mesh, a banded matrix) a grown side is
// one piece with a short border, which a random fill with FM seldom finds.
void GrowSides__(RandomStream *rng, HGraph *graph, int target0, int *queue, int pw[2]) {
  const int nvtxs = graph->nvtxs, nfixed = graph->nfixed;
  std::vector<char> queued(nvtxs, 0), expanded(graph->nhedges, 0);
  for (int v = nfixed; v < nvtxs; v++) {
    graph->where[v] = 1;
    pw[1] += graph->cellwgt[v];
  }
  int head = 0, tail = 0;
  while (pw[0] < target0 && head < nvtxs - nfixed) {
    if (head == tail) {
      int v = nfixed + static_cast<int>(RandomDouble__(rng) * (nvtxs - nfixed));
      while (queued[v]) v = v + 1 == nvtxs ? nfixed : v + 1;
      queued[v] = 1;
      queue[tail++] = v;
    }
    const int u = queue[head++];
    graph->where[u] = 0;
    pw[0] += graph->cellwgt[u];
    pw[1] -= graph->cellwgt[u];
    for (int j = graph->incptr[u]; j < graph->incptr[u + 1]; j++) {
      const int e = graph->incind[j];
      if (expanded[e]) continue;
      expanded[e] = 1;
      for (int k = graph->netptr[e]; k < graph->netptr[e + 1]; k++) {
        const int w = graph->netind[k];
        if (w < nfixed || queued[w]) continue;
        queued[w] = 1;
        queue[tail++] = w;
      }
    }
  }
}
