// The balanced flow cut of a region: a maximum flow between the contracted
// sides, the most balanced of its minimum cuts, and piercing until one fits
// the bounds, nothing is left to pierce or the piercing has cost too much.
#include "flow/flow.h"

namespace {

// Piercing stops once the search trees have scanned, since they were
// planted, a few million arcs and tree paths plus this many per vertex and
// hyperedge of the problem. On a large region a balanced cut can take
// thousands of piercings, each growing the trees again, and cost several
// times the rest of the run for a cut that the next round or level finds
// anyway; small regions never come near.
constexpr long long kPiercingEffortPerItem = 64;
constexpr long long kPiercingEffortFloor = 1 << 22;

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
  const long long budget =
      p.piercebudget > 0
          ? p.piercebudget
          : kPiercingEffortFloor + kPiercingEffortPerItem * (static_cast<long long>(p.nvtxs) + p.nhedges);
  FlowCutResult r;
  for (;;) {
    const MinCutChoice c = MostBalancedMinCut__(p, work, total);
    r.cut = work.flow;
    r.pwgts[0] = c.wgt0;
    r.pwgts[1] = total - c.wgt0;
    // Piercing never lowers the flow: past maxcut nothing of use is left.
    r.found = c.excess <= 0 && work.flow <= p.maxcut;
    const int s = SideToPierce(p, c);
    const bool stop = r.found || work.flow > p.maxcut || work.effort > budget;
    const int v = stop ? -1 : ChoosePiercingVertex__(p, work, s);
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
