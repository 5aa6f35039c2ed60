// Read throughput of the hypergraph file reader, for comparing two builds of
// the library: reads FILE REPEATS times and prints the best wall time of a
// reading, the file's megabytes per second at that time, the peak resident
// memory of the process and a checksum of what was read (two builds must
// agree on it).
//
//   read FILE [REPEATS]
//
// Built against a library and its sources by bench/read.sh; by hand:
//   g++ -O2 -std=c++20 -Ilib bench/read.cpp build/release/lib/libzorbel.a -lz -fopenmp
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "hgraph/hgraph.h"

// Declared here rather than taken from the folder of file formats, so that a
// build from before that folder existed compiles too.
HGraph *ReadHGraph(const char *filename);

namespace {

// Of the sizes and every pin: two readings of one file must share it.
unsigned long long Checksum(const HGraph *g) {
  unsigned long long h = static_cast<unsigned long long>(g->nvtxs) * 1000003ULL + g->nhedges;
  for (int i = 0; i < g->netptr[g->nhedges]; ++i) h = h * 31 + static_cast<unsigned>(g->netind[i]);
  for (int e = 0; e <= g->nhedges; ++e) h = h * 37 + static_cast<unsigned>(g->netptr[e]);
  return h;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE [REPEATS]\n", argv[0]);
    return 1;
  }
  const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
  struct stat st{};
  if (stat(argv[1], &st) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  double best = 1e30;
  unsigned long long sum = 0;
  for (int r = 0; r < repeats; ++r) {
    auto start = std::chrono::steady_clock::now();
    HGraph *g = ReadHGraph(argv[1]);
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (took.count() < best) best = took.count();
    sum = Checksum(g);
    FreeHGraph__(g);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%.3f s %.0f MB/s %ld MiB %llu\n", best, static_cast<double>(st.st_size) / 1e6 / best,
              usage.ru_maxrss / 1024, sum);
  return 0;
}
