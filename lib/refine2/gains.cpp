// Two-way state of a level: side counts, gains, cut and side weights from
// scratch, the exact take-back of a move, and the balance bounds.
#include <algorithm>
#include <vector>

#include "refine2/refine2.h"

void AllocateRefinementMemory__(HGraph *graph) {
  graph->where = imalloc__(graph->nvtxs + graph->nislands, "AllocateRefinementMemory: where");
  graph->twoway.gain = imalloc__(graph->nvtxs, "AllocateRefinementMemory: gain");
  graph->twoway.ndeg[0] = imalloc__(graph->nhedges, "AllocateRefinementMemory: ndeg[0]");
  graph->twoway.ndeg[1] = imalloc__(graph->nhedges, "AllocateRefinementMemory: ndeg[1]");
}

namespace {

// Side counts of the hyperedges lo..hi-1, all by default; returns the cut
// they give. Sides are 0 and 1, so the pins on side 1 are the sum of their
// sides.
template <class HEdges>
int CountSides(const HGraph *graph, const int *where, const HEdges &hedges, int lo = 0,
               int hi = -1) {
  int cut = 0;
  if (hi == -1) hi = graph->nhedges;
  for (int e = lo; e < hi; ++e) {
    int on1 = 0;
    const int *begin = hedges.Begin(e), *end = hedges.End(e);
    for (const int *pin = begin; pin != end; ++pin) on1 += where[*pin];
    const int on0 = static_cast<int>(end - begin) - on1;
    hedges.At(1, e) = on1;
    hedges.At(0, e) = on0;
    if (on0 > 0 && on1 > 0) cut += hedges.Weight(e);
  }
  return cut;
}

// Decrease of the cut if v alone changed side. A one-pin hyperedge earns both
// terms and so contributes nothing.
template <class HEdges>
int VertexGain(const HGraph *graph, const int *where, const HEdges &hedges, int v) {
  const int s = where[v], o = 1 - s;
  int g = 0;
  for (int j = graph->incptr[v]; j < graph->incptr[v + 1]; ++j) {
    const int e = graph->incind[j];
    if (hedges.At(s, e) == 1) g += hedges.Weight(e);
    if (hedges.At(o, e) == 0) g -= hedges.Weight(e);
  }
  return g;
}

// Side counts, cut, gains and side weights from scratch. Gains are summed by
// hyperedge: each pin of e earns e's weight when it is alone on its side and
// loses it when the other side is empty; a hyperedge with at least two pins on
// each side changes no gain and is not walked again.
template <class HEdges>
void InitGains(HGraph *graph, const HEdges &hedges) {
  const int *where = graph->where;
  int *gain = graph->twoway.gain;
  std::fill(gain, gain + graph->nvtxs, 0);
  int cut = 0;
  for (int e = 0; e < graph->nhedges; ++e) {
    const int *begin = hedges.Begin(e), *end = hedges.End(e);
    int on1 = 0;
    if constexpr (HEdges::kPinXor) {
      int all = 0, xor1 = 0;
      for (const int *pin = begin; pin != end; ++pin) {
        const int u = *pin, s = where[u];
        on1 += s;
        all ^= u;
        xor1 ^= u & -s;
      }
      hedges.Xor(1, e) = xor1;
      hedges.Xor(0, e) = all ^ xor1;
    } else {
      for (const int *pin = begin; pin != end; ++pin) on1 += where[*pin];
    }
    const int on0 = static_cast<int>(end - begin) - on1;
    hedges.At(1, e) = on1;
    hedges.At(0, e) = on0;
    const int w = hedges.Weight(e);
    if (on0 > 0 && on1 > 0) cut += w;
    if (on0 > 1 && on1 > 1) continue;
    int delta[2];
    delta[0] = (on0 == 1 ? w : 0) - (on1 == 0 ? w : 0);
    delta[1] = (on1 == 1 ? w : 0) - (on0 == 0 ? w : 0);
    if (delta[0] == 0 && delta[1] == 0) continue;
    for (const int *pin = begin; pin != end; ++pin) gain[*pin] += delta[where[*pin]];
  }
  graph->mincut = cut;
  graph->twoway.pwgts[0] = graph->twoway.pwgts[1] = 0;
  for (int v = 0; v < graph->nvtxs; ++v) graph->twoway.pwgts[where[v]] += graph->cellwgt[v];
}

template <class HEdges>
int CutOf(const HGraph *graph, const HEdges &hedges) {
  int cut = 0;
  for (int e = 0; e < graph->nhedges; ++e)
    if (hedges.At(0, e) > 0 && hedges.At(1, e) > 0) cut += hedges.Weight(e);
  return cut;
}

}  // namespace

void ComputeInitGains__(HGraph *graph) { InitGains(graph, SideArrays(graph)); }

int VertexGain__(const HGraph *graph, int v) {
  return VertexGain(graph, graph->where, SideArrays(graph), v);
}

void ComputeInitGainsInChunks__(HGraph *graph, int nchunks) {
  // One chunk: summing by hyperedge passes over those that change no gain.
  if (nchunks == 1) {
    ComputeInitGains__(graph);
    return;
  }
  const SideArrays hedges(graph);
  std::vector<int> cuts(nchunks, 0);
  InChunks__(graph->nhedges, nchunks, [&](int t, int lo, int hi) {
    cuts[t] = CountSides(graph, graph->where, hedges, lo, hi);
  });
  ComputeGainsInChunks__(graph, nchunks);
  graph->mincut = 0;
  for (const int cut : cuts) graph->mincut += cut;
  graph->twoway.pwgts[0] = graph->twoway.pwgts[1] = 0;
  for (int v = 0; v < graph->nvtxs; ++v)
    graph->twoway.pwgts[graph->where[v]] += graph->cellwgt[v];
}

void ComputeGainsInChunks__(HGraph *graph, int nchunks) {
  InChunks__(graph->nvtxs, nchunks, [graph](int, int lo, int hi) {
    for (int v = lo; v < hi; ++v) graph->twoway.gain[v] = VertexGain__(graph, v);
  });
}

FMHEdge *CreateFMHEdges__(const HGraph *graph) {
  const int nhedges = graph->nhedges;
  FMHEdge *rec = ZBmallocT__<FMHEdge>(nhedges + 1, "FM_Refine: hyperedges");
  for (int e = 0; e < nhedges; ++e) {
    rec[e].ndeg[0] = rec[e].ndeg[1] = 0;
    rec[e].pinxor[0] = rec[e].pinxor[1] = 0;
    rec[e].wgt = graph->netwgt[e];
    rec[e].first = graph->netptr[e];
  }
  rec[nhedges] = {{0, 0}, {0, 0}, 0, graph->netptr[nhedges]};
  return rec;
}

void ComputeFMGains__(HGraph *graph, FMHEdge *rec) { InitGains(graph, FMHEdges{rec, graph->netind}); }

int ComputeCut__(HGraph *graph) { return CutOf(graph, SideArrays(graph)); }

int FMCut__(const HGraph *graph, const FMHEdge *rec) {
  return CutOf(graph, FMHEdges{const_cast<FMHEdge *>(rec), graph->netind});
}

// Recounts the side counts of every hyperedge and the gain of every vertex
// from where; returns 1 when the stored ndeg and gain agree, 0 otherwise.
int CheckDegrees(HGraph *graph) {
  int *gain = imalloc__(graph->nvtxs, "ComputePartitionParams: gain");
  int *ndeg0 = imalloc__(graph->nhedges, "ComputePartitionParams: ndeg[0]");
  int *ndeg1 = imalloc__(graph->nhedges, "ComputePartitionParams: ndeg[1]");
  const SideArrays hedges(graph, ndeg0, ndeg1);
  CountSides(graph, graph->where, hedges);
  int ok = 1;
  for (int e = 0; e < graph->nhedges; ++e)
    if (graph->twoway.ndeg[0][e] != ndeg0[e] || graph->twoway.ndeg[1][e] != ndeg1[e]) ok = 0;
  for (int v = 0; v < graph->nvtxs; ++v) {
    gain[v] = VertexGain(graph, graph->where, hedges, v);
    if (graph->twoway.gain[v] != gain[v]) ok = 0;
  }
  ZBfree__(&gain, &ndeg0, &ndeg1);
  return ok;
}

void UndoMoveExact__(HGraph *graph, int v) {
  const int from = graph->where[v];
  FlipSide__(graph, v);
  graph->twoway.gain[v] = -graph->twoway.gain[v];
  UpdateMoveGains__(graph, v, from, 1 - from, graph->where, [](int, int) {});
}

void ComputeMinPartWeights__(const CtrlType *ctrl, int total, int minpwgt[2]) {
  if (ctrl->opt.limits) {
    // What one side may not take, the other must.
    minpwgt[0] = std::max(0, total - ctrl->sidemax[1]);
    minpwgt[1] = std::max(0, total - ctrl->sidemax[0]);
    return;
  }
  const float frac0 = ctrl->TargetFrac - ctrl->ubfactor;
  minpwgt[0] = MinPartWeight__(frac0 * static_cast<float>(total));
  minpwgt[1] = MinPartWeight__((1.0 - static_cast<double>(ctrl->TargetFrac) -
                                static_cast<double>(ctrl->ubfactor)) *
                               static_cast<double>(total));
}

int MaxAdjWgt__(const HGraph *graph) {
  int maxwgt = 0;
  for (int v = 0; v < graph->nvtxs; ++v) maxwgt = std::max(maxwgt, graph->adjwgt[v]);
  return maxwgt;
}

void FillQueues__(RandomStream *rng, HGraph *graph, PQueue queues[2], int *moved, int *perm) {
  RandomPermute__(rng, perm, graph->nvtxs, 1);
  for (int i = 0; i < graph->nvtxs; ++i) {
    const int v = perm[i];
    if (v < graph->nfixed)
      moved[v] = 1;
    else
      PQueueInsert__(&queues[graph->where[v]], v, graph->twoway.gain[v]);
  }
}

void AllocateFMWork__(HGraph *graph, FMWork *work, int nqueues) {
  const int gainspan = MaxAdjWgt__(graph);
  work->nqueues = nqueues;
  for (int q = 0; q < nqueues; ++q) PQueueInit__(&work->queues[q], graph->nvtxs, gainspan);
  work->moved = imalloc__(graph->nvtxs, "FM_Refine: moved");
  work->swaps = imalloc__(graph->nvtxs, "FM_Refine: swaps");
  work->perm = imalloc__(graph->nvtxs, "FM_Refine: perm");
  work->sides = ZBmallocT__<signed char>(graph->nvtxs, "FM_Refine: sides");
}

void FreeFMWork__(FMWork *work) {
  for (int q = 0; q < work->nqueues; ++q) PQueueFree__(&work->queues[q]);
  ZBfree__(&work->moved, &work->swaps, &work->perm, &work->sides);
}
