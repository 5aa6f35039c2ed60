// Flow refinement of two parts: around their common cut, a region grown into
// each part is cut anew by a maximum flow, the rest of each part contracted
// into the source or the sink. The most balanced minimum cut within the
// parts' bounds replaces the region's side of the partition when it cuts
// less (or as much, more evenly). A minimum cut can move whole groups of
// vertices that no sequence of single moves reaches, each move of which
// would cost. Two-way refinement cuts the bisection's two sides (a large one
// by problems side by side, around the pieces of its cut); k-way refinement
// cuts pairs of adjacent parts.
#include <algorithm>
#include <vector>

#include "flow/flow.h"
#include "refine2/refine2.h"

namespace {

// The region of part s may weigh this many times the weight the other part
// may still take, plus what the other part lacks of an even split: the
// minimum cut moves only part of it, and a larger region finds better cuts
// at a higher price.
constexpr int kRegionFactor = 16;
// No region holds more vertices than this in one part, so that one flow
// problem stays small next to the level.
constexpr int kRegionMaxVertices = 40000;
// A large bisection's cut is cut in this many pieces side by side, each
// region grown to its share of the factor. On the 1.17M-pin netlist three or
// four pieces took a fifth less time than two but cut 1-2% more, also with
// regions as large as two pieces have: each region's cut is held where it
// meets its neighbours, whose vertices it sees as terminals.
constexpr int kFlowPieces = 2;
// The regions that grow together take a bit each of the seen marks.
static_assert(kFlowPieces <= 8);
// A bisection of at least this many pins gives its flows' memory back when
// they end: its marks alone hold an int per vertex and a byte per hyperedge,
// and the V-cycles and bisections that follow would find them in the way.
// One more network in fresh pages costs little next to such a level.
constexpr int kReleasePins = 1 << 16;

// The flow problem of one pair: region vertex i is graph vertex
// vertices[i - 2]; vertices 0 and 1 are the source and the sink.
struct RegionProblem {
  std::vector<int> vertices;
  std::vector<int> eptr{0}, eind, vwgt, hewgt;
  int oldcut = 0;  // weight of the problem's hyperedges cut now
};

// Where each pin of hyperedge e lies as seen from the pair: whether it has
// pins in part a, in part b, and in any other part.
struct PinParts {
  bool a = false, b = false, other = false;
};
PinParts PartsOf(const HGraph *graph, int e, const FlowPair &pair) {
  PinParts pp;
  for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; ++j) {
    const int p = graph->where[graph->netind[j]];
    pp.a |= p == pair.part[0];
    pp.b |= p == pair.part[1];
    pp.other |= p != pair.part[0] && p != pair.part[1];
  }
  return pp;
}

// Whether the pair's cut counts e: it has pins in both parts and, when
// pins elsewhere make it cut whatever the pair does, the pair keeps them.
bool CountsForPair(const PinParts &pp, const FlowPair &pair) {
  return pp.a && pp.b && (pair.restrict || !pp.other);
}

void ClearSeen(FlowRegionMarks &marks) {
  for (const int e : marks.seenlist) marks.seen[e] = 0;
  marks.seenlist.clear();
}

// Grows the regions of part s, one from each of nregions seed lists, by one
// breadth-first search from all their pins of the pair's cut hyperedges,
// region r within weight cap[r] and the vertex cap. A vertex joins the
// region whose search reaches it first, so no region takes the ground
// around another's seeds; owner (with more than one region) receives the
// region of each vertex, node[v] v's vertex number in its region's problem.
// A vertex a region turned away once stays turned away by it (the cap only
// shrinks), so each region scans each hyperedge once: a wide hyperedge
// costs its pins, not its pins times the region. The search touches node
// and owner at vertices of part s only, and marks hyperedges in seen, left
// clean.
void GrowRegions(const HGraph *graph, const FlowPair &pair, const std::vector<int> *seeds, int nregions, int s,
                 long long *cap, std::vector<int> &node, FlowRegionMarks &seen, std::vector<signed char> *owner,
                 RegionProblem *rp) {
  const int *where = graph->where, *netptr = graph->netptr, *netind = graph->netind;
  std::vector<int> queue;
  int count[kFlowPieces] = {}, full = 0;
  auto visit = [&](int r, int v) {
    if (where[v] != pair.part[s] || node[v] >= 0 || v < graph->nfixed || graph->cellwgt[v] > cap[r]) return;
    if (count[r] == kRegionMaxVertices) return;
    cap[r] -= graph->cellwgt[v];
    node[v] = static_cast<int>(rp[r].vertices.size()) + 2;
    rp[r].vertices.push_back(v);
    if (owner != nullptr) (*owner)[v] = static_cast<signed char>(r);
    queue.push_back(v);
    if (++count[r] == kRegionMaxVertices) ++full;
  };
  auto expand = [&](int r, int e) {
    const char bit = static_cast<char>(1 << r);
    if (seen.seen[e] & bit) return;
    if (seen.seen[e] == 0) seen.seenlist.push_back(e);
    seen.seen[e] |= bit;
    for (int j = netptr[e]; j < netptr[e + 1]; ++j) visit(r, netind[j]);
  };
  size_t nseeds = 0;
  for (int r = 0; r < nregions; ++r) nseeds = std::max(nseeds, seeds[r].size());
  for (size_t i = 0; i < nseeds; ++i)
    for (int r = 0; r < nregions; ++r)
      if (i < seeds[r].size()) expand(r, seeds[r][i]);
  for (size_t head = 0; head < queue.size() && full < nregions; ++head) {
    const int v = queue[head], r = owner != nullptr ? (*owner)[v] : 0;
    for (int j = graph->incptr[v]; j < graph->incptr[v + 1]; ++j) expand(r, graph->incind[j]);
  }
  ClearSeen(seen);
}

// The hyperedges with a pin in region r, each pin of the pair's parts
// outside it replaced by the terminal of its part. Hyperedges the pair
// cannot uncut are left out: those that reach both terminals, and without
// restrict those with pins in other parts; with restrict the pins in other
// parts are dropped instead. So are hyperedges left with one node. Reads
// node and owner (see GrowRegions) and marks with seen only, left clean.
void CollectHyperedges(const HGraph *graph, const FlowPair &pair, const std::vector<int> &node,
                       const std::vector<signed char> *owner, int r, FlowRegionMarks &seen, RegionProblem &rp) {
  const int *where = graph->where, *netptr = graph->netptr, *netind = graph->netind;
  if (seen.seen.size() < static_cast<size_t>(graph->nhedges)) seen.seen.assign(graph->nhedges, 0);
  for (const int v : rp.vertices) {
    for (int j = graph->incptr[v]; j < graph->incptr[v + 1]; ++j) {
      const int e = graph->incind[j];
      if (seen.seen[e]) continue;
      seen.seen[e] = 1;
      seen.seenlist.push_back(e);
      const PinParts pp = PartsOf(graph, e, pair);
      if (pp.other && !pair.restrict) continue;
      const size_t start = rp.eind.size();
      bool terminal[2] = {false, false};
      for (int k = netptr[e]; k < netptr[e + 1]; ++k) {
        const int u = netind[k];
        const int s = where[u] == pair.part[0] ? 0 : where[u] == pair.part[1] ? 1 : -1;
        if (node[u] >= 0 && (owner == nullptr || (*owner)[u] == r)) {
          rp.eind.push_back(node[u]);
        } else if (s >= 0 && !terminal[s]) {
          terminal[s] = true;
          rp.eind.push_back(s == 0 ? kFlowSource : kFlowSink);
        }
      }
      if ((terminal[0] && terminal[1]) || rp.eind.size() - start < 2) {
        rp.eind.resize(start);
        continue;
      }
      rp.eptr.push_back(static_cast<int>(rp.eind.size()));
      rp.hewgt.push_back(graph->netwgt[e]);
      if (CountsForPair(pp, pair)) rp.oldcut += graph->netwgt[e];
    }
  }
  ClearSeen(seen);
}

// The regions around the pair's present cut, one grown from those of each
// of nregions seed lists the pair cuts, each factor times the room of the
// other side (see kRegionFactor), with their terminals' weights: the
// vertices of rp[r] without its hyperedges, which CollectHyperedges adds.
// A region whose seeds the pair does not cut stays empty. The vertices keep
// their node numbers in marks (and their region in owner) for the caller
// to collect and clear. False, with nothing grown, when the pair cuts none
// of the seeds. With sidebyside the two parts' searches run as two tasks,
// the second's vertices numbered after the first's as one search after the
// other numbers them.
bool GrowRegionsAroundCut(const HGraph *graph, const FlowPair &pair, const std::vector<int> *seeds, int nregions,
                          FlowRegionMarks &marks, std::vector<signed char> *owner, int factor, bool sidebyside,
                          RegionProblem *rp) {
  std::vector<int> cut[kFlowPieces];
  for (int r = 0; r < nregions; ++r)
    for (const int e : seeds[r])
      if (CountsForPair(PartsOf(graph, e, pair), pair)) cut[r].push_back(e);
  if (std::all_of(cut, cut + nregions, [](const std::vector<int> &c) { return c.empty(); })) return false;
  if (marks.node.size() < static_cast<size_t>(graph->nvtxs)) marks.node.assign(graph->nvtxs, -1);
  if (marks.seen.size() < static_cast<size_t>(graph->nhedges)) marks.seen.assign(graph->nhedges, 0);
  const long long total = static_cast<long long>(pair.pwgts[0]) + pair.pwgts[1];
  long long cap[2][kFlowPieces];
  for (int s = 0; s < 2; ++s) {
    const long long room = std::max(0, pair.maxpwgt[1 - s] - pair.pwgts[1 - s]);
    const long long lack = std::max(0LL, total / 2 - pair.pwgts[1 - s]);
    for (int r = 0; r < nregions; ++r) cap[s][r] = cut[r].empty() ? -1 : factor * room + lack;
  }
  if (!sidebyside) {
    for (int s = 0; s < 2; ++s) GrowRegions(graph, pair, cut, nregions, s, cap[s], marks.node, marks, owner, rp);
  } else {
    // The second search marks hyperedges in marks of its own, given back
    // when it ends.
    RegionProblem second[kFlowPieces];
    FlowRegionMarks own;
    InTasks__(2, [&](int s) {
      if (s == 1) own.seen.assign(graph->nhedges, 0);
      GrowRegions(graph, pair, cut, nregions, s, cap[s], marks.node, s == 0 ? marks : own, owner,
                  s == 0 ? rp : second);
    });
    for (int r = 0; r < nregions; ++r) {
      const int first = static_cast<int>(rp[r].vertices.size());
      for (const int v : second[r].vertices) marks.node[v] += first;
      rp[r].vertices.insert(rp[r].vertices.end(), second[r].vertices.begin(), second[r].vertices.end());
    }
  }
  for (int r = 0; r < nregions; ++r) {
    long long inregion[2] = {0, 0};
    for (const int v : rp[r].vertices) inregion[graph->where[v] == pair.part[0] ? 0 : 1] += graph->cellwgt[v];
    rp[r].vwgt.push_back(static_cast<int>(pair.pwgts[0] - inregion[0]));
    rp[r].vwgt.push_back(static_cast<int>(pair.pwgts[1] - inregion[1]));
    for (const int v : rp[r].vertices) rp[r].vwgt.push_back(graph->cellwgt[v]);
  }
  return true;
}

void ForgetRegion(const RegionProblem &rp, FlowRegionMarks &marks) {
  for (const int v : rp.vertices) marks.node[v] = -1;
}

// The flow problem around the pair's present cut, grown from those of seeds
// the pair cuts; no hyperedges when it cuts none. The marks are left clean.
RegionProblem BuildRegion(const HGraph *graph, const FlowPair &pair, const std::vector<int> &seeds,
                          FlowRegionMarks &marks) {
  RegionProblem rp;
  if (!GrowRegionsAroundCut(graph, pair, &seeds, 1, marks, nullptr, kRegionFactor, false, &rp)) return rp;
  CollectHyperedges(graph, pair, marks.node, nullptr, 0, marks, rp);
  ForgetRegion(rp, marks);
  return rp;
}

}  // namespace

FlowScratch &ThreadFlowScratch__() {
  thread_local FlowScratch work;
  return work;
}

FlowRegionMarks &ThreadFlowRegionMarks__() {
  thread_local FlowRegionMarks marks;
  return marks;
}

namespace {

// The moves of a better cut of the pair found by a maximum flow on the
// region problem rp (none when there is none), and the cut they save.
int CutRegion(const HGraph *graph, const FlowPair &pair, const RegionProblem &rp, FlowScratch &work,
              std::vector<FlowMove> &moves) {
  moves.clear();
  if (rp.hewgt.empty()) return 0;
  FlowProblem p;
  p.nvtxs = static_cast<int>(rp.vwgt.size());
  p.nhedges = static_cast<int>(rp.hewgt.size());
  p.eptr = rp.eptr.data();
  p.eind = rp.eind.data();
  p.vwgt = rp.vwgt.data();
  p.hewgt = rp.hewgt.data();
  p.maxwgt[0] = pair.maxpwgt[0];
  p.maxwgt[1] = pair.maxpwgt[1];
  p.maxcut = rp.oldcut;
  std::vector<signed char> initside(p.nvtxs);
  initside[kFlowSource] = 0;
  initside[kFlowSink] = 1;
  for (size_t i = 0; i < rp.vertices.size(); ++i)
    initside[i + 2] = graph->where[rp.vertices[i]] == pair.part[0] ? 0 : 1;
  p.initside = initside.data();
  std::vector<int> side(p.nvtxs);
  const FlowCutResult r = FindBalancedFlowCut__(p, work, side.data());
  if (!r.found) return 0;
  // Only a lower cut, or the same cut more evenly split, replaces the old.
  const int oldheavier = std::max(pair.pwgts[0], pair.pwgts[1]);
  const int newheavier = std::max(r.pwgts[0], r.pwgts[1]);
  if (r.cut > rp.oldcut || (r.cut == rp.oldcut && newheavier >= oldheavier)) return 0;
  for (size_t i = 0; i < rp.vertices.size(); ++i) {
    const int v = rp.vertices[i], to = pair.part[side[i + 2]];
    if (graph->where[v] != to) moves.push_back({v, to});
  }
  return rp.oldcut - r.cut;
}

}  // namespace

bool FlowCutOfPair__(const HGraph *graph, const FlowPair &pair, const std::vector<int> &seeds, FlowScratch &work,
                     FlowRegionMarks &marks, std::vector<FlowMove> &moves) {
  const RegionProblem rp = BuildRegion(graph, pair, seeds, marks);
  CutRegion(graph, pair, rp, work, moves);
  return !moves.empty();
}

namespace {

// A level of at least kTaskPins pins and kSideBySideVertices vertices whose
// cut holds at least twice this many hyperedges is cut by kFlowPieces flow
// problems side by side, one around each piece of the cut. The rule reads
// the level alone, so that any number of threads makes the same choice.
constexpr int kSplitMinSeeds = 64;
bool InPieces(const HGraph *graph, const std::vector<int> &cut) {
  return graph->netptr[graph->nhedges] >= kTaskPins && graph->nvtxs >= kSideBySideVertices &&
         cut.size() >= 2 * static_cast<size_t>(kSplitMinSeeds);
}
// The order along the cut passes through hyperedges up to this wide only.
constexpr int kOrderMaxPins = 64;

// The cut hyperedges in the order of a breadth-first search from one to the
// next through the pins they share, component by component from the
// lowest-numbered: each half of the order lies together along the cut.
std::vector<int> AlongTheCut(const HGraph *graph, const std::vector<int> &cut, FlowRegionMarks &marks) {
  if (marks.seen.size() < static_cast<size_t>(graph->nhedges)) marks.seen.assign(graph->nhedges, 0);
  for (const int e : cut) {
    marks.seen[e] = 1;  // cut, not yet ordered
    marks.seenlist.push_back(e);
  }
  std::vector<int> order;
  order.reserve(cut.size());
  for (const int first : cut) {
    if (marks.seen[first] != 1) continue;
    marks.seen[first] = 2;
    order.push_back(first);
    for (size_t head = order.size() - 1; head < order.size(); ++head) {
      const int e = order[head];
      if (graph->netptr[e + 1] - graph->netptr[e] > kOrderMaxPins) continue;
      for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; ++j) {
        const int v = graph->netind[j];
        for (int k = graph->incptr[v]; k < graph->incptr[v + 1]; ++k) {
          const int f = graph->incind[k];
          if (marks.seen[f] != 1) continue;
          marks.seen[f] = 2;
          order.push_back(f);
        }
      }
    }
  }
  ClearSeen(marks);
  return order;
}

void ApplyMoves(HGraph *graph, const std::vector<FlowMove> &moves) {
  for (const FlowMove &m : moves) graph->where[m.vertex] = m.to;
}

void TakeBack(HGraph *graph, const std::vector<FlowMove> &moves) {
  for (const FlowMove &m : moves) graph->where[m.vertex] = 1 - m.to;
}

// Cuts the pieces of the cut (in the order along it) as flow problems side
// by side, their regions grown together (see GrowRegions), each to its
// share of the factor and within the whole bisection's bounds. All results
// stand when together they keep the bounds and save at least what the best
// one saves alone; otherwise the best one stands alone. Leaves the level's
// gains, side counts and cut exact, counted in nchunks tasks.
bool CutInPieces(HGraph *graph, const FlowPair &pair, const std::vector<int> &seeds, FlowRegionMarks &marks,
                 bool release, int nchunks) {
  const std::vector<int> order = AlongTheCut(graph, seeds, marks);
  std::vector<int> pieces[kFlowPieces];
  for (int r = 0; r < kFlowPieces; ++r)
    pieces[r].assign(order.begin() + ChunkStart__(static_cast<int>(order.size()), kFlowPieces, r),
                     order.begin() + ChunkStart__(static_cast<int>(order.size()), kFlowPieces, r + 1));
  RegionProblem rp[kFlowPieces];
  std::vector<signed char> owner(graph->nvtxs, -1);
  GrowRegionsAroundCut(graph, pair, pieces, kFlowPieces, marks, &owner, kRegionFactor / kFlowPieces, nchunks > 1,
                       rp);
  std::vector<FlowMove> moves[kFlowPieces];
  int saved[kFlowPieces] = {};
  // Each task marks hyperedges in its own thread's seen; the node numbers
  // are the caller's, read only until all are done.
  InTasks__(kFlowPieces, [&](int t) {
    FlowRegionMarks &own = ThreadFlowRegionMarks__();
    CollectHyperedges(graph, pair, marks.node, &owner, t, own, rp[t]);
    if (release && &own != &marks) own = FlowRegionMarks{};
    FlowScratch &work = ThreadFlowScratch__();
    saved[t] = CutRegion(graph, pair, rp[t], work, moves[t]);
    if (release) work = FlowScratch{};
  });
  int best = -1, nfound = 0;
  for (int r = 0; r < kFlowPieces; ++r) {
    ForgetRegion(rp[r], marks);
    if (moves[r].empty()) continue;
    ++nfound;
    if (best < 0 || saved[r] > saved[best]) best = r;
  }
  if (best < 0) return false;
  if (nfound > 1) {
    const int before = graph->mincut;
    for (int r = 0; r < kFlowPieces; ++r) ApplyMoves(graph, moves[r]);
    ComputeInitGainsInChunks__(graph, nchunks);
    const int *pwgts = graph->twoway.pwgts;
    if (pwgts[0] <= pair.maxpwgt[0] && pwgts[1] <= pair.maxpwgt[1] && graph->mincut <= before - saved[best])
      return true;
    for (int r = 0; r < kFlowPieces; ++r) TakeBack(graph, moves[r]);
  }
  ApplyMoves(graph, moves[best]);
  ComputeInitGainsInChunks__(graph, nchunks);
  return true;
}

// The hyperedges the pair cuts, in order, looked for in nchunks tasks.
void CollectCut(const HGraph *graph, const FlowPair &pair, int nchunks, std::vector<int> &cut) {
  std::vector<std::vector<int>> found(nchunks);
  InChunks__(graph->nhedges, nchunks, [&](int t, int lo, int hi) {
    for (int e = lo; e < hi; ++e)
      if (CountsForPair(PartsOf(graph, e, pair), pair)) found[t].push_back(e);
  });
  cut.clear();
  for (const std::vector<int> &f : found) cut.insert(cut.end(), f.begin(), f.end());
}

}  // namespace

void Refine_Flows__(const CtrlType *ctrl, HGraph *graph) {
  if (graph->nvtxs < 2 || graph->mincut == 0) return;
  FlowScratch &work = ThreadFlowScratch__();
  FlowRegionMarks &marks = ThreadFlowRegionMarks__();
  const bool release = graph->netptr[graph->nhedges] >= kReleasePins;
  const int nchunks = LevelTasks__(ctrl, graph->netptr[graph->nhedges]);
  std::vector<int> seeds;
  std::vector<FlowMove> moves;
  for (int round = 0; round < ctrl->opt.FlowRounds && graph->mincut > 0; ++round) {
    const int *pwgts = graph->twoway.pwgts;
    int minpwgt[2];
    ComputeMinPartWeights__(ctrl, pwgts[0] + pwgts[1], minpwgt);
    FlowPair pair;
    pair.pwgts[0] = pwgts[0];
    pair.pwgts[1] = pwgts[1];
    pair.maxpwgt[0] = pwgts[0] + pwgts[1] - minpwgt[1];
    pair.maxpwgt[1] = pwgts[0] + pwgts[1] - minpwgt[0];
    CollectCut(graph, pair, nchunks, seeds);
    const int before = graph->mincut;
    if (InPieces(graph, seeds)) {
      if (!CutInPieces(graph, pair, seeds, marks, release, nchunks)) break;
    } else {
      if (!FlowCutOfPair__(graph, pair, seeds, work, marks, moves)) break;
      ApplyMoves(graph, moves);
      ComputeInitGainsInChunks__(graph, nchunks);
    }
    if (graph->mincut == before) break;
  }
  if (release) {
    work = FlowScratch{};
    marks = FlowRegionMarks{};
  }
}
