// The balanced flow cut of a region: a maximum flow between the contracted
// sides, the most balanced of its minimum cuts, and piercing until one fits
// the bounds or nothing is left to pierce.
#include "flow/flow.h"

namespace {

// The set whose residual side leaves its bound the more room, the lighter
// one relative to what it may carry: no cut between the two residual sides
// fits, and only more weight on that side can make one fit. Side 0 on a tie.
int SideToPierce(const FlowProblem &p, const MinCutChoice &c) {
  const long long room0 = static_cast<long long>(p.maxwgt[0]) - c.reachwgt[0];
  const long long room1 = static_cast<long long>(p.maxwgt[1]) - c.reachwgt[1];
  return room1 > room0 ? 1 : 0;
}

}  // namespace

FlowCutResult FindBalancedFlowCut__(const FlowProblem &p, FlowScratch &work, int *side,
                                    const FlowCutObserver &observe) {
  BuildFlowNetwork__(p, work);
  FirstMaxFlow__(p, work);
  const int total = iasum__(p.nvtxs, p.vwgt);
  FlowCutResult r;
  for (;;) {
    const MinCutChoice c = MostBalancedMinCut__(p, work, total);
    r.cut = work.flow;
    r.pwgts[0] = c.wgt0;
    r.pwgts[1] = total - c.wgt0;
    // Piercing never lowers the flow: past maxcut nothing of use is left.
    r.found = c.excess <= 0 && work.flow <= p.maxcut;
    const int s = SideToPierce(p, c);
    const int v = r.found || work.flow > p.maxcut ? -1 : ChoosePiercingVertex__(p, work, s);
    if (observe) observe(work, c, v < 0 ? -1 : s);
    if (v < 0) {
      WriteMinCut__(p, work, c, side);
      return r;
    }
    AssimilateReach__(work, s);
    AddTerminal__(work, v, s);
    AugmentFlow__(work);
    ++r.npierced;
  }
}
