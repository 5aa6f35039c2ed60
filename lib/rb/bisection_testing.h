// Helpers shared by the tests of the bisection trials and the initial bisection.
#pragma once

#include <vector>

#include "hgraph/ctrl.h"

namespace zt {

// The control record of one bisection as the recursive-bisection entry fills it.
inline CtrlType BisectionCtrl(float targetfrac, float ubfactor) {
  CtrlType ctrl{};
  ctrl.CoarsenTo = 100;
  ctrl.CType = 1;
  ctrl.RType = 1;
  ctrl.opt.Nruns = 10;
  ctrl.MaxNetSize = 50;
  ctrl.ubfactor = ubfactor;
  ctrl.opt.Seed = 7;
  ctrl.streamKey = SeedKey__(ctrl.opt.Seed);  // as the call's record takes it
  ctrl.opt.VCycle = static_cast<VCycleMode>(1);
  ctrl.nparts = 2;
  ctrl.TargetFrac = targetfrac;
  return ctrl;
}

// Both sides at or above the minimum weights that two-way refinement enforces.
inline bool Balanced(const CtrlType &ctrl, const std::vector<int> &pw) {
  const int total = pw[0] + pw[1];
  const int min0 = static_cast<int>((ctrl.TargetFrac - ctrl.ubfactor) * static_cast<float>(total));
  const int min1 = static_cast<int>((1.0 - static_cast<double>(ctrl.TargetFrac) -
                                     static_cast<double>(ctrl.ubfactor)) *
                                    static_cast<double>(total));
  return pw[0] >= min0 && pw[1] >= min1;
}

}  // namespace zt
