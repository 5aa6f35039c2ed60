// Random streams (the POSIX 48-bit generator on a state of their own), the
// keys they are derived from, and the two shuffles built on them. The number
// and order of generator calls are fixed, so a fixed seed makes every run
// repeat itself.
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

namespace {

// The output function of splitmix64: a bijection of 64-bit words in which
// every input bit changes about half the output bits.
uint64_t SplitMix64(uint64_t z) {
  z += 0x9e3779b97f4a7c15ULL;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

}  // namespace

// The key is scrambled before the value joins it, so key and value do not
// play symmetric parts: (key a, value b) and (key b, value a) differ.
uint64_t MixKey__(uint64_t key, int64_t value) {
  return SplitMix64(SplitMix64(key) ^ static_cast<uint64_t>(value));
}

uint64_t SeedKey__(int seed) {
  const int64_t value = seed >= 0 ? seed : static_cast<int64_t>(std::time(nullptr));
  return SplitMix64(static_cast<uint64_t>(value));
}

RandomStream StreamOfKey__(uint64_t key) {
  RandomStream rng;
  for (int i = 0; i < 3; ++i) rng.x[i] = static_cast<unsigned short>((key >> (16 * i)) & 0xffff);
  return rng;
}

uint64_t DrawKey__(RandomStream *rng) {
  erand48(rng->x);
  const uint64_t state = static_cast<uint64_t>(rng->x[0]) |
                         static_cast<uint64_t>(rng->x[1]) << 16 |
                         static_cast<uint64_t>(rng->x[2]) << 32;
  return SplitMix64(state);
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
