#include <gtest/gtest.h>

#include <algorithm>

#include "testgen.h"
#include "hgraph/hgraph.h"
#include "prep/prep.h"

TEST(HGraphLifecycle, NewRecordHoldsInitialValues) {
  HGraph *g = CreateHGraph__();
  EXPECT_EQ(g->nvtxs, -1);
  EXPECT_EQ(g->nhedges, -1);
  EXPECT_EQ(g->nislands, 0);
  EXPECT_EQ(g->removedwgt, 0);
  EXPECT_EQ(g->nfixed, -1);
  EXPECT_EQ(g->level, -1);
  EXPECT_EQ(g->twoway.pwgts[0], -1);
  EXPECT_EQ(g->twoway.pwgts[1], -1);
  EXPECT_EQ(g->netptr, nullptr);
  EXPECT_EQ(g->where, nullptr);
  EXPECT_EQ(g->coarser, nullptr);
  EXPECT_EQ(g->finer, nullptr);
  EXPECT_EQ(g->label, nullptr);
  EXPECT_EQ(g->kway.nrinfo, nullptr);
  FreeHGraph__(g);  // only the record
}

TEST(HGraphLifecycle, RootReleaseKeepsStructureAndMayRepeat) {
  zt::GenSpec gs;
  gs.seed = 2;
  zt::PlainHGraph plain = zt::Generate(gs);
  HGraph *g = zt::ToHGraph(plain);
  CreateIncidentHGraph__(g);
  g->where = imalloc__(g->nvtxs, "test: where");
  g->twoway.gain = imalloc__(g->nvtxs, "test: gain");
  g->twoway.ndeg[0] = imalloc__(g->nhedges, "test: ndeg0");
  g->kway.kpwgts = imalloc__(4, "test: kpwgts");
  g->kway.crinfo = ZBmallocT__<CellKwayInfo>(g->nvtxs, "test: crinfo");
  g->label = imalloc__(g->nvtxs, "test: label");
  FreeRootHGraph__(g);
  EXPECT_EQ(g->where, nullptr);
  EXPECT_EQ(g->twoway.gain, nullptr);
  EXPECT_EQ(g->twoway.ndeg[0], nullptr);
  EXPECT_EQ(g->kway.kpwgts, nullptr);
  EXPECT_EQ(g->kway.crinfo, nullptr);
  FreeRootHGraph__(g);  // everything already NULL
  EXPECT_NE(g->label, nullptr);
  EXPECT_NE(g->incptr, nullptr);
  EXPECT_NE(g->edgewgt, nullptr);
  zt::PlainHGraph kept = zt::FromHGraph(g);
  EXPECT_EQ(kept.eind, plain.eind);
  EXPECT_EQ(kept.vwgts, plain.vwgts);
  FreeHGraph__(g);  // the label goes with the record (the leak check sees it)
}

// A trial works on a copy: it must see the same structure, and nothing it
// changes (islands renumber pins, incidence and weights in place) may reach
// the original.
TEST(HGraphLifecycle, CopyHoldsTheStructureAndSharesNoArray) {
  zt::GenSpec gs;
  gs.seed = 5;
  gs.nislands = 3;
  const zt::PlainHGraph plain = zt::Generate(gs);
  HGraph *g = zt::ToHGraph(plain);
  CreateIncidentHGraph__(g);
  g->where = imalloc__(g->nvtxs, "test: where");
  g->label = imalloc__(g->nvtxs, "test: label");
  HGraph *c = CopyHGraph__(g);
  EXPECT_EQ(c->nvtxs, g->nvtxs);
  EXPECT_EQ(c->nhedges, g->nhedges);
  EXPECT_EQ(c->nfixed, g->nfixed);
  EXPECT_EQ(c->where, nullptr);
  EXPECT_EQ(c->label, nullptr);
  const int npins = g->netptr[g->nhedges];
  EXPECT_TRUE(std::equal(g->incptr.get(), g->incptr + g->nvtxs + 1, c->incptr.get()));
  EXPECT_TRUE(std::equal(g->incind.get(), g->incind + npins, c->incind.get()));
  EXPECT_TRUE(std::equal(g->adjwgt.get(), g->adjwgt + g->nvtxs, c->adjwgt.get()));
  EXPECT_TRUE(std::equal(g->edgewgt.get(), g->edgewgt + g->nhedges, c->edgewgt.get()));
  EXPECT_TRUE(CheckHGraph(c));

  SeparateIslands__(c);
  EXPECT_EQ(zt::FromHGraph(g).eind, plain.eind);
  EXPECT_EQ(zt::FromHGraph(g).vwgts, plain.vwgts);
  EXPECT_TRUE(CheckHGraph(g));
  FreeHGraph__(c);
  FreeHGraph__(g);
}

TEST(HGraphLifecycle, FreeingALevelLeavesItsNeighbours) {
  zt::GenSpec gs;
  gs.seed = 3;
  zt::PlainHGraph plain = zt::Generate(gs);
  HGraph *fine = zt::ToHGraph(plain), *mid = zt::ToHGraph(plain), *coarse = zt::ToHGraph(plain);
  fine->coarser = mid;
  mid->finer = fine;
  mid->coarser = coarse;
  coarse->finer = mid;
  FreeHGraph__(mid);
  EXPECT_EQ(zt::FromHGraph(fine).eind, plain.eind);
  EXPECT_EQ(zt::FromHGraph(coarse).eind, plain.eind);
  FreeHGraph__(fine);
  FreeHGraph__(coarse);
}

TEST(HGraphLifecycle, ConsistencyCheckAcceptsBuiltIncidenceAndRejectsEveryCorruption) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    zt::GenSpec gs;
    gs.seed = seed;
    zt::PlainHGraph plain = zt::Generate(gs);
    HGraph *g = zt::ToHGraph(plain);
    EXPECT_EQ(CheckHGraph(g), 1);
    CreateIncidentHGraph__(g);
    ASSERT_EQ(CheckHGraph(g), 1);
    const int npins = g->netptr[g->nhedges];
    ASSERT_GT(npins, 1);

    // Every incidence entry pointed at a hyperedge that does not hold the vertex.
    for (int i = 0; i < npins; ++i) {
      const int saved = g->incind[i];
      g->incind[i] = (saved + 1) % g->nhedges;
      if (g->incind[i] != saved) {
        EXPECT_EQ(CheckHGraph(g), 0) << "incidence " << i;
      }
      g->incind[i] = saved;
    }
    // A pin renamed to another vertex, and a pin outside the vertex range.
    for (int j = 0; j < npins; j += 7) {
      const int saved = g->netind[j];
      g->netind[j] = (saved + 1) % g->nvtxs;
      EXPECT_EQ(CheckHGraph(g), 0) << "pin " << j;
      g->netind[j] = g->nvtxs;
      EXPECT_EQ(CheckHGraph(g), 0) << "pin " << j;
      g->netind[j] = saved;
    }
    // Incidence lists in another order are still the same lists.
    for (int v = 0; v < g->nvtxs; ++v) std::reverse(g->incind + g->incptr[v], g->incind + g->incptr[v + 1]);
    EXPECT_EQ(CheckHGraph(g), 1);
    FreeHGraph__(g);
  }
}
