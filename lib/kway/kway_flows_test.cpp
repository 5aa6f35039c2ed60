// Flow refinement of k-way partitions: for each objective, on generated
// hypergraphs from refined random partitions, the objective never rises,
// no part leaves its bounds that kept them, and the figures are exact.
#include <gtest/gtest.h>

#include <random>

#include "kway_model_test.h"

namespace {

using namespace zt;

int Objective(const PlainHGraph &g, const int *where, int RType) {
  return RType == OBJ_CUT ? RecountCut(g, where) : RType == OBJ_KM1 ? RecountKm1(g, where) : RecountSOED(g, where);
}

TEST(KwayFlows, NeverRaiseTheObjectiveNorBreakTheBounds) {
  std::mt19937 rng(5);
  for (unsigned seed = 1; seed <= 24; ++seed) {
    KwayCase kc = GeneratedKwayCase(seed);
    const PlainHGraph &g = kc.g;
    if (g.nvtxs < 2 * kc.nparts) continue;
    for (int RType : {OBJ_CUT, OBJ_KM1, OBJ_SOED}) {
      SCOPED_TRACE(::testing::Message() << "seed " << seed << " parts " << kc.nparts << " objective " << RType);
      CtrlType ctrl = KwayCtrl(kc.nparts, 1.2f, RType);
      HGraph *graph = KwayHGraph(&ctrl, g, RandomParts(g.nvtxs, kc.nparts, rng));
      ComputeInitKwayGains__(&ctrl, graph);
      RefineKwayObjective__(&ctrl, graph, 4);
      const int before = Objective(g, graph->where, RType);
      const KwayPartBounds bounds = KwayPartBounds__(&ctrl, graph);
      std::vector<int> w = RecountPartWeights(g, graph->where, kc.nparts);
      std::vector<bool> kept(kc.nparts);
      for (int p = 0; p < kc.nparts; ++p) kept[p] = w[p] >= bounds.minpwgt && w[p] <= bounds.maxpwgt[p];

      RefineKwayFlows__(&ctrl, graph);

      EXPECT_LE(Objective(g, graph->where, RType), before);
      EXPECT_EQ(graph->kway.objval, KwayObjectiveValue__(&ctrl, graph));
      EXPECT_EQ(graph->mincut, RecountCut(g, graph->where));
      EXPECT_EQ(graph->kway.minsoed, RecountSOED(g, graph->where));
      w = RecountPartWeights(g, graph->where, kc.nparts);
      for (int p = 0; p < kc.nparts; ++p) {
        EXPECT_EQ(graph->kway.kpwgts[p], w[p]);
        if (kept[p]) {
          EXPECT_TRUE(w[p] >= bounds.minpwgt && w[p] <= bounds.maxpwgt[p]) << "part " << p;
        }
      }
      FreeHGraph__(graph);
      if (::testing::Test::HasFailure()) return;
    }
  }
}

}  // namespace
