// What a run of the zorbel program found, gathered once and printed either as
// one JSON object (the keys scripts read) or as a short text for people.
#pragma once

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "command.h"
#include "hgraph/hgraph.h"

// Wall seconds of the phases of a run.
struct Timings {
  double read = 0.0;
  double partition = 0.0;
  double write = 0.0;
};

struct Report {
  nlohmann::ordered_json json;

  void AddOptions(const PartitionOptions &o, int seed, int threads);
  // The partition's figures recounted from scratch: cut, km1, SOED, the
  // imbalance over ceil(W / nparts), every part's weight, and whether every
  // part keeps the bound of epsilon (or its entry of max_part_weights).
  void AddFigures(const HGraph *graph, int nparts, const int *part, double epsilon,
                  const int *max_part_weights = nullptr);
  void AddTimings(const Timings &t);
};

// The input's name, format and sizes.
Report DescribeInput(const std::string &path, int format, const HGraph *graph);

// The object on one line of standard output.
void PrintJson(const Report &r);
// The text report of a partitioning run.
void PrintPartitionReport(const Report &r, FILE *out);
