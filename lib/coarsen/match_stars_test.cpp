#include <gtest/gtest.h>

#include <random>

#include "level_checks_test.h"

namespace {

// The chain from a prepared copy of p with three anchors, made alone on
// nthreads threads: by ctype, or within the sides in where by the V-cycles'
// ctype when where is given.
std::vector<int> ChainSnapshot(const zt::PlainHGraph &p, int ctype, const std::vector<int> &where,
                               int nthreads) {
  HGraph *graph = ct::Prepared(p, 3);
  CtrlType ctrl = ct::MakeCtrl(ctype, 100);
  ctrl.maxcellwgt = ct::MaxCellWgt(ctrl.CoarsenTo, graph);
  ctrl.alone = true;
  InitRandom__(&ctrl.ctx->rng, 7);
  if (!where.empty()) {
    graph->where = imalloc__(p.nvtxs, "test: where");
    std::copy(where.begin(), where.end(), graph->where.get());
  }
  const CallThreads__ threads(nthreads);
  InParallel__([&] { where.empty() ? Coarsen__(&ctrl, graph) : CCoarsen__(&ctrl, graph); });
  std::vector<int> snapshot = ct::Snapshot(graph);
  ct::FreeBelow(graph);
  FreeHGraph__(graph);
  return snapshot;
}

}  // namespace

// Large enough that the first levels list their star candidates in tasks:
// the chains are those of the searches made one by one.
TEST(MatchStars, InTasksGivesTheSameChainForAnyThreadCount) {
  const zt::PlainHGraph p = zt::Generate(zt::TaskSizedSpec(61));
  std::mt19937 rng(3);
  std::vector<int> sides(p.nvtxs);
  for (int &s : sides) s = static_cast<int>(rng() % 2);
  const struct {
    int ctype;
    std::vector<int> where;
  } runs[] = {{COARSEN_FC, {}}, {COARSEN_HFC, {}}, {CCOARSEN_EDGES_STARS, sides}};
  for (const auto &run : runs) {
    const std::vector<int> once = ChainSnapshot(p, run.ctype, run.where, 1);
    for (int nthreads : {2, 3, 16})
      EXPECT_EQ(ChainSnapshot(p, run.ctype, run.where, nthreads), once)
          << "scheme " << run.ctype << (run.where.empty() ? "" : " within sides") << ", "
          << nthreads << " threads";
  }
}
