// Fixed vertices: all vertices fixed to part p are merged into anchor vertex
// p of a compressed hypergraph, which is partitioned instead; the result is
// projected back so that every fixed vertex lands in its part.
#include <algorithm>

#include "coarsen/coarsen.h"
#include "prep/prep.h"

void CompressFixedCells__(const CtrlType *ctrl, HGraph *graph, const int *part) {
  const int nvtxs = graph->nvtxs, nparts = ctrl->nparts;

  // Anchors 0 .. nparts-1 come first, then the free vertices in their order.
  graph->maps.cellmap = ismalloc__(nvtxs, -1, "CompressFixedCells: graph->cellmap");
  int next = nparts;
  for (int v = 0; v < nvtxs; ++v) {
    if (part[v] < -1 || part[v] >= nparts)
      errexit__("CompressFixedCells: vertex %d is fixed to part %d, outside 0..%d\n", v, part[v],
                nparts - 1);
    graph->maps.cellmap[v] = part[v] != -1 ? part[v] : next++;
  }
  const int cnvtxs = next;

  // With few fixed vertices there are more coarse vertices than vertices.
  graph->maps.mptr = ismalloc__(std::max(nvtxs, cnvtxs) + 1, 0, "CompressFixedCells: graph->mptr");
  graph->maps.mind = imalloc__(nvtxs, "CompressFixedCells: graph->mind");
  int *mptr = graph->maps.mptr;
  for (int v = 0; v < nvtxs; ++v) ++mptr[graph->maps.cellmap[v] + 1];
  for (int c = 0; c < cnvtxs; ++c) mptr[c + 1] += mptr[c];
  for (int v = 0; v < nvtxs; ++v) graph->maps.mind[mptr[graph->maps.cellmap[v]]++] = v;
  for (int c = cnvtxs; c > 0; --c) mptr[c] = mptr[c - 1];
  mptr[0] = 0;

  CreateIncidentHGraph__(graph);
  CreateCoarseHGraph__(ctrl, graph, cnvtxs);

  // The bisection rebuilds the incidence of whatever it partitions.
  HGraph *coarser = graph->coarser;
  for (HGraph *g : {graph, coarser}) {
    g->incptr.reset();
    g->incind.reset();
    g->adjwgt.reset();
    g->edgewgt.reset();
  }
}

void ProjectFixedCells__(const CtrlType *ctrl, HGraph *graph, int *part, const int *fpart) {
  const int nparts = ctrl->nparts;
  // imap[q] = the anchor that part q of fpart holds; the parts are renumbered
  // so that the part of anchor p becomes p.
  int *imap = ismalloc__(nparts, -1, "ProjectFixedCells: imap");
  for (int p = 0; p < nparts; ++p) {
    const int q = fpart[p];
    if (q < 0 || q >= nparts || imap[q] != -1) {
      if (q >= 0 && q < nparts)
        errexit__("Internal error: the anchors of parts %d and %d both lie in part %d; the "
                  "fixed vertices cannot be projected\n",
                  imap[q], p, q);
      errexit__("Internal error: the anchor of part %d lies in part %d, outside 0..%d\n", p, q,
                nparts - 1);
    }
    imap[q] = p;
  }
  for (int v = 0; v < graph->nvtxs; ++v) {
    const int q = fpart[graph->maps.cellmap[v]];
    if (q < 0 || q >= nparts)
      errexit__("Internal error: vertex %d lies in part %d, outside 0..%d\n", v, q, nparts - 1);
    part[v] = imap[q];
  }
  ZBfree__(&imap);
}
