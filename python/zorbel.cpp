// The Python module zorbel: hypergraphs held in int32 arrays that NumPy reads
// without copies, the library's partitioners and refiners with the
// interpreter lock released, and exceptions instead of exits. Every argument
// the library would refuse is checked here first and raises ValueError
// naming it; the library's error handler, which throws, is only the backstop
// for what no argument check can foresee (an exhausted heap).
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/io.h"
#include "util/util.h"
#include "zorbel.h"

namespace py = pybind11;

namespace {

// A fatal error of the library, thrown by its error handler.
class LibraryError : public std::runtime_error {
 public:
  explicit LibraryError(const std::string &message) : std::runtime_error(Trimmed(message)) {}

 private:
  static std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    while (!text.empty() && text.front() == '\n') text.erase(text.begin());
    return text;
  }
};

void ThrowLibraryError(const char *message) { throw LibraryError(message); }

// The library's limit on each weight total.
constexpr long long kMaxTotal = kMaxTotalWeight;

[[noreturn]] void Refuse(const std::string &message) { throw py::value_error(message); }

// A Python integer that must lie in lo .. hi; None only where allowed.
long long IntArgument(const py::handle &value, const char *name, long long lo, long long hi) {
  if (py::isinstance<py::bool_>(value) || !py::isinstance<py::int_>(value)) {
    // NumPy integers are accepted as Python integers are.
    if (!py::hasattr(value, "__index__") || py::isinstance<py::bool_>(value))
      Refuse(std::string(name) + " must be an integer, not " +
             std::string(py::str(value.get_type().attr("__name__"))));
  }
  const py::int_ number = py::reinterpret_steal<py::int_>(PyNumber_Index(value.ptr()));
  if (!number) throw py::error_already_set();
  int overflow = 0;
  const long long v = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
  if (overflow != 0 || v < lo || v > hi)
    Refuse(std::string(name) + " = " + py::str(number.cast<py::object>()).cast<std::string>() + " lies outside " +
           std::to_string(lo) + ".." + std::to_string(hi));
  return v;
}

// One-dimensional integers, each in lo .. hi, as ints. Anything NumPy reads
// as such is taken: a list, a range, an array of any integer type.
std::vector<int> IntArray(const py::handle &value, const std::string &name, long long lo,
                          long long hi) {
  py::array array = py::array::ensure(value);
  if (!array) {
    PyErr_Clear();
    Refuse(name + " must be a sequence of integers");
  }
  if (array.ndim() != 1) Refuse(name + " must be one-dimensional, not of shape " +
                                std::string(py::str(py::tuple(array.attr("shape")))));
  const char kind = array.dtype().kind();
  if (array.size() > 0 && kind != 'i' && kind != 'u')
    Refuse(name + " must hold integers, not " + std::string(py::str(array.dtype())));
  if (array.size() > INT_MAX) Refuse(name + " has more than 2147483647 entries");
  std::vector<int> out(static_cast<size_t>(array.size()));
  if (array.size() == 0) return out;
  // Unsigned 64-bit values beyond the signed range are out of any range here.
  if (kind == 'u' && array.dtype().itemsize() == 8) {
    const auto wide = py::array_t<unsigned long long, py::array::c_style | py::array::forcecast>::ensure(array);
    for (py::ssize_t i = 0; i < wide.size(); ++i)
      if (wide.data()[i] > static_cast<unsigned long long>(hi))
        Refuse(name + "[" + std::to_string(i) + "] = " + std::to_string(wide.data()[i]) +
               " lies outside " + std::to_string(lo) + ".." + std::to_string(hi));
  }
  const auto wide = py::array_t<long long, py::array::c_style | py::array::forcecast>::ensure(array);
  const long long *data = wide.data();
  for (size_t i = 0; i < out.size(); ++i) {
    if (data[i] < lo || data[i] > hi)
      Refuse(name + "[" + std::to_string(i) + "] = " + std::to_string(data[i]) + " lies outside " +
             std::to_string(lo) + ".." + std::to_string(hi));
    out[i] = static_cast<int>(data[i]);
  }
  return out;
}

// A hypergraph in compressed rows: hyperedge e has the pins
// eind[eptr[e]] .. eind[eptr[e+1]-1]. Empty weight arrays stand for unit
// weights. Checked once when made, and never changed after.
struct Hypergraph {
  int nvtxs = 0;
  std::vector<int> eptr{0}, eind, vwgts, hewgts;

  int nhedges() const { return static_cast<int>(eptr.size()) - 1; }
  const int *VertexWeights() const { return vwgts.empty() ? nullptr : vwgts.data(); }
  const int *HyperedgeWeights() const { return hewgts.empty() ? nullptr : hewgts.data(); }
};

long long Total(const std::vector<int> &weights, long long count) {
  if (weights.empty()) return count;
  long long total = 0;
  for (int w : weights) total += w;
  return total;
}

// The checks the library makes of a caller's hypergraph, as ValueErrors.
void CheckHypergraph(const Hypergraph &hg, const char *source) {
  const std::string in = source;
  if (hg.eptr.empty() || hg.eptr[0] != 0) Refuse(in + ": eptr must start with 0");
  for (size_t e = 1; e < hg.eptr.size(); ++e)
    if (hg.eptr[e] < hg.eptr[e - 1])
      Refuse(in + ": eptr[" + std::to_string(e) + "] = " + std::to_string(hg.eptr[e]) +
             " lies below eptr[" + std::to_string(e - 1) + "] = " + std::to_string(hg.eptr[e - 1]));
  if (static_cast<size_t>(hg.eptr.back()) != hg.eind.size())
    Refuse(in + ": eptr ends at " + std::to_string(hg.eptr.back()) + " but eind holds " +
           std::to_string(hg.eind.size()) + " pins");
  for (size_t j = 0; j < hg.eind.size(); ++j)
    if (hg.eind[j] < 0 || hg.eind[j] >= hg.nvtxs)
      Refuse(in + ": pin eind[" + std::to_string(j) + "] = " + std::to_string(hg.eind[j]) +
             " lies outside 0.." + std::to_string(hg.nvtxs - 1));
  if (Total(hg.vwgts, hg.nvtxs) > kMaxTotal)
    Refuse("vertex_weights: the total " + std::to_string(Total(hg.vwgts, hg.nvtxs)) +
           " exceeds the limit " + std::to_string(kMaxTotal));
  if (Total(hg.hewgts, hg.nhedges()) > kMaxTotal)
    Refuse("hyperedge_weights: the total " + std::to_string(Total(hg.hewgts, hg.nhedges())) +
           " exceeds the limit " + std::to_string(kMaxTotal));
}

Hypergraph MakeHypergraph(const py::handle &num_vertices, const py::handle &hyperedges,
                          const py::handle &vertex_weights, const py::handle &hyperedge_weights) {
  Hypergraph hg;
  hg.nvtxs = static_cast<int>(IntArgument(num_vertices, "num_vertices", 0, INT_MAX));
  if (py::isinstance<py::tuple>(hyperedges) && py::len(hyperedges) == 2) {
    const py::tuple csr = py::reinterpret_borrow<py::tuple>(hyperedges);
    hg.eptr = IntArray(csr[0], "hyperedges: eptr", 0, INT_MAX);
    hg.eind = IntArray(csr[1], "hyperedges: eind", INT_MIN, INT_MAX);
    if (hg.eptr.empty()) Refuse("hyperedges: eptr must hold at least the entry 0");
  } else {
    if (!py::isinstance<py::iterable>(hyperedges) || py::isinstance<py::str>(hyperedges))
      Refuse("hyperedges must be a list of vertex lists or a pair (eptr, eind)");
    size_t e = 0;
    for (const py::handle edge : hyperedges) {
      const std::vector<int> pins =
          IntArray(edge, "hyperedges[" + std::to_string(e) + "]", 0, hg.nvtxs - 1LL);
      if (hg.eind.size() + pins.size() > INT_MAX) Refuse("hyperedges: more than 2147483647 pins");
      if (hg.eptr.size() > INT_MAX) Refuse("hyperedges: more than 2147483646 hyperedges");
      hg.eind.insert(hg.eind.end(), pins.begin(), pins.end());
      hg.eptr.push_back(static_cast<int>(hg.eind.size()));
      ++e;
    }
  }
  if (!vertex_weights.is_none()) {
    hg.vwgts = IntArray(vertex_weights, "vertex_weights", 0, INT_MAX);
    if (hg.vwgts.size() != static_cast<size_t>(hg.nvtxs))
      Refuse("vertex_weights holds " + std::to_string(hg.vwgts.size()) + " weights for " +
             std::to_string(hg.nvtxs) + " vertices");
  }
  if (!hyperedge_weights.is_none()) {
    hg.hewgts = IntArray(hyperedge_weights, "hyperedge_weights", 0, INT_MAX);
    if (hg.hewgts.size() != static_cast<size_t>(hg.nhedges()))
      Refuse("hyperedge_weights holds " + std::to_string(hg.hewgts.size()) + " weights for " +
             std::to_string(hg.nhedges()) + " hyperedges");
  }
  CheckHypergraph(hg, "hyperedges");
  return hg;
}

// The array of a hypergraph as a read-only NumPy array over its memory,
// which keeps the hypergraph alive.
py::object View(const std::vector<int> &values, const py::object &owner) {
  py::array_t<int32_t> array({static_cast<py::ssize_t>(values.size())}, {sizeof(int32_t)},
                             values.data(), owner);
  array.attr("setflags")(py::arg("write") = false);
  return array;
}

// The most the sum of external degrees of a partition into nparts parts can
// reach must fit the library's int, where a call keeps that sum.
void CheckSOEDLimit(const Hypergraph &hg, int nparts) {
  long long bound = 0;
  for (int e = 0; e < hg.nhedges(); ++e) {
    const long long reach = std::min(hg.eptr[e + 1] - hg.eptr[e], nparts);
    bound += reach * (hg.hewgts.empty() ? 1 : hg.hewgts[e]);
  }
  if (bound > INT_MAX)
    Refuse("num_parts: the sum of external degrees into " + std::to_string(nparts) +
           " parts can reach " + std::to_string(bound) + ", past the limit 2147483647");
}

// seed None is the clock's (-1); threads None the library's default (0).
int SeedOption(const py::object &seed) {
  return seed.is_none() ? -1 : static_cast<int>(IntArgument(seed, "seed", 0, INT_MAX));
}
int ThreadsArgument(const py::object &threads) {
  return threads.is_none() ? 0 : static_cast<int>(IntArgument(threads, "threads", 1, 4096));
}

int Objective(const py::object &objective) {
  if (py::isinstance<py::str>(objective)) {
    const std::string name = objective.cast<std::string>();
    if (name == "cut") return 1;
    if (name == "soed") return 2;
  }
  Refuse("objective must be \"cut\" or \"soed\", not " + std::string(py::repr(objective)));
}

// True or False (or the integers 0 and 1).
bool BoolArgument(const py::object &value, const char *name) {
  if (py::isinstance<py::bool_>(value)) return value.cast<bool>();
  return IntArgument(value, name, 0, 1) == 1;
}

// A partition given by the caller: one part in lo .. hi per vertex.
std::vector<int> PartArgument(const Hypergraph &hg, const py::handle &value, const char *name,
                              long long lo, long long hi) {
  std::vector<int> part = IntArray(value, name, lo, hi);
  if (part.size() != static_cast<size_t>(hg.nvtxs))
    Refuse(std::string(name) + " holds " + std::to_string(part.size()) + " entries for " +
           std::to_string(hg.nvtxs) + " vertices");
  return part;
}

using Entry = void (*)(int, int, const int *, const int *, const int *, const int *, int, int,
                       const int *, int *, int *);

// Runs a partitioning entry point without the interpreter lock; part holds
// the entries it reads and receives the result.
py::tuple Run(Entry entry, const Hypergraph &hg, int nparts, int ubfactor, const int *options,
              std::vector<int> part, int threads) {
  int cut = 0;
  {
    py::gil_scoped_release unlocked;
    CallThreads__ scope(threads);
    entry(hg.nvtxs, hg.nhedges(), hg.VertexWeights(), hg.eptr.data(), hg.eind.data(),
          hg.HyperedgeWeights(), nparts, ubfactor, options, part.data(), &cut);
  }
  return py::make_tuple(py::array_t<int32_t>(static_cast<py::ssize_t>(part.size()), part.data()),
                        cut);
}

// The number of parts of a partitioner: at least 2 and, as the programs
// require, no more than hg has vertices, so that no part need stay empty.
int NumPartsArgument(const Hypergraph &hg, const py::object &num_parts) {
  const int nparts = static_cast<int>(IntArgument(num_parts, "num_parts", 2, INT_MAX));
  if (nparts > hg.nvtxs)
    Refuse("num_parts = " + std::to_string(nparts) + " is greater than the number of vertices " +
           std::to_string(hg.nvtxs));
  return nparts;
}

py::tuple PartRecursive(const Hypergraph &hg, const py::object &num_parts,
                        const py::object &ubfactor, const py::object &nruns,
                        const py::object &ctype, const py::object &rtype,
                        const py::object &vcycle, const py::object &reconst_flag,
                        const py::object &fixed, const py::object &seed,
                        const py::object &threads) {
  const bool reconst = BoolArgument(reconst_flag, "reconst");
  const int nparts = NumPartsArgument(hg, num_parts);
  const int ub = static_cast<int>(IntArgument(ubfactor, "ubfactor", 1, 49));
  const int options[9] = {1,
                          static_cast<int>(IntArgument(nruns, "nruns", 1, INT_MAX)),
                          static_cast<int>(IntArgument(ctype, "ctype", 1, 5)),
                          static_cast<int>(IntArgument(rtype, "rtype", 1, 3)),
                          static_cast<int>(IntArgument(vcycle, "vcycle", 0, 3)),
                          reconst ? 1 : 0,
                          fixed.is_none() ? 0 : 1,
                          SeedOption(seed),
                          0};
  std::vector<int> part(static_cast<size_t>(hg.nvtxs), -1);
  if (!fixed.is_none()) part = PartArgument(hg, fixed, "fixed", -1, nparts - 1LL);
  if ((nparts > 2 && nparts <= 64) || reconst) CheckSOEDLimit(hg, nparts);
  const int nthreads = ThreadsArgument(threads);
  return Run(ZORBEL_PartRecursive, hg, nparts, ub, options, std::move(part), nthreads);
}

py::tuple PartKway(const Hypergraph &hg, const py::object &num_parts, const py::object &ubfactor,
                   const py::object &nruns, const py::object &ctype,
                   const py::object &objective, const py::object &vcycle,
                   const py::object &seed, const py::object &threads) {
  if (hg.nvtxs < 2)
    Refuse("hg: k-way partitioning needs at least 2 vertices, not " + std::to_string(hg.nvtxs));
  const int nparts = NumPartsArgument(hg, num_parts);
  const int ub = static_cast<int>(IntArgument(ubfactor, "ubfactor", 5, INT_MAX - 100));
  const int options[9] = {1,
                          static_cast<int>(IntArgument(nruns, "nruns", 1, INT_MAX)),
                          static_cast<int>(IntArgument(ctype, "ctype", 1, 5)),
                          Objective(objective),
                          static_cast<int>(IntArgument(vcycle, "vcycle", 0, 3)),
                          0,
                          0,
                          SeedOption(seed),
                          0};
  CheckSOEDLimit(hg, nparts);
  const int nthreads = ThreadsArgument(threads);
  return Run(ZORBEL_PartKway, hg, nparts, ub, options,
             std::vector<int>(static_cast<size_t>(hg.nvtxs), 0), nthreads);
}

// A name among choices, as the index of its choice.
int Choice(const py::object &value, const char *name, std::initializer_list<const char *> choices) {
  if (py::isinstance<py::str>(value)) {
    const std::string given = value.cast<std::string>();
    int i = 0;
    for (const char *choice : choices) {
      if (given == choice) return i;
      ++i;
    }
  }
  std::string list;
  size_t n = 0;
  for (const char *choice : choices) {
    if (n > 0) list += n + 1 == choices.size() ? " or " : ", ";
    list += std::string("\"") + choice + "\"";
    ++n;
  }
  Refuse(std::string(name) + " must be " + list + ", not " + std::string(py::repr(value)));
}

py::tuple Partition(const Hypergraph &hg, const py::object &num_parts, const py::object &epsilon,
                    const py::object &objective, const py::object &mode, const py::object &preset,
                    const py::object &fixed, const py::object &max_part_weights,
                    const py::object &seed, const py::object &threads, const py::object &flows) {
  const int nparts = static_cast<int>(IntArgument(num_parts, "k", 2, INT_MAX));
  ZORBEL_Config config;
  ZORBEL_DefaultConfig(&config);
  if (!py::isinstance<py::float_>(epsilon) && !py::isinstance<py::int_>(epsilon))
    Refuse("epsilon must be a number, not " + std::string(py::repr(epsilon)));
  config.epsilon = epsilon.cast<double>();
  if (!(config.epsilon > 0.0 && config.epsilon < 1.0))
    Refuse("epsilon = " + std::string(py::repr(epsilon)) + " lies outside (0, 1)");
  config.objective = Choice(objective, "objective", {"cut", "km1", "soed"});
  config.mode = Choice(mode, "mode", {"recursive", "kway"});
  config.preset = Choice(preset, "preset", {"fast", "default", "quality"});
  config.seed = SeedOption(seed);
  config.threads = ThreadsArgument(threads);
  if (!flows.is_none()) {
    if (!py::isinstance<py::bool_>(flows)) Refuse("flows must be None, True or False, not " + std::string(py::repr(flows)));
    config.flows = flows.cast<bool>() ? ZORBEL_FLOWS_ON : ZORBEL_FLOWS_OFF;
  }
  if (config.mode == ZORBEL_MODE_KWAY && hg.nvtxs < 2)
    Refuse("hg: k-way partitioning needs at least 2 vertices, not " + std::to_string(hg.nvtxs));
  std::vector<int> fixedparts, limits;
  if (!fixed.is_none()) {
    if (config.mode == ZORBEL_MODE_KWAY) Refuse("fixed needs mode \"recursive\"");
    fixedparts = PartArgument(hg, fixed, "fixed", -1, nparts - 1);
    config.fixed = fixedparts.data();
  }
  if (!max_part_weights.is_none()) {
    limits = IntArray(max_part_weights, "max_part_weights", 0, INT_MAX);
    if (limits.size() != static_cast<size_t>(nparts))
      Refuse("max_part_weights holds " + std::to_string(limits.size()) + " entries for k = " +
             std::to_string(nparts));
    config.max_part_weights = limits.data();
  }
  CheckSOEDLimit(hg, nparts);
  std::vector<int> part(static_cast<size_t>(hg.nvtxs), 0);
  int value = 0;
  {
    py::gil_scoped_release unlocked;
    ZORBEL_Partition(hg.nvtxs, hg.nhedges(), hg.VertexWeights(), hg.eptr.data(), hg.eind.data(),
                     hg.HyperedgeWeights(), nparts, &config, part.data(), &value);
  }
  return py::make_tuple(py::array_t<int32_t>(static_cast<py::ssize_t>(part.size()), part.data()),
                        value);
}

void TwoWayRefine(int nvtxs, int nhedges, const int *vwgts, const int *eptr, const int *eind,
                  const int *hewgts, int, int UBfactor, const int *options, int *part,
                  int *edgecut) {
  ZORBEL_2WayRefine(nvtxs, nhedges, vwgts, eptr, eind, hewgts, UBfactor, options, part, edgecut);
}

py::tuple Refine2Way(const Hypergraph &hg, const py::handle &parts, const py::object &ubfactor,
                     const py::object &seed) {
  std::vector<int> part = PartArgument(hg, parts, "parts", 0, 1);
  const int ub = static_cast<int>(IntArgument(ubfactor, "ubfactor", 1, 49));
  const int options[9] = {1, 10, 1, 1, 1, 0, 0, SeedOption(seed), 0};
  return Run(TwoWayRefine, hg, 2, ub, options, std::move(part), 0);
}

py::tuple RefineKway(const Hypergraph &hg, const py::handle &parts, const py::object &num_parts,
                     const py::object &ubfactor, const py::object &ctype,
                     const py::object &objective, const py::object &seed) {
  const int nparts = static_cast<int>(IntArgument(num_parts, "num_parts", 2, INT_MAX));
  std::vector<int> part = PartArgument(hg, parts, "parts", 0, nparts - 1LL);
  const int ub = static_cast<int>(IntArgument(ubfactor, "ubfactor", 5, INT_MAX - 100));
  const int options[9] = {1, 10, static_cast<int>(IntArgument(ctype, "ctype", 1, 5)),
                          Objective(objective), 1, 0, 0, SeedOption(seed), 0};
  CheckSOEDLimit(hg, nparts);
  return Run(ZORBEL_KWayRefine, hg, nparts, ub, options, std::move(part), 0);
}

py::dict Stats(const Hypergraph &hg, const py::handle &parts, const py::object &num_parts) {
  std::vector<int> part = PartArgument(hg, parts, "parts", 0, INT_MAX - 1LL);
  int nparts = 1;
  for (int p : part) nparts = std::max(nparts, p + 1);
  if (!num_parts.is_none()) {
    const int given = static_cast<int>(IntArgument(num_parts, "num_parts", 1, INT_MAX));
    if (given < nparts)
      Refuse("num_parts = " + std::to_string(given) + " but parts holds part " +
             std::to_string(nparts - 1));
    nparts = given;
  }
  py::array_t<int32_t> pwgts(nparts), pcuts(nparts);
  const PartStatistics s =
      ComputePartStatistics(hg.nvtxs, hg.nhedges(), nparts, hg.eptr.data(), hg.eind.data(),
                            hg.HyperedgeWeights(), hg.VertexWeights(), part.data(),
                            pwgts.mutable_data(), pcuts.mutable_data());
  py::dict figures;
  figures["num_parts"] = nparts;
  figures["cut"] = s.cut;
  figures["soed"] = s.soed;
  figures["km1"] = s.km1;
  figures["imbalance"] = s.imbalance;
  figures["scaled_cost"] = static_cast<double>(s.scaledcost);
  figures["absorption"] = static_cast<double>(s.absorption);
  figures["part_weights"] = pwgts;
  figures["part_external_degrees"] = pcuts;
  return figures;
}

// A hypergraph read by reader from the file at path (any path-like object).
Hypergraph ReadWith(const py::object &path, const std::function<HGraph *(const char *)> &reader) {
  const std::string name = py::str(py::module_::import("os").attr("fspath")(path));
  FILE *fp = std::fopen(name.c_str(), "r");
  if (fp == nullptr) {
    PyErr_SetFromErrnoWithFilename(PyExc_OSError, name.c_str());
    throw py::error_already_set();
  }
  std::fclose(fp);
  HGraphOwner owned;
  try {
    owned.reset(reader(name.c_str()));
  } catch (const LibraryError &e) {
    const std::string message = e.what();
    // The messages of the matrix and graph readers name the file already.
    Refuse(message.rfind(name, 0) == 0 ? message : name + ": " + message);
  }
  const HGraph *graph = owned.get();
  Hypergraph hg;
  hg.nvtxs = graph->nvtxs;
  hg.eptr.assign(graph->netptr.get(), graph->netptr.get() + graph->nhedges + 1);
  hg.eind.assign(graph->netind.get(), graph->netind.get() + hg.eptr.back());
  if (graph->cellwgt) hg.vwgts.assign(graph->cellwgt.get(), graph->cellwgt.get() + hg.nvtxs);
  if (graph->netwgt) hg.hewgts.assign(graph->netwgt.get(), graph->netwgt.get() + graph->nhedges);
  owned.reset();
  CheckHypergraph(hg, name.c_str());
  return hg;
}

Hypergraph ReadHgr(const py::object &path) { return ReadWith(path, ReadHGraph); }

Hypergraph ReadMtx(const py::object &path, const std::string &model) {
  if (model != "columns" && model != "rows")
    Refuse("model must be 'columns' or 'rows', not '" + model + "'");
  const MtxModel m = model == "columns" ? MtxModel::kColumnNet : MtxModel::kRowNet;
  return ReadWith(path, [m](const char *name) { return ReadMatrixMarket(name, m); });
}

Hypergraph ReadMetis(const py::object &path) { return ReadWith(path, ReadMetisGraph); }

}  // namespace

PYBIND11_MODULE(zorbel, m) {
  m.doc() =
      "Multilevel hypergraph partitioning.\n\n"
      "A Hypergraph holds int32 arrays in compressed rows; partition partitions it under\n"
      "a bound on every part by named options, part_recursive and part_kway\n"
      "partition it as the programs do, refine_2way and refine_kway improve a partition, stats gives a\n"
      "partition's figures and read_hgr reads a hypergraph file. Partitioning runs\n"
      "without the interpreter lock, so threads may partition at the same time. Bad\n"
      "arguments raise ValueError naming the argument; the interpreter never exits.";
  m.attr("__version__") = ZORBEL_VERSION;
  // Each docstring starts with the signature as a caller writes it.
  py::options options;
  options.disable_function_signatures();

  // Installed once for the whole process, before any call: every fatal error
  // of the library comes back as a LibraryError.
  ZORBEL_SetErrorHandler(ThrowLibraryError);
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const LibraryError &e) {
      const std::string message = e.what();
      if (message.rfind("Memory allocation failed", 0) == 0)
        PyErr_SetString(PyExc_MemoryError, message.c_str());
      else
        PyErr_SetString(PyExc_ValueError, message.c_str());
    }
  });

  py::class_<Hypergraph>(m, "Hypergraph",
                         "A hypergraph: vertices 0 .. num_vertices-1 and hyperedges, each a set "
                         "of vertices,\nwith optional non-negative integer weights. Immutable.")
      .def(py::init(&MakeHypergraph), py::arg("num_vertices"), py::arg("hyperedges"),
           py::arg("vertex_weights") = py::none(), py::arg("hyperedge_weights") = py::none(),
           "Hypergraph(num_vertices, hyperedges, vertex_weights=None, hyperedge_weights=None)\n\n"
           "hyperedges is a list of vertex lists, e.g. [[0, 1, 2], [2, 3]], or a tuple of two\n"
           "arrays (eptr, eind) in compressed rows: hyperedge e has the vertices\n"
           "eind[eptr[e]:eptr[e+1]]. A vertex listed twice in a hyperedge counts once.\n"
           "vertex_weights (num_vertices entries) and hyperedge_weights (one per hyperedge)\n"
           "default to weight 1 each; each total may be at most 1073741823. Raises\n"
           "ValueError naming the argument for a vertex out of range, a decreasing eptr,\n"
           "a negative weight, a wrong length or a non-integer entry.")
      .def_property_readonly(
          "num_vertices", [](const Hypergraph &hg) { return hg.nvtxs; }, "Number of vertices.")
      .def_property_readonly(
          "num_hyperedges", [](const Hypergraph &hg) { return hg.nhedges(); },
          "Number of hyperedges.")
      .def_property_readonly(
          "num_pins", [](const Hypergraph &hg) { return hg.eind.size(); },
          "Number of pins: the hyperedges' sizes added up.")
      .def_property_readonly(
          "eptr", [](const py::object &self) { return View(self.cast<const Hypergraph &>().eptr, self); },
          "Offsets into eind, num_hyperedges+1 of them: a read-only int32 view, no copy.")
      .def_property_readonly(
          "eind", [](const py::object &self) { return View(self.cast<const Hypergraph &>().eind, self); },
          "The pins of all hyperedges, one after the other: a read-only int32 view.")
      .def_property_readonly(
          "vertex_weights",
          [](const py::object &self) -> py::object {
            const Hypergraph &hg = self.cast<const Hypergraph &>();
            return hg.vwgts.empty() ? py::none() : View(hg.vwgts, self);
          },
          "The vertex weights as a read-only int32 view, or None for weight 1 each.")
      .def_property_readonly(
          "hyperedge_weights",
          [](const py::object &self) -> py::object {
            const Hypergraph &hg = self.cast<const Hypergraph &>();
            return hg.hewgts.empty() ? py::none() : View(hg.hewgts, self);
          },
          "The hyperedge weights as a read-only int32 view, or None for weight 1 each.")
      .def(
          "__repr__",
          [](const Hypergraph &hg) {
            return "<zorbel.Hypergraph with " + std::to_string(hg.nvtxs) + " vertices, " +
                   std::to_string(hg.nhedges()) + " hyperedges, " +
                   std::to_string(hg.eind.size()) + " pins>";
          },
          "The sizes of the hypergraph, for the interpreter's display.");

  m.def("read_hgr", &ReadHgr, py::arg("path"),
        "read_hgr(path) -> Hypergraph\n\n"
        "Reads a hypergraph file: comment lines start with '%'; the first line is\n"
        "'nhedges nvtxs [fmt]' (fmt 1: a weight first on each hyperedge line, 10: one\n"
        "weight line per vertex after the hyperedges, 11: both); then one line per\n"
        "hyperedge with its vertices numbered from 1. Lines may be of any length, and a\n"
        "gzip file is read as its contents. Raises OSError when the file cannot be\n"
        "opened and ValueError, with the file's name, when it is malformed.");

  m.def("read_mtx", &ReadMtx, py::arg("path"), py::arg("model") = "columns",
        "read_mtx(path, model='columns') -> Hypergraph\n\n"
        "Reads a Matrix Market coordinate matrix (real, integer, complex or pattern;\n"
        "general, symmetric, skew-symmetric or hermitian) as a hypergraph. model\n"
        "'columns' (column-net): the rows are the vertices and each column is a\n"
        "hyperedge over the rows of its nonzeros; 'rows' (row-net): the transpose. A\n"
        "symmetric matrix counts both triangles, explicit zeros are nonzeros, empty rows\n"
        "are vertices without pins and empty columns are dropped. No weights. A gzip\n"
        "file is read as its contents. Raises OSError when the file cannot be opened and\n"
        "ValueError, naming the file and the line, when it is malformed.");

  m.def("read_metis", &ReadMetis, py::arg("path"),
        "read_metis(path) -> Hypergraph\n\n"
        "Reads a METIS graph ('n m [fmt [ncon]]', then one line per vertex: [size]\n"
        "[weight] and its neighbours from 1, each followed by the edge's weight when fmt\n"
        "asks for edge weights) as a hypergraph: each edge becomes a hyperedge of two\n"
        "vertices with the edge's weight; vertex weights are kept and sizes ignored. A\n"
        "gzip file is read as its contents. Raises OSError when the file cannot be\n"
        "opened and ValueError, naming the file and the line, when it is malformed (an\n"
        "edge listed from one end only, say).");

  m.def("partition", &Partition, py::arg("hg"), py::arg("k"), py::kw_only(),
        py::arg("epsilon") = 0.03, py::arg("objective") = "cut", py::arg("mode") = "recursive",
        py::arg("preset") = "default", py::arg("fixed") = py::none(),
        py::arg("max_part_weights") = py::none(), py::arg("seed") = py::none(),
        py::arg("threads") = py::none(), py::arg("flows") = py::none(),
        "partition(hg, k, *, epsilon=0.03, objective='cut', mode='recursive',\n"
        "          preset='default', fixed=None, max_part_weights=None, seed=None,\n"
        "          threads=None, flows=None) -> (parts, value)\n\n"
        "Partitions hg into k parts (at least 2) with every part within its limit:\n"
        "floor((1 + epsilon) * ceil(W / k)), W the total vertex weight, or with\n"
        "max_part_weights (k entries, adding up to at least W) each part's own maximum.\n"
        "objective: 'cut' (weight of the hyperedges in more than one part), 'km1'\n"
        "(each hyperedge's weight times the parts it touches minus one: the\n"
        "communication volume of a sparse matrix in the column-net model) or 'soed'\n"
        "(km1 plus the cut). mode: 'recursive' (recursive bisection) or 'kway' (direct\n"
        "k-way, at least 2 vertices). preset: 'fast' (one trial per bisection, on\n"
        "clusters built by all threads, initial bisections from random and grown\n"
        "starts, FM searches side by side, one round of flows, at most one V-cycle;\n"
        "in k-way mode one trial with V-cycles and k-way FM),\n"
        "'default' (the options of the simplepart program) or 'quality'\n"
        "(V-cycles on every trial that reaches the best, k-way FM in the k-way\n"
        "refinement). fixed: None, or per vertex\n"
        "-1 (free) or the part it must end in (recursive mode only). seed None takes\n"
        "the clock; threads None the library's default; the partition does not\n"
        "depend on it.\n"
        "flows: True for refinement by maximum flows after FM (slower, mostly a lower\n"
        "cut), False for none, None as the preset says (on with 'fast' in recursive\n"
        "mode).\n"
        "Returns the int32 part array and the objective's value. Raises ValueError for\n"
        "a bad argument and for limits no partition can keep.");

  m.def("part_recursive", &PartRecursive, py::arg("hg"), py::arg("num_parts"), py::arg("ubfactor"),
        py::kw_only(), py::arg("nruns") = 10, py::arg("ctype") = 1, py::arg("rtype") = 1,
        py::arg("vcycle") = 1, py::arg("reconst") = false, py::arg("fixed") = py::none(),
        py::arg("seed") = py::none(), py::arg("threads") = py::none(),
        "part_recursive(hg, num_parts, ubfactor, *, nruns=10, ctype=1, rtype=1, vcycle=1,\n"
        "               reconst=False, fixed=None, seed=None, threads=None) -> (parts, cut)\n\n"
        "Partitions hg into num_parts (2 to the number of vertices) parts by multilevel\n"
        "recursive bisection, with a final k-way refinement pass for 3 to 64 parts. Each\n"
        "bisection may deviate from its target share by ubfactor (1-49) per cent of the\n"
        "weight it divides.\n"
        "nruns: trials per bisection (at least 1), the best kept. ctype: coarsening,\n"
        "1 HFC, 2 FC, 3 GFC, 4 HEDGE, 5 EDGE. rtype: refinement, 1 FM, 2 one-way FM,\n"
        "3 early-exit FM. vcycle: 0 no V-cycles, 1 on the best trials at the end, 2 on\n"
        "each trial at least as good as the best so far, 3 on each trial close to it.\n"
        "reconst: keep each side's pins of a cut hyperedge as a hyperedge of that half.\n"
        "fixed: None, or one entry per vertex, -1 for free or the part it must end in.\n"
        "seed: None for the clock's seed, else an integer 0..2147483647; the same seed\n"
        "gives the same partition. threads: None for the library's default\n"
        "(ZORBEL_NUM_THREADS or every hardware thread), else the threads of this call;\n"
        "the result does not depend on it. Returns the part of every vertex as an int32\n"
        "array and the cut (with reconst and more than 64 parts: the bisections' cuts\n"
        "added up). Raises ValueError naming any argument out of range.");

  m.def("part_kway", &PartKway, py::arg("hg"), py::arg("num_parts"), py::arg("ubfactor"),
        py::kw_only(), py::arg("nruns") = 10, py::arg("ctype") = 1, py::arg("objective") = "cut",
        py::arg("vcycle") = 1, py::arg("seed") = py::none(), py::arg("threads") = py::none(),
        "part_kway(hg, num_parts, ubfactor, *, nruns=10, ctype=1, objective='cut', vcycle=1,\n"
        "          seed=None, threads=None) -> (parts, value)\n\n"
        "Partitions hg (at least 2 vertices) directly into num_parts (2 to the number of\n"
        "vertices) parts by multilevel k-way partitioning, the best of nruns trials. No\n"
        "part may weigh more than (100 + ubfactor) per cent of the average part (ubfactor\n"
        "at least 5).\n"
        "objective: 'cut' (hyperedge cut) or 'soed' (sum of external degrees). ctype,\n"
        "vcycle, seed and threads as in part_recursive. Returns the int32 part array and\n"
        "the objective's value.");

  m.def("refine_2way", &Refine2Way, py::arg("hg"), py::arg("parts"), py::arg("ubfactor"),
        py::kw_only(), py::arg("seed") = py::none(),
        "refine_2way(hg, parts, ubfactor, *, seed=None) -> (parts, cut)\n\n"
        "Improves the bisection parts (0 or 1 per vertex) of hg by FM refinement without\n"
        "coarsening, within ubfactor (1-49) per cent of an even split. The given array is\n"
        "not changed; returns the improved parts as a new int32 array and its cut. seed\n"
        "as in part_recursive.");

  m.def("refine_kway", &RefineKway, py::arg("hg"), py::arg("parts"), py::arg("num_parts"),
        py::arg("ubfactor"), py::kw_only(), py::arg("ctype") = 1, py::arg("objective") = "cut",
        py::arg("seed") = py::none(),
        "refine_kway(hg, parts, num_parts, ubfactor, *, ctype=1, objective='cut', seed=None)\n"
        "    -> (parts, cut)\n\n"
        "Improves the k-way partition parts (0 .. num_parts-1 per vertex) of hg by k-way\n"
        "refinement and V-cycles, with the balance bound of part_kway (ubfactor at least\n"
        "5) and the given objective. The given array is not changed; returns the improved\n"
        "parts as a new int32 array and its cut. ctype and seed as in part_recursive.");

  m.def("stats", &Stats, py::arg("hg"), py::arg("parts"), py::arg("num_parts") = py::none(),
        "stats(hg, parts, num_parts=None) -> dict\n\n"
        "The figures the programs report on a partition (num_parts: the largest part in\n"
        "parts plus one when None): 'cut' (weight of the hyperedges in more than one\n"
        "part), 'soed' (each cut hyperedge's weight once per part it touches), 'km1'\n"
        "(each hyperedge's weight times the parts it touches minus one), 'imbalance'\n"
        "(the heaviest part over ceil(total vertex weight / num_parts), minus one),\n"
        "'scaled_cost' (sum over the parts of external degree over part weight, divided\n"
        "by num_vertices times (num_parts - 1); not a number when a part is empty),\n"
        "'absorption' (per hyperedge 1 when uncut, else the sum over its parts of\n"
        "(pins in the part - 1) / (pins - 1)), 'part_weights' and\n"
        "'part_external_degrees' (int32 arrays of num_parts entries) and 'num_parts'.");
}
