// Label propagation on two sides. The free vertices, shuffled by the trial's
// stream, form sub-rounds. In a sub-round every vertex's gain is worked out
// side by side from the side counts as the sub-round found them; then the
// vertices that would gain move one after another in the sub-round's order,
// each only while its gain, worked out anew from the counts its predecessors
// left, is still positive and its side keeps its minimum weight. So the cut
// never rises, and which vertices move, and in which order, does not depend on
// the threads.
#include <algorithm>
#include <vector>

#include "refine2/refine2.h"

namespace {

constexpr int kSubRounds = 16;
// A smaller sub-round is searched in one task.
constexpr int kTaskVertices = 1024;

// The moves of one sub-round, perm[lo..hi); returns how many were made.
int MoveSubRound(HGraph *graph, const int *perm, int lo, int hi, const char *gains,
                 const int minpwgt[2]) {
  const int *cellwgt = graph->cellwgt;
  int nmoves = 0;
  for (int i = lo; i < hi; ++i) {
    if (!gains[i - lo]) continue;
    const int v = perm[i], from = graph->where[v];
    if (graph->twoway.pwgts[from] - cellwgt[v] < minpwgt[from]) continue;
    const int gain = VertexGain__(graph, v);
    if (gain <= 0) continue;
    MoveWithCounts__(graph, v);
    graph->mincut -= gain;
    ++nmoves;
  }
  return nmoves;
}

}  // namespace

void Refine_LabelProp__(const CtrlType *ctrl, HGraph *graph, int nrounds) {
  const int nvtxs = graph->nvtxs;
  const int nchunks = LevelTasks__(ctrl, graph->incptr[nvtxs]);

  StartTimer(ctrl, &PhaseTimers::RefInitTmr);
  ComputeInitGainsInChunks__(graph, nchunks);
  int minpwgt[2];
  ComputeMinPartWeights__(ctrl, graph->twoway.pwgts[0] + graph->twoway.pwgts[1], minpwgt);
  // Anchors lead the vertices and never move.
  const int first = std::max(graph->nfixed, 0), nfree = nvtxs - first;
  std::vector<int> perm(nfree);
  RandomPermuteFine__(&ctrl->ctx->rng, perm.data(), nfree, 1);
  for (int &v : perm) v += first;
  const int size = std::max(1, (nfree + kSubRounds - 1) / kSubRounds);
  std::vector<char> gains(size);
  StopTimer(ctrl, &PhaseTimers::RefInitTmr);

  StartTimer(ctrl, &PhaseTimers::RefIterTmr);
  for (int r = 0; r < nrounds; ++r) {
    int nmoves = 0;
    for (int lo = 0; lo < nfree; lo += size) {
      const int hi = std::min(nfree, lo + size);
      const int tasks = hi - lo >= kTaskVertices ? nchunks : 1;
      InChunks__(hi - lo, tasks, [&](int, int clo, int chi) {
        for (int i = clo; i < chi; ++i) gains[i] = VertexGain__(graph, perm[lo + i]) > 0;
      });
      nmoves += MoveSubRound(graph, perm.data(), lo, hi, gains.data(), minpwgt);
    }
    if (nmoves == 0) break;
  }
  ComputeGainsInChunks__(graph, nchunks);
  StopTimer(ctrl, &PhaseTimers::RefIterTmr);
}
