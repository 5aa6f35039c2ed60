// K-way FM after the greedy k-way refinement: exact figures and records,
// bounds and anchors held, never worse than where it started, and better
// than the greedy refinement alone over many inputs.
#include <gtest/gtest.h>

#include <algorithm>

#include "kway_model_test.h"

namespace {

using namespace zt;

// The k-way refinement for the objective in ctrl->RType, ending with FM.
void RefineWithFM(const CtrlType *ctrl, HGraph *graph, int npasses) {
  CtrlType fm = *ctrl;
  fm.opt.KwayFM = 1;
  RefineKwayObjective__(&fm, graph, npasses);
}

Refined Refine(const PlainHGraph &g, const std::vector<int> &where, int nparts, float ub, int nfixed, int rtype,
               bool fm, std::shared_ptr<const PartLimits> limits, int seed) {
  return RefineOnce(fm ? RefineWithFM : RefineKwayObjective__, g, where, nparts, ub, nfixed, 10, 0, seed, rtype,
                    std::move(limits));
}

int Value(const PlainHGraph &g, const std::vector<int> &where, int rtype) {
  const int cut = RecountCut(g, where.data()), soed = RecountSOED(g, where.data());
  return rtype == OBJ_SOED ? soed : rtype == OBJ_KM1 ? soed - cut : cut;
}

TEST(KwayFM, KeepsFiguresBoundsAndAnchorsAndBeatsGreedyAlone) {
  const float ubfactors[] = {1.02f, 1.05f, 1.2f, 1.5f};
  for (int rtype : {OBJ_CUT, OBJ_SOED, OBJ_KM1}) {
    SCOPED_TRACE(rtype);
    long long greedy = 0, withfm = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
      SCOPED_TRACE(seed);
      KwayCase c = GeneratedKwayCase(seed + 900);
      std::mt19937 rng(seed);
      const std::vector<int> where = DealtParts(c.g.nvtxs, c.nparts, rng);
      const int nfixed = seed % 3 == 0 ? std::min(c.nparts, c.g.nvtxs) : 0;
      const float ub = ubfactors[seed % 4];
      const std::vector<int> w0 = RecountPartWeights(c.g, where.data(), c.nparts);
      int total = 0;
      for (int x : w0) total += x;
      const KwayBounds b = BoundsOf(ub, c.nparts, total);
      // Every other case under per-part limits of 90% to 130% of the average.
      std::shared_ptr<PartLimits> limits;
      if (seed % 2 == 0) {
        limits = std::make_shared<PartLimits>();
        for (int p = 0; p < c.nparts; ++p)
          limits->maxpwgt.push_back(std::max(w0[p], static_cast<int>(total / c.nparts * (0.9 + 0.4 * (rng() % 100) / 100.0))));
      }

      const Refined g = Refine(c.g, where, c.nparts, ub, nfixed, rtype, false, limits, static_cast<int>(seed));
      const Refined f = Refine(c.g, where, c.nparts, ub, nfixed, rtype, true, limits, static_cast<int>(seed));
      EXPECT_EQ(f.mincut, RecountCut(c.g, f.where.data()));
      EXPECT_EQ(f.minsoed, RecountSOED(c.g, f.where.data()));
      EXPECT_EQ(f.kpwgts, RecountPartWeights(c.g, f.where.data(), c.nparts));
      EXPECT_EQ(f.objval, Value(c.g, f.where, rtype));
      // FM starts from the greedy refinement's partition and keeps the best.
      EXPECT_LE(f.objval, g.objval);
      for (int v = 0; v < nfixed; ++v) EXPECT_EQ(f.where[v], where[v]);
      // No move takes a part over its bound; a part over it may only lose.
      for (int p = 0; p < c.nparts; ++p) {
        EXPECT_LE(f.kpwgts[p], std::max(w0[p], limits ? limits->maxpwgt[p] : b.maxpwgt)) << "part " << p;
        if (!limits && w0[p] >= b.minpwgt) {
          EXPECT_GE(f.kpwgts[p], b.minpwgt) << "part " << p;
        }
      }
      greedy += g.objval;
      withfm += f.objval;
    }
    EXPECT_LT(withfm, greedy);
  }
}

// Every move's two gains against a recount of the figures before and after
// it, and the bounds a vertex waits under against all of its moves.
TEST(KwayFM, GainsMatchARecountAndStayWithinTheirBounds) {
  int nchecked = 0;
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    KwayCase c = GeneratedKwayCase(seed + 950);
    std::mt19937 rng(seed);
    std::vector<int> where = RandomParts(c.g.nvtxs, c.nparts, rng);
    for (int rtype : {OBJ_CUT, OBJ_SOED, OBJ_KM1}) {
      CtrlType ctrl = KwayCtrl(c.nparts, 1.5f, rtype);
      HGraph *graph = KwayHGraph(&ctrl, c.g, where);
      ComputeInitKwayGains__(&ctrl, graph);
      const int second = rtype == OBJ_CUT ? OBJ_KM1 : OBJ_CUT;
      const int before = Value(c.g, where, rtype), before2 = Value(c.g, where, second);
      for (int v = 0; v < c.g.nvtxs; ++v) {
        const CellKwayInfo &ci = KwayCellInfo__(graph, v);
        int boundlead = 0, boundsecond = 0;
        KwayFMGainBound__(rtype, ci, &boundlead, &boundsecond);
        for (int k = 0; k < ci.ndegrees; ++k) {
          int lead = 0, fall2 = 0;
          KwayFMGain__(rtype, ci, ci.degrees[k], &lead, &fall2);
          std::vector<int> moved = where;
          moved[v] = ci.degrees[k].part;
          EXPECT_EQ(lead, before - Value(c.g, moved, rtype)) << "vertex " << v << " objective " << rtype;
          EXPECT_EQ(fall2, before2 - Value(c.g, moved, second)) << "vertex " << v << " objective " << rtype;
          EXPECT_LE(lead, boundlead) << "vertex " << v << " objective " << rtype;
          EXPECT_LE(fall2, boundsecond) << "vertex " << v << " objective " << rtype;
          ++nchecked;
        }
      }
      FreeHGraph__(graph);
    }
  }
  EXPECT_GT(nchecked, 1000);
}

TEST(KwayFM, SameSeedGivesSamePartition) {
  KwayCase c = GeneratedKwayCase(977);
  std::mt19937 rng(3);
  const std::vector<int> where = RandomParts(c.g.nvtxs, c.nparts, rng);
  const Refined a = Refine(c.g, where, c.nparts, 1.5f, 0, OBJ_CUT, true, nullptr, 4);
  const Refined b = Refine(c.g, where, c.nparts, 1.5f, 0, OBJ_CUT, true, nullptr, 4);
  EXPECT_EQ(a.where, b.where);
}

}  // namespace
