// Part weight limits of a bound on the final partition. A caller asks either
// for every part within (1 + epsilon) * ceil(W / k), W the total vertex
// weight, or for a maximum weight of each part. Recursive bisection keeps the
// final bound by giving each bisection an imbalance worked out from the
// weight actually present and the capacity of the parts the sub-hypergraph
// will end as, rather than one fraction that compounds over the levels.
#include <algorithm>
#include <climits>
#include <cmath>

#include "hgraph/hgraph.h"

namespace {

// floor(x) as an int, the largest int for anything past it.
int FloorToInt(long double x) {
  if (x >= static_cast<long double>(INT_MAX)) return INT_MAX;
  return x <= 0 ? 0 : static_cast<int>(std::floor(x));
}

// epsilon * ceilavg, a hair above the product, so that a bound of 3% on
// parts of 200 is 206 although 0.03 is a little less than 3/100 in binary.
long double Slack(double epsilon, long long ceilavg) {
  return static_cast<long double>(epsilon) * static_cast<long double>(ceilavg) + 1e-9L;
}

int CeilLog2(int n) {
  int levels = 0;
  while ((1LL << levels) < n) ++levels;
  return levels;
}

}  // namespace

PartLimits FinalPartLimits__(long long total, int nparts, double epsilon, const int *maxpwgts) {
  PartLimits l;
  l.maxpwgt.resize(nparts);
  const long long ceilavg = (total + nparts - 1) / nparts;
  for (int p = 0; p < nparts; ++p)
    l.maxpwgt[p] = maxpwgts ? maxpwgts[p] : FloorToInt(static_cast<long double>(ceilavg) + Slack(epsilon, ceilavg));
  return l;
}

BisectionLimits BisectionLimits__(const PartLimits &limits, long long subtotal, int lo, int mid, int hi) {
  long long side[2] = {0, 0};
  for (int p = lo; p < hi; ++p) side[p < mid ? 0 : 1] += limits.maxpwgt[p];
  const long long all = side[0] + side[1];
  BisectionLimits b;
  // The capacity left over after ceil(log2 k') bisections of ratio 1 + eps'
  // each: the sub-hypergraph's k' parts hold all of it exactly when every
  // bisection on the way uses all of its share. A sub-hypergraph heavier
  // than its parts' capacity gets no slack at all.
  long double ratio = subtotal > 0 ? static_cast<long double>(all) / static_cast<long double>(subtotal) : 1.0L;
  const int levels = CeilLog2(hi - lo);
  if (levels > 0) ratio = std::pow(ratio, 1.0L / levels);
  if (ratio < 1.0L) ratio = 1.0L;
  b.epsilon = static_cast<double>(ratio - 1.0L);
  for (int s = 0; s < 2; ++s) {
    const long double share = all > 0 ? static_cast<long double>(side[s]) / static_cast<long double>(all)
                                      : static_cast<long double>(s == 0 ? mid - lo : hi - mid) / (hi - lo);
    b.target[s] = share;
    // Rounded up, so that the two sides can always take the whole weight
    // when the parts can; never past what the side's parts hold, so that
    // every sub-hypergraph fits its parts and the final parts their limits.
    const long double most = std::ceil(ratio * static_cast<long double>(subtotal) * share);
    b.maxwgt[s] = static_cast<int>(std::min<long double>(most, static_cast<long double>(std::min<long long>(side[s], INT_MAX))));
  }
  return b;
}

void CheckPartLimits__(const char *who, int nvtxs, const int *cellwgt, const int *fixed, const PartLimits &limits) {
  const int nparts = static_cast<int>(limits.maxpwgt.size());
  long long total = 0, capacity = 0;
  std::vector<long long> fixedwgt(nparts, 0);
  int heaviest = -1;
  for (int v = 0; v < nvtxs; ++v) {
    const int w = cellwgt ? cellwgt[v] : 1;
    total += w;
    if (fixed != nullptr && fixed[v] >= 0)
      fixedwgt[fixed[v]] += w;
    else if (heaviest < 0 || w > (cellwgt ? cellwgt[heaviest] : 1))
      heaviest = v;
  }
  int largest = 0;
  for (int p = 0; p < nparts; ++p) {
    capacity += limits.maxpwgt[p];
    largest = std::max(largest, limits.maxpwgt[p]);
    if (fixedwgt[p] > limits.maxpwgt[p])
      errexit__("%s: the vertices fixed in part %d weigh %lld, more than its limit %d.\n", who, p, fixedwgt[p],
                limits.maxpwgt[p]);
  }
  if (capacity < total)
    errexit__("%s: the part limits add up to %lld, less than the total vertex weight %lld.\n", who, capacity, total);
  if (heaviest >= 0 && (cellwgt ? cellwgt[heaviest] : 1) > largest)
    errexit__("%s: vertex %d weighs %d, more than the largest part limit %d.\n", who, heaviest,
              cellwgt ? cellwgt[heaviest] : 1, largest);
}
