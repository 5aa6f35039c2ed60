// The three runs of the zorbel program: partition, stats and convert. Each
// reads the hypergraph, does its work and gathers what it found in one
// record, which report.cpp prints as text or as JSON.
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "command.h"
#include "common/frontend.h"
#include "common/progress.h"
#include "io/io.h"
#include "report.h"
#include "zorbel.h"

const std::vector<FormatName> kFormats = {{"hgr", ZORBEL_FORMAT_HGR},
                                          {"mtx-columns", ZORBEL_FORMAT_MTX_COLUMNS},
                                          {"mtx-rows", ZORBEL_FORMAT_MTX_ROWS},
                                          {"metis", ZORBEL_FORMAT_METIS}};

void Refuse(const char *format, ...) {
  std::fflush(stdout);
  std::fputs("zorbel: ", stderr);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  std::exit(1);
}

namespace {

// Elapsed (wall-clock) seconds: what the report's timings measure. The
// processor time of a run with threads would add up the threads' seconds.
double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool EndsWith(const std::string &text, const std::string &end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The hypergraph a run works on, owned for the whole run: static, so that an
// error exit still frees it (and a leak checker at exit sees it held).
HGraph *ReadInput(const std::string &path, int format, double &seconds) {
  static HGraphOwner graph;
  seconds -= Now();
  graph.reset(ReadHGraphFormat(path.c_str(), format));
  seconds += Now();
  return graph.get();
}

int ObjectiveCode(const std::string &name) {
  return name == "km1" ? ZORBEL_OBJECTIVE_KM1 : name == "soed" ? ZORBEL_OBJECTIVE_SOED : ZORBEL_OBJECTIVE_CUT;
}

int PresetCode(const std::string &name) {
  return name == "fast" ? ZORBEL_PRESET_FAST : name == "quality" ? ZORBEL_PRESET_QUALITY : ZORBEL_PRESET_DEFAULT;
}

// The seed of a run that names none: ZORBEL_SEED, else one from the clock,
// which the report prints so that the run can be repeated.
int ChooseSeed(const std::optional<int> &given) {
  if (given) return *given;
  const int seed = SeedFromEnvironment();
  if (seed >= 0) return seed;
  const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
  return static_cast<int>(static_cast<unsigned long long>(ticks) % INT_MAX);
}

// What can be checked before the hypergraph is read, so that a bad command
// line costs nothing.
void CheckOptions(const PartitionOptions &o) {
  if (o.k < 2) Refuse("-k must be at least 2, not %d.", o.k);
  if (!(o.epsilon > 0.0 && o.epsilon < 1.0)) Refuse("-e must lie strictly between 0 and 1, not %g.", o.epsilon);
  if (!o.max_part_weights.empty() && static_cast<int>(o.max_part_weights.size()) != o.k)
    Refuse("--max-part-weights lists %zu weights, but -k asks for %d parts.", o.max_part_weights.size(), o.k);
  for (size_t p = 0; p < o.max_part_weights.size(); ++p)
    if (o.max_part_weights[p] < 0) Refuse("--max-part-weights: the weight of part %zu is negative (%d).", p, o.max_part_weights[p]);
  if (!o.fixed.empty() && o.mode == "kway")
    Refuse("--fixed needs --mode recursive: direct k-way partitioning does not take fixed vertices.");
  if (o.threads && *o.threads < 1) Refuse("--threads must be at least 1, not %d.", *o.threads);
  if (o.seed && *o.seed < 0) Refuse("--seed must not be negative, not %d.", *o.seed);
  if (o.json && o.output == "-") Refuse("--json and -o - cannot both write to standard output.");
}

// The fixed vertices' file: one line per vertex, -1 for a free vertex, else
// its part.
std::vector<int> ReadFixed(const PartitionOptions &o, int nvtxs, double &seconds) {
  std::vector<int> fixed(nvtxs);
  seconds -= Now();
  ReadPartition(nvtxs, fixed.data(), o.fixed.c_str());
  seconds += Now();
  for (int v = 0; v < nvtxs; ++v)
    if (fixed[v] >= o.k)
      Refuse("--fixed %s: vertex %d is fixed in part %d, but -k asks for %d parts.", o.fixed.c_str(), v + 1,
             fixed[v], o.k);
  return fixed;
}

std::string PartitionFileName(const PartitionOptions &o) {
  return o.output.empty() ? o.input + ".part." + std::to_string(o.k) : o.output;
}

void WriteParts(const std::string &name, const std::vector<int> &part) {
  if (name != "-") {
    WritePartitionFile(static_cast<int>(part.size()), part.data(), name.c_str());
    return;
  }
  for (int p : part)
    if (std::printf("%d\n", p) < 0) break;
  if (std::fflush(stdout) != 0 || std::ferror(stdout))
    Refuse("-o -: the partition could not be written to standard output: %s.", std::strerror(errno));
}

}  // namespace

int ChooseFormat(const std::string &name, const std::string &path) {
  for (const FormatName &f : kFormats)
    if (name == f.name) return f.code;
  if (!name.empty()) Refuse("--format %s is none of hgr, mtx-columns, mtx-rows and metis.", name.c_str());
  if (EndsWith(path, ".mtx") || EndsWith(path, ".mtx.gz")) return ZORBEL_FORMAT_MTX_COLUMNS;
  if (EndsWith(path, ".graph") || EndsWith(path, ".graph.gz")) return ZORBEL_FORMAT_METIS;
  return ZORBEL_FORMAT_HGR;
}

const char *FormatNameOf(int code) {
  for (const FormatName &f : kFormats)
    if (code == f.code) return f.name;
  return "?";
}

void RunPartition(const PartitionOptions &o) {
  UseOneHeap();
  CheckOptions(o);
  const int format = ChooseFormat(o.format, o.input);
  NumThreadsFromEnvironment__();  // refused here, before any file is read
  Timings t;
  HGraph *graph = ReadInput(o.input, format, t.read);
  if (o.k > graph->nvtxs)
    Refuse("-k %d is more than the %d vertices of %s.", o.k, graph->nvtxs, o.input.c_str());
  std::vector<int> fixed;
  if (!o.fixed.empty()) fixed = ReadFixed(o, graph->nvtxs, t.read);

  ZORBEL_Config config;
  ZORBEL_DefaultConfig(&config);
  config.epsilon = o.epsilon;
  config.objective = ObjectiveCode(o.objective);
  config.mode = o.mode == "kway" ? ZORBEL_MODE_KWAY : ZORBEL_MODE_RECURSIVE;
  config.preset = PresetCode(o.preset);
  if (!o.flows.empty()) config.flows = o.flows == "on" ? ZORBEL_FLOWS_ON : ZORBEL_FLOWS_OFF;
  config.seed = ChooseSeed(o.seed);
  config.threads = o.threads.value_or(0);
  config.fixed = fixed.empty() ? nullptr : fixed.data();
  config.max_part_weights = o.max_part_weights.empty() ? nullptr : o.max_part_weights.data();

  std::vector<int> part(graph->nvtxs);
  int value = 0;
  {
    // The status line is gone before anything more is printed.
    ProgressDrawer progress(o.quiet);
    t.partition -= Now();
    ZORBEL_Partition(graph->nvtxs, graph->nhedges, graph->cellwgt, graph->netptr, graph->netind, graph->netwgt,
                     o.k, &config, part.data(), &value);
    t.partition += Now();
  }

  const std::string partfile = PartitionFileName(o);
  t.write -= Now();
  WriteParts(partfile, part);
  t.write += Now();

  Report r = DescribeInput(o.input, format, graph);
  r.AddOptions(o, config.seed, o.threads ? *o.threads : NumThreads__());
  r.AddFigures(graph, o.k, part.data(), o.epsilon, config.max_part_weights);
  r.AddTimings(t);
  r.json["partition_file"] = partfile;
  if (o.json) {
    PrintJson(r);
  } else if (!o.quiet) {
    // Standard output carries the partition itself with -o -.
    PrintPartitionReport(r, partfile == "-" ? stderr : stdout);
  }
}

void RunStats(const StatsOptions &o) {
  if (!(o.epsilon > 0.0 && o.epsilon < 1.0)) Refuse("-e must lie strictly between 0 and 1, not %g.", o.epsilon);
  const int format = ChooseFormat(o.format, o.input);
  double seconds = 0.0;
  HGraph *graph = ReadInput(o.input, format, seconds);
  std::vector<int> part(graph->nvtxs);
  const int nparts = ReadFinishedPartition(graph->nvtxs, part.data(), o.partition.c_str());
  if (nparts == 0) Refuse("%s holds no part numbers.", o.partition.c_str());

  Report r = DescribeInput(o.input, format, graph);
  r.json["k"] = nparts;
  r.AddFigures(graph, nparts, part.data(), o.epsilon);
  r.json["partition_file"] = o.partition;
  if (o.json) {
    PrintJson(r);
    return;
  }
  // The statistics partstat prints, then the verdict on the bound.
  PrintPartitionReport(o.input.c_str(), graph, o.partition.c_str(), nparts, part.data());
  printf("          Imbalance bound (e):%10.4f  %s\n", o.epsilon,
         r.json["balanced"].get<bool>() ? "within" : "OVER");
}

void RunConvert(const ConvertOptions &o) {
  const int format = ChooseFormat(o.format, o.input);
  double seconds = 0.0;
  HGraph *graph = ReadInput(o.input, format, seconds);
  WriteHGraphFile(graph, o.output.c_str());
  printf("%s (%s): %d vertices, %d hyperedges, %d pins, written to %s\n", o.input.c_str(), FormatNameOf(format),
         graph->nvtxs, graph->nhedges, graph->netptr[graph->nhedges], o.output.c_str());
}
