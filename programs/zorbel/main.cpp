// zorbel: partitioning from the command line by named options, for people
// and for scripts (--json). The options are parsed by CLI11 and mapped onto
// the library's configuration; everything else is the library's.
#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include "command.h"

namespace {

void AddFormat(CLI::App *cmd, std::string &format) {
  cmd->add_option("--format", format,
                  "Input format: hgr, mtx-columns, mtx-rows or metis (default: from the file name, "
                  ".mtx or .mtx.gz a matrix in the column-net model, .graph a METIS graph, "
                  "anything else the hypergraph format)")
      ->check(CLI::IsMember({"hgr", "mtx-columns", "mtx-rows", "metis"}));
}

void AddPartition(CLI::App &app, PartitionOptions &o) {
  CLI::App *cmd = app.add_subcommand("partition", "Partition a hypergraph into k parts");
  cmd->add_option("INPUT", o.input, "The hypergraph, matrix or graph file")->required();
  cmd->add_option("-k", o.k, "Number of parts, from 2 to the number of vertices")->required();
  cmd->add_option("-e,--epsilon", o.epsilon,
                  "Imbalance: every part weighs at most (1 + e) * ceil(W / k), W the total vertex weight")
      ->capture_default_str();
  cmd->add_option("--objective", o.objective, "What to minimise: cut, km1 (connectivity - 1) or soed")
      ->check(CLI::IsMember({"cut", "km1", "soed"}))
      ->capture_default_str();
  cmd->add_option("--mode", o.mode, "recursive (bisection) or kway (direct k-way)")
      ->check(CLI::IsMember({"recursive", "kway"}))
      ->capture_default_str();
  cmd->add_option("--preset", o.preset, "How hard to work: fast, default or quality")
      ->check(CLI::IsMember({"fast", "default", "quality"}))
      ->capture_default_str();
  cmd->add_option("--flows", o.flows, "Refinement by maximum flows: on, or off (default: as the preset says)")
      ->check(CLI::IsMember({"on", "off"}));
  AddFormat(cmd, o.format);
  cmd->add_option("--fixed", o.fixed, "File of fixed vertices: one line per vertex, -1 free, else its part");
  cmd->add_option("--max-part-weights", o.max_part_weights,
                  "Largest weight of each part, k numbers separated by commas (replaces -e)")
      ->delimiter(',');
  cmd->add_option("--threads", o.threads, "Threads (default: ZORBEL_NUM_THREADS, else every hardware thread)");
  cmd->add_option("--seed", o.seed, "Seed of the random choices (default: ZORBEL_SEED, else the clock)");
  cmd->add_option("-o,--output", o.output, "Partition file (default: INPUT.part.K; - for standard output)");
  cmd->add_flag("--json", o.json, "Print the results as one JSON object");
  cmd->add_flag("--quiet", o.quiet, "Print nothing but errors");
  cmd->callback([&o] { RunPartition(o); });
}

void AddStats(CLI::App &app, StatsOptions &o) {
  CLI::App *cmd = app.add_subcommand("stats", "The figures of a partition file of a hypergraph");
  cmd->add_option("INPUT", o.input, "The hypergraph, matrix or graph file")->required();
  cmd->add_option("PARTFILE", o.partition, "The partition file, one part number (from 0) per vertex")
      ->required();
  AddFormat(cmd, o.format);
  cmd->add_option("-e,--epsilon", o.epsilon, "The imbalance bound the partition is judged against")
      ->capture_default_str();
  cmd->add_flag("--json", o.json, "Print the results as one JSON object");
  cmd->callback([&o] { RunStats(o); });
}

void AddConvert(CLI::App &app, ConvertOptions &o) {
  CLI::App *cmd = app.add_subcommand("convert", "Write a matrix, graph or hypergraph in the hypergraph format");
  cmd->add_option("INPUT", o.input, "The file to read")->required();
  cmd->add_option("OUTPUT", o.output, "The hypergraph file to write")->required();
  AddFormat(cmd, o.format);
  cmd->callback([&o] { RunConvert(o); });
}

}  // namespace

int main(int argc, char *argv[]) {
  CLI::App app{"zorbel: multilevel hypergraph partitioning", "zorbel"};
  app.set_version_flag("--version", std::string("zorbel (ZORBEL library ") + ZORBEL_LIBRARY_VERSION + ")");
  app.require_subcommand(1);
  app.footer("Run 'zorbel SUBCOMMAND --help' for the options of a subcommand; see also zorbel(1).");
  PartitionOptions partition;
  StatsOptions stats;
  ConvertOptions convert;
  AddPartition(app, partition);
  AddStats(app, stats);
  AddConvert(app, convert);
  // CLI11 would only say that a subcommand is missing.
  const std::string first = argc > 1 ? argv[1] : "-";
  if (first[0] != '-' && first != "partition" && first != "stats" && first != "convert")
    Refuse("%s is not a subcommand: they are partition, stats and convert.", argv[1]);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError &e) {
    // Help and version are answers, on standard output with status 0.
    if (e.get_exit_code() == 0) return app.exit(e);
    Refuse("%s", e.what());
  }
  return 0;
}
