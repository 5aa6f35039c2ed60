// K-way refinement bookkeeping: per hyperedge the parts it touches with their
// pin counts, per vertex its internal weight and the gain terms of moving it
// to each part its cut hyperedges touch; computed from scratch and updated
// after each single move.
#include "kway/kway.h"

namespace {

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

// The entry of part among the vertex's adjacent parts, appended when absent.
// A vertex touches at most nparts - 1 other parts, which bounds its slice.
inline CellPartInfo &CellPartEntry(CellPartInfo *degrees, int &ndegrees, int part) {
  for (int k = 0; k < ndegrees; k++)
    if (degrees[k].part == part) return degrees[k];
  CellPartInfo &d = degrees[ndegrees++];
  d.part = part;
  d.ed = d.pinbias = d.soedterm = 0;
  return d;
}

// Recomputes the internal weight and the per-part gain terms of v from the
// hyperedges' part lists.
void ComputeCellKwayInfo(HGraph *graph, int v) {
  const int me = graph->where[v];
  const int *netwgt = graph->netwgt;
  const NetKwayInfo *nrinfo = graph->nrinfo;
  CellKwayInfo &ci = graph->crinfo[v];
  CellPartInfo *degrees = ci.degrees;
  int ndegrees = 0, id = 0, alonewgt = 0, single = 0;

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
      CellPartInfo &d = CellPartEntry(degrees, ndegrees, pc.part);
      d.soedterm += w;  // for now: weight of the cut hyperedges touching the part
      d.pinbias += (c < pc.npins) ? 1 : (c == pc.npins ? 0 : -1);
      if (c == 1 && ni.ndegrees == 2) d.ed += w;
    }
  }
  for (int k = 0; k < ndegrees; k++)
    degrees[k].soedterm = alonewgt - (graph->adjwgt[v] - single - degrees[k].soedterm);
  ci.ndegrees = ndegrees;
  ci.id = id;
  ci.alonewgt = alonewgt;
}

// One pin of the hyperedge has left from and joined to. Returns whether the
// change can alter the gain terms of the hyperedge's pins: when from keeps
// more than one pin and to already had more than one, the set of parts and
// every pin's "alone in its part" status stay the same.
bool MoveNetPin(NetKwayInfo &ni, int from, int to) {
  int k = FindNetPart(ni, from);
  const int nfrom = --ni.degrees[k].npins;
  if (nfrom == 0) ni.degrees[k] = ni.degrees[--ni.ndegrees];

  int nto;
  k = FindNetPart(ni, to);
  if (k >= 0) {
    nto = ++ni.degrees[k].npins;
  } else {
    ni.degrees[ni.ndegrees].part = to;
    ni.degrees[ni.ndegrees].npins = nto = 1;
    ni.ndegrees++;
  }
  return !(nfrom > 1 && nto > 2);
}

}  // namespace

void AllocateKwayRefinementMemory__(CtrlType *ctrl, HGraph *graph) {
  const int nvtxs = graph->nvtxs, nhedges = graph->nhedges, nparts = ctrl->nparts;
  const int npins = graph->netptr[nhedges];

  graph->where = imalloc__(static_cast<size_t>(nvtxs) + graph->nislands,
                           "AllocateRefinementMemory: where");
  graph->kpwgts = imalloc__(nparts, "AllocateKwayRefinementMemory: kpwgts");
  graph->nrinfo = ZBmallocT__<NetKwayInfo>(nhedges, "AllocateKwayRefinementMemory: nrinfo");
  graph->crinfo = ZBmallocT__<CellKwayInfo>(nvtxs, "AllocateKwayRefinementMemory: crinfo");
  graph->nrdata = ZBmallocT__<NetPartCount>(npins, "AllocateKwayRefinementMemory: nrdata");
  graph->crdata = ZBmallocT__<CellPartInfo>(static_cast<size_t>(nvtxs) * nparts,
                                            "AllocateKwayRefinementMemory: crdata");

  for (int e = 0; e < nhedges; e++) {
    graph->nrinfo[e].ndegrees = 0;
    graph->nrinfo[e].degrees = graph->nrdata + graph->netptr[e];
  }
  for (int v = 0; v < nvtxs; v++) {
    graph->crinfo[v].ndegrees = 0;
    graph->crinfo[v].degrees = graph->crdata + static_cast<size_t>(v) * nparts;
  }
}

void ComputeInitKwayGains__(CtrlType *ctrl, HGraph *graph) {
  const int *where = graph->where, *netptr = graph->netptr, *netind = graph->netind;
  const int *netwgt = graph->netwgt;

  iset__(ctrl->nparts, 0, graph->kpwgts);
  graph->mincut = 0;
  graph->minsoed = 0;

  for (int e = 0; e < graph->nhedges; e++) {
    NetKwayInfo &ni = graph->nrinfo[e];
    ni.ndegrees = 0;
    for (int j = netptr[e]; j < netptr[e + 1]; j++) {
      const int p = where[netind[j]];
      const int k = FindNetPart(ni, p);
      if (k >= 0) {
        ni.degrees[k].npins++;
      } else {
        ni.degrees[ni.ndegrees].part = p;
        ni.degrees[ni.ndegrees].npins = 1;
        ni.ndegrees++;
      }
    }
    if (ni.ndegrees > 1) {
      graph->mincut += netwgt[e];
      graph->minsoed += netwgt[e] * ni.ndegrees;
    }
  }

  for (int v = 0; v < graph->nvtxs; v++) {
    graph->kpwgts[where[v]] += graph->cellwgt[v];
    ComputeCellKwayInfo(graph, v);
  }
}

void ComputeKwayGainsSet__(HGraph *graph, int n, const int *list) {
  for (int i = 0; i < n; i++) ComputeCellKwayInfo(graph, list[i]);
}

void KwayUpdateGainInfo__(HGraph *graph, int v, int from, int to, int *marker, int *updind) {
  const int *netptr = graph->netptr, *netind = graph->netind;
  int nupd = 0;

  marker[v] = v;
  updind[nupd++] = v;
  for (int j = graph->incptr[v]; j < graph->incptr[v + 1]; j++) {
    const int e = graph->incind[j];
    if (!MoveNetPin(graph->nrinfo[e], from, to)) continue;
    for (int i = netptr[e]; i < netptr[e + 1]; i++) {
      const int u = netind[i];
      if (marker[u] != v) {
        marker[u] = v;
        updind[nupd++] = u;
      }
    }
  }
  ComputeKwayGainsSet__(graph, nupd, updind);
}
