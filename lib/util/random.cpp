// A call's random stream (the POSIX 48-bit generator on a state of its own)
// and the two shuffles built on it. The number and order of generator calls
// are fixed, so a fixed seed makes every run repeat itself.
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "util/util.h"

void InitRandom__(RandomStream *rng, int seed) {
  const long value = seed >= 0 ? seed : static_cast<long>(std::time(nullptr));
  const unsigned long low32 = static_cast<unsigned long>(value) & 0xffffffffUL;
  rng->x[0] = 0x330E;
  rng->x[1] = static_cast<unsigned short>(low32 & 0xffff);
  rng->x[2] = static_cast<unsigned short>(low32 >> 16);
}

double RandomDouble__(RandomStream *rng) { return erand48(rng->x); }

// seed48 hands back the state it replaces; putting that same state back
// leaves the C library's stream as it was.
void TakeUpProcessStream__(RandomStream *rng) {
  unsigned short probe[3] = {0, 0, 0};
  const unsigned short *old = seed48(probe);
  for (int i = 0; i < 3; ++i) rng->x[i] = old[i];
  unsigned short restore[3] = {rng->x[0], rng->x[1], rng->x[2]};
  seed48(restore);
}

void PutBackProcessStream__(const RandomStream *rng) {
  unsigned short state[3] = {rng->x[0], rng->x[1], rng->x[2]};
  seed48(state);
}

static void FillIdentity(int *perm, int n) {
  for (int i = 0; i < n; ++i) perm[i] = i;
}

// n/16 swaps of blocks of four: cheap enough for the inner loops of matching
// and refinement. The four single swaps also handle overlapping blocks.
void RandomPermute__(RandomStream *rng, int *perm, int n, int init) {
  if (init == 1) FillIdentity(perm, n);
  for (int i = 0; i < n / 16; ++i) {
    int u = static_cast<int>(RandomDouble__(rng) * (n - 8));
    int v = static_cast<int>(RandomDouble__(rng) * (n - 8));
    for (int k = 0; k < 4; ++k) std::swap(perm[u + k], perm[v + k]);
  }
}

void RandomPermuteFine__(RandomStream *rng, int *perm, int n, int init) {
  if (init == 1) FillIdentity(perm, n);
  for (int i = 0; i < n; ++i) {
    int u = static_cast<int>(RandomDouble__(rng) * n);
    int v = static_cast<int>(RandomDouble__(rng) * n);
    std::swap(perm[u], perm[v]);
  }
}

float RelDiff__(int a, int b) {
  double diff = std::fabs(static_cast<double>(a) - static_cast<double>(b));
  return static_cast<float>(a > b ? diff / a : diff / b);
}
