// K-way uncoarsening and V-cycles: projection, island placement, refinement
// through a coarsened hierarchy and V-cycles, checked against recounts on the
// original hypergraph.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "coarsen/coarsen.h"
#include "kway_model_test.h"

namespace {

using namespace zt;

// A larger generated hypergraph with islands and weights, for the multilevel
// tests (V-cycles coarsen only hypergraphs of more than 1000 vertices).
PlainHGraph LargeCase(unsigned seed, int nvtxs) {
  GenSpec s;
  s.nvtxs = nvtxs;
  s.nhedges = nvtxs + nvtxs / 3;
  s.minsize = 2;
  s.maxsize = 7;
  s.maxvwgt = 3;
  s.maxhwgt = 4;
  s.nislands = 25;
  s.nlarge = 2;
  s.seed = seed;
  return Generate(s);
}

int TotalWeight(const PlainHGraph &g) {
  int total = 0;
  for (int w : g.vwgts) total += w;
  return total;
}

// The library hypergraph of g with its incidence, no partition.
HGraph *PreparedHGraph(const PlainHGraph &g) {
  HGraph *graph = ToHGraph(g);
  CreateIncidentHGraph__(graph);
  return graph;
}

void ExpectFiguresExact(const HGraph *graph, const PlainHGraph &g, int nparts, int RType) {
  ASSERT_EQ(graph->nvtxs, g.nvtxs);
  ASSERT_EQ(graph->nislands, 0);
  for (int v = 0; v < g.nvtxs; ++v) ASSERT_TRUE(graph->where[v] >= 0 && graph->where[v] < nparts);
  EXPECT_EQ(graph->mincut, RecountCut(g, graph->where));
  EXPECT_EQ(graph->kway.minsoed, RecountSOED(g, graph->where));
  EXPECT_EQ(graph->kway.objval, RType == 2 ? graph->kway.minsoed : graph->mincut);
}

TEST(KwayRefine, ProjectionGivesEveryVertexItsCoarseVertexPart) {
  PlainHGraph g = LargeCase(3, 400);
  CtrlType ctrl = KwayCtrl(6, 1.1f);
  ctrl.CType = 5;
  ctrl.maxcellwgt = 40;
  HGraph *graph = PreparedHGraph(g);
  HGraph *cgraph = Coarsen__(&ctrl, graph);
  ASSERT_NE(cgraph, graph);
  HGraph *fine = cgraph->finer;
  AllocateKwayRefinementMemory__(&ctrl, cgraph);
  std::vector<int> cwhere(cgraph->nvtxs);
  for (int c = 0; c < cgraph->nvtxs; ++c) cwhere[c] = cgraph->where[c] = (c * 7) % 6;

  ProjectKwayPartition__(&ctrl, cgraph);
  EXPECT_EQ(fine->coarser, nullptr);
  ASSERT_NE(fine->kway.kpwgts, nullptr);
  ASSERT_NE(fine->kway.crinfo, nullptr);
  for (int v = 0; v < fine->nvtxs; ++v) EXPECT_EQ(fine->where[v], cwhere[fine->maps.cellmap[v]]);

  // Tear down the remaining levels from the coarsest now present.
  for (HGraph *h = fine; h != nullptr;) {
    HGraph *finer = h->finer;
    FreeHGraph__(h);
    h = finer;
  }
}

// Parts weigh 5, 3, 4; islands of weights 2, 2, 1 go to the lightest part at
// their turn: part 1, then part 2, then part 0 (first of the equal lightest).
TEST(KwayRefine, IslandsGoOneByOneToLightestPart) {
  PlainHGraph g = SmallHGraph({{0, 1}}, {1}, {1, 1, 2, 2, 1});
  CtrlType ctrl = KwayCtrl(3, 1.1f);
  HGraph *graph = PreparedHGraph(g);
  graph->nvtxs = 2;
  graph->nislands = 3;
  AllocateKwayRefinementMemory__(&ctrl, graph);
  graph->kway.kpwgts[0] = 5;
  graph->kway.kpwgts[1] = 3;
  graph->kway.kpwgts[2] = 4;
  PartitionIslandsKway__(&ctrl, graph);
  EXPECT_EQ(std::vector<int>(graph->where + 2, graph->where + 5), (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(std::vector<int>(graph->kway.kpwgts.get(), graph->kway.kpwgts + 3),
            (std::vector<int>{6, 5, 6}));
  graph->nvtxs = 5;
  FreeHGraph__(graph);
}

TEST(KwayRefine, NeverCoarsenedHypergraphIsReturnedUntouched) {
  PlainHGraph g = LargeCase(4, 100);
  CtrlType ctrl = KwayCtrl(4, 1.1f);
  HGraph *graph = PreparedHGraph(g);
  graph->where = imalloc__(g.nvtxs, "test: where");
  for (int v = 0; v < g.nvtxs; ++v) graph->where[v] = v % 4;
  graph->kway.objval = -7;
  RefineKway__(&ctrl, graph, graph);
  for (int v = 0; v < g.nvtxs; ++v) EXPECT_EQ(graph->where[v], v % 4);
  EXPECT_EQ(graph->kway.kpwgts, nullptr);
  EXPECT_EQ(graph->kway.objval, -7);
  FreeHGraph__(graph);
}

// Coarsen (islands set aside on every level), partition the coarsest level,
// refine back: every figure on the finest level is exact in the original
// vertex order, and the objective is at most that of the coarsest partition,
// which projection carries up unchanged.
TEST(KwayRefine, RefinementThroughHierarchyKeepsFiguresExactAndObjectiveDown) {
  const int partsChoice[] = {2, 3, 8, 20};
  for (unsigned seed = 1; seed <= 8; ++seed) {
    SCOPED_TRACE(seed);
    PlainHGraph g = LargeCase(seed + 10, 300 + 100 * static_cast<int>(seed));
    const int nparts = partsChoice[seed % 4], RType = 1 + seed % 2;
    CtrlType ctrl = KwayCtrl(nparts, 1.2f, RType);
    ctrl.CoarsenTo = 40;
    ctrl.CType = 1 + seed % 5;
    ctrl.maxcellwgt = 3 * TotalWeight(g) / 40;
    InitRandom__(&ctrl.ctx->rng, static_cast<int>(seed));
    HGraph *graph = PreparedHGraph(g);
    HGraph *cgraph = Coarsen__(&ctrl, graph);
    ASSERT_NE(cgraph, graph);

    AllocateKwayRefinementMemory__(&ctrl, cgraph);
    std::mt19937 rng(seed);
    for (int c = 0; c < cgraph->nvtxs + cgraph->nislands; ++c)
      cgraph->where[c] = static_cast<int>(rng() % nparts);
    PlainHGraph cg = FromHGraph(cgraph);
    const int before = RType == 2 ? RecountSOED(cg, cgraph->where) : RecountCut(cg, cgraph->where);

    RefineKway__(&ctrl, graph, cgraph);
    EXPECT_EQ(graph->coarser, nullptr);
    ExpectFiguresExact(graph, g, nparts, RType);
    EXPECT_EQ(std::vector<int>(graph->kway.kpwgts.get(), graph->kway.kpwgts + nparts),
              RecountPartWeights(g, graph->where, nparts));
    EXPECT_LE(graph->kway.objval, before);
    FreeHGraph__(graph);
  }
}

// A partition as the final pass of recursive bisection leaves it: one
// refinement, the bookkeeping freed, then V-cycles.
HGraph *RefinedStart(const CtrlType *ctrl, const PlainHGraph &g, std::mt19937 &rng) {
  HGraph *graph = PreparedHGraph(g);
  AllocateKwayRefinementMemory__(ctrl, graph);
  for (int v = 0; v < g.nvtxs; ++v) graph->where[v] = static_cast<int>(rng() % ctrl->nparts);
  (ctrl->RType == 2 ? RefineSOEDKway_Random__ : RefineCutKway_Random__)(ctrl, graph, 10);
  ReleaseRunState__(graph);
  return graph;
}

// Parses the progress line "          [start v1 v2 ... (min = last)]".
std::vector<int> ProgressValues(const std::string &out) {
  const std::string head = "          [", tail = ")]\n", mark = "(min = ";
  std::vector<int> values;
  const size_t at = out.find(mark);
  EXPECT_TRUE(out.rfind(head, 0) == 0 && at != std::string::npos && out.size() > tail.size() &&
              out.compare(out.size() - tail.size(), tail.size(), tail) == 0)
      << out;
  if (at == std::string::npos) return values;
  std::istringstream in(out.substr(head.size(), at - head.size()));
  for (int x; in >> x;) values.push_back(x);
  values.push_back(std::stoi(out.substr(at + mark.size())));
  return values;
}

// Every cycle keeps the figures exact, never raises the objective, and the
// loop stops after two cycles in a row without a new best value.
TEST(KwayRefine, VCyclesKeepFiguresExactAndStopAfterTwoCyclesWithoutGain) {
  const int partsChoice[] = {3, 4, 16, 33};
  for (unsigned seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE(seed);
    PlainHGraph g = LargeCase(seed + 20, 1300 + 250 * static_cast<int>(seed));
    const int nparts = partsChoice[seed % 4], RType = 1 + seed % 2;
    CtrlType ctrl = KwayCtrl(nparts, 1.1f, RType);
    ctrl.maxcellwgt = 3 * TotalWeight(g) / 100;
    ctrl.dbglvl = DBG_DETAIL;
    InitRandom__(&ctrl.ctx->rng, static_cast<int>(seed));
    std::mt19937 rng(seed);
    HGraph *graph = RefinedStart(&ctrl, g, rng);
    const int start = graph->kway.objval;

    testing::internal::CaptureStdout();
    const int result = VCycleRefinementKway__(&ctrl, graph, 10);
    fflush(stdout);
    const std::vector<int> values = ProgressValues(testing::internal::GetCapturedStdout());

    EXPECT_EQ(result, graph->kway.objval);
    ExpectFiguresExact(graph, g, nparts, RType);
    EXPECT_EQ(ctrl.CoarsenTo, 100);
    EXPECT_EQ(ctrl.CType, 1);
    EXPECT_EQ(graph->maps.cellmap, nullptr);
    EXPECT_EQ(graph->kway.crinfo, nullptr);
    EXPECT_EQ(graph->islandmap, nullptr);

    ASSERT_GE(values.size(), 4u);  // start, at least two cycles, closing value
    EXPECT_EQ(values.front(), start);
    EXPECT_EQ(values.back(), result);
    const int ncycles = static_cast<int>(values.size()) - 2;
    EXPECT_LE(ncycles, 10);
    int best = start, last = -1;
    for (int i = 0; i < ncycles; ++i) {
      EXPECT_LE(values[i + 1], values[i]) << "cycle " << i;
      if (values[i + 1] < best) {
        best = values[i + 1];
        last = i;
      } else if (i - last >= 2) {
        EXPECT_EQ(i, ncycles - 1) << "the loop should have stopped";
      }
    }
    if (ncycles < 10) {
      EXPECT_GE(ncycles - 1 - last, 2) << "stopped while still improving";
    }
    FreeHGraph__(graph);
  }
}

// At most 1000 vertices: V-cycle coarsening makes no level, so two cycles
// pass without change and the partition stays.
TEST(KwayRefine, VCyclesOnSmallHypergraphChangeNothing) {
  PlainHGraph g = LargeCase(30, 500);
  CtrlType ctrl = KwayCtrl(5, 1.1f);
  ctrl.dbglvl = DBG_DETAIL;
  std::mt19937 rng(1);
  HGraph *graph = RefinedStart(&ctrl, g, rng);
  const std::vector<int> before(graph->where.get(), graph->where + g.nvtxs);
  const int objval = graph->kway.objval;
  testing::internal::CaptureStdout();
  EXPECT_EQ(VCycleRefinementKway__(&ctrl, graph, 10), objval);
  fflush(stdout);
  const std::string o = std::to_string(objval);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "          [" + o + " " + o + " " + o + " (min = " + o + ")]\n");
  EXPECT_EQ(std::vector<int>(graph->where.get(), graph->where + g.nvtxs), before);
  FreeHGraph__(graph);
}

// A level whose vertices are all islands is not refined; its islands are
// spread over the parts and the objective reads 0.
TEST(KwayRefine, HierarchyOfIslandsOnlyEndsWithObjectiveZero) {
  PlainHGraph g;
  g.nvtxs = 60;
  g.vwgts.assign(60, 1);
  for (int RType : {1, 2}) {
    CtrlType ctrl = KwayCtrl(4, 1.1f, RType);
    ctrl.CoarsenTo = 10;
    ctrl.CType = 5;
    ctrl.maxcellwgt = 10;
    HGraph *graph = PreparedHGraph(g);
    HGraph *cgraph = Coarsen__(&ctrl, graph);
    ASSERT_NE(cgraph, graph);
    AllocateKwayRefinementMemory__(&ctrl, cgraph);
    for (int c = 0; c < cgraph->nvtxs + cgraph->nislands; ++c) cgraph->where[c] = 0;
    graph->kway.objval = -1;
    RefineKway__(&ctrl, graph, cgraph);
    EXPECT_EQ(graph->nvtxs, 60);
    EXPECT_EQ(graph->kway.objval, 0);
    EXPECT_EQ(std::vector<int>(graph->kway.kpwgts.get(), graph->kway.kpwgts + 4),
              (std::vector<int>{15, 15, 15, 15}));
    FreeHGraph__(graph);
  }
}

}  // namespace
