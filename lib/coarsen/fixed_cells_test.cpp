#include <gtest/gtest.h>

#include <random>

#include "level_checks_test.h"

namespace {

std::vector<int> RandomFixing(int nvtxs, int nparts, double share, std::mt19937 &rng) {
  std::vector<int> part(nvtxs, -1);
  for (int &p : part)
    if (rng() % 1000 < share * 1000) p = (int)(rng() % nparts);
  return part;
}

TEST(FixedCells, CompressionMergesEachPartsFixedVerticesIntoItsAnchor) {
  std::mt19937 rng(21);
  for (int round = 0; round < 24; ++round) {
    zt::GenSpec gs;
    gs.nvtxs = 150;
    gs.nhedges = 220;
    gs.maxvwgt = 5;
    gs.maxhwgt = 4;
    gs.nislands = round % 3;
    gs.seed = 400 + round;
    const zt::PlainHGraph p = zt::Generate(gs);
    const int nparts = 2 + round % 7;
    const std::vector<int> part = RandomFixing(p.nvtxs, nparts, 0.05 * (round % 5), rng);
    HGraph *graph = zt::ToHGraph(p);
    CtrlType ctrl = ct::MakeCtrl(1, 100);
    ctrl.nparts = nparts;
    CompressFixedCells__(&ctrl, graph, part.data());
    HGraph *c = graph->coarser;

    int next = nparts;
    std::vector<int> anchorwgt(nparts, 0);
    for (int v = 0; v < p.nvtxs; ++v) {
      const int want = part[v] == -1 ? next++ : part[v];
      ASSERT_EQ(graph->maps.cellmap[v], want);
      if (part[v] != -1) anchorwgt[part[v]] += p.vwgts[v];
    }
    ASSERT_EQ(c->nvtxs, next);
    for (int a = 0; a < nparts; ++a) EXPECT_EQ(c->cellwgt[a], anchorwgt[a]);
    std::ostringstream err;
    ct::detail::CheckGrouping(ctrl, graph, c, {false, 0}, err);
    ct::detail::CheckHEdges(graph, c, err);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(graph->incptr, nullptr);
    EXPECT_EQ(c->incptr, nullptr);
    EXPECT_EQ(c->adjwgt, nullptr);
    EXPECT_EQ(c->edgewgt, nullptr);

    // Any partition of the compressed hypergraph with the anchors in distinct
    // parts brings every fixed vertex back to its part.
    std::vector<int> anchorpart(nparts);
    std::iota(anchorpart.begin(), anchorpart.end(), 0);
    std::shuffle(anchorpart.begin(), anchorpart.end(), rng);
    std::vector<int> fpart(c->nvtxs);
    for (int u = 0; u < c->nvtxs; ++u) fpart[u] = u < nparts ? anchorpart[u] : (int)(rng() % nparts);
    std::vector<int> result(p.nvtxs, -7);
    ProjectFixedCells__(&ctrl, graph, result.data(), fpart.data());
    for (int v = 0; v < p.nvtxs; ++v) {
      if (part[v] != -1) {
        EXPECT_EQ(result[v], part[v]);
      }
      const int q = fpart[graph->maps.cellmap[v]];
      const int anchor = (int)(std::find(anchorpart.begin(), anchorpart.end(), q) - anchorpart.begin());
      EXPECT_EQ(result[v], anchor);
    }
    ct::FreeBelow(graph);
    FreeHGraph__(graph);
  }
}

TEST(FixedCells, AllFreeGivesEmptyAnchorsThenEveryVertexInOrder) {
  zt::GenSpec gs;
  gs.nvtxs = 40;
  gs.nhedges = 3;  // fewer hyperedges than coarse vertices
  const zt::PlainHGraph p = zt::Generate(gs);
  HGraph *graph = zt::ToHGraph(p);
  CtrlType ctrl = ct::MakeCtrl(1, 100);
  ctrl.nparts = 8;
  const std::vector<int> part(40, -1);
  CompressFixedCells__(&ctrl, graph, part.data());
  HGraph *c = graph->coarser;
  ASSERT_EQ(c->nvtxs, 48);
  for (int a = 0; a < 8; ++a) EXPECT_EQ(c->cellwgt[a], 0);
  for (int v = 0; v < 40; ++v) EXPECT_EQ(graph->maps.cellmap[v], 8 + v);
  EXPECT_EQ(c->nhedges, 3);
  ct::FreeBelow(graph);
  FreeHGraph__(graph);
}

TEST(FixedCells, AnchorsSharingAPartEndTheRunInsteadOfProjecting) {
  zt::GenSpec gs;
  gs.nvtxs = 30;
  HGraph *graph = zt::ToHGraph(zt::Generate(gs));
  CtrlType ctrl = ct::MakeCtrl(1, 100);
  ctrl.nparts = 3;
  std::vector<int> part(30, -1);
  part[4] = 0;
  part[9] = 2;
  CompressFixedCells__(&ctrl, graph, part.data());
  std::vector<int> fpart(graph->coarser->nvtxs, 0);
  fpart[0] = 1;
  fpart[1] = 1;
  fpart[2] = 0;
  std::vector<int> result(30, 0);
  EXPECT_EXIT(ProjectFixedCells__(&ctrl, graph, result.data(), fpart.data()),
              ::testing::ExitedWithCode(1), "Internal error: the anchors of parts 0 and 1 both lie in part 1");
  ct::FreeBelow(graph);
  FreeHGraph__(graph);
}

TEST(FixedCells, PartOutsideTheRangeIsFatal) {
  zt::GenSpec gs;
  gs.nvtxs = 30;
  HGraph *graph = zt::ToHGraph(zt::Generate(gs));
  CtrlType ctrl = ct::MakeCtrl(1, 100);
  ctrl.nparts = 2;
  std::vector<int> part(30, -1);
  part[7] = 2;
  EXPECT_EXIT(CompressFixedCells__(&ctrl, graph, part.data()), ::testing::ExitedWithCode(1),
              "vertex 7 is fixed to part 2");
  FreeHGraph__(graph);
}

}  // namespace
