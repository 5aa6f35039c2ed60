// Seeded recursive bisection of one hypergraph file through the public entry
// point, for comparing two builds of the library: the same seed and options
// give the same partition, so two builds that agree print the same line.
//
//   seeded FILE NPARTS UBFACTOR SEED [NRUNS CTYPE RTYPE VCYCLE RECONST FIXED]
//
// The options default to simplepart's (10 runs, HFC, FM, V-cycles at the end,
// no reconstruction). FIXED = 1 pre-assigns every 37th vertex to part
// (vertex mod NPARTS). Prints the cut, a hash of the part vector and the
// processor seconds of the call.
//
// Built against a library by bench/compare.sh; by hand:
//   g++ -O2 -std=c++20 -Ilib bench/seeded.cpp build/release/lib/libzorbel.a
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "zorbel.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Next line that is not a comment, or false at the end of the file.
bool NextLine(FILE *fp, std::vector<char> &line) {
  while (fgets(line.data(), static_cast<int>(line.size()), fp) != nullptr) {
    if (line[0] != '%') return true;
  }
  return false;
}

struct Hypergraph {
  int nvtxs = 0, nhedges = 0;
  std::vector<int> eptr{0}, eind, hewgts, vwgts;
};

// Reads the hypergraph file format the programs read: a header of hyperedges,
// vertices and an optional format code, one line per hyperedge (weight first
// when the code's units digit asks for it) and one weight line per vertex
// when its tens digit does. A pin list ends at the first value below 1.
Hypergraph Read(const char *name) {
  FILE *fp = fopen(name, "r");
  if (fp == nullptr) {
    perror(name);
    exit(1);
  }
  std::vector<char> line(1 << 17);
  Hypergraph h;
  int code = 0;
  if (!NextLine(fp, line) || sscanf(line.data(), "%d %d %d", &h.nhedges, &h.nvtxs, &code) < 2) {
    fprintf(stderr, "%s: no header\n", name);
    exit(1);
  }
  const bool hew = code % 10 > 0, vw = (code / 10) % 10 > 0;
  std::vector<int> seen(h.nvtxs, -1);
  for (int e = 0; e < h.nhedges; ++e) {
    if (!NextLine(fp, line)) {
      fprintf(stderr, "%s: too few hyperedge lines\n", name);
      exit(1);
    }
    char *p = line.data(), *end = nullptr;
    if (hew) {
      h.hewgts.push_back(static_cast<int>(strtol(p, &end, 10)));
      p = end;
    }
    for (;;) {
      long v = strtol(p, &end, 10);
      if (end == p || v < 1) break;
      p = end;
      if (v > h.nvtxs) {
        fprintf(stderr, "%s: pin %ld out of range\n", name, v);
        exit(1);
      }
      if (seen[v - 1] == e) continue;  // a repeated pin is kept once
      seen[v - 1] = e;
      h.eind.push_back(static_cast<int>(v - 1));
    }
    h.eptr.push_back(static_cast<int>(h.eind.size()));
  }
  if (vw) {
    for (int v = 0; v < h.nvtxs; ++v) {
      h.vwgts.push_back(NextLine(fp, line) ? atoi(line.data()) : 0);
    }
  }
  fclose(fp);
  return h;
}

}  // namespace

int main(int argc, char *argv[]) {
  if (argc != 5 && argc != 11) {
    fprintf(stderr,
            "usage: %s FILE NPARTS UBFACTOR SEED [NRUNS CTYPE RTYPE VCYCLE RECONST FIXED]\n",
            argv[0]);
    return 1;
  }
  Hypergraph h = Read(argv[1]);
  const int nparts = atoi(argv[2]), ub = atoi(argv[3]);
  int options[9] = {1, 10, 1, 1, 1, 0, 0, atoi(argv[4]), 0};
  if (argc == 11) {
    for (int i = 1; i <= 6; ++i) options[i] = atoi(argv[4 + i]);
  }
  std::vector<int> part(h.nvtxs, -1);
  if (options[6] == 1) {
    for (int v = 0; v < h.nvtxs; v += 37) part[v] = v % nparts;
  }
  int edgecut = 0;
  const double start = CpuSeconds();
  ZORBEL_PartRecursive(h.nvtxs, h.nhedges, h.vwgts.empty() ? nullptr : h.vwgts.data(),
                       h.eptr.data(), h.eind.data(), h.hewgts.empty() ? nullptr : h.hewgts.data(),
                       nparts, ub, options, part.data(), &edgecut);
  const double seconds = CpuSeconds() - start;

  unsigned long long hash = 1469598103934665603ULL;  // FNV-1a over the part vector
  for (int p : part) {
    hash = (hash ^ static_cast<unsigned>(p)) * 1099511628211ULL;
  }
  printf("cut %d hash %016llx cpu %.2f\n", edgecut, hash, seconds);
  return 0;
}
