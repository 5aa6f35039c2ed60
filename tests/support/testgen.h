// Test support shared by every test folder: a generator of hypergraphs,
// brute-force recounts of the partition figures, file helpers and a runner
// for the programs as child processes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "io/io.h"

namespace zt {

// What a generated hypergraph looks like. All sizes are pins per hyperedge.
struct GenSpec {
  int nvtxs = 200;
  int nhedges = 300;
  int minsize = 2;
  int maxsize = 6;
  int maxvwgt = 1;     // vertex weights uniform in 1..maxvwgt
  int maxhwgt = 1;     // hyperedge weights uniform in 1..maxhwgt
  int nislands = 0;    // this many vertices (spread out) get no hyperedge
  int nlarge = 0;      // extra hyperedges of 51..largesize pins
  int largesize = 80;
  int nheavy = 0;      // vertices given weight heavywgt
  int heavywgt = 0;
  unsigned seed = 1;
};

// A plain, library-independent hypergraph: 0-based pins in compressed rows.
struct PlainHGraph {
  int nvtxs = 0;
  std::vector<int> eptr{0};
  std::vector<int> eind;
  std::vector<int> vwgts;   // always nvtxs entries
  std::vector<int> hewgts;  // always nhedges entries
  int nhedges() const { return static_cast<int>(eptr.size()) - 1; }
};

// Random hypergraph: no repeated pin within a hyperedge; islands are vertices
// no hyperedge touches.
PlainHGraph Generate(const GenSpec &gs);

// Large enough that its first levels are coarsened and refined in tasks:
// wide hyperedges, weighted and heavy vertices, islands.
inline GenSpec TaskSizedSpec(unsigned seed) {
  GenSpec gs;
  gs.nvtxs = 20000;
  gs.nhedges = 26000;
  gs.maxsize = 7;
  gs.maxvwgt = 4;
  gs.maxhwgt = 3;
  gs.nlarge = 12;
  gs.largesize = 1500;
  gs.nheavy = 5;
  gs.heavywgt = 300;
  gs.nislands = 40;
  gs.seed = seed;
  return gs;
}

// A library HGraph (allocated through the library's allocators, owned by the
// caller, freed with FreeHGraph__) holding the structure and weights of g.
HGraph *ToHGraph(const PlainHGraph &g);
PlainHGraph FromHGraph(const HGraph *graph);

// Brute-force figures of a partition.
int RecountCut(const PlainHGraph &g, const int *where);
int RecountSOED(const PlainHGraph &g, const int *where);  // sum over cut hyperedges of w * parts
int RecountKm1(const PlainHGraph &g, const int *where);   // sum over hyperedges of w * (parts - 1)
std::vector<int> RecountPartWeights(const PlainHGraph &g, const int *where, int nparts);

// External degree of every part: the weight of the cut hyperedges touching it.
std::vector<int> RecountPartDegrees(const PlainHGraph &g, const int *where, int nparts);

// The figures a program printed in its partition statistics; ok is false when
// the summary is missing or malformed.
struct PrintedStatistics {
  bool ok = false;
  int nparts = -1;
  int cut = -1;
  int soed = -1;
  std::vector<int> pwgts;
  std::vector<int> pcuts;
};
PrintedStatistics ParseStatistics(const std::string &out);

// The part numbers of a partition file, one per line; empty when unreadable.
std::vector<int> ReadPartFile(const std::string &path);

// Heaviest weight a part of recursive bisection into nparts parts can reach
// when every bisection gives a side at most its share of the bisected weight
// plus ub of it (plus one for truncation). total: total vertex weight.
double BisectionPartBound(int nparts, double total, double ub);

// Reads a hypergraph file (format code 0, 1, 10 or 11; lines starting with
// '%' are comments) without the library's reader; throws on malformed input.
PlainHGraph ReadHGraphFile(const std::string &path);

// Writes g as a hypergraph file (format code 0, 1, 10 or 11 by its weights).
void WriteHGraphFile(const std::string &path, const PlainHGraph &g, int fmt);

// A scratch directory, removed with its contents when the object dies.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  const std::string &path() const { return path_; }
  std::string file(const std::string &name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &text);
// text with the characters of regular expressions escaped, for the death
// tests; Exactly anchors it at both ends, to match that text and no other.
std::string Escaped(const std::string &text);
std::string Exactly(const std::string &text);
// text gzip-compressed into path, as gzip writes it.
void WriteGzipFile(const std::string &path, const std::string &text);

// Runs a program with arguments (no shell), collecting its standard output,
// standard error and exit status; signal deaths give status 128 + signal.
struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};
RunResult RunProgram(const std::string &program, const std::vector<std::string> &args,
                     const std::string &cwd = "");

// Checks a finished run of a partitioning program on g (read from graphfile):
// exit status 0, a partition file "<graphfile>.part.<largest part + 1>" with
// one part in 0..nparts-1 per vertex, and printed statistics equal to the
// recounted ones. Returns the partition (empty when the file is unusable).
std::vector<int> CheckPartitionRun(const RunResult &r, const PlainHGraph &g,
                                   const std::string &graphfile, int nparts);

// Runs body in a forked child process, whose exit status is body's return
// value unless it exits earlier (errexit__); collects its standard output and
// standard error like RunProgram. Signal deaths give status 128 + signal.
RunResult RunInChild(const std::function<int()> &body);

// One call of ZORBEL_PartKway (kway) or ZORBEL_PartRecursive on g with the
// given option slots: part goes in as the fixed parts (-1 free) and comes back
// as the partition, with the cut and everything the call printed.
struct EntryOutcome {
  std::vector<int> part;
  int cut = -1;
  std::string printed;
  friend bool operator==(const EntryOutcome &, const EntryOutcome &) = default;
};
EntryOutcome CallEntry(const PlainHGraph &g, bool kway, int nparts, int ubfactor,
                       const int *options, std::vector<int> part);

// Path of a built program (simplepart, rbpart, kwaypart).
std::string ProgramPath(const std::string &name);

// Path of a shared instance, or "" when the instances folder is absent.
std::string InstancePath(const std::string &name);

}  // namespace zt
