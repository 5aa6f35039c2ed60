// The process-wide random stream (the POSIX 48-bit generator) and the two
// shuffles built on it. The number and order of generator calls are fixed, so
// a fixed seed makes every run repeat itself.
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "util/util.h"

void InitRandom__(int seed) {
  if (seed >= 0)
    srand48(seed);
  else
    srand48(static_cast<long>(std::time(nullptr)));
}

static void FillIdentity(int *perm, int n) {
  for (int i = 0; i < n; ++i) perm[i] = i;
}

// n/16 swaps of blocks of four: cheap enough for the inner loops of matching
// and refinement. The four single swaps also handle overlapping blocks.
void RandomPermute__(int *perm, int n, int init) {
  if (init == 1) FillIdentity(perm, n);
  for (int i = 0; i < n / 16; ++i) {
    int u = static_cast<int>(drand48() * (n - 8));
    int v = static_cast<int>(drand48() * (n - 8));
    for (int k = 0; k < 4; ++k) std::swap(perm[u + k], perm[v + k]);
  }
}

void RandomPermuteFine__(int *perm, int n, int init) {
  if (init == 1) FillIdentity(perm, n);
  for (int i = 0; i < n; ++i) {
    int u = static_cast<int>(drand48() * n);
    int v = static_cast<int>(drand48() * n);
    std::swap(perm[u], perm[v]);
  }
}

float RelDiff__(int a, int b) {
  double diff = std::fabs(static_cast<double>(a) - static_cast<double>(b));
  return static_cast<float>(a > b ? diff / a : diff / b);
}
