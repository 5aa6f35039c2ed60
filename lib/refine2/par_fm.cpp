// FM in many small searches side by side, with the same result for any
// number of threads.
//
// A round shuffles the free vertices that have a cut hyperedge and lose
// nothing by moving, by the trial's stream, and deals them out in groups of
// kSeeds. Each group seeds a localized FM search that sees the level as the
// round found it plus its own moves, kept in overlays of its own: it moves
// the vertex of highest gain that its side can give, updates the gains of
// its hyperedges' pins and meets those pins, and stops once kPatience moves
// have not improved on its best prefix; it hands that prefix back. The
// searches run in tasks, but none sees another's moves, so each prefix
// depends on the round's start and its seeds only.
//
// The prefixes are then applied one after another in group order, each move
// with its exact gain from the level's side counts (a vertex an earlier
// prefix moved already is passed over). Of each prefix the best part that
// leaves both sides at their minimum weight (or no further below it than
// before) stays, the rest is taken back: the cut never rises, and searches
// that chose the same vertices, or neighbouring ones, cannot spoil one
// another's gains.
#include <algorithm>
#include <queue>
#include <vector>

#include "refine2/refine2.h"

namespace {

constexpr int kSeeds = 8;              // vertices that seed one search
constexpr int kPatience = 15;          // moves without a new best that end a search
constexpr int kMaxSearchMoves = 200;   // moves of one search at most
// The search follows a hyperedge up to this wide to all its pins; a wider
// one reaches its pins only when a move changes their gains.
constexpr int kMaxWakePins = 64;
// Searches dealt to one task at a time, in turn.
constexpr int kSearchBlock = 4;

struct HeapItem {
  int gain;
  int v;
  bool operator<(const HeapItem &o) const { return gain != o.gain ? gain < o.gain : v > o.v; }
};

// The overlays of one task: a vertex moved by the search stamped stamp, a
// vertex's gain as the search's moves left it, and the change of a
// hyperedge's count on side 0 since the round began. Stamps only tell
// searches apart, so which task runs which search does not matter.
struct SearchSpace {
  std::vector<int> vstamp, gstamp, vgain, estamp, edelta;
  std::priority_queue<HeapItem> heap;
  std::vector<int> moves;
  int stamp = 0;
};

class Search {
 public:
  Search(const HGraph *graph, const int minpwgt[2], SearchSpace &space)
      : graph_(graph), space_(space), minpwgt_{minpwgt[0], minpwgt[1]} {
    pwgts_[0] = graph->twoway.pwgts[0];
    pwgts_[1] = graph->twoway.pwgts[1];
    ++space_.stamp;
    space_.moves.clear();
    space_.heap = {};
  }

  // Runs from the seeds; space.moves receives the best prefix (possibly none).
  void Run(const int *seeds, int nseeds) {
    for (int i = 0; i < nseeds; ++i) Push(seeds[i]);
    int gain = 0, best = 0, bestlen = 0;
    std::vector<int> &moves = space_.moves;
    while (!space_.heap.empty() && static_cast<int>(moves.size()) < kMaxSearchMoves &&
           static_cast<int>(moves.size()) - bestlen < kPatience) {
      const HeapItem top = space_.heap.top();
      space_.heap.pop();
      const int v = top.v;
      if (Moved(v) || top.gain != Gain(v)) continue;  // moved, or a stale entry
      const int from = Side(v);
      if (pwgts_[from] - graph_->cellwgt[v] < minpwgt_[from]) continue;
      gain += top.gain;
      Move(v);
      if (gain > best) {
        best = gain;
        bestlen = static_cast<int>(moves.size());
      }
    }
    moves.resize(bestlen);
  }

 private:
  bool Moved(int v) const { return space_.vstamp[v] == space_.stamp; }
  int Side(int v) const { return graph_->where[v] ^ (Moved(v) ? 1 : 0); }
  int Gain(int v) const { return space_.gstamp[v] == space_.stamp ? space_.vgain[v] : graph_->twoway.gain[v]; }
  int OnSide0(int e) const {
    const int n0 = graph_->twoway.ndeg[0][e];
    return space_.estamp[e] == space_.stamp ? n0 + space_.edelta[e] : n0;
  }

  void Push(int v) {
    if (v >= graph_->nfixed && !Moved(v)) space_.heap.push({Gain(v), v});
  }

  // Adds delta to the gain of u; u joins the queue when the search first
  // meets it or its gain rises (a stale entry is passed over when it comes up).
  void Touch(int u, int delta) {
    if (u < graph_->nfixed || Moved(u)) return;
    const bool met = space_.gstamp[u] == space_.stamp;
    if (!met) {
      space_.gstamp[u] = space_.stamp;
      space_.vgain[u] = graph_->twoway.gain[u];
    }
    space_.vgain[u] += delta;
    if (!met || delta > 0) space_.heap.push({space_.vgain[u], u});
  }

  // v changes side; the pins of its hyperedges get their new gains, by the
  // counts before the move: a pin on v's old side gains e's weight when e
  // was not cut (it is now) and when one pin besides v is left there; a pin
  // on the new side loses it when v was alone on the old side and when the
  // pin was alone on the new one. The search meets every pin of a hyperedge
  // up to kMaxWakePins wide, so that it can follow the hyperedge, and the
  // pins of a wider one only when their gains change.
  void Move(int v) {
    const int from = Side(v), to = 1 - from;
    space_.vstamp[v] = space_.stamp;
    for (int j = graph_->incptr[v]; j < graph_->incptr[v + 1]; ++j) {
      const int e = graph_->incind[j];
      const int size = graph_->netptr[e + 1] - graph_->netptr[e];
      const int n0 = OnSide0(e), n[2] = {n0, size - n0};
      if (space_.estamp[e] != space_.stamp) {
        space_.estamp[e] = space_.stamp;
        space_.edelta[e] = 0;
      }
      space_.edelta[e] += from == 0 ? -1 : 1;
      const int w = graph_->netwgt[e];
      const int up = (n[to] == 0 ? w : 0) + (n[from] == 2 ? w : 0);
      const int down = (n[from] == 1 ? w : 0) + (n[to] == 1 ? w : 0);
      if (size > kMaxWakePins && up == 0 && down == 0) continue;
      for (int k = graph_->netptr[e]; k < graph_->netptr[e + 1]; ++k) {
        const int u = graph_->netind[k];
        if (u == v) continue;
        Touch(u, Side(u) == from ? up : -down);
      }
    }
    pwgts_[from] -= graph_->cellwgt[v];
    pwgts_[to] += graph_->cellwgt[v];
    space_.moves.push_back(v);
  }

  const HGraph *graph_;
  SearchSpace &space_;
  int minpwgt_[2];
  int pwgts_[2];
};

// How far the sides lie below their minimum weights together.
int Shortfall(const HGraph *graph, const int minpwgt[2]) {
  const int *pwgts = graph->twoway.pwgts;
  return std::max(0, minpwgt[0] - pwgts[0]) + std::max(0, minpwgt[1] - pwgts[1]);
}

// Applies the best part of one search's prefix, as described at the top;
// start[v] is v's side when the round began. Returns the cut it saved.
int ApplyPrefix(HGraph *graph, const std::vector<int> &moves, const std::vector<char> &start,
                const int minpwgt[2]) {
  std::vector<int> made;
  const int shortfall = Shortfall(graph, minpwgt);
  int gain = 0, best = 0;
  size_t bestlen = 0;
  for (const int v : moves) {
    if (graph->where[v] != start[v]) continue;  // an earlier prefix moved it
    gain += VertexGain__(graph, v);
    MoveWithCounts__(graph, v);
    made.push_back(v);
    if (gain > best && Shortfall(graph, minpwgt) <= shortfall) {
      best = gain;
      bestlen = made.size();
    }
  }
  for (size_t i = made.size(); i > bestlen; --i) MoveWithCounts__(graph, made[i - 1]);
  return best;
}

}  // namespace

void Refine_ParFM__(const CtrlType *ctrl, HGraph *graph, int nrounds) {
  const int nvtxs = graph->nvtxs, nhedges = graph->nhedges;
  const int nchunks = LevelTasks__(ctrl, graph->incptr[nvtxs]);

  StartTimer(ctrl, &PhaseTimers::RefInitTmr);
  ComputeInitGainsInChunks__(graph, nchunks);
  int minpwgt[2];
  ComputeMinPartWeights__(ctrl, graph->twoway.pwgts[0] + graph->twoway.pwgts[1], minpwgt);
  std::vector<SearchSpace> spaces(nchunks);
  for (SearchSpace &space : spaces) {
    space.vstamp.assign(nvtxs, 0);
    space.gstamp.assign(nvtxs, 0);
    space.vgain.assign(nvtxs, 0);
    space.estamp.assign(nhedges, 0);
    space.edelta.assign(nhedges, 0);
  }
  const int first = std::max(graph->nfixed, 0);
  StopTimer(ctrl, &PhaseTimers::RefInitTmr);

  StartTimer(ctrl, &PhaseTimers::RefIterTmr);
  std::vector<std::vector<int>> boundary(nchunks);
  std::vector<char> start(nvtxs);
  for (int r = 0; r < nrounds && graph->mincut > 0; ++r) {
    if (r > 0) ComputeGainsInChunks__(graph, nchunks);
    // The seeds: free vertices with a cut hyperedge and a gain of at least
    // 0, in vertex order for any nchunks.
    InChunks__(nvtxs - first, nchunks, [&](int t, int lo, int hi) {
      boundary[t].clear();
      for (int v = first + lo; v < first + hi; ++v) {
        if (graph->twoway.gain[v] < 0) continue;
        for (int j = graph->incptr[v]; j < graph->incptr[v + 1]; ++j) {
          const int e = graph->incind[j];
          if (graph->twoway.ndeg[0][e] > 0 && graph->twoway.ndeg[1][e] > 0) {
            boundary[t].push_back(v);
            break;
          }
        }
      }
    });
    std::vector<int> seeds;
    for (const std::vector<int> &part : boundary) seeds.insert(seeds.end(), part.begin(), part.end());
    const int nseeds = static_cast<int>(seeds.size());
    if (nseeds == 0) break;
    std::vector<int> perm(nseeds);
    RandomPermuteFine__(&ctrl->ctx->rng, perm.data(), nseeds, 1);
    for (int &i : perm) i = seeds[i];
    for (int v = 0; v < nvtxs; ++v) start[v] = static_cast<char>(graph->where[v]);

    const int nsearches = (nseeds + kSeeds - 1) / kSeeds;
    std::vector<std::vector<int>> prefixes(nsearches);
    InInterleavedBlocks__(0, nsearches, nchunks, kSearchBlock, [&](int t, int s) {
      Search search(graph, minpwgt, spaces[t]);
      const int lo = s * kSeeds;
      search.Run(perm.data() + lo, std::min(kSeeds, nseeds - lo));
      prefixes[s] = spaces[t].moves;
    });

    int saved = 0;
    for (const std::vector<int> &moves : prefixes)
      if (!moves.empty()) saved += ApplyPrefix(graph, moves, start, minpwgt);
    graph->mincut -= saved;
    if (saved == 0) break;
  }
  ComputeGainsInChunks__(graph, nchunks);  // after the last round's moves
  StopTimer(ctrl, &PhaseTimers::RefIterTmr);
}
