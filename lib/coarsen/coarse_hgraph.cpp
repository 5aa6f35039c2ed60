// Construction of the coarse hypergraph from a vertex grouping: hyperedges
// rewritten over coarse vertices, vanished ones booked in removedwgt,
// identical ones merged, then the coarse incidence and weights.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "coarsen/coarsen.h"

namespace {

// Pin lists in compressed rows.
struct HEdgeList {
  int n;
  const int *ptr, *ind, *wgt;
  int Size(int j) const { return ptr[j + 1] - ptr[j]; }
  bool SamePins(int a, int b) const { return std::equal(ind + ptr[a], ind + ptr[a + 1], ind + ptr[b]); }
};


// Walks positions [lo, hi) of the sorted (key, hyperedge) pairs, where no run
// of equal keys crosses lo or hi: each unseen position starts a group, numbered
// from 0 in walk order, that takes every later unseen position of the same
// pins, scanning while key and size stay those of its first one. Calls
// first(j) for the hyperedge that starts a group and member(jj) for each
// other one of it; returns the number of groups.
template <class First, class Member>
[[gnu::always_inline]] inline int WalkSameHEdges(const HEdgeList &h, const KeyValueType *cand,
                                                 int lo, int hi, int *seen, First first,
                                                 Member member) {
  int ngroups = 0;
  for (int i = lo; i < hi; ++i) {
    if (seen[i] != -1) continue;
    const int j = cand[i].val;
    first(j);
    for (int ii = i + 1; ii < hi; ++ii) {
      if (seen[ii] != -1) continue;
      const int jj = cand[ii].val;
      if (cand[ii].key != cand[i].key || h.Size(jj) != h.Size(j)) break;
      if (!h.SamePins(j, jj)) continue;
      seen[ii] = i;
      member(jj);
    }
    ++ngroups;
  }
  return ngroups;
}

// Merges the hyperedges of h that are identical, walking them in the order of
// the sorted (key, hyperedge) pairs: each group is one output hyperedge,
// numbered in walk order, with the summed weight. map (optional) receives the
// output number of every input hyperedge.
int MergeSameHEdges(const HEdgeList &h, const KeyValueType *cand, int *dptr, int *dind, int *dwgt,
                    int *map, const char *seenlabel) {
  int *seen = ismalloc__(h.n, -1, seenlabel);
  int nd = 0, pos = 0;
  dptr[0] = 0;
  WalkSameHEdges(
      h, cand, 0, h.n, seen,
      [&](int j) {
        pos = std::copy(h.ind + h.ptr[j], h.ind + h.ptr[j + 1], dind + pos) - dind;
        dwgt[nd] = h.wgt[j];
        if (map) map[j] = nd;
        dptr[++nd] = pos;
      },
      [&](int jj) {
        if (map) map[jj] = nd - 1;
        dwgt[nd - 1] += h.wgt[jj];
      });
  ZBfree__(&seen);
  return nd;
}

// MergeSameHEdges in nchunks tasks side by side, with the same outcome: the
// pairs are cut into ranges where the key changes, each range is walked on its
// own, noting its groups' first hyperedges and weights, and once the groups
// are numbered in order the pins are copied into place.
int MergeSameHEdgesInTasks(const HEdgeList &h, const KeyValueType *cand, int *dptr, int *dind,
                           int *dwgt, int *map, int nchunks) {
  std::vector<int> lo(nchunks + 1), ngroups(nchunks + 1, 0), npins(nchunks + 1, 0);
  for (int t = 0; t <= nchunks; ++t) {
    int i = std::max(ChunkStart__(h.n, nchunks, t), t > 0 ? lo[t - 1] : 0);
    while (i > 0 && i < h.n && cand[i].key == cand[i - 1].key) ++i;
    lo[t] = i;
  }
  // Chunk t notes its groups from position lo[t] on.
  int *seen = ismalloc__(h.n, -1, "CreateCoarseHGraph: dseen");
  int *firsts = imalloc__(h.n, "CreateCoarseHGraph: firsts");
  int *wgts = imalloc__(h.n, "CreateCoarseHGraph: wgts");
  InTasks__(nchunks, [&](int t) {
    int g = lo[t], pins = 0;
    ngroups[t + 1] = WalkSameHEdges(
        h, cand, lo[t], lo[t + 1], seen,
        [&](int j) {
          firsts[g] = j;
          wgts[g] = h.wgt[j];
          map[j] = g - lo[t];
          pins += h.Size(j);
          ++g;
        },
        [&](int jj) {
          map[jj] = g - 1 - lo[t];
          wgts[g - 1] += h.wgt[jj];
        });
    npins[t + 1] = pins;
  });
  for (int t = 0; t < nchunks; ++t) {
    ngroups[t + 1] += ngroups[t];
    npins[t + 1] += npins[t];
  }
  dptr[0] = 0;
  InTasks__(nchunks, [&](int t) {
    int pos = npins[t];
    for (int g = 0; g < ngroups[t + 1] - ngroups[t]; ++g) {
      const int d = ngroups[t] + g, j = firsts[lo[t] + g];
      pos = std::copy(h.ind + h.ptr[j], h.ind + h.ptr[j + 1], dind + pos) - dind;
      dptr[d + 1] = pos;
      dwgt[d] = wgts[lo[t] + g];
    }
    for (int i = lo[t]; i < lo[t + 1]; ++i) map[cand[i].val] += ngroups[t];
  });
  ZBfree__(&seen, &firsts, &wgts);
  return ngroups[nchunks];
}

// Rewrites hyperedge e of graph over coarse vertices into out, each coarse
// vertex once and pins ascending, marking them with e in htable; returns how
// many there are. The pins are distinct, so any sort gives the same list: a
// hyperedge that holds a good share of the cnvtxs coarse vertices is read off
// htable in vertex order.
[[gnu::always_inline]] inline int RewriteHEdge(const HGraph *graph, int e, int cnvtxs, int *htable,
                                               int *out) {
  const int *netind = graph->netind, *cellmap = graph->maps.cellmap;
  int k = 0;
  // Written always, kept when first met: no branch on the coarse vertex.
  for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; ++j) {
    const int c = cellmap[netind[j]];
    out[k] = c;
    k += htable[c] != e;
    htable[c] = e;
  }
  if (k == 2) {
    if (out[0] > out[1]) std::swap(out[0], out[1]);
  } else if (k > 2 && static_cast<long long>(k) * 8 >= cnvtxs) {
    // Stops at the last pin, so nothing is written past the hyperedge.
    int *at = out;
    for (int c = 0; at != out + k; ++c) {
      *at = c;
      at += htable[c] == e;
    }
  } else if (k > 2) {
    std::sort(out, out + k);
  }
  return k;
}

// Rewrites every hyperedge of graph over coarse vertices into cptr/cind/cwgt;
// hyperedges left with a single coarse vertex vanish. Sets graph's netmap to
// the surviving numbers and returns the surviving count; the vanished weight
// goes to removed.
int RewriteHEdges(HGraph *graph, int cnvtxs, int *htable, int *cptr, int *cind, int *cwgt,
                  int &removed) {
  int n = 0, pos = 0;
  cptr[0] = 0;
  removed = 0;
  for (int e = 0; e < graph->nhedges; ++e) {
    const int k = RewriteHEdge(graph, e, cnvtxs, htable, cind + pos);
    if (k == 1) {
      graph->maps.netmap[e] = -1;
      removed += graph->netwgt[e];
      continue;
    }
    graph->maps.netmap[e] = n;
    cwgt[n] = graph->netwgt[e];
    pos += k;
    cptr[++n] = pos;
  }
  return n;
}

// RewriteHEdges in nchunks tasks side by side, with the same outcome: each
// task rewrites a range of hyperedges into a scratch copy at their own pin
// positions, with a table of its own; then the survivors are numbered in
// order and copied into place.
int RewriteHEdgesInTasks(HGraph *graph, int cnvtxs, int nchunks, int *cptr, int *cind, int *cwgt,
                         int &removed) {
  const int nhedges = graph->nhedges;
  const int *netptr = graph->netptr;
  int *size = imalloc__(nhedges, "CreateCoarseHGraph: size");
  int *scratch = imalloc__(netptr[nhedges], "CreateCoarseHGraph: scratch");
  InChunks__(nhedges, nchunks, [&](int, int lo, int hi) {
    int *htable = ismalloc__(cnvtxs, -1, "CreateCoarseHGraph: htable");
    for (int e = lo; e < hi; ++e)
      size[e] = RewriteHEdge(graph, e, cnvtxs, htable, scratch + netptr[e]);
    ZBfree__(&htable);
  });

  int *netmap = graph->maps.netmap;
  int n = 0;
  cptr[0] = 0;
  removed = 0;
  for (int e = 0; e < nhedges; ++e) {
    if (size[e] == 1) {
      netmap[e] = -1;
      removed += graph->netwgt[e];
      continue;
    }
    netmap[e] = n;
    cwgt[n] = graph->netwgt[e];
    cptr[n + 1] = cptr[n] + size[e];
    ++n;
  }
  InChunks__(nhedges, nchunks, [&](int, int lo, int hi) {
    for (int e = lo; e < hi; ++e)
      if (netmap[e] != -1) std::copy_n(scratch + netptr[e], size[e], cind + cptr[netmap[e]]);
  });
  ZBfree__(&size, &scratch);
  return n;
}

// Key of a sorted pin list x1 .. xk: (sum of i * x_i) * 100 + k, wrapping
// around in 32 bits.
int CoarseHEdgeKey(const int *x, int k) {
  uint32_t sum = 0;
  for (int i = 0; i < k; ++i) sum += (uint32_t)(i + 1) * (uint32_t)x[i];
  return (int)(sum * 100u + (uint32_t)k);
}

// Key of CollapseSameHEdges__: (sum of (100 * i + x_i)) * 100 + k.
int SplitHEdgeKey(const int *x, int k) {
  uint32_t sum = 0;
  for (int i = 0; i < k; ++i) sum += 100u * (uint32_t)(i + 1) + (uint32_t)x[i];
  return (int)(sum * 100u + (uint32_t)k);
}

// Writes the coarse hyperedges of coarse vertex c to out, each once in the
// order first met, and returns how many there are; sets c's weight and adjwgt.
// seen holds, for each coarse hyperedge, the last coarse vertex that listed
// it; an entry is written always and kept when first met, without a branch: a
// vanished hyperedge (-1) finds seen[-1], which holds c.
[[gnu::always_inline]] inline int ListCoarseIncidence(const HGraph *graph, HGraph *coarser, int c,
                                                      int *seen, int *out) {
  const int *netmap = graph->maps.netmap;
  seen[-1] = c;
  int k = 0, cellwgt = 0;
  for (int i = graph->maps.mptr[c]; i < graph->maps.mptr[c + 1]; ++i) {
    const int v = graph->maps.mind[i];
    cellwgt += graph->cellwgt[v];
    for (int j = graph->incptr[v]; j < graph->incptr[v + 1]; ++j) {
      const int ce = netmap[graph->incind[j]];
      out[k] = ce;
      k += seen[ce] != c;
      seen[ce] = c;
    }
  }
  int adjwgt = 0;
  for (int j = 0; j < k; ++j) adjwgt += coarser->netwgt[out[j]];
  coarser->cellwgt[c] = cellwgt;
  coarser->adjwgt[c] = adjwgt;
  return k;
}

void AllocateCoarseIncidence(const HGraph *graph, HGraph *coarser) {
  const int cnvtxs = coarser->nvtxs;
  coarser->incptr = imalloc__(cnvtxs + 1, "CreateCoarseHGraph: coarser->incptr");
  coarser->incind = imalloc__(graph->incptr[graph->nvtxs], "CreateCoarseHGraph: coarser->incind");
  coarser->cellwgt = imalloc__(cnvtxs, "CreateCoarseHGraph: coarser->cellwgt");
  coarser->adjwgt = imalloc__(cnvtxs, "CreateCoarseHGraph: coarser->adjwgt");
}

// Coarse incidence, vertex weights and adjwgt, walking the groups in order;
// htable[1..] is seen, indexed by coarse hyperedge.
void BuildCoarseIncidence(const HGraph *graph, HGraph *coarser, int *htable) {
  AllocateCoarseIncidence(graph, coarser);
  int *cincptr = coarser->incptr;
  cincptr[0] = 0;
  for (int c = 0; c < coarser->nvtxs; ++c)
    cincptr[c + 1] = cincptr[c] + ListCoarseIncidence(graph, coarser, c, htable + 1,
                                                      coarser->incind + cincptr[c]);
}

// BuildCoarseIncidence in nchunks tasks side by side, with the same outcome:
// each task lists a range of coarse vertices from where its fine vertices'
// incidence starts, with a table of its own; then the ranges move down, in
// order, to where their lists begin. A range never writes past the fine
// incidence of its vertices, so tasks never meet, and a range only moves
// down into space that the ranges before it have left.
void BuildCoarseIncidenceInTasks(const HGraph *graph, HGraph *coarser, int nchunks) {
  AllocateCoarseIncidence(graph, coarser);
  const int cnvtxs = coarser->nvtxs;
  const int *mptr = graph->maps.mptr, *mind = graph->maps.mind, *incptr = graph->incptr;
  int *count = imalloc__(cnvtxs, "CreateCoarseHGraph: count");
  int *incind = coarser->incind;
  std::vector<int> base(nchunks + 1, 0);
  // A chunk's lists take at most the incidence of its fine vertices.
  InChunks__(cnvtxs, nchunks, [&](int t, int lo, int hi) {
    for (int c = lo; c < hi; ++c)
      for (int i = mptr[c]; i < mptr[c + 1]; ++i)
        base[t + 1] += incptr[mind[i] + 1] - incptr[mind[i]];
  });
  for (int t = 0; t < nchunks; ++t) base[t + 1] += base[t];
  InChunks__(cnvtxs, nchunks, [&](int t, int lo, int hi) {
    int *seen = ismalloc__(coarser->nhedges + 1, -1, "CreateCoarseHGraph: seen") + 1;
    int pos = base[t];
    for (int c = lo; c < hi; ++c) {
      count[c] = ListCoarseIncidence(graph, coarser, c, seen, incind + pos);
      pos += count[c];
    }
    --seen;
    ZBfree__(&seen);
  });
  int *cincptr = coarser->incptr;
  cincptr[0] = 0;
  for (int c = 0; c < cnvtxs; ++c) cincptr[c + 1] = cincptr[c] + count[c];
  for (int t = 1; t < nchunks; ++t) {
    const int lo = ChunkStart__(cnvtxs, nchunks, t), hi = ChunkStart__(cnvtxs, nchunks, t + 1);
    std::memmove(incind + cincptr[lo], incind + base[t],
                 sizeof(int) * static_cast<size_t>(cincptr[hi] - cincptr[lo]));
  }
  ZBfree__(&count);
}

}  // namespace

void CreateCoarseHGraph__(const CtrlType *ctrl, HGraph *graph, int cnvtxs) {
  StartTimer(ctrl, &PhaseTimers::Aux2Tmr);
  const int nhedges = graph->nhedges;
  const int npins = graph->netptr[nhedges];

  HGraph *coarser = CreateHGraph__();
  coarser->nvtxs = cnvtxs;
  coarser->nfixed = graph->nfixed;
  coarser->finer = graph;
  graph->coarser = coarser;

  graph->maps.netmap = ismalloc__(nhedges, -1, "CreateCoarseHGraph: graph->netmap");
  // A large hypergraph of a phase that has the call's threads to itself is
  // rewritten and listed in tasks side by side.
  const int nchunks = LevelTasks__(ctrl, npins);
  // Indexed by coarse vertex, then by coarse hyperedge. A compressed
  // hypergraph may have more coarse vertices than vertices (empty anchors).
  // One more slot for the coarse incidence, which shifts it by one.
  const int tsize = nchunks > 1 ? 0 : std::max({graph->nvtxs, nhedges, cnvtxs}) + 1;
  int *htable = ismalloc__(tsize, -1, "CreateCoarseHGraph: htable");
  int *cnetptr = imalloc__(nhedges + 1, "CreateCoarseHGraph: coarser->netptr");
  int *cnetind = imalloc__(npins, "CreateCoarseHGraph: coarser->netind");
  int *cnetwgt = imalloc__(nhedges, "CreateCoarseHGraph: coarser->netwgt");
  float *cedgewgt = fmalloc__(nhedges, "CreateCoarseHGraph: coarser->edgewgt");

  int removed = 0;
  const int n =
      nchunks > 1 ? RewriteHEdgesInTasks(graph, cnvtxs, nchunks, cnetptr, cnetind, cnetwgt, removed)
                  : RewriteHEdges(graph, cnvtxs, htable, cnetptr, cnetind, cnetwgt, removed);
  coarser->removedwgt = graph->removedwgt + removed;

  // Identical coarse hyperedges meet under equal keys after sorting.
  KeyValueType *cand = ZBmallocT__<KeyValueType>(n, "CreateCoarseHGraph: cand");
  InChunks__(n, nchunks, [&](int, int lo, int hi) {
    for (int j = lo; j < hi; ++j) {
      cand[j].key = CoarseHEdgeKey(cnetind + cnetptr[j], cnetptr[j + 1] - cnetptr[j]);
      cand[j].val = j;
    }
  });
  ikeysort__(n, cand);
  int *dnetptr = imalloc__(n + 1, "CreateCoarseHGraph: dnetptr");
  int *dnetind = imalloc__(cnetptr[n], "CreateCoarseHGraph: dnetind");
  int *dnetwgt = imalloc__(n, "CreateCoarseHGraph: dnetwgt");
  int *dnetmap = ismalloc__(n, -1, "CreateCoarseHGraph: dnetmap");
  const HEdgeList rewritten{n, cnetptr, cnetind, cnetwgt};
  coarser->nhedges = nchunks > 1 ? MergeSameHEdgesInTasks(rewritten, cand, dnetptr, dnetind,
                                                          dnetwgt, dnetmap, nchunks)
                                 : MergeSameHEdges(rewritten, cand, dnetptr, dnetind, dnetwgt,
                                                   dnetmap, "CreateCoarseHGraph: dseen");
  coarser->netptr = dnetptr;
  coarser->netind = dnetind;
  coarser->netwgt = dnetwgt;
  int *netmap = graph->maps.netmap;
  InChunks__(nhedges, nchunks, [&](int, int lo, int hi) {
    for (int e = lo; e < hi; ++e)
      if (netmap[e] != -1) netmap[e] = dnetmap[netmap[e]];
  });
  ZBfree__(&cnetptr, &cnetind, &cnetwgt, &cand, &dnetmap);

  InChunks__(coarser->nhedges, nchunks, [&](int, int lo, int hi) {
    for (int d = lo; d < hi; ++d)
      cedgewgt[d] = (float)((double)dnetwgt[d] * 1.0 / (double)(dnetptr[d + 1] - dnetptr[d] - 1));
  });
  coarser->edgewgt = cedgewgt;

  if (nchunks > 1) {
    BuildCoarseIncidenceInTasks(graph, coarser, nchunks);
  } else {
    std::fill(htable, htable + tsize, -1);
    BuildCoarseIncidence(graph, coarser, htable);
  }
  // Allocated for the finer level's pins.
  coarser->incind.Shrink(coarser->incptr[cnvtxs]);
  ZBfree__(&htable);
  StopTimer(ctrl, &PhaseTimers::Aux2Tmr);
}

void CollapseSameHEdges__(int nhedges, const int *netptr, int *netind, const int *netwgt,
                          int *newnhedges, int **newnetptr, int **newnetind, int **newnetwgt) {
  KeyValueType *cand = ZBmallocT__<KeyValueType>(nhedges, "CreateCoarseHGraph: cand");
  for (int i = 0; i < nhedges; ++i) {
    const int k = netptr[i + 1] - netptr[i];
    iintsort__(k, netind + netptr[i]);
    cand[i].key = SplitHEdgeKey(netind + netptr[i], k);
    cand[i].val = i;
  }
  ikeysort__(nhedges, cand);

  int *dnetptr = imalloc__(nhedges + 1, "CollapseSameHEdges: dnetptr");
  int *dnetind = imalloc__(netptr[nhedges], "CollapseSameHEdges: dnetind");
  int *dnetwgt = imalloc__(nhedges, "CollapseSameHEdges: dnetwgt");
  const HEdgeList h{nhedges, netptr, netind, netwgt};
  *newnhedges = MergeSameHEdges(h, cand, dnetptr, dnetind, dnetwgt, nullptr, "CollapseSameHEdges: dseen");
  *newnetptr = dnetptr;
  *newnetind = dnetind;
  *newnetwgt = dnetwgt;
  ZBfree__(&cand);
}

int NumOfLargeNets__(int nhedges, const int *netptr) {
  int count = 0;
  for (int e = 0; e < nhedges; ++e)
    if (netptr[e + 1] - netptr[e] > 3) ++count;
  return count;
}
