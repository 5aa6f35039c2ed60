// The public reader hands over, for every format, the arrays the internal
// readers build, in memory the caller frees with free.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "io/io.h"
#include "testgen.h"
#include "zorbel.h"

namespace {

struct Read {
  int nvtxs = -1, nhedges = -1;
  std::vector<int> vwgts, eptr, eind, hewgts;
};

Read ThroughEntry(const std::string &path, int format) {
  int nvtxs, nhedges, *vwgts, *eptr, *eind, *hewgts;
  ZORBEL_ReadHypergraph(path.c_str(), format, &nvtxs, &nhedges, &vwgts, &eptr, &eind, &hewgts);
  Read r;
  r.nvtxs = nvtxs;
  r.nhedges = nhedges;
  r.eptr.assign(eptr, eptr + nhedges + 1);
  r.eind.assign(eind, eind + eptr[nhedges]);
  if (vwgts) r.vwgts.assign(vwgts, vwgts + nvtxs);
  if (hewgts) r.hewgts.assign(hewgts, hewgts + nhedges);
  for (int *p : {vwgts, eptr, eind, hewgts}) std::free(p);
  return r;
}

Read Internal(HGraph *g) {
  Read r;
  r.nvtxs = g->nvtxs;
  r.nhedges = g->nhedges;
  r.eptr.assign(g->netptr.get(), g->netptr + g->nhedges + 1);
  r.eind.assign(g->netind.get(), g->netind + r.eptr.back());
  if (g->cellwgt) r.vwgts.assign(g->cellwgt.get(), g->cellwgt + g->nvtxs);
  if (g->netwgt) r.hewgts.assign(g->netwgt.get(), g->netwgt + g->nhedges);
  FreeHGraph__(g);
  return r;
}

void ExpectSame(const Read &a, const Read &b) {
  EXPECT_EQ(a.nvtxs, b.nvtxs);
  EXPECT_EQ(a.nhedges, b.nhedges);
  EXPECT_EQ(a.eptr, b.eptr);
  EXPECT_EQ(a.eind, b.eind);
  EXPECT_EQ(a.vwgts, b.vwgts);
  EXPECT_EQ(a.hewgts, b.hewgts);
}

}  // namespace

TEST(ReadHypergraphEntry, EveryFormatGivesTheInternalReadersArrays) {
  zt::TempDir dir;
  std::string hgr = dir.file("g.hgr"), mtx = dir.file("m.mtx"), graph = dir.file("g.graph");
  zt::WriteFile(hgr, "3 4 11\n2 1 2\n5 2 3 4\n1 1 4\n1\n1\n2\n1\n");
  zt::WriteGzipFile(mtx, "%%MatrixMarket matrix coordinate pattern symmetric\n4 4 4\n2 1\n3 1\n4 3\n4 4\n");
  zt::WriteFile(graph, "4 3 11\n1 2 4\n2 1 4 3 2\n3 2 2 4 1\n1 3 1\n");
  ExpectSame(ThroughEntry(hgr, ZORBEL_FORMAT_HGR), Internal(ReadHGraph(hgr.c_str())));
  ExpectSame(ThroughEntry(mtx, ZORBEL_FORMAT_MTX_COLUMNS),
             Internal(ReadMatrixMarket(mtx.c_str(), MtxModel::kColumnNet)));
  ExpectSame(ThroughEntry(mtx, ZORBEL_FORMAT_MTX_ROWS), Internal(ReadMatrixMarket(mtx.c_str(), MtxModel::kRowNet)));
  Read g = ThroughEntry(graph, ZORBEL_FORMAT_METIS);
  ExpectSame(g, Internal(ReadMetisGraph(graph.c_str())));
  EXPECT_EQ(g.eind, (std::vector<int>{0, 1, 1, 2, 2, 3}));
  EXPECT_EQ(g.hewgts, (std::vector<int>{4, 2, 1}));

  int nvtxs, nhedges, *vwgts, *eptr, *eind, *hewgts;
  EXPECT_EXIT(ZORBEL_ReadHypergraph(hgr.c_str(), 4, &nvtxs, &nhedges, &vwgts, &eptr, &eind, &hewgts),
              ::testing::ExitedWithCode(1), "^ZORBEL_ReadHypergraph: format 4 is none of ");
  EXPECT_EXIT(ZORBEL_ReadHypergraph(hgr.c_str(), 0, &nvtxs, &nhedges, &vwgts, nullptr, &eind, &hewgts),
              ::testing::ExitedWithCode(1), "^ZORBEL_ReadHypergraph: eptr is NULL.\n");
}
