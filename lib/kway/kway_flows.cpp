// Flow refinement of a k-way partition: each pair of parts that share a cut
// hyperedge is cut anew by a maximum flow on a region around their common
// cut, the pairs taken in a fixed order so that the result depends on the
// partition alone.
#include <algorithm>
#include <utility>
#include <vector>

#include "flow/flow.h"
#include "kway/kway.h"
#include "refine2/refine2.h"

namespace {

// A pair of parts some hyperedge has pins in, lower part first, with the
// hyperedges that have pins in both: the seeds of its region.
struct AdjacentPair {
  int a, b;
  std::vector<int> seeds;
};

// The adjacent pairs in increasing order. Without restrict only hyperedges
// in exactly two parts count: the cut keeps the others whatever the pair
// does.
std::vector<AdjacentPair> AdjacentPairs(const CtrlType *ctrl, const HGraph *graph, bool restrict) {
  const int nparts = ctrl->nparts;
  std::vector<int> index(static_cast<size_t>(nparts) * nparts, -1);
  std::vector<AdjacentPair> pairs;
  std::vector<int> parts;
  for (int e = 0; e < graph->nhedges; ++e) {
    parts.clear();
    for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; ++j) parts.push_back(graph->where[graph->netind[j]]);
    std::sort(parts.begin(), parts.end());
    parts.erase(std::unique(parts.begin(), parts.end()), parts.end());
    if (parts.size() < 2 || (!restrict && parts.size() > 2)) continue;
    for (size_t i = 0; i < parts.size(); ++i)
      for (size_t k = i + 1; k < parts.size(); ++k) {
        int &at = index[static_cast<size_t>(parts[i]) * nparts + parts[k]];
        if (at < 0) {
          at = static_cast<int>(pairs.size());
          pairs.push_back({parts[i], parts[k], {}});
        }
        pairs[at].seeds.push_back(e);
      }
  }
  std::sort(pairs.begin(), pairs.end(),
            [](const AdjacentPair &x, const AdjacentPair &y) { return x.a != y.a ? x.a < y.a : x.b < y.b; });
  return pairs;
}

}  // namespace

void RefineKwayFlows__(const CtrlType *ctrl, HGraph *graph) {
  if (graph->nvtxs < 2 || graph->incptr == nullptr) return;
  const KwayPartBounds bounds = KwayPartBounds__(ctrl, graph);
  // The cut counts a hyperedge once whatever other parts it touches; the
  // connectivity and the SOED count every part it leaves.
  const bool restrict = ctrl->RType != OBJ_CUT;
  FlowScratch &work = ThreadFlowScratch__();
  FlowRegionMarks &marks = ThreadFlowRegionMarks__();
  std::vector<FlowMove> moves;
  for (const AdjacentPair &adjacent : AdjacentPairs(ctrl, graph, restrict)) {
    const int a = adjacent.a, b = adjacent.b;
    const int *kpwgts = graph->kway.kpwgts;
    FlowPair pair;
    pair.part[0] = a;
    pair.part[1] = b;
    pair.pwgts[0] = kpwgts[a];
    pair.pwgts[1] = kpwgts[b];
    const int total = kpwgts[a] + kpwgts[b];
    pair.maxpwgt[0] = std::min(bounds.maxpwgt[a], total - bounds.minpwgt);
    pair.maxpwgt[1] = std::min(bounds.maxpwgt[b], total - bounds.minpwgt);
    pair.restrict = restrict;
    if (!FlowCutOfPair__(graph, pair, adjacent.seeds, work, marks, moves)) continue;
    const int before = graph->kway.objval;
    std::vector<FlowMove> undo;
    for (const FlowMove &m : moves) {
      undo.push_back({m.vertex, graph->where[m.vertex]});
      graph->where[m.vertex] = m.to;
    }
    ComputeInitKwayGains__(ctrl, graph);
    graph->kway.objval = KwayObjectiveValue__(ctrl, graph);
    // The flow counts the cut or the connectivity exactly; the SOED adds
    // the cut to the connectivity, which a pair's cut can trade against.
    if (graph->kway.objval > before) {
      for (const FlowMove &m : undo) graph->where[m.vertex] = m.to;
      ComputeInitKwayGains__(ctrl, graph);
      graph->kway.objval = KwayObjectiveValue__(ctrl, graph);
    }
  }
}
