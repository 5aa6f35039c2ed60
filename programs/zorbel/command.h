// The zorbel program: its subcommands' options as parsed from the command
// line, and the runs they start. Every error ends the process with one line
// on standard error and status 1, before any file is written.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The file formats by the names the command line gives them.
struct FormatName {
  const char *name;
  int code;  // a ZORBEL_FORMAT_ value
};
extern const std::vector<FormatName> kFormats;
// The code of a format name, or the format the file's name suggests when
// name is empty: ".mtx" (also ".mtx.gz") is a matrix in the column-net
// model, ".graph" (also ".graph.gz") a METIS graph, anything else the
// hypergraph format.
int ChooseFormat(const std::string &name, const std::string &path);
const char *FormatNameOf(int code);

struct PartitionOptions {
  std::string input;
  int k = 0;
  double epsilon = 0.03;
  std::string objective = "cut";
  std::string mode = "recursive";
  std::string preset = "default";
  std::string flows;   // empty: as the preset says
  std::string format;  // empty: from the file's name
  std::string fixed;   // empty: no fixed vertices
  std::vector<int> max_part_weights;
  std::optional<int> threads;
  std::optional<int> seed;
  std::string output;  // empty: INPUT.part.K; "-": standard output
  bool json = false;
  bool quiet = false;
};

struct StatsOptions {
  std::string input;
  std::string partition;
  std::string format;
  double epsilon = 0.03;
  bool json = false;
};

struct ConvertOptions {
  std::string input;
  std::string output;
  std::string format;
};

// One line on standard error, then status 1.
[[noreturn]] void Refuse(const char *format, ...) __attribute__((format(printf, 1, 2)));

void RunPartition(const PartitionOptions &o);
void RunStats(const StatsOptions &o);
void RunConvert(const ConvertOptions &o);
