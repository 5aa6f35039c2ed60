// What the fuzz targets share: decoding of hypergraphs, option vectors and
// part vectors from the fuzz input, brute-force recounts, invariant checks,
// and running a reader whose fatal errors end the process in a child.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct HGraph;

namespace zf {

// A hypergraph as a caller of the library hands it over: no vertex twice in a
// hyperedge, pins in 0..nvtxs-1; empty weight vectors stand for NULL.
struct CallerHGraph {
  int nvtxs = 0;
  std::vector<int> eptr{0};
  std::vector<int> eind;
  std::vector<int> vwgts;
  std::vector<int> hewgts;
  int nhedges() const { return static_cast<int>(eptr.size()) - 1; }
  const int *vw() const { return vwgts.empty() ? nullptr : vwgts.data(); }
  const int *hw() const { return hewgts.empty() ? nullptr : hewgts.data(); }
  int VertexWeight(int v) const { return vwgts.empty() ? 1 : vwgts[v]; }
  int HedgeWeight(int e) const { return hewgts.empty() ? 1 : hewgts[e]; }
  bool operator==(const CallerHGraph &) const = default;
};

// Either a small hypergraph spelled out pin by pin by the input, or a larger
// one (up to some hundreds of vertices, so that coarsening has levels to
// build) drawn from a generator seeded by the input, with islands, hyperedges
// over 50 pins and heavy vertices.
CallerHGraph DecodeHGraph(FuzzedDataProvider &in);

// Now and then, decoded from what is left of the input, breaks g in one way
// an entry point must refuse (a pin outside the vertices, eptr running
// backwards or not starting at 0, a negative weight, a weight total past
// the limit) and returns true; or
// repeats some pins, which keeps g valid: the entry point drops the repeats.
bool DecodeDamage(FuzzedDataProvider &in, CallerHGraph &g);

// Which entry point an option vector is for: the valid ranges differ.
enum class Entry { kRecursive, kKway, kRefine2, kRefineKway };

// A valid option vector: slot 0 is mostly 1 with small Nruns and a
// non-negative seed, so that runs are quick and repeatable.
std::array<int, 9> DecodeOptions(FuzzedDataProvider &in, Entry entry);

// nvtxs values drawn from lo..hi.
std::vector<int> DecodeParts(FuzzedDataProvider &in, int nvtxs, int lo, int hi);

int RecountCut(const CallerHGraph &g, const int *part);
int RecountSOED(const CallerHGraph &g, const int *part);

// Prints what went wrong and aborts, so that the fuzzer keeps the input.
void Require(bool ok, const char *what, long long got = 0, long long want = 0);
void RequireParts(const std::vector<int> &part, int nparts);

// Library output (debug traces, "Fixing failed" reports) is not looked at.
void SilenceStdout();

// Runs body(path) in a child process, path naming a file that holds data.
// The child's coverage is merged into this process, so the fuzzer is guided
// by it as if body had run here. Returns the child's exit status; aborts when
// the child died of a signal or a sanitizer report. err receives what the
// child wrote on standard error.
int RunInChild(const uint8_t *data, size_t size, void (*body)(const char *path), std::string &err);

// Runs call in a child process as RunInChild does, and requires that it ends
// the child through the library's error path with exit status 1 and one
// message that begins with "<entry>: ".
void RequireRefusal(const char *entry, const std::function<void()> &call);

// What every reader's hypergraph must be: sizes not negative, pin starts from
// 0 and rising, no empty hyperedge, pins in range and none twice in a
// hyperedge, weights not negative and their totals within the limit, and no
// work arrays left behind.
void RequireReadHGraph(const HGraph *g);

// A reader target's run: read_and_free reads the data's file in a child
// first, where a malformed file may end it with status 1 and a message.
// Returns the path, to be read again here, when the child read it without
// error; NULL when it refused the file.
const char *ReadInChildFirst(const uint8_t *data, size_t size, void (*read_and_free)(const char *path));

// Writes data into a memory file and returns a path that opens it.
const char *DataFile(const uint8_t *data, size_t size);

}  // namespace zf
