// Rebalancing a finished k-way partition: vertices leave the parts heavier
// than their limits for parts with room, cheapest move first, until every
// part fits. Works on plain arrays so that either partitioning scheme can end
// with it.
//
// Each hyperedge keeps a short list of (part, pins in it), so the change in
// the cut or km1 of any move is exact. Candidate moves wait in a heap keyed by
// (cost, load of the target against its limit, vertex, target); a key goes
// stale as other moves change the counts and the loads, so a popped vertex is
// costed again and goes back when its cost has risen past another move's.
#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

#include "kway/kway.h"

namespace {

struct RebalanceMove {
  int64_t cost;
  int load, limit;  // the target's weight and limit when the move was costed
  int v, to;
};

// Whether part a is lighter than part b measured against their limits; both
// limits are positive.
bool LighterLoad(int64_t loada, int64_t limita, int64_t loadb, int64_t limitb) {
  return loada * limitb < loadb * limita;
}

// The documented order of moves: lower cost, then the lighter target against
// its limit, then the lower vertex, then the lower part.
bool Before(const RebalanceMove &a, const RebalanceMove &b) {
  if (a.cost != b.cost) return a.cost < b.cost;
  if (LighterLoad(a.load, a.limit, b.load, b.limit)) return true;
  if (LighterLoad(b.load, b.limit, a.load, a.limit)) return false;
  if (a.v != b.v) return a.v < b.v;
  return a.to < b.to;
}

// std heap order: the move that comes first sits at the front.
bool HeapAfter(const RebalanceMove &a, const RebalanceMove &b) { return Before(b, a); }

struct Rebalancer {
  Rebalancer(int nvtxs_, int nhedges_, const int *netptr_, const int *netind_, const int *netwgt_,
             const int *cellwgt_, int nparts_, const int *maxpwgts_, const int *fixed_,
             RebalanceObjective obj_, int *where_)
      : nvtxs(nvtxs_), nhedges(nhedges_), nparts(nparts_), netptr(netptr_), netind(netind_),
        netwgt(netwgt_), cellwgt(cellwgt_), maxpwgts(maxpwgts_), fixed(fixed_), obj(obj_),
        where(where_) {}
  Rebalancer(const Rebalancer &) = delete;
  Rebalancer &operator=(const Rebalancer &) = delete;

  int nvtxs, nhedges, nparts;
  const int *netptr, *netind, *netwgt, *cellwgt, *maxpwgts, *fixed;
  RebalanceObjective obj;
  int *where;

  ZBArray<int> incptr, incind;
  // Pins of hyperedge e per part: hlen[e] pairs (hpart, hcnt) from netptr[e]
  // on, by increasing part, so that a hyperedge over many parts finds one of
  // them by bisection.
  ZBArray<int> hlen, hpart, hcnt;
  std::vector<int64_t> pwgts;
  int64_t overweight = 0;  // sum over the parts of what they carry above their limit

  // Scratch of one evaluation: the cost difference of each part the vertex's
  // hyperedges touch, stamped with the evaluation's number.
  ZBArray<int> stamp, touched;
  std::vector<int64_t> adjust;
  int nevals = 0;

  // The parts that can take weight, lightest against its limit first; a part
  // leaves and re-enters whenever its weight changes.
  struct LoadOrder {
    const Rebalancer *r;
    bool operator()(int a, int b) const {
      const int64_t *pw = r->pwgts.data();
      const int *mx = r->maxpwgts;
      if (LighterLoad(pw[a], mx[a], pw[b], mx[b])) return true;
      if (LighterLoad(pw[b], mx[b], pw[a], mx[a])) return false;
      return a < b;
    }
  };
  std::set<int, LoadOrder> byload{LoadOrder{this}};

  std::vector<RebalanceMove> heap;

  int VW(int v) const { return cellwgt ? cellwgt[v] : 1; }
  int NW(int e) const { return netwgt ? netwgt[e] : 1; }
  bool Over(int p) const { return pwgts[p] > maxpwgts[p]; }
  // A vertex of no weight frees nothing, so it never moves.
  bool Movable(int v) const { return (fixed == nullptr || fixed[v] < 0) && VW(v) > 0; }
  bool Fits(int q, int vw) const { return pwgts[q] + vw <= maxpwgts[q]; }
  int64_t Excess(int p) const { return std::max<int64_t>(0, pwgts[p] - maxpwgts[p]); }
  // A part with a limit of zero or less takes no vertex of positive weight.
  bool Ordered(int q) const { return maxpwgts[q] > 0; }

  void BuildIncidence();
  void BuildPartLists();
  int Slot(int e, int p) const;
  bool Evaluate(int v, RebalanceMove *best);
  void Apply(int v, int to);
  void Queue();
  void Drain();
  bool ForceOut();
};

void Rebalancer::BuildIncidence() {
  incptr = ismalloc__(nvtxs + 1, 0, "RebalanceToLimits: incptr");
  incind = imalloc__(netptr[nhedges], "RebalanceToLimits: incind");
  for (int j = 0; j < netptr[nhedges]; j++) incptr[netind[j] + 1]++;
  for (int v = 0; v < nvtxs; v++) incptr[v + 1] += incptr[v];
  ZBArray<int> next;
  next = imalloc__(nvtxs, "RebalanceToLimits: next");
  icopy__(nvtxs, incptr, next);
  for (int e = 0; e < nhedges; e++)
    for (int j = netptr[e]; j < netptr[e + 1]; j++) incind[next[netind[j]]++] = e;
}

void Rebalancer::BuildPartLists() {
  const int npins = netptr[nhedges];
  hlen = ismalloc__(nhedges, 0, "RebalanceToLimits: hlen");
  hpart = imalloc__(npins, "RebalanceToLimits: hpart");
  hcnt = imalloc__(npins, "RebalanceToLimits: hcnt");
  // mark[p] holds the last hyperedge that met part p, count[p] its pins there.
  ZBArray<int> mark, count;
  mark = ismalloc__(nparts, -1, "RebalanceToLimits: mark");
  count = imalloc__(nparts, "RebalanceToLimits: count");
  for (int e = 0; e < nhedges; e++) {
    int *parts = hpart + netptr[e];
    for (int j = netptr[e]; j < netptr[e + 1]; j++) {
      const int p = where[netind[j]];
      if (mark[p] != e) {
        mark[p] = e;
        count[p] = 0;
        parts[hlen[e]++] = p;
      }
      count[p]++;
    }
    std::sort(parts, parts + hlen[e]);
    for (int k = 0; k < hlen[e]; k++) hcnt[netptr[e] + k] = count[parts[k]];
  }
}

// The entry of part p in hyperedge e's list, or where it goes when e has no
// pin in p.
int Rebalancer::Slot(int e, int p) const {
  return static_cast<int>(std::lower_bound(hpart + netptr[e], hpart + netptr[e] + hlen[e], p) - hpart);
}

// The best move of v out of its part, or false when it fits nowhere. The cost
// of moving to q is the same for every part q none of v's hyperedges touch
// (base); a touched part differs from it by adjust[q].
bool Rebalancer::Evaluate(int v, RebalanceMove *best) {
  const int p = where[v], vw = VW(v);
  const int evalno = nevals++;
  int ntouched = 0;
  int64_t base = 0;
  for (int j = incptr[v]; j < incptr[v + 1]; j++) {
    const int e = incind[j], w = NW(e), t = hlen[e];
    const int leaves = hcnt[Slot(e, p)] == 1;  // e stops touching p
    int64_t tonew, toseen;  // cost through e when q is new to e, when e already has q
    if (obj == RebalanceObjective::kCut) {
      tonew = int64_t{w} * ((t - leaves + 1 >= 2) - (t >= 2));
      toseen = int64_t{w} * ((t - leaves >= 2) - (t >= 2));
    } else {
      tonew = int64_t{w} * (1 - leaves);
      toseen = -int64_t{w} * leaves;
    }
    // A hyperedge that touches every part has every target already.
    if (t == nparts) tonew = toseen;
    base += tonew;
    if (toseen == tonew) continue;
    for (int k = netptr[e]; k < netptr[e] + t; k++) {
      const int q = hpart[k];
      if (q == p) continue;
      if (stamp[q] != evalno) {
        stamp[q] = evalno;
        adjust[q] = 0;
        touched[ntouched++] = q;
      }
      adjust[q] += toseen - tonew;
    }
  }

  bool found = false;
  auto consider = [&](int q, int64_t cost) {
    const RebalanceMove m{cost, static_cast<int>(pwgts[q]), maxpwgts[q], v, q};
    if (!found || Before(m, *best)) *best = m;
    found = true;
  };
  for (int i = 0; i < ntouched; i++)
    if (Ordered(touched[i]) && Fits(touched[i], vw)) consider(touched[i], base + adjust[touched[i]]);
  // Among the untouched parts the cost is the same, so the lightest that fits
  // wins; from a part at or above its limit on, none has room.
  for (const int q : byload) {
    if (pwgts[q] >= maxpwgts[q]) break;
    if (q == p || stamp[q] == evalno || !Fits(q, vw)) continue;
    consider(q, base);
    break;
  }
  return found;
}

void Rebalancer::Apply(int v, int to) {
  const int from = where[v], vw = VW(v);
  for (int j = incptr[v]; j < incptr[v + 1]; j++) {
    const int e = incind[j];
    int k = Slot(e, from);
    if (--hcnt[k] == 0) {
      const int end = netptr[e] + hlen[e]--;
      std::copy(hpart + k + 1, hpart + end, hpart + k);
      std::copy(hcnt + k + 1, hcnt + end, hcnt + k);
    }
    k = Slot(e, to);
    const int end = netptr[e] + hlen[e];
    if (k == end || hpart[k] != to) {
      std::copy_backward(hpart + k, hpart + end, hpart + end + 1);
      std::copy_backward(hcnt + k, hcnt + end, hcnt + end + 1);
      hpart[k] = to;
      hcnt[k] = 0;
      hlen[e]++;
    }
    hcnt[k]++;
  }

  overweight -= Excess(from) + Excess(to);
  if (Ordered(from)) byload.erase(from);
  if (Ordered(to)) byload.erase(to);
  pwgts[from] -= vw;
  pwgts[to] += vw;
  if (Ordered(from)) byload.insert(from);
  if (Ordered(to)) byload.insert(to);
  overweight += Excess(from) + Excess(to);
  where[v] = to;
}

// Takes the first move of the heap unless its cost has risen since it was
// costed and another waiting move now comes first; then it waits again at its
// present cost. A target that has only grown heavier does not send a move
// back: with many moves of equal cost, every move into the lightest part
// would otherwise have all of them costed again.
// A vertex that fits nowhere is dropped for good: the most room any part has
// never grows, since a part comes within its limit with less room than the
// vertex that left it, and that vertex used up at least as much room in the
// part it went to.
void Rebalancer::Drain() {
  while (overweight > 0 && !heap.empty()) {
    std::pop_heap(heap.begin(), heap.end(), HeapAfter);
    const RebalanceMove costed = heap.back();
    const int v = costed.v;
    heap.pop_back();
    if (!Over(where[v])) continue;  // its part came within its limit meanwhile
    RebalanceMove m;
    if (!Evaluate(v, &m)) continue;
    if (m.cost > costed.cost && !heap.empty() && Before(heap.front(), m)) {
      heap.push_back(m);
      std::push_heap(heap.begin(), heap.end(), HeapAfter);
      continue;
    }
    Apply(v, m.to);
  }
}

// Every movable vertex of an overweight part, costed, in the heap.
void Rebalancer::Queue() {
  heap.clear();
  for (int v = 0; v < nvtxs; v++)
    if (Movable(v) && Over(where[v])) {
      RebalanceMove m;
      if (Evaluate(v, &m)) heap.push_back(m);
    }
  std::make_heap(heap.begin(), heap.end(), HeapAfter);
}

// When no vertex of an overweight part fits anywhere, one is made to: of the
// part most over its limit, the lightest movable vertex that takes it within
// (else its heaviest) goes to the part that can best make room for it, its
// room plus its movable vertices lighter than the one coming, which the
// next drain moves on. False when that part has no movable vertex.
bool Rebalancer::ForceOut() {
  int p = 0;
  for (int q = 1; q < nparts; q++)
    if (pwgts[q] - maxpwgts[q] > pwgts[p] - maxpwgts[p]) p = q;
  const int64_t excess = Excess(p);
  int v = -1;
  for (int u = 0; u < nvtxs; u++) {
    if (where[u] != p || !Movable(u)) continue;
    const bool enough = VW(u) >= excess, best = v >= 0 && VW(v) >= excess;
    if (v < 0 || (enough && (!best || VW(u) < VW(v))) || (!enough && !best && VW(u) > VW(v))) v = u;
  }
  if (v < 0) return false;
  std::vector<int64_t> room(nparts);
  for (int q = 0; q < nparts; q++) room[q] = maxpwgts[q] - pwgts[q];
  for (int u = 0; u < nvtxs; u++)
    if (Movable(u) && VW(u) < VW(v)) room[where[u]] += VW(u);
  int to = -1;
  for (int q = 0; q < nparts; q++)
    if (q != p && (to < 0 || room[q] > room[to])) to = q;
  Apply(v, to);
  return true;
}

}  // namespace

bool RebalanceToLimits__(int nvtxs, int nhedges, const int *netptr, const int *netind,
                         const int *netwgt, const int *cellwgt, int nparts,
                         const int *maxpwgts, const int *fixed, RebalanceObjective obj,
                         int *where, bool force) {
  Rebalancer r(nvtxs, nhedges, netptr, netind, netwgt, cellwgt, nparts, maxpwgts, fixed, obj, where);
  r.pwgts.assign(nparts, 0);
  for (int v = 0; v < nvtxs; v++) {
    if (where[v] < 0 || where[v] >= nparts)
      errexit__("RebalanceToLimits: vertex %d is in part %d, not one of 0..%d", v, where[v], nparts - 1);
    r.pwgts[where[v]] += r.VW(v);
  }
  for (int p = 0; p < nparts; p++) r.overweight += r.Excess(p);
  if (r.overweight == 0) return true;

  r.BuildIncidence();
  r.BuildPartLists();
  r.stamp = ismalloc__(nparts, -1, "RebalanceToLimits: stamp");
  r.touched = imalloc__(nparts, "RebalanceToLimits: touched");
  r.adjust.assign(nparts, 0);
  for (int q = 0; q < nparts; q++)
    if (r.Ordered(q)) r.byload.insert(q);

  r.Queue();
  r.Drain();
  for (int round = 0; force && r.overweight > 0 && round < 2 * nparts; round++) {
    if (!r.ForceOut()) break;
    r.Queue();
    r.Drain();
  }
  return r.overweight == 0;
}
