// K-way refinement bookkeeping: per hyperedge the parts it touches with their
// pin counts, per vertex its internal weight and the gain terms of moving it
// to each part its cut hyperedges touch; computed from scratch and updated
// after each single move by the difference the move makes.
//
// The update keeps every term exact under the current part counts, with one
// exception that the refinement relies on: the pin bias it reads (pinbias)
// is the one of the vertex's last recomputation. A vertex is recomputed when
// it moves and when a move changes one of its hyperedges in a way that can
// alter cut or SOED terms; a move that leaves the source part more than one
// pin and gives the target part more than two recomputes nobody. So every
// entry also carries the pin bias under the current counts (livebias), and a
// recomputation copies it into pinbias.
//
// The entries of a vertex are listed only when they are first needed: the
// refinement reads them only for a vertex whose move may pay (alonewgt at
// least id), and after a wide hyperedge's pins are spread over many parts
// most vertices never get there. Until then a vertex keeps id and alonewgt
// alone; a vertex that moves goes back to that state. Its entries, listed
// later from the current part counts, are the ones kept by difference would
// be, but for the pin biases that went stale in between: a move that turns
// an unlisted vertex's bias without recomputing it leaves a correction
// (pinbias - livebias) for that part in the vertex's slice, which the
// listing applies and a recomputation drops.
#include <algorithm>

#include "kway/kway.h"

namespace {

inline int Sign(int x) { return (x > 0) - (x < 0); }

// Position of part in a hyperedge's part list, or -1. The lists are at most
// as long as the hyperedge has pins, so a linear search is enough.
inline int FindNetPart(const NetKwayInfo &ni, int part) {
  for (int k = 0; k < ni.ndegrees; k++)
    if (ni.degrees[k].part == part) return k;
  return -1;
}

// Pins of the hyperedge in part, 0 when the hyperedge does not touch it.
inline int NetPartPins(const NetKwayInfo &ni, int part) {
  const int k = FindNetPart(ni, part);
  return k < 0 ? 0 : ni.degrees[k].npins;
}

// Behind the pins' entries nrdata holds one work entry per part: npins is the
// part's pin count in the hyperedge being updated, part the position of the
// part's entry in the vertex being computed from scratch. Both are kept at
// 0 and -1 between uses.
inline NetPartCount *PartWork(const HGraph *graph) {
  return graph->kway.nrdata + graph->netptr[graph->nhedges];
}

inline void EmptyCell(CellKwayInfo &ci, CellPartInfo *at) {
  ci.ndegrees = 0;
  ci.listed = 0;
  ci.room = 0;
  ci.degrees = at;
}

// Moves every slice into a new pool with room for extra more entries on top
// and half as much again, keeping each slice's room.
void RepackCells(HGraph *graph, size_t extra) {
  size_t live = extra;
  for (int v = 0; v < graph->nvtxs; v++) live += graph->kway.crinfo[v].room;
  const size_t size = live + live / 2 + 16;
  CellPartInfo *pool = ZBmallocT__<CellPartInfo>(size, "AllocateKwayRefinementMemory: crdata");
  size_t used = 0;
  for (int v = 0; v < graph->nvtxs; v++) {
    CellKwayInfo &ci = graph->kway.crinfo[v];
    std::copy(ci.degrees, ci.degrees + ci.ndegrees, pool + used);
    ci.degrees = pool + used;
    used += ci.room;
  }
  graph->kway.crdata = pool;
  graph->kway.crsize = size;
  graph->kway.crused = used;
}

// Makes room in v's slice for one more entry. The slice on top of the pool
// grows in place; any other moves to the top with twice its room. Slices
// move, so no entry may be held across this call.
void MakeRoom(HGraph *graph, CellKwayInfo &ci) {
  if (ci.ndegrees < ci.room) return;
  auto ontop = [&] { return ci.degrees + ci.room == graph->kway.crdata + graph->kway.crused; };
  const size_t moved = ci.room > 0 ? 2 * static_cast<size_t>(ci.room) : 2;
  // A repack lays the slices out in vertex order, so the slice may be on top
  // before it and not after: room is made for the move either way.
  if (graph->kway.crused + (ontop() ? 1 : moved) > graph->kway.crsize) RepackCells(graph, moved);
  if (ontop()) {
    graph->kway.crused += 1;
    ci.room += 1;
    return;
  }
  CellPartInfo *top = graph->kway.crdata + graph->kway.crused;
  std::copy(ci.degrees, ci.degrees + ci.ndegrees, top);
  ci.degrees = top;
  ci.room = static_cast<int>(moved);
  graph->kway.crused += moved;
}

// u's entry for part p; a new one, as fresh, when u has none.
CellPartInfo &EntryOf(HGraph *graph, CellKwayInfo &ci, int p, const CellPartInfo &fresh) {
  int k = 0;
  while (k < ci.ndegrees && ci.degrees[k].part != p) k++;
  if (k == ci.ndegrees) {
    MakeRoom(graph, ci);
    ci.degrees[ci.ndegrees++] = fresh;
  }
  return ci.degrees[k];
}

// Recomputes every term of v from the hyperedges' part lists and lists its
// entries. The entries follow the order in which the parts first appear in
// v's cut hyperedges (incidence order, then list order). A vertex listed
// before reuses its slice; one that was not gets a slice on top of the pool.
// Either grows as entries appear.
void ComputeCellKwayInfo(HGraph *graph, int v) {
  const int me = graph->where[v];
  const int *netwgt = graph->netwgt;
  const NetKwayInfo *nrinfo = graph->kway.nrinfo;
  NetPartCount *work = PartWork(graph);
  CellKwayInfo &ci = graph->kway.crinfo[v];
  int id = 0, alonewgt = 0, single = 0;
  if (!ci.listed) EmptyCell(ci, graph->kway.crdata + graph->kway.crused);
  ci.ndegrees = 0;

  for (int j = graph->incptr[v]; j < graph->incptr[v + 1]; j++) {
    const int e = graph->incind[j], w = netwgt[e];
    const NetKwayInfo &ni = nrinfo[e];
    if (ni.ndegrees == 1) {
      // A hyperedge whose only pin is v moves with it and is never cut, so it
      // weighs neither against a move nor in the SOED term.
      if (graph->netptr[e + 1] - graph->netptr[e] > 1)
        id += w;
      else
        single += w;
      continue;
    }
    const int c = NetPartPins(ni, me);
    if (c == 1) alonewgt += w;
    for (int k = 0; k < ni.ndegrees; k++) {
      const NetPartCount &pc = ni.degrees[k];
      if (pc.part == me) continue;
      int &slot = work[pc.part].part;
      if (slot < 0) {
        MakeRoom(graph, ci);
        slot = ci.ndegrees++;
        ci.degrees[slot] = CellPartInfo{pc.part, 0, 0, 0, 0, 0};
      }
      CellPartInfo &d = ci.degrees[slot];
      d.soedterm += w;  // for now: weight of the cut hyperedges touching the part
      d.nhedges++;
      d.pinbias += Sign(pc.npins - c);
      if (c == 1 && ni.ndegrees == 2) d.ed += w;
    }
  }
  const int multiwgt = graph->adjwgt[v] - single;
  for (int k = 0; k < ci.ndegrees; k++) {
    CellPartInfo &d = ci.degrees[k];
    d.soedterm = alonewgt - (multiwgt - d.soedterm);
    d.livebias = d.pinbias;
    work[d.part].part = -1;
  }
  ci.id = id;
  ci.alonewgt = alonewgt;
  ci.multiwgt = multiwgt;
  ci.stale = 0;
  ci.listed = 1;
}

// Lists the entries of an unlisted vertex, with the pin bias corrections its
// slice holds applied.
void ListCell(HGraph *graph, int v) {
  CellKwayInfo &ci = graph->kway.crinfo[v];
  if (ci.listed) return;
  // The corrections by part, and the parts that have one: the listing may
  // move the slice that holds them.
  const int nfix = ci.ndegrees;
  int *fix = graph->kway.biasfix, *fixed = graph->kway.biasparts;
  for (int k = 0; k < nfix; k++) {
    fix[ci.degrees[k].part] = ci.degrees[k].pinbias;
    fixed[k] = ci.degrees[k].part;
  }
  ComputeCellKwayInfo(graph, v);
  if (nfix == 0) return;
  for (int k = 0; k < ci.ndegrees; k++) {
    CellPartInfo &d = ci.degrees[k];
    if (fix[d.part] == 0) continue;
    d.pinbias += fix[d.part];
    ci.stale = 1;
  }
  for (int k = 0; k < nfix; k++) fix[fixed[k]] = 0;
}

// One pin of the hyperedge has left from and joined to; nfrom and nto
// receive the pin counts of the two parts before the move.
void MoveNetPin(NetKwayInfo &ni, int from, int to, int &nfrom, int &nto) {
  int k = FindNetPart(ni, from);
  nfrom = ni.degrees[k].npins--;
  if (nfrom == 1) ni.degrees[k] = ni.degrees[--ni.ndegrees];

  k = FindNetPart(ni, to);
  if (k >= 0) {
    nto = ni.degrees[k].npins++;
  } else {
    nto = 0;
    ni.degrees[ni.ndegrees].part = to;
    ni.degrees[ni.ndegrees].npins = 1;
    ni.ndegrees++;
  }
}

// What one move did to one hyperedge, seen from its other pins: the weight,
// the parts, their pin counts before (nfrom, nto) and the number of parts
// before and after. The counts of the other parts are in the work entries.
struct NetMove {
  int w, from, to, nfrom, nto, olddeg, newdeg;
};

// The share of one hyperedge in a vertex's entry for one part.
struct PartShare {
  int present, bias, ed;
};

// The share of a hyperedge with ndeg parts in the entry for a part with n
// pins, for a vertex with c pins in its own part.
inline PartShare ShareOf(int ndeg, int c, int n) {
  if (ndeg < 2 || n == 0) return {0, 0, 0};
  return {1, Sign(n - c), (c == 1 && ndeg == 2) ? 1 : 0};
}

// Moves u's entry for part p from the hyperedge's old share to its new one;
// creates the entry when it appears and drops it when no cut hyperedge of u
// touches p any more.
void ApplyShare(HGraph *graph, CellKwayInfo &ci, int p, int w, const PartShare &was,
                const PartShare &now) {
  if (was.present == now.present && was.bias == now.bias && was.ed == now.ed) return;
  CellPartInfo &d = EntryOf(graph, ci, p, CellPartInfo{p, 0, 0, ci.alonewgt - ci.multiwgt, 0, 0});
  d.nhedges += now.present - was.present;
  d.soedterm += (now.present - was.present) * w;
  d.ed += (now.ed - was.ed) * w;
  if (now.bias != was.bias) {
    d.livebias += now.bias - was.bias;
    ci.stale = 1;
  }
  if (d.nhedges == 0) d = ci.degrees[--ci.ndegrees];
}

// Calls f(p, was, now) for every part p other than q whose share in the
// entries of a pin in q may differ after the move, where the pin had cold
// pins in its part before and has cnew now.
template <class F>
void ForEachShareChange(const NetKwayInfo &ni, const NetMove &m, int q, int cold, int cnew, F f) {
  if (cold == cnew && (m.olddeg == 2) == (m.newdeg == 2) && (m.olddeg > 1) == (m.newdeg > 1)) {
    // Only the shares of the two parts whose counts changed can differ.
    if (q != m.from)
      f(m.from, ShareOf(m.olddeg, cold, m.nfrom), ShareOf(m.newdeg, cnew, m.nfrom - 1));
    if (q != m.to) f(m.to, ShareOf(m.olddeg, cold, m.nto), ShareOf(m.newdeg, cnew, m.nto + 1));
    return;
  }
  // Every share may differ. A part that left the hyperedge goes first and a
  // part that joined it comes last (it is last in the list), so a pin never
  // holds more entries than the parts of its hyperedges' other pins.
  if (m.nfrom == 1) f(m.from, ShareOf(m.olddeg, cold, 1), PartShare{0, 0, 0});
  for (int k = 0; k < ni.ndegrees; k++) {
    const int p = ni.degrees[k].part, n = ni.degrees[k].npins;
    if (p == q) continue;
    const int nold = n + (p == m.from) - (p == m.to);
    f(p, ShareOf(m.olddeg, cold, nold), ShareOf(m.newdeg, cnew, n));
  }
}

// Carries the change of one hyperedge into the terms of its pin u (not the
// mover), whose part keeps its pins apart from the mover. recompute says
// whether the move recomputes u afterwards.
void UpdatePin(HGraph *graph, int u, const NetKwayInfo &ni, const NetMove &m, bool recompute) {
  const NetPartCount *work = PartWork(graph);
  CellKwayInfo &ci = graph->kway.crinfo[u];
  const int q = graph->where[u];
  const int cnew = work[q].npins, cold = cnew + (q == m.from) - (q == m.to);

  const int wasalone = (m.olddeg > 1 && cold == 1), isalone = (m.newdeg > 1 && cnew == 1);
  ci.id += m.w * ((m.newdeg == 1) - (m.olddeg == 1));
  if (isalone != wasalone) {
    const int delta = m.w * (isalone - wasalone);
    ci.alonewgt += delta;
    if (ci.listed)
      for (int k = 0; k < ci.ndegrees; k++) ci.degrees[k].soedterm += delta;
  }

  if (ci.listed) {
    ForEachShareChange(ni, m, q, cold, cnew,
                       [&](int p, const PartShare &was, const PartShare &now) {
                         ApplyShare(graph, ci, p, m.w, was, now);
                       });
    return;
  }
  // An unlisted vertex that is recomputed after the move drops its
  // corrections then. One whose bias turns without a recomputation (then no
  // part joins or leaves the hyperedge) keeps the bias before the move as a
  // correction.
  if (recompute) return;
  ForEachShareChange(ni, m, q, cold, cnew, [&](int p, const PartShare &was, const PartShare &now) {
    if (was.bias == now.bias) return;
    EntryOf(graph, ci, p, CellPartInfo{p, 0, 0, 0, 0, 0}).pinbias -= now.bias - was.bias;
    ci.stale = 1;
  });
}

// Whether a move that leaves from at least two pins and gives to at least
// three can change any pin's bias: only a part whose count lies next to
// from's or to's old count, or from and to themselves when their counts
// come close, sees a comparison turn.
bool BiasCanChange(const NetKwayInfo &ni, const NetMove &m) {
  const int a = m.nfrom, b = m.nto;
  if (b - a >= -2 && b - a <= 0) return true;
  for (int k = 0; k < ni.ndegrees; k++) {
    const int p = ni.degrees[k].part, n = ni.degrees[k].npins;
    if (p == m.from || p == m.to) continue;
    if (n == a - 1 || n == a || n == b || n == b + 1) return true;
  }
  return false;
}

}  // namespace

void AllocateKwayRefinementMemory__(const CtrlType *ctrl, HGraph *graph) {
  const int nvtxs = graph->nvtxs, nhedges = graph->nhedges, nparts = ctrl->nparts;
  const int npins = graph->netptr[nhedges];

  graph->where = imalloc__(static_cast<size_t>(nvtxs) + graph->nislands,
                           "AllocateRefinementMemory: where");
  graph->kway.kpwgts = imalloc__(nparts, "AllocateKwayRefinementMemory: kpwgts");
  graph->kway.biasfix = ismalloc__(nparts, 0, "AllocateKwayRefinementMemory: biasfix");
  graph->kway.biasparts = imalloc__(nparts, "AllocateKwayRefinementMemory: biasparts");
  graph->kway.nrinfo = ZBmallocT__<NetKwayInfo>(nhedges, "AllocateKwayRefinementMemory: nrinfo");
  graph->kway.crinfo = ZBmallocT__<CellKwayInfo>(nvtxs, "AllocateKwayRefinementMemory: crinfo");
  graph->kway.nrdata = ZBmallocT__<NetPartCount>(static_cast<size_t>(npins) + nparts,
                                                 "AllocateKwayRefinementMemory: nrdata");

  for (int e = 0; e < nhedges; e++) {
    graph->kway.nrinfo[e].ndegrees = 0;
    graph->kway.nrinfo[e].degrees = graph->kway.nrdata + graph->netptr[e];
  }

  // The slices are handed out from a pool as the entries appear, so that the
  // memory follows the parts each vertex actually touches, not nparts.
  graph->kway.crsize = static_cast<size_t>(nvtxs) + 16;
  graph->kway.crused = 0;
  graph->kway.crdata =
      ZBmallocT__<CellPartInfo>(graph->kway.crsize, "AllocateKwayRefinementMemory: crdata");
  for (int v = 0; v < nvtxs; v++) EmptyCell(graph->kway.crinfo[v], graph->kway.crdata);
  NetPartCount *work = PartWork(graph);
  for (int p = 0; p < nparts; p++) work[p] = NetPartCount{-1, 0};
}

void ComputeInitKwayGains__(const CtrlType *ctrl, HGraph *graph) {
  const int *where = graph->where, *netptr = graph->netptr, *netind = graph->netind;
  const int *netwgt = graph->netwgt;
  CellKwayInfo *crinfo = graph->kway.crinfo;

  iset__(ctrl->nparts, 0, graph->kway.kpwgts);
  graph->mincut = 0;
  graph->kway.minsoed = 0;
  graph->kway.crused = 0;
  for (int v = 0; v < graph->nvtxs; v++) {
    graph->kway.kpwgts[where[v]] += graph->cellwgt[v];
    CellKwayInfo &ci = crinfo[v];
    EmptyCell(ci, graph->kway.crdata);
    ci.id = ci.alonewgt = ci.stale = 0;
    ci.multiwgt = graph->adjwgt[v];
  }

  // The part lists, and from them each vertex's id and alonewgt; the
  // entries wait until they are needed. While a hyperedge's list is built,
  // the work entries hold each part's position in it.
  NetPartCount *work = PartWork(graph);
  for (int e = 0; e < graph->nhedges; e++) {
    NetKwayInfo &ni = graph->kway.nrinfo[e];
    ni.ndegrees = 0;
    for (int j = netptr[e]; j < netptr[e + 1]; j++) {
      const int p = where[netind[j]];
      const int k = work[p].part;
      if (k >= 0) {
        ni.degrees[k].npins++;
      } else {
        work[p].part = ni.ndegrees;
        ni.degrees[ni.ndegrees].part = p;
        ni.degrees[ni.ndegrees].npins = 1;
        ni.ndegrees++;
      }
    }
    const int w = netwgt[e], size = netptr[e + 1] - netptr[e];
    if (ni.ndegrees == 1) {
      // Uncut; with a single pin it moves with its vertex and counts nowhere.
      for (int j = netptr[e]; j < netptr[e + 1]; j++) {
        CellKwayInfo &ci = crinfo[netind[j]];
        if (size > 1)
          ci.id += w;
        else
          ci.multiwgt -= w;
      }
    } else {
      for (int j = netptr[e]; j < netptr[e + 1]; j++) {
        const int u = netind[j];
        if (ni.degrees[work[where[u]].part].npins == 1) crinfo[u].alonewgt += w;
      }
      graph->mincut += w;
      graph->kway.minsoed += w * ni.ndegrees;
    }
    for (int k = 0; k < ni.ndegrees; k++) work[ni.degrees[k].part].part = -1;
  }
}

const CellKwayInfo &KwayCellInfo__(HGraph *graph, int v) {
  ListCell(graph, v);
  return graph->kway.crinfo[v];
}

void ComputeKwayGainsSet__(HGraph *graph, int n, const int *list) {
  for (int i = 0; i < n; i++) ComputeCellKwayInfo(graph, list[i]);
}

int KwayUpdateGainInfo__(HGraph *graph, int v, int from, int to, int *marker, int *updind) {
  const int *netptr = graph->netptr, *netind = graph->netind;
  NetPartCount *work = PartWork(graph);
  int nupd = 0;

  marker[v] = v;
  updind[nupd++] = v;
  int id = 0, alonewgt = 0;  // v's, in its new part
  for (int j = graph->incptr[v]; j < graph->incptr[v + 1]; j++) {
    const int e = graph->incind[j];
    NetKwayInfo &ni = graph->kway.nrinfo[e];
    NetMove m{graph->netwgt[e], from, to, 0, 0, ni.ndegrees, 0};
    MoveNetPin(ni, from, to, m.nfrom, m.nto);
    m.newdeg = ni.ndegrees;
    if (m.newdeg == 1)
      id += netptr[e + 1] - netptr[e] > 1 ? m.w : 0;
    else if (m.nto == 0)
      alonewgt += m.w;

    // Unless from keeps more than one pin and to has more than two, the set of
    // parts or some pin's "alone in its part" status changed: every pin is
    // recomputed. Otherwise only pin biases can change, and only in a
    // hyperedge where some counts lie close together.
    const bool recompute = !(m.nfrom - 1 > 1 && m.nto + 1 > 2);
    if (!recompute && !BiasCanChange(ni, m)) continue;
    for (int k = 0; k < ni.ndegrees; k++) work[ni.degrees[k].part].npins = ni.degrees[k].npins;
    for (int i = netptr[e]; i < netptr[e + 1]; i++) {
      const int u = netind[i];
      if (u == v) continue;
      UpdatePin(graph, u, ni, m, recompute);
      if (recompute && marker[u] != v) {
        marker[u] = v;
        updind[nupd++] = u;
      }
    }
    for (int k = 0; k < ni.ndegrees; k++) work[ni.degrees[k].part].npins = 0;
  }

  // v's entries all change with its part: they are listed again when next
  // needed. The recomputed vertices take the pin bias of the current counts.
  CellKwayInfo &cv = graph->kway.crinfo[v];
  EmptyCell(cv, graph->kway.crdata);
  cv.id = id;
  cv.alonewgt = alonewgt;
  cv.stale = 0;
  for (int i = 1; i < nupd; i++) {
    CellKwayInfo &ci = graph->kway.crinfo[updind[i]];
    if (!ci.stale) continue;
    if (ci.listed)
      for (int k = 0; k < ci.ndegrees; k++) ci.degrees[k].pinbias = ci.degrees[k].livebias;
    else
      ci.ndegrees = 0;
    ci.stale = 0;
  }
  return nupd;
}

bool KwayListsBefore__(const HGraph *graph, int v, int p, int q) {
  for (int j = graph->incptr[v]; j < graph->incptr[v + 1]; j++) {
    const NetKwayInfo &ni = graph->kway.nrinfo[graph->incind[j]];
    if (ni.ndegrees == 1) continue;
    for (int k = 0; k < ni.ndegrees; k++) {
      if (ni.degrees[k].part == p) return true;
      if (ni.degrees[k].part == q) return false;
    }
  }
  return false;
}
