// Splitting a bisected hypergraph into its two halves for the next level of
// recursive bisection.
#include "coarsen/coarsen.h"
#include "rb/rb.h"

namespace {

// Hyperedges of one half while they are collected, sized for the worst case.
struct HalfLists {
  int nhedges = 0;
  int *netptr = nullptr;
  int *netind = nullptr;
  int *netwgt = nullptr;
};

const char *const kPtrLabel[2] = {"SplitGraphPart: snetptr[0]", "SplitGraphPart: snetptr[1]"};
const char *const kIndLabel[2] = {"SplitGraphPart: snetind[0]", "SplitGraphPart: snetind[1]"};
const char *const kWgtLabel[2] = {"SplitGraphPart: snetwgt[0]", "SplitGraphPart: snetwgt[1]"};
const char *const kLabelLabel[2] = {"SplitGraphPart: slabel[0]", "SplitGraphPart: slabel[1]"};
const char *const kCellLabel[2] = {"SplitGraphPart: scellwgt[0]", "SplitGraphPart: scellwgt[1]"};

// Appends the pins of e lying on side (all of them when side is -1),
// renumbered into the half, as one hyperedge of weight w.
void AppendHEdge(HalfLists &h, const HGraph *graph, int e, int w, const int *where,
                 const int *rename, int side) {
  int end = h.netptr[h.nhedges];
  for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; ++j) {
    int v = graph->netind[j];
    if (side < 0 || where[v] == side) h.netind[end++] = rename[v];
  }
  h.netwgt[h.nhedges] = w;
  h.netptr[++h.nhedges] = end;
}

// Distributes the hyperedges: internal ones go whole to their side; a cut one
// is dropped, or with reconstruction each side keeps its pins as a hyperedge
// of the full weight when it holds at least two of them.
void DistributeHEdges(const CtrlType *ctrl, const HGraph *graph, const int *where,
                      const int *rename, HalfLists half[2]) {
  for (int e = 0; e < graph->nhedges; ++e) {
    int cnt[2] = {0, 0};
    for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; ++j) cnt[where[graph->netind[j]]]++;
    if (cnt[0] == 0 || cnt[1] == 0) {
      AppendHEdge(half[cnt[1] > 0 ? 1 : 0], graph, e, graph->netwgt[e], where, rename, -1);
    } else if (ctrl->opt.Reconst == 1) {
      for (int s = 0; s < 2; ++s)
        if (cnt[s] > 1) AppendHEdge(half[s], graph, e, graph->netwgt[e], where, rename, s);
    }
  }
}

// Merges identical hyperedges of a half (reconstructed pieces often repeat
// an internal hyperedge) and adopts the merged lists.
void CollapseHalf(HalfLists &h) {
  int n;
  int *ptr, *ind, *wgt;
  CollapseSameHEdges__(h.nhedges, h.netptr, h.netind, h.netwgt, &n, &ptr, &ind, &wgt);
  ZBfree__(&h.netptr, &h.netind, &h.netwgt);
  h.nhedges = n;
  h.netptr = ptr;
  h.netind = ind;
  h.netwgt = wgt;
}

// Gives a half exact-size copies of its hyperedge lists.
void FillHalf(HGraph *half, const HalfLists &h, int nvtxs, const char *ptrlabel,
              const char *indlabel, const char *wgtlabel) {
  int npins = h.netptr[h.nhedges];
  half->netptr = icopy__(h.nhedges + 1, h.netptr, imalloc__(h.nhedges + 1, ptrlabel));
  half->netind = icopy__(npins, h.netind, imalloc__(npins, indlabel));
  half->netwgt = icopy__(h.nhedges, h.netwgt, imalloc__(h.nhedges, wgtlabel));
  half->nhedges = h.nhedges;
  half->nvtxs = nvtxs;
}

}  // namespace

void SplitGraphPart__(const CtrlType *ctrl, HGraph *graph, const int *where, HGraph *lgraph,
                      HGraph *rgraph) {
  int nvtxs = graph->nvtxs;
  int npins = graph->netptr[graph->nhedges];

  // Each half keeps the vertex order of its side.
  int *rename = imalloc__(nvtxs, "SplitGraphPart:rename");
  int snvtxs[2] = {0, 0};
  for (int i = 0; i < nvtxs; ++i) rename[i] = snvtxs[where[i]]++;

  HalfLists half[2];
  int *slabel[2], *scellwgt[2];
  for (int s = 0; s < 2; ++s) {
    half[s].netptr = imalloc__(graph->nhedges + 1, kPtrLabel[s]);
    half[s].netind = imalloc__(npins, kIndLabel[s]);
    half[s].netwgt = imalloc__(graph->nhedges, kWgtLabel[s]);
    half[s].netptr[0] = 0;
    slabel[s] = imalloc__(snvtxs[s], kLabelLabel[s]);
    scellwgt[s] = imalloc__(snvtxs[s], kCellLabel[s]);
  }

  DistributeHEdges(ctrl, graph, where, rename, half);
  if (ctrl->opt.Reconst == 1) {
    CollapseHalf(half[0]);
    CollapseHalf(half[1]);
  }

  for (int i = 0; i < nvtxs; ++i) {
    int s = where[i];
    slabel[s][rename[i]] = graph->label[i];
    scellwgt[s][rename[i]] = graph->cellwgt[i];
  }

  FillHalf(lgraph, half[0], snvtxs[0], "SplitGraphPart: lgraph->netptr",
           "SplitGraphPart: lgraph->netind", "SplitGraphPart: lgraph->netwgt");
  FillHalf(rgraph, half[1], snvtxs[1], "SplitGraphPart: rgraph->netptr",
           "SplitGraphPart: rgraph->netind", "SplitGraphPart: rgraph->netwgt");
  lgraph->label = slabel[0];
  lgraph->cellwgt = scellwgt[0];
  rgraph->label = slabel[1];
  rgraph->cellwgt = scellwgt[1];

  // Each half receives as many anchors as it has parts to produce.
  lgraph->nfixed = (int)((double)((float)graph->nfixed * ctrl->TargetFrac) + 0.4);
  rgraph->nfixed = graph->nfixed - lgraph->nfixed;

  for (int s = 0; s < 2; ++s) ZBfree__(&half[s].netptr, &half[s].netind, &half[s].netwgt);
  ZBfree__(&rename);
}
