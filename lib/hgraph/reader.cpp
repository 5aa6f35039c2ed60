// The hypergraph file reader. The file is read twice: the first pass checks
// the header and counts the pins, so that the pin array is allocated once at
// its final size; the second pass builds the hypergraph.
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "hgraph/hgraph.h"

namespace {

// One line, its newline and the terminating zero must fit.
constexpr int kLineSize = 131072;

struct Header {
  int nhedges;
  int nvtxs;
  int fmt;
  bool HasNetWeights() const { return fmt % 10 > 0; }
  bool HasCellWeights() const { return (fmt / 10) % 10 > 0; }
};

// Reads the next base-10 integer at pos (leading white space skipped, sign
// allowed) and advances pos past it; false, with pos unchanged, when the text
// there is not a number. A number that does not fit an int ends the program.
bool ReadInt(char *&pos, int &value) {
  char *end;
  errno = 0;
  long v = std::strtol(pos, &end, 10);
  if (end == pos) return false;
  if (errno == ERANGE || v < INT_MIN || v > INT_MAX) {
    while (std::isspace(static_cast<unsigned char>(*pos))) ++pos;
    errexit__("Number %.*s in the input file does not fit into an int!\n",
              static_cast<int>(end - pos < 40 ? end - pos : 40), pos);
  }
  pos = end;
  value = static_cast<int>(v);
  return true;
}

// What to do with a line longer than the buffer: a hyperedge line must be
// whole; of any other line only its start matters, so the rest is skipped
// rather than being mistaken for the next line.
enum class LongLine { kReject, kSkipRest };

// The next line that is not a comment, or false at the end of the file.
bool NextDataLine(FILE *fp, char *line, LongLine policy) {
  for (;;) {
    if (std::fgets(line, kLineSize, fp) == nullptr) return false;
    size_t len = std::strlen(line);
    bool whole = len < kLineSize - 1 || line[len - 1] == '\n';
    if (!whole) {
      if (policy == LongLine::kReject && line[0] != '%') errexit__("\nBuffer for fgets not big enough!\n");
      int c;
      while ((c = std::getc(fp)) != EOF && c != '\n') {
      }
    }
    if (line[0] != '%') return true;
  }
}

Header ReadHeader(FILE *fp, char *line) {
  if (!NextDataLine(fp, line, LongLine::kSkipRest)) errexit__("Header line missing from the input file!\n");
  Header h{0, 0, 0};
  char *pos = line;
  int count = 0;
  int *fields[] = {&h.nhedges, &h.nvtxs, &h.fmt};
  while (count < 3 && ReadInt(pos, *fields[count])) ++count;
  if (count < 2) errexit__("Header line must give the numbers of hyperedges and cells!\n");
  if (h.nvtxs < 2) errexit__("Cannot partition graph with %d cells\n", h.nvtxs);
  if (h.fmt >= 100) errexit__("Cannot read this type of file format!");
  // nhedges+1 start entries must be countable in an int.
  if (h.nhedges < 0 || h.nhedges == INT_MAX) errexit__("Cannot partition graph with %d hyperedges\n", h.nhedges);
  return h;
}

void ReadHyperedgeLine(FILE *fp, char *line, int i) {
  if (!NextDataLine(fp, line, LongLine::kReject))
    errexit__("Data about hyperedge %d missing from the input file!\n", i);
}

// A line's leading weight, 0 when the line does not begin with a number.
int ReadWeight(char *&pos) {
  int w = 0;
  ReadInt(pos, w);
  return w;
}

// The pins of the second pass: a store sized by the first pass, and a marker
// per vertex up to the largest pin the first pass saw.
struct PinStore {
  ZBArray<int> netind;
  int npins;
  int maxpins;
  ZBArray<int> marker;  // marker[v] is i+1 once v is stored for hyperedge i
  int nmarks;
};

// Stores the pins of hyperedge i after pos, each vertex once (its first
// occurrence), in time linear in the length of the list.
void ReadPins(char *pos, int i, int nvtxs, PinStore &s) {
  int start = s.npins, v;
  int *marker = s.marker;
  while (ReadInt(pos, v) && v >= 1) {
    if (v > nvtxs) errexit__("Mismatch between the provided and actual value of num_cells\n");
    // Beyond the first pass's pins only when the file changed in between.
    if (v > s.nmarks) errexit__("Out of netind memory!");
    if (marker[v - 1] == i + 1) continue;
    if (s.npins == s.maxpins) errexit__("Out of netind memory!");
    marker[v - 1] = i + 1;
    s.netind[s.npins++] = v - 1;
  }
  if (s.npins == start) errexit__("Empty Hyperedge # %d\n", i + 1);
}

void ReadCellWeights(FILE *fp, char *line, HGraph *graph, int nvtxs) {
  int *cellwgt = graph->cellwgt = imalloc__(nvtxs, "main: cellwgt");
  for (int v = 0; v < nvtxs; ++v) {
    if (!NextDataLine(fp, line, LongLine::kSkipRest))
      errexit__("Weights from vertex %d onwards missing from the input file!\n", v);
    char *pos = line;
    cellwgt[v] = ReadWeight(pos);
    if (cellwgt[v] < 0) errexit__("Negative weight %d of vertex # %d\n", cellwgt[v], v + 1);
  }
}

char *AllocateLine() { return ZBmallocT__<char>(kLineSize, "ReadHGraph: line"); }

// The input file, open while the reading lasts, and closed also when an error
// handler throws out of it (a caller that does not exit on a malformed file
// keeps no descriptor open).
class InputFile {
 public:
  explicit InputFile(const char *filename) : fp_(ZBfopen__(filename, "r", "Can't open input file")) {}
  ~InputFile() { ZBfclose__(fp_); }
  InputFile(const InputFile &) = delete;
  InputFile &operator=(const InputFile &) = delete;
  operator FILE *() const { return fp_; }

 private:
  FILE *fp_;
};

}  // namespace

namespace {

struct PinCount {
  int total;   // pins listed, repeats included
  int maxpin;  // largest pin listed (1-based), 0 when none
};

// The first pass: checks the header and every hyperedge line and counts the
// pins, so that the second pass allocates its pin array once.
PinCount CountPins(const char *filename) {
  ZBArray<char> line;
  line = AllocateLine();
  InputFile fp(filename);
  Header h = ReadHeader(fp, line);
  long long total = 0;
  int maxpin = 0;
  for (int i = 0; i < h.nhedges; ++i) {
    ReadHyperedgeLine(fp, line, i);
    char *pos = line;
    if (h.HasNetWeights()) ReadWeight(pos);
    int v;
    for (; ReadInt(pos, v) && v >= 1; ++total)
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
  ZBArray<char> line;
  line = AllocateLine();
  InputFile fp(filename);
  const Header h = ReadHeader(fp, line);
  const int nhedges = h.nhedges, nvtxs = h.nvtxs;

  ZBArray<int> netptr;
  netptr = imalloc__(static_cast<size_t>(nhedges) + 1, "main: netptr");
  if (h.HasNetWeights()) graph->netwgt = imalloc__(nhedges, "main: netwgt");
  // The marker is sized by the pins the file lists, not by the header's
  // vertex count, which may be far larger than anything the file touches.
  PinStore s;
  s.netind = imalloc__(maxpins, "main: netind");
  s.npins = 0;
  s.maxpins = maxpins;
  s.nmarks = count.maxpin < nvtxs ? count.maxpin : nvtxs;
  s.marker = ismalloc__(s.nmarks, 0, "ReadHGraph: marker");

  for (int i = 0; i < nhedges; ++i) {
    ReadHyperedgeLine(fp, line, i);
    netptr[i] = s.npins;
    char *pos = line;
    if (h.HasNetWeights()) {
      graph->netwgt[i] = ReadWeight(pos);
      // The refinement queues bound gains by the weights: none may be negative.
      if (graph->netwgt[i] < 0) errexit__("Negative weight %d of Hyperedge # %d\n", graph->netwgt[i], i + 1);
    }
    ReadPins(pos, i, nvtxs, s);
  }
  const int npins = netptr[nhedges] = s.npins;
  s.marker.reset();

  if (h.HasCellWeights()) ReadCellWeights(fp, line, graph.get(), nvtxs);

  graph->nvtxs = nvtxs;
  graph->nhedges = nhedges;
  graph->netptr = icopy__(nhedges + 1, netptr, imalloc__(static_cast<size_t>(nhedges) + 1, "ReadHGraph: graph->netptr"));
  graph->netind = icopy__(npins, s.netind, imalloc__(npins, "ReadHGraph: graph->netind"));
  CheckHGraphInput__(filename, nvtxs, nhedges, graph->cellwgt, graph->netptr, graph->netind,
                     graph->netwgt, 0);
  return graph.release();
}
