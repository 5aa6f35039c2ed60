// Preparing a hypergraph for partitioning: the vertex-to-hyperedge incidence
// with its derived weights, and the pruned copy without the large hyperedges.
#include <algorithm>
#include <functional>
#include <vector>

#include "prep/prep.h"

namespace {

// Runs task(0) .. task(n-1), side by side when there is more than one range.
void EachRange(int nranges, int n, const std::function<void(int)> &task) {
  if (nranges > 1) {
    InTasks__(n, task);
  } else {
    for (int r = 0; r < n; ++r) task(r);
  }
}

// Ranges a transpose is cut into at most: each holds a count per column.
constexpr int kMaxTransposeRanges = 4;

// The transpose of (ptr, ind), rows 0..nrows-1 over columns 0..ncols-1: each
// column c lists the rows r that list it, in order, in tind from start[c]
// (ncols + 1 entries, zeroed by the caller). The rows are cut into nranges
// ranges, transposed side by side; the lists come out the same for any
// nranges.
void Transpose(int nranges, int nrows, const int *ptr, const int *ind, int ncols, int *start, int *tind) {
  nranges = std::min(nranges, kMaxTransposeRanges);
  if (nranges <= 1) {
    // In place, without a count per range: the whole input's incidence is
    // built this way, where memory is tightest.
    // Counts land one place up, so that their sums are the starts of the lists.
    const int nind = ptr[nrows];
    for (int j = 0; j < nind; ++j) start[ind[j] + 1]++;
    for (int c = 1; c <= ncols; ++c) start[c] += start[c - 1];
    // Each start advances as its list fills up to where the next begins, and
    // moves back one place afterwards.
    for (int r = 0; r < nrows; ++r)
      for (int j = ptr[r]; j < ptr[r + 1]; ++j) tind[start[ind[j]]++] = r;
    for (int c = ncols; c > 0; --c) start[c] = start[c - 1];
    start[0] = 0;
    return;
  }
  // at[r][c]: the entries of column c in the rows of range r, then where the
  // first of them goes: a column's list takes range 0's rows first.
  std::vector<std::vector<int>> at(nranges, std::vector<int>(ncols, 0));
  EachRange(nranges, nranges, [&](int r) {
    const int lo = ptr[ChunkStart__(nrows, nranges, r)], hi = ptr[ChunkStart__(nrows, nranges, r + 1)];
    for (int j = lo; j < hi; ++j) ++at[r][ind[j]];
  });
  int sum = 0;
  for (int c = 0; c < ncols; ++c) {
    start[c] = sum;
    for (int r = 0; r < nranges; ++r) {
      const int count = at[r][c];
      at[r][c] = sum;
      sum += count;
    }
  }
  start[ncols] = sum;
  EachRange(nranges, nranges, [&](int r) {
    int *next = at[r].data();
    for (int row = ChunkStart__(nrows, nranges, r); row < ChunkStart__(nrows, nranges, r + 1); ++row)
      for (int j = ptr[row]; j < ptr[row + 1]; ++j) tind[next[ind[j]]++] = row;
  });
}

}  // namespace

void CreateIncidentHGraph__(HGraph *graph, int ntasks) {
  const int nvtxs = graph->nvtxs, nhedges = graph->nhedges;
  const int *netptr = graph->netptr, *netind = graph->netind, *netwgt = graph->netwgt;
  const int npins = netptr[nhedges];

  int *incptr = ismalloc__(static_cast<size_t>(nvtxs) + 1, 0, "CreateIncidentHGraph: incptr");
  int *incind = imalloc__(npins, "CreateIncidentHGraph: graph->incind");
  Transpose(ntasks, nhedges, netptr, netind, nvtxs, incptr, incind);

  int *adjwgt = imalloc__(nvtxs, "CreateIncidentHGraph: adjwgt");
  for (int v = 0; v < nvtxs; ++v) {
    int sum = 0;
    for (int i = incptr[v]; i < incptr[v + 1]; ++i) sum += netwgt[incind[i]];
    adjwgt[v] = sum;
  }

  // The clique-edge weight of a hyperedge; one pin divides by zero and gives
  // an infinite weight, which no caller treats as an error.
  float *edgewgt = fmalloc__(nhedges, "CreateIncidentHGraph: graph->edgewgt");
  for (int e = 0; e < nhedges; ++e)
    edgewgt[e] = static_cast<float>(netwgt[e] * 1.0 / (netptr[e + 1] - netptr[e] - 1));

  graph->incptr = incptr;
  graph->incind = incind;
  graph->adjwgt = adjwgt;
  graph->edgewgt = edgewgt;
}

namespace {

// The bytes a hyperedge number of a level of m hyperedges takes.
int HEdgeBytes(int m) {
  int width = 1;
  while (width < 4 && static_cast<uint32_t>(std::max(m - 1, 0)) >> (8 * width) != 0) ++width;
  return width;
}

// Measures what PackRange writes.
struct ByteCount {
  int width;
  size_t n = 0;
  void Varint(uint32_t x) { n += static_cast<size_t>(VarintBytes__(x)); }
  void Fixed(uint32_t) { n += static_cast<size_t>(width); }
};

struct ByteWrite {
  int width;
  unsigned char *p;
  void Varint(uint32_t x) { p = PutVarint__(p, x); }
  void Fixed(uint32_t x) {
    for (int b = 0; b < width; ++b) p[b] = static_cast<unsigned char>(x >> (8 * b));
    p += width;
  }
};

// Reads count hyperedge numbers of W bytes each.
template <int W>
void ReadHEdges(const unsigned char *&p, int count, int *out) {
  for (int k = 0; k < count; ++k, p += W) {
    uint32_t x = 0;
    for (int b = 0; b < W; ++b) x |= static_cast<uint32_t>(p[b]) << (8 * b);
    out[k] = static_cast<int>(x);
  }
}

// What a level sets aside, range by range, so that one walk both measures
// and writes the ranges. Ranges below nranges are vertices: degree, weight
// and adjwgt as varints, then the hyperedges in a fixed width; the rest are
// the hyperedges' weights.
template <class Out>
void PackRange(const HGraph *graph, int nranges, int r, Out &out) {
  if (r < nranges) {
    const int n = graph->nvtxs + graph->nislands;
    for (int v = ChunkStart__(n, nranges, r); v < ChunkStart__(n, nranges, r + 1); ++v) {
      // Islands lie behind the first nvtxs and have no hyperedges.
      const int from = v < graph->nvtxs ? graph->incptr[v] : 0;
      const int to = v < graph->nvtxs ? graph->incptr[v + 1] : 0;
      out.Varint(static_cast<uint32_t>(to - from));
      out.Varint(static_cast<uint32_t>(graph->cellwgt[v]));
      out.Varint(static_cast<uint32_t>(graph->adjwgt[v]));
      for (int i = from; i < to; ++i) out.Fixed(static_cast<uint32_t>(graph->incind[i]));
    }
  } else {
    const int m = graph->nhedges;
    r -= nranges;
    for (int e = ChunkStart__(m, nranges, r); e < ChunkStart__(m, nranges, r + 1); ++e)
      out.Varint(static_cast<uint32_t>(graph->netwgt[e]));
  }
}

}  // namespace

void SetLevelAside__(const CtrlType *ctrl, HGraph *graph) {
  if (graph->level <= 0 || graph->netind.Borrowed() || graph->incind.Borrowed() ||
      graph->netptr[graph->nhedges] < ctrl->pinsaside)
    return;
  PackedLevel &aside = graph->aside;
  const int nranges = LevelTasks__(ctrl, graph->netptr[graph->nhedges]);
  const int n = graph->nvtxs + graph->nislands;
  aside.nranges = nranges;
  aside.width = HEdgeBytes(graph->nhedges);
  aside.starts.assign(2 * static_cast<size_t>(nranges) + 1, 0);
  aside.pinstarts.assign(static_cast<size_t>(nranges) + 1, 0);
  EachRange(nranges, 2 * nranges, [&](int r) {
    ByteCount count{aside.width};
    PackRange(graph, nranges, r, count);
    aside.starts[r + 1] = count.n;
  });
  for (int r = 0; r < 2 * nranges; ++r) aside.starts[r + 1] += aside.starts[r];
  for (int r = 0; r <= nranges; ++r)
    aside.pinstarts[r] = graph->incptr[std::min(ChunkStart__(n, nranges, r), graph->nvtxs)];
  aside.bytes = ZBmallocT__<unsigned char>(aside.starts[2 * nranges], "SetLevelAside: bytes");
  EachRange(nranges, 2 * nranges, [&](int r) {
    ByteWrite write{aside.width, aside.bytes + aside.starts[r]};
    PackRange(graph, nranges, r, write);
  });
  graph->incptr.reset();
  graph->incind.reset();
  graph->netptr.reset();
  graph->netind.reset();
  graph->cellwgt.reset();
  graph->netwgt.reset();
  graph->adjwgt.reset();
}

void RestoreLevel__(HGraph *graph) {
  PackedLevel &aside = graph->aside;
  if (!aside.Holds()) return;
  const int nranges = aside.nranges, n = graph->nvtxs + graph->nislands, m = graph->nhedges;
  const int npins = aside.pinstarts[nranges];
  int *netwgt = imalloc__(m, "RestoreLevel: netwgt");
  EachRange(nranges, nranges, [&](int r) {
    const unsigned char *p = aside.bytes + aside.starts[nranges + r];
    for (int e = ChunkStart__(m, nranges, r); e < ChunkStart__(m, nranges, r + 1); ++e)
      netwgt[e] = static_cast<int>(GetVarint__(p));
  });

  int *incptr = imalloc__(static_cast<size_t>(n) + 1, "RestoreLevel: incptr");
  int *incind = imalloc__(npins, "RestoreLevel: incind");
  int *cellwgt = imalloc__(n, "RestoreLevel: cellwgt");
  int *adjwgt = imalloc__(n, "RestoreLevel: adjwgt");
  auto read = aside.width == 1   ? ReadHEdges<1>
              : aside.width == 2 ? ReadHEdges<2>
              : aside.width == 3 ? ReadHEdges<3>
                                 : ReadHEdges<4>;
  EachRange(nranges, nranges, [&](int r) {
    const unsigned char *p = aside.bytes + aside.starts[r];
    int i = aside.pinstarts[r];
    for (int v = ChunkStart__(n, nranges, r); v < ChunkStart__(n, nranges, r + 1); ++v) {
      incptr[v] = i;
      const int degree = static_cast<int>(GetVarint__(p));
      cellwgt[v] = static_cast<int>(GetVarint__(p));
      adjwgt[v] = static_cast<int>(GetVarint__(p));
      read(p, degree, incind + i);
      i += degree;
    }
  });
  incptr[n] = npins;
  aside.Release();

  // The pin lists are the transpose of the incidence.
  int *netptr = ismalloc__(static_cast<size_t>(m) + 1, 0, "RestoreLevel: netptr");
  int *netind = imalloc__(npins, "RestoreLevel: netind");
  Transpose(nranges, graph->nvtxs, incptr, incind, m, netptr, netind);

  graph->incptr = incptr;
  graph->incind = incind;
  graph->netptr = netptr;
  graph->netind = netind;
  graph->cellwgt = cellwgt;
  graph->netwgt = netwgt;
  graph->adjwgt = adjwgt;
}

// The same vertices without the hyperedges of more than MaxNetSize pins, in
// their order; always a hypergraph of its own, even when nothing is pruned.
HGraph *PruneHGraph__(const CtrlType *ctrl, HGraph *graph) {
  const int nhedges = graph->nhedges, maxsize = ctrl->MaxNetSize;
  const int *netptr = graph->netptr, *netind = graph->netind, *netwgt = graph->netwgt;

  int snhedges = 0, snpins = 0;
  for (int e = 0; e < nhedges; ++e) {
    int size = netptr[e + 1] - netptr[e];
    if (size <= maxsize) {
      ++snhedges;
      snpins += size;
    }
  }

  int *snetptr = imalloc__(static_cast<size_t>(snhedges) + 1, "PruneHGraph: snetptr");
  int *snetind = imalloc__(snpins, "PruneHGraph: snetind");
  int *snetwgt = imalloc__(snhedges, "PruneHGraph: sgraph->netwgt");
  snetptr[0] = 0;
  int se = 0, sj = 0;
  for (int e = 0; e < nhedges; ++e) {
    int size = netptr[e + 1] - netptr[e];
    if (size > maxsize) continue;
    icopy__(size, netind + netptr[e], snetind + sj);
    sj += size;
    snetwgt[se] = netwgt[e];
    snetptr[++se] = sj;
  }

  HGraph *sgraph = CreateHGraph__();
  sgraph->nvtxs = graph->nvtxs;
  sgraph->nhedges = snhedges;
  sgraph->nfixed = graph->nfixed;
  sgraph->netptr = snetptr;
  sgraph->netind = snetind;
  sgraph->netwgt = snetwgt;
  CreateIncidentHGraph__(sgraph, LevelTasks__(ctrl, sj));
  sgraph->cellwgt = imalloc__(graph->nvtxs, "PruneHGraph: sgraph->cellwgt");
  icopy__(graph->nvtxs, graph->cellwgt, sgraph->cellwgt);
  return sgraph;
}
