// K-way FM: the greedy k-way refinement takes only moves that do not cost,
// so it stops in the first local minimum. An FM pass also takes the best
// move when it costs, locks the vertex, and at the end goes back to the best
// partition it passed through, which lets it climb out over a ridge of a few
// moves. Gains come from the same records the greedy refinement keeps up to
// date by difference.
#include <algorithm>
#include <vector>

#include "kway/kway.h"

namespace {

// Two figures compared in order: the objective, then the figure that breaks
// its ties (under the cut the connectivity km1, under the others the cut).
// As a gain, how much each falls with a move; else their values.
struct Gain {
  int lead = 0, second = 0;
  bool operator==(const Gain &) const = default;
  auto operator<=>(const Gain &) const = default;
};

// The gains of moving v to d.part.
Gain MoveGain(int rtype, const CellKwayInfo &ci, const CellPartInfo &d) {
  Gain g;
  KwayFMGain__(rtype, ci, d, &g.lead, &g.second);
  return g;
}

// The objective and the second figure of the partition as the records keep
// them.
Gain Figures(int rtype, const HGraph *graph) {
  const int cut = graph->mincut, soed = graph->kway.minsoed;
  switch (rtype) {
    case OBJ_SOED: return {soed, cut};
    case OBJ_KM1: return {soed - cut, cut};
    default: return {cut, soed - cut};
  }
}

// Bounds on the gains of all of v's moves.
Gain GainBound(int rtype, const CellKwayInfo &ci) {
  Gain g;
  KwayFMGainBound__(rtype, ci, &g.lead, &g.second);
  return g;
}

// The entry of the part v goes to: among the parts its cut hyperedges touch
// that can take it, the one with the highest gain, then the lightest, then
// the lowest. Null when none can take it.
const CellPartInfo *BestTarget(int rtype, HGraph *graph, int v, const KwayPartBounds &b, Gain *gain) {
  const CellKwayInfo &ci = KwayCellInfo__(graph, v);
  const int *kpwgts = graph->kway.kpwgts, vw = graph->cellwgt[v];
  const CellPartInfo *best = nullptr;
  for (int k = 0; k < ci.ndegrees; k++) {
    const CellPartInfo &d = ci.degrees[k];
    if (kpwgts[d.part] + vw > b.maxpwgt[d.part]) continue;
    const Gain g = MoveGain(rtype, ci, d);
    if (best == nullptr || g > *gain ||
        (g == *gain && (kpwgts[d.part] < kpwgts[best->part] ||
                        (kpwgts[d.part] == kpwgts[best->part] && d.part < best->part)))) {
      best = &d;
      *gain = g;
    }
  }
  return best;
}

// The vertices waiting to move, best gain first, ties to the higher random
// key of the pass; each vertex at most once, its gain changed in place.
class MoveHeap {
 public:
  explicit MoveHeap(int nvtxs) : key(nvtxs), gain_(nvtxs), pos_(nvtxs, -1) {}

  std::vector<unsigned> key;

  bool Empty() const { return heap_.empty(); }
  int Top() const { return heap_[0]; }
  const Gain &GainOf(int v) const { return gain_[v]; }

  void Set(int v, const Gain &g) {
    gain_[v] = g;
    if (pos_[v] < 0) {
      pos_[v] = static_cast<int>(heap_.size());
      heap_.push_back(v);
    }
    Down(Up(pos_[v]));
  }

  void Remove(int v) {
    const int i = pos_[v];
    if (i < 0) return;
    pos_[v] = -1;
    const int last = heap_.back();
    heap_.pop_back();
    if (last == v) return;
    heap_[i] = last;
    pos_[last] = i;
    Down(Up(i));
  }

  void Clear() {
    for (int v : heap_) pos_[v] = -1;
    heap_.clear();
  }

 private:
  std::vector<Gain> gain_;
  std::vector<int> pos_, heap_;

  bool Before(int u, int v) const { return gain_[u] != gain_[v] ? gain_[u] > gain_[v] : key[u] > key[v]; }
  void Place(int i, int v) {
    heap_[i] = v;
    pos_[v] = i;
  }
  int Up(int i) {
    const int v = heap_[i];
    for (; i > 0 && Before(v, heap_[(i - 1) / 2]); i = (i - 1) / 2) Place(i, heap_[(i - 1) / 2]);
    Place(i, v);
    return i;
  }
  void Down(int i) {
    const int v = heap_[i], n = static_cast<int>(heap_.size());
    for (;;) {
      int c = 2 * i + 1;
      if (c >= n) break;
      if (c + 1 < n && Before(heap_[c + 1], heap_[c])) c++;
      if (!Before(heap_[c], v)) break;
      Place(i, heap_[c]);
      i = c;
    }
    Place(i, v);
  }
};

struct Pass {
  const CtrlType *ctrl;
  HGraph *graph;
  KwayPartBounds bounds;
  MoveHeap heap;
  std::vector<int> marker, updind;
  std::vector<char> locked, exact;

  Pass(const CtrlType *ctrl, HGraph *graph)
      : ctrl(ctrl), graph(graph), bounds(KwayPartBounds__(ctrl, graph)), heap(graph->nvtxs),
        marker(graph->nvtxs, -1), updind(graph->nvtxs), locked(graph->nvtxs, 0), exact(graph->nvtxs, 0) {}

  // Puts v in the heap under a bound on its gains, or takes it out when it
  // may not move. Its entries are listed, and its gain made exact, only
  // when the bound comes to the top: most vertices of a large boundary
  // never do.
  void Offer(int v) {
    const CellKwayInfo &ci = graph->kway.crinfo[v];
    // Without a cut hyperedge v is not on the boundary.
    if (locked[v] || v < graph->nfixed || ci.id >= ci.multiwgt) {
      heap.Remove(v);
      return;
    }
    heap.Set(v, GainBound(ctrl->RType, ci));
    exact[v] = 0;
  }

  void Move(int v, int from, int to) {
    const int vw = graph->cellwgt[v];
    graph->kway.kpwgts[from] -= vw;
    graph->kway.kpwgts[to] += vw;
    graph->where[v] = to;
  }

  // One pass; returns whether it lowered the objective.
  bool Run(int maxbad) {
    const int nvtxs = graph->nvtxs;
    std::fill(locked.begin(), locked.end(), 0);
    std::fill(marker.begin(), marker.end(), -1);
    heap.Clear();
    for (int v = 0; v < nvtxs; v++) heap.key[v] = static_cast<unsigned>(DrawKey__(&ctrl->ctx->rng));
    for (int v = 0; v < nvtxs; v++) Offer(v);

    const Gain start = Figures(ctrl->RType, graph);
    Gain best = start;
    int bestcut = graph->mincut, bestsoed = graph->kway.minsoed, bad = 0;
    std::vector<std::pair<int, int>> moves;  // vertex, the part it left
    size_t kept = 0;
    // The pass ends after maxbad moves without a better partition, or when
    // the moved vertices' hyperedges hold a quarter of the level's pins: on
    // wide hyperedges every move updates many pins.
    const long long budget = graph->netptr[graph->nhedges] / 4;
    long long work = 0;
    while (!heap.Empty() && bad < maxbad && work < budget) {
      const int v = heap.Top();
      const int from = graph->where[v], vw = graph->cellwgt[v];
      Gain gain;
      const CellPartInfo *d =
          graph->kway.kpwgts[from] - vw < bounds.minpwgt ? nullptr : BestTarget(ctrl->RType, graph, v, bounds, &gain);
      if (d == nullptr) {
        heap.Remove(v);
        continue;
      }
      // A bound, or a gain that changed with the part weights, goes back
      // as the gain; the order is then that of the exact gains.
      if (!exact[v] || gain != heap.GainOf(v)) {
        heap.Set(v, gain);
        exact[v] = 1;
        continue;
      }
      heap.Remove(v);
      const CellKwayInfo &ci = graph->kway.crinfo[v];
      const int to = d->part;
      graph->mincut -= d->ed - ci.id;
      graph->kway.minsoed -= d->soedterm + d->ed - ci.id;
      Move(v, from, to);
      locked[v] = 1;
      moves.emplace_back(v, from);
      for (int j = graph->incptr[v]; j < graph->incptr[v + 1]; j++) {
        const int e = graph->incind[j];
        work += graph->netptr[e + 1] - graph->netptr[e];
      }
      const int nupd = KwayUpdateGainInfo__(graph, v, from, to, marker.data(), updind.data());
      for (int i = 1; i < nupd; i++) Offer(updind[i]);

      const Gain now = Figures(ctrl->RType, graph);
      if (now < best) {
        best = now;
        bestcut = graph->mincut;
        bestsoed = graph->kway.minsoed;
        kept = moves.size();
        bad = 0;
      } else {
        bad++;
      }
    }

    // Back to the best partition of the pass. The marks name the vertex that
    // moved, and each vertex moves back once.
    std::fill(marker.begin(), marker.end(), -1);
    while (moves.size() > kept) {
      const auto [v, from] = moves.back();
      moves.pop_back();
      const int to = graph->where[v];
      Move(v, to, from);
      KwayUpdateGainInfo__(graph, v, to, from, marker.data(), updind.data());
    }
    graph->mincut = bestcut;
    graph->kway.minsoed = bestsoed;
    return best < start;
  }
};

}  // namespace

void RefineKwayFM__(const CtrlType *ctrl, HGraph *graph, int npasses) {
  const int nvtxs = graph->nvtxs;
  Pass pass(ctrl, graph);
  const int maxbad = std::max(50, std::min(1000, nvtxs / 100));
  for (int i = 0; i < npasses; i++)
    if (!pass.Run(maxbad)) break;
  graph->kway.objval = KwayObjectiveValue__(ctrl, graph);
}

void KwayFMGain__(int rtype, const CellKwayInfo &ci, const CellPartInfo &d, int *lead, int *second) {
  const int cut = d.ed - ci.id, km1 = d.soedterm;
  *lead = rtype == OBJ_SOED ? km1 + cut : rtype == OBJ_KM1 ? km1 : cut;
  *second = rtype == OBJ_CUT ? km1 : cut;
}

// A move uncuts at most the cut hyperedges where v is alone (ed <= alonewgt),
// and the SOED term is alonewgt less the weight of v's hyperedges that do
// not touch the target.
void KwayFMGainBound__(int rtype, const CellKwayInfo &ci, int *lead, int *second) {
  const int cut = ci.alonewgt - ci.id, km1 = ci.alonewgt;
  *lead = rtype == OBJ_SOED ? km1 + cut : rtype == OBJ_KM1 ? km1 : cut;
  *second = rtype == OBJ_CUT ? km1 : cut;
}
