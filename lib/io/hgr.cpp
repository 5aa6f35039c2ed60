// The hypergraph file: its reader and its writer. The file is read twice:
// the first pass checks the header and counts the pins, so that the pin
// array is allocated once at its final size; the second pass builds the
// hypergraph.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "io/io.h"
#include "io/text.h"

namespace {

struct Header {
  int nhedges;
  int nvtxs;
  int fmt;
  bool HasNetWeights() const { return fmt % 10 > 0; }
  bool HasCellWeights() const { return (fmt / 10) % 10 > 0; }
};

// An array the second pass writes from end to end: on huge pages, which
// spare the page faults that otherwise cost as much as the parsing.
int *AllocateWritten(size_t n, const char *label) {
  int *array = imalloc__(n, label);
  AdviseHugePages__(array, n * sizeof(int));
  return array;
}

Header ReadHeader(TextInput &in) {
  if (!in.NextUncommentedLine()) errexit__("Header line missing from the input file!\n");
  Header h{0, 0, 0};
  int count = 0;
  int *fields[] = {&h.nhedges, &h.nvtxs, &h.fmt};
  while (count < 3 && in.ReadInt(*fields[count])) ++count;
  if (count < 2) errexit__("Header line must give the numbers of hyperedges and cells!\n");
  if (h.nvtxs < 2) errexit__("Cannot partition graph with %d cells\n", h.nvtxs);
  if (h.fmt >= 100) errexit__("Cannot read this type of file format!");
  // nhedges+1 start entries must be countable in an int.
  if (h.nhedges < 0 || h.nhedges == INT_MAX) errexit__("Cannot partition graph with %d hyperedges\n", h.nhedges);
  return h;
}

void ReadHyperedgeLine(TextInput &in, int i) {
  if (!in.NextUncommentedLine()) errexit__("Data about hyperedge %d missing from the input file!\n", i);
}

// A line's leading weight, 0 when the line does not begin with a number.
int ReadWeight(TextInput &in) {
  int w = 0;
  in.ReadInt(w);
  return w;
}

// The pins of the second pass: a store sized by the first pass, and a marker
// per vertex up to the largest pin the first pass saw.
struct PinStore {
  ZBArray<int> netind;
  int npins;
  int maxpins;
  ZBArray<int> marker;  // marker[v] is i+1 once v is stored for a wide hyperedge i
  int nmarks;
};

// Below this many pins a repeat is found by scanning the hyperedge's pins,
// which are in the cache; from there on the marker takes over, so that a
// wide hyperedge still costs time linear in its length. Looking up the
// marker of every pin of a netlist costs a cache miss each.
constexpr int kScanPins = 32;

// Stores the pins of hyperedge i that follow on the line, each vertex once
// (its first occurrence).
void ReadPins(TextInput &in, int i, int nvtxs, PinStore &s) {
  const int start = s.npins;
  int v;
  int *netind = s.netind, *marker = s.marker;
  bool marking = false;
  while (in.ReadInt(v) && v >= 1) {
    if (v > nvtxs) errexit__("Mismatch between the provided and actual value of num_cells\n");
    // Beyond the first pass's pins only when the file changed in between.
    if (v > s.nmarks) errexit__("Out of netind memory!");
    if (!marking && s.npins - start >= kScanPins) {
      for (int j = start; j < s.npins; ++j) marker[netind[j]] = i + 1;
      marking = true;
    }
    if (marking) {
      if (marker[v - 1] == i + 1) continue;
      marker[v - 1] = i + 1;
    } else if (std::find(netind + start, netind + s.npins, v - 1) != netind + s.npins) {
      continue;
    }
    if (s.npins == s.maxpins) errexit__("Out of netind memory!");
    netind[s.npins++] = v - 1;
  }
  if (s.npins == start) errexit__("Empty Hyperedge # %d\n", i + 1);
}

void ReadCellWeights(TextInput &in, HGraph *graph, int nvtxs) {
  int *cellwgt = graph->cellwgt = imalloc__(nvtxs, "main: cellwgt");
  for (int v = 0; v < nvtxs; ++v) {
    if (!in.NextUncommentedLine()) errexit__("Weights from vertex %d onwards missing from the input file!\n", v);
    cellwgt[v] = ReadWeight(in);
    if (cellwgt[v] < 0) errexit__("Negative weight %d of vertex # %d\n", cellwgt[v], v + 1);
  }
}

struct PinCount {
  int total;   // pins listed, repeats included
  int maxpin;  // largest pin listed (1-based), 0 when none
};

// The first pass: checks the header and every hyperedge line and counts the
// pins, so that the second pass allocates its pin array once.
PinCount CountPins(const char *filename) {
  TextInput in(filename, "Can't open input file");
  Header h = ReadHeader(in);
  long long total = 0;
  int maxpin = 0;
  for (int i = 0; i < h.nhedges; ++i) {
    ReadHyperedgeLine(in, i);
    if (h.HasNetWeights()) ReadWeight(in);
    int v;
    for (; in.ReadInt(v) && v >= 1; ++total)
      if (v > maxpin) maxpin = v;
  }
  if (total > INT_MAX) errexit__("Too many pins in the input file!\n");
  return {static_cast<int>(total), maxpin};
}

}  // namespace

int GetNetListSize(const char *filename) { return CountPins(filename).total; }

HGraph *ReadHGraph(const char *filename) {
  const PinCount count = CountPins(filename);
  const int maxpins = count.total;
  HGraphOwner graph(CreateHGraph__());
  TextInput in(filename, "Can't open input file");
  const Header h = ReadHeader(in);
  const int nhedges = h.nhedges, nvtxs = h.nvtxs;

  ZBArray<int> netptr;
  netptr = AllocateWritten(static_cast<size_t>(nhedges) + 1, "main: netptr");
  if (h.HasNetWeights()) graph->netwgt = imalloc__(nhedges, "main: netwgt");
  // The marker is sized by the pins the file lists, not by the header's
  // vertex count, which may be far larger than anything the file touches.
  PinStore s;
  s.netind = AllocateWritten(maxpins, "main: netind");
  s.npins = 0;
  s.maxpins = maxpins;
  s.nmarks = count.maxpin < nvtxs ? count.maxpin : nvtxs;
  s.marker = AllocateWritten(s.nmarks, "ReadHGraph: marker");
  iset__(s.nmarks, 0, s.marker);

  for (int i = 0; i < nhedges; ++i) {
    ReadHyperedgeLine(in, i);
    netptr[i] = s.npins;
    if (h.HasNetWeights()) {
      graph->netwgt[i] = ReadWeight(in);
      // The refinement queues bound gains by the weights: none may be negative.
      if (graph->netwgt[i] < 0) errexit__("Negative weight %d of Hyperedge # %d\n", graph->netwgt[i], i + 1);
    }
    ReadPins(in, i, nvtxs, s);
  }
  const int npins = netptr[nhedges] = s.npins;
  s.marker.reset();

  if (h.HasCellWeights()) ReadCellWeights(in, graph.get(), nvtxs);

  graph->nvtxs = nvtxs;
  graph->nhedges = nhedges;
  // The hypergraph keeps arrays of exactly its size: the working arrays
  // themselves when no pin was dropped as a repeat, else exact copies.
  graph->netptr = netptr.release();
  if (npins == maxpins)
    graph->netind = s.netind.release();
  else
    graph->netind = icopy__(npins, s.netind, imalloc__(npins, "ReadHGraph: graph->netind"));
  CheckHGraphInput__(filename, nvtxs, nhedges, graph->cellwgt, graph->netptr, graph->netind,
                     graph->netwgt, 0);
  return graph.release();
}

namespace {

// Whether a weight array (null: every weight 1) holds a weight other than 1.
bool AnyWeightBut1(int n, const int *wgt) {
  if (wgt == nullptr) return false;
  for (int i = 0; i < n; ++i)
    if (wgt[i] != 1) return true;
  return false;
}

}  // namespace

void WriteHGraphFile(const HGraph *graph, const char *filename) {
  // A blank line reads back as an error, not as a pinless hyperedge.
  for (int e = 0; e < graph->nhedges; ++e)
    if (graph->netptr[e] == graph->netptr[e + 1])
      errexit__("WriteHGraphFile: hyperedge %d has no pins, which the hypergraph file cannot hold.\n", e + 1);
  const bool netweights = AnyWeightBut1(graph->nhedges, graph->netwgt);
  const bool cellweights = AnyWeightBut1(graph->nvtxs, graph->cellwgt);
  WriteAtomically(filename, "WriteHGraphFile:", [&](FILE *fp) {
    int err = 0;
    auto put = [&](int written) {
      if (written < 0 && err == 0) err = errno;
    };
    put(std::fprintf(fp, "%d %d", graph->nhedges, graph->nvtxs));
    if (netweights || cellweights) put(std::fprintf(fp, " %d", (cellweights ? 10 : 0) + (netweights ? 1 : 0)));
    for (int e = 0; e < graph->nhedges && err == 0; ++e) {
      put(std::fputc('\n', fp));
      const char *sep = "";
      if (netweights) {
        put(std::fprintf(fp, "%d", graph->netwgt[e]));
        sep = " ";
      }
      for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; ++j, sep = " ")
        put(std::fprintf(fp, "%s%d", sep, graph->netind[j] + 1));
    }
    for (int v = 0; cellweights && v < graph->nvtxs && err == 0; ++v)
      put(std::fprintf(fp, "\n%d", graph->cellwgt[v]));
    put(std::fputc('\n', fp));
    return err;
  });
}
