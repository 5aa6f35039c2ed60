// Construction of the coarse hypergraph from a vertex grouping: hyperedges
// rewritten over coarse vertices, vanished ones booked in removedwgt,
// identical ones merged, then the coarse incidence and weights.
#include <algorithm>
#include <cstdint>

#include "coarsen/coarsen.h"

namespace {

// Pin lists in compressed rows.
struct HEdgeList {
  int n;
  const int *ptr, *ind, *wgt;
  int Size(int j) const { return ptr[j + 1] - ptr[j]; }
  bool SamePins(int a, int b) const { return std::equal(ind + ptr[a], ind + ptr[a + 1], ind + ptr[b]); }
};

// Merges the hyperedges of h that are identical, walking them in the order of
// the sorted (key, hyperedge) pairs: each unseen position starts an output
// hyperedge (numbered in walk order) and takes every later unseen position of
// the same pins, scanning while key and size stay those of its first one.
// map (optional) receives the output number of every input hyperedge.
int MergeSameHEdges(const HEdgeList &h, const KeyValueType *cand, int *dptr, int *dind, int *dwgt,
                    int *map, const char *seenlabel) {
  int *seen = ismalloc__(h.n, -1, seenlabel);
  int nd = 0, pos = 0;
  dptr[0] = 0;
  for (int i = 0; i < h.n; ++i) {
    if (seen[i] != -1) continue;
    const int j = cand[i].val;
    pos = std::copy(h.ind + h.ptr[j], h.ind + h.ptr[j + 1], dind + pos) - dind;
    dwgt[nd] = h.wgt[j];
    if (map) map[j] = nd;
    for (int ii = i + 1; ii < h.n; ++ii) {
      if (seen[ii] != -1) continue;
      const int jj = cand[ii].val;
      if (cand[ii].key != cand[i].key || h.Size(jj) != h.Size(j)) break;
      if (!h.SamePins(j, jj)) continue;
      seen[ii] = i;
      if (map) map[jj] = nd;
      dwgt[nd] += h.wgt[jj];
    }
    dptr[++nd] = pos;
  }
  ZBfree__(&seen);
  return nd;
}

// Rewrites every hyperedge of graph over coarse vertices into cptr/cind/cwgt
// (each coarse vertex once, pins ascending); hyperedges left with a single
// coarse vertex vanish. Sets graph's netmap to the surviving numbers and
// returns the surviving count; the vanished weight goes to removed. The pins
// are distinct, so any sort gives the same list: a hyperedge that holds a good
// share of the cnvtxs coarse vertices is read off htable in vertex order.
int RewriteHEdges(HGraph *graph, int cnvtxs, int *htable, int *cptr, int *cind, int *cwgt,
                  int &removed) {
  const int *netptr = graph->netptr, *netind = graph->netind, *cellmap = graph->maps.cellmap;
  int n = 0, pos = 0;
  cptr[0] = 0;
  removed = 0;
  for (int e = 0; e < graph->nhedges; ++e) {
    const int start = pos;
    // Written always, kept when first met: no branch on the coarse vertex.
    for (int j = netptr[e]; j < netptr[e + 1]; ++j) {
      const int c = cellmap[netind[j]];
      cind[pos] = c;
      pos += htable[c] != e;
      htable[c] = e;
    }
    const int k = pos - start;
    if (k == 1) {
      graph->maps.netmap[e] = -1;
      removed += graph->netwgt[e];
      pos = start;
      continue;
    }
    if (k == 2) {
      if (cind[start] > cind[start + 1]) std::swap(cind[start], cind[start + 1]);
    } else if (static_cast<long long>(k) * 8 >= cnvtxs) {
      // Stops at the last pin, so nothing is written past the hyperedge.
      int *out = cind + start;
      for (int c = 0; out != cind + pos; ++c) {
        *out = c;
        out += htable[c] == e;
      }
    } else {
      std::sort(cind + start, cind + pos);
    }
    graph->maps.netmap[e] = n;
    cwgt[n] = graph->netwgt[e];
    cptr[++n] = pos;
  }
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

// Coarse incidence, vertex weights and adjwgt, walking the groups in order.
void BuildCoarseIncidence(const HGraph *graph, HGraph *coarser, int *htable) {
  const int cnvtxs = coarser->nvtxs;
  const int *mptr = graph->maps.mptr, *mind = graph->maps.mind, *netmap = graph->maps.netmap;
  int *cincptr = imalloc__(cnvtxs + 1, "CreateCoarseHGraph: coarser->incptr");
  int *cincind = imalloc__(graph->incptr[graph->nvtxs], "CreateCoarseHGraph: coarser->incind");
  int *ccellwgt = ismalloc__(cnvtxs, 0, "CreateCoarseHGraph: coarser->cellwgt");
  int *cadjwgt = ismalloc__(cnvtxs, 0, "CreateCoarseHGraph: coarser->adjwgt");

  // Each entry is written always and kept when first met, without a branch:
  // seen[e] is htable[e + 1], and a vanished hyperedge (-1) finds htable[0],
  // which always holds the current coarse vertex.
  int *seen = htable + 1;
  int pos = 0;
  cincptr[0] = 0;
  for (int c = 0; c < cnvtxs; ++c) {
    seen[-1] = c;
    for (int i = mptr[c]; i < mptr[c + 1]; ++i) {
      const int v = mind[i];
      ccellwgt[c] += graph->cellwgt[v];
      for (int j = graph->incptr[v]; j < graph->incptr[v + 1]; ++j) {
        const int ce = netmap[graph->incind[j]];
        cincind[pos] = ce;
        pos += seen[ce] != c;
        seen[ce] = c;
      }
    }
    for (int j = cincptr[c]; j < pos; ++j) cadjwgt[c] += coarser->netwgt[cincind[j]];
    cincptr[c + 1] = pos;
  }
  coarser->incptr = cincptr;
  coarser->incind = cincind;
  coarser->cellwgt = ccellwgt;
  coarser->adjwgt = cadjwgt;
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
  // Indexed by coarse vertex, then by coarse hyperedge. A compressed
  // hypergraph may have more coarse vertices than vertices (empty anchors).
  // One more slot for the coarse incidence, which shifts it by one.
  const int tsize = std::max({graph->nvtxs, nhedges, cnvtxs}) + 1;
  int *htable = ismalloc__(tsize, -1, "CreateCoarseHGraph: htable");
  int *cnetptr = imalloc__(nhedges + 1, "CreateCoarseHGraph: coarser->netptr");
  int *cnetind = imalloc__(npins, "CreateCoarseHGraph: coarser->netind");
  int *cnetwgt = imalloc__(nhedges, "CreateCoarseHGraph: coarser->netwgt");
  float *cedgewgt = fmalloc__(nhedges, "CreateCoarseHGraph: coarser->edgewgt");

  int removed = 0;
  const int n = RewriteHEdges(graph, cnvtxs, htable, cnetptr, cnetind, cnetwgt, removed);
  coarser->removedwgt = graph->removedwgt + removed;

  // Identical coarse hyperedges meet under equal keys after sorting.
  KeyValueType *cand = ZBmallocT__<KeyValueType>(n, "CreateCoarseHGraph: cand");
  for (int j = 0; j < n; ++j) {
    cand[j].key = CoarseHEdgeKey(cnetind + cnetptr[j], cnetptr[j + 1] - cnetptr[j]);
    cand[j].val = j;
  }
  ikeysort__(n, cand);
  int *dnetptr = imalloc__(n + 1, "CreateCoarseHGraph: dnetptr");
  int *dnetind = imalloc__(cnetptr[n], "CreateCoarseHGraph: dnetind");
  int *dnetwgt = imalloc__(n, "CreateCoarseHGraph: dnetwgt");
  int *dnetmap = ismalloc__(n, -1, "CreateCoarseHGraph: dnetmap");
  const HEdgeList rewritten{n, cnetptr, cnetind, cnetwgt};
  coarser->nhedges =
      MergeSameHEdges(rewritten, cand, dnetptr, dnetind, dnetwgt, dnetmap, "CreateCoarseHGraph: dseen");
  coarser->netptr = dnetptr;
  coarser->netind = dnetind;
  coarser->netwgt = dnetwgt;
  for (int e = 0; e < nhedges; ++e)
    if (graph->maps.netmap[e] != -1) graph->maps.netmap[e] = dnetmap[graph->maps.netmap[e]];
  ZBfree__(&cnetptr, &cnetind, &cnetwgt, &cand, &dnetmap);

  for (int d = 0; d < coarser->nhedges; ++d)
    cedgewgt[d] = (float)((double)dnetwgt[d] * 1.0 / (double)(dnetptr[d + 1] - dnetptr[d] - 1));
  coarser->edgewgt = cedgewgt;

  std::fill(htable, htable + tsize, -1);
  BuildCoarseIncidence(graph, coarser, htable);
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
