#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "coarsen/coarsen.h"
#include "twoway_testing.h"

using namespace twoway;

namespace {

// A bisection of the coarsest level of a chain, islands included.
void RandomCoarsestBisection(HGraph *cgraph, std::mt19937 &rng) {
  AllocateRefinementMemory__(cgraph);
  RandomSides(cgraph, rng);
}

// A hand-made chain of nlevels copies of g, linked by identity maps; returns
// the coarsest level, levels[0] being the finest.
std::vector<HGraph *> IdentityChain(const zt::PlainHGraph &g, int nlevels) {
  std::vector<HGraph *> levels;
  for (int k = 0; k < nlevels; ++k) {
    HGraph *level = zt::ToHGraph(g);
    level->nislands = 0;
    level->level = k;
    CreateIncidentHGraph__(level);
    if (k > 0) {
      levels[k - 1]->coarser = level;
      level->finer = levels[k - 1];
      int *cmap = imalloc__(g.nvtxs, "test: cellmap");
      for (int v = 0; v < g.nvtxs; ++v) cmap[v] = v;
      levels[k - 1]->maps.cellmap = cmap;
    }
    levels.push_back(level);
  }
  return levels;
}

}  // namespace

// Run once with every coarse level keeping its pin lists and once with every
// one setting them aside until its refinement: the sides are the same.
TEST(Refine, ProjectsThroughRealCoarseningAndLeavesFinestLevelExact) {
  int run = 0;
  for (const Case &c : Variety(12, 700)) {
    for (int rtype : {1, 2, 3, int{REFINE_LABELPROP}}) {
      zt::GenSpec gs = c.gs;
      gs.nvtxs += 300;  // several levels above CoarsenTo
      gs.nhedges += 300;
      gs.nislands = gs.nvtxs / 8;
      const zt::PlainHGraph g = zt::Generate(gs);
      const int ctype = 1 + run++ % 5;
      std::vector<int> sides[2];
      for (int aside : {0, 1}) {
        std::mt19937 rng(17);
        HGraph *graph = zt::ToHGraph(g);
        graph->nislands = 0;
        CreateIncidentHGraph__(graph);

        CtrlType ctrl = MakeCtrl();
        ctrl.CoarsenTo = 40;
        ctrl.CType = ctype;
        ctrl.RType = rtype;
        ctrl.nparts = 2;
        ctrl.maxcellwgt = 1 << 30;
        ctrl.HeavyCells = gs.nheavy > 0;
        ctrl.pinsaside = aside ? 1 : INT_MAX;
        InitRandom__(&ctrl.ctx->rng, static_cast<int>(gs.seed));
        HGraph *cgraph = Coarsen__(&ctrl, graph);
        ASSERT_NE(cgraph, graph);
        RandomCoarsestBisection(cgraph, rng);

        Refine__(&ctrl, graph, cgraph);

        SCOPED_TRACE(::testing::Message() << "seed " << gs.seed << " RType " << rtype << " aside " << aside);
        EXPECT_EQ(graph->coarser, nullptr);
        EXPECT_EQ(graph->nislands, 0);
        ASSERT_EQ(graph->nvtxs, g.nvtxs);
        const zt::PlainHGraph back = zt::FromHGraph(graph);
        EXPECT_EQ(back.eind, g.eind);  // the first numbering is back
        ExpectExactFigures(g, graph);
        // Placing islands by weight after refinement keeps the sides within reach.
        EXPECT_LE(
            std::abs(graph->twoway.pwgts[0] - graph->twoway.pwgts[1]),
            (graph->twoway.pwgts[0] + graph->twoway.pwgts[1]) / 5 + 2 * gs.heavywgt + gs.maxvwgt);
        sides[aside].assign(graph->where.get(), graph->where.get() + g.nvtxs);
        FreeHGraph__(graph);
      }
      EXPECT_EQ(sides[0], sides[1]) << "seed " << gs.seed << " RType " << rtype;
      if (::testing::Test::HasFailure()) return;
    }
  }
}

TEST(Refine, EarlyExitSchemeUsesFullFMOnTheTwoLevelsNextToCoarsest) {
  std::mt19937 rng(2);
  const zt::PlainHGraph g = zt::Generate({.nvtxs = 60, .nhedges = 80});
  std::vector<HGraph *> levels = IdentityChain(g, 6);
  RandomCoarsestBisection(levels[5], rng);
  CtrlType ctrl = MakeCtrl();
  InitRandom__(&ctrl.ctx->rng, 1);
  ctrl.RType = 3;
  ctrl.dbglvl = DBG_REFINE;
  const std::string out = CaptureOutput([&] { Refine__(&ctrl, levels[0], levels[5]); });
  // Header lines: full FM ends with two bounds, early-exit FM with one.
  int fm = 0, eefm = 0;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("Partitions: ", 0) != 0) continue;
    const std::string last = line.substr(line.rfind('['));
    ++(last.find(' ') != std::string::npos ? fm : eefm);
  }
  EXPECT_EQ(fm, 2);
  EXPECT_EQ(eefm, 3);
  ExpectExactFigures(g, levels[0]);
  FreeHGraph__(levels[0]);
}

TEST(Refine, SingleLevelHierarchyIsLeftAlone) {
  std::mt19937 rng(2);
  const zt::PlainHGraph g = zt::Generate({.nvtxs = 30, .nhedges = 30});
  std::vector<HGraph *> levels = IdentityChain(g, 1);
  RandomCoarsestBisection(levels[0], rng);
  const std::vector<int> where(levels[0]->where.get(), levels[0]->where + 30);
  levels[0]->mincut = -9;
  CtrlType ctrl = MakeCtrl();
  Refine__(&ctrl, levels[0], levels[0]);
  EXPECT_EQ(where, std::vector<int>(levels[0]->where.get(), levels[0]->where + 30));
  EXPECT_EQ(levels[0]->mincut, -9);
  FreeHGraph__(levels[0]);
}

TEST(Refine, BalancingOnlySchemeStillLeavesExactCut) {
  std::mt19937 rng(4);
  const zt::PlainHGraph g = zt::Generate({.nvtxs = 80, .nhedges = 100});
  std::vector<HGraph *> levels = IdentityChain(g, 3);
  AllocateRefinementMemory__(levels[2]);
  for (int v = 0; v < 80; ++v) levels[2]->where[v] = v % 2;  // balanced: nothing moves
  CtrlType ctrl = MakeCtrl();
  InitRandom__(&ctrl.ctx->rng, 3);
  ctrl.RType = 10;
  Refine__(&ctrl, levels[0], levels[2]);
  for (int v = 0; v < 80; ++v) EXPECT_EQ(levels[0]->where[v], v % 2);
  ExpectExactFigures(g, levels[0]);
  FreeHGraph__(levels[0]);
}

TEST(Refine, UnknownSchemeIsFatal) {
  std::mt19937 rng(2);
  const zt::PlainHGraph g = zt::Generate({.nvtxs = 30, .nhedges = 30});
  std::vector<HGraph *> levels = IdentityChain(g, 2);
  RandomCoarsestBisection(levels[1], rng);
  CtrlType ctrl = MakeCtrl();
  ctrl.RType = 7;
  EXPECT_EXIT(Refine__(&ctrl, levels[0], levels[1]), ::testing::ExitedWithCode(1),
              "Unknown refinement type: 7\n");
  FreeHGraph__(levels[1]);
  FreeHGraph__(levels[0]);
}

TEST(Refine, IslandsGoToTheLighterSideAndTiesToSideOne) {
  zt::PlainHGraph g;
  g.nvtxs = 5;
  g.vwgts = {4, 1, 2, 2, 3};
  HGraph *graph = MakeLevel(g);
  graph->nvtxs = 1;  // vertex 0 takes part; 1..4 are islands behind it
  graph->nislands = 4;
  graph->where[0] = 0;
  graph->twoway.pwgts[0] = 4;
  graph->twoway.pwgts[1] = 0;
  PartitionIslands__(graph);
  // 4:0 -> side 1; 4:1 -> side 1; 4:3 -> side 1; 4:5 -> side 0.
  EXPECT_EQ(std::vector<int>(graph->where.get(), graph->where + 5),
            (std::vector<int>{0, 1, 1, 1, 0}));
  EXPECT_EQ(graph->twoway.pwgts[0], 7);
  EXPECT_EQ(graph->twoway.pwgts[1], 5);
  graph->nvtxs = 5;
  graph->nislands = 0;
  FreeHGraph__(graph);
  // Equal weights: side 1.
  g.nvtxs = 1;
  g.vwgts = {1};
  graph = MakeLevel(g);
  graph->nvtxs = 0;
  graph->nislands = 1;
  graph->twoway.pwgts[0] = graph->twoway.pwgts[1] = 0;
  PartitionIslands__(graph);
  EXPECT_EQ(graph->where[0], 1);
  FreeHGraph__(graph);
}

TEST(Refine, LevelOfIslandsOnlyIsCountedAndPlaced) {
  // No hyperedges at all: both levels hide every vertex as an island.
  zt::PlainHGraph g;
  g.nvtxs = 6;
  g.vwgts = {1, 2, 3, 1, 2, 3};
  std::vector<HGraph *> levels = IdentityChain(g, 2);
  HGraph *fine = levels[0], *coarse = levels[1];
  fine->nislands = 6;
  fine->nvtxs = 0;
  fine->islandmap = imalloc__(6, "test: islandmap");
  for (int v = 0; v < 6; ++v) fine->islandmap[v] = 5 - v;  // islands count down from the end
  std::reverse(fine->cellwgt.get(), fine->cellwgt + 6);
  coarse->nvtxs = 0;
  AllocateRefinementMemory__(coarse);
  CtrlType ctrl = MakeCtrl();
  Refine__(&ctrl, fine, coarse);
  EXPECT_EQ(fine->nvtxs, 6);
  EXPECT_EQ(fine->mincut, 0);
  const std::vector<int> pw = zt::RecountPartWeights(g, fine->where, 2);
  EXPECT_EQ(fine->twoway.pwgts[0], pw[0]);
  EXPECT_EQ(fine->twoway.pwgts[1], pw[1]);
  EXPECT_EQ(std::vector<int>(fine->cellwgt.get(), fine->cellwgt + 6), g.vwgts);
  FreeHGraph__(fine);
}
