#include "report.h"

#include <algorithm>
#include <vector>

Report DescribeInput(const std::string &path, int format, const HGraph *graph) {
  Report r;
  r.json["input"] = path;
  r.json["format"] = FormatNameOf(format);
  r.json["vertices"] = graph->nvtxs;
  r.json["hyperedges"] = graph->nhedges;
  r.json["pins"] = graph->netptr[graph->nhedges];
  return r;
}

void Report::AddOptions(const PartitionOptions &o, int seed, int threads) {
  json["k"] = o.k;
  json["epsilon"] = o.epsilon;
  json["objective"] = o.objective;
  json["mode"] = o.mode;
  json["preset"] = o.preset;
  json["seed"] = seed;
  json["threads"] = threads;
  if (!o.max_part_weights.empty()) json["max_part_weights"] = o.max_part_weights;
  if (!o.flows.empty()) json["flows"] = o.flows;
}

void Report::AddFigures(const HGraph *graph, int nparts, const int *part, double epsilon,
                        const int *max_part_weights) {
  std::vector<int> pwgts(nparts), pcuts(nparts);
  const PartStatistics s = ComputePartStatistics(graph->nvtxs, graph->nhedges, nparts, graph->netptr,
                                                 graph->netind, graph->netwgt, graph->cellwgt, part,
                                                 pwgts.data(), pcuts.data());
  long long total = 0;
  for (int w : pwgts) total += w;
  const PartLimits limits = FinalPartLimits__(total, nparts, epsilon, max_part_weights);
  bool balanced = true;
  for (int p = 0; p < nparts; ++p) balanced = balanced && pwgts[p] <= limits.maxpwgt[p];
  if (!json.contains("epsilon")) json["epsilon"] = epsilon;
  json["cut"] = s.cut;
  json["km1"] = s.km1;
  json["soed"] = s.soed;
  json["imbalance"] = s.imbalance;
  json["balanced"] = balanced;
  json["part_weights"] = pwgts;
  json["part_cuts"] = pcuts;
  json["scaled_cost"] = s.scaledcost;
  json["absorption"] = s.absorption;
  json["empty_parts"] = std::count(pwgts.begin(), pwgts.end(), 0);
}

void Report::AddTimings(const Timings &t) {
  json["seconds"] = {{"read", t.read},
                     {"partition", t.partition},
                     {"write", t.write},
                     {"total", t.read + t.partition + t.write}};
}

void PrintJson(const Report &r) {
  const std::string text = r.json.dump();
  std::printf("%s\n", text.c_str());
}

namespace {

// Every weight for a few parts; the lightest, the mean and the heaviest for
// many, where a list would fill the screen.
void PrintPartWeights(const std::vector<int> &pwgts, FILE *out) {
  std::fprintf(out, "Part weights ");
  if (pwgts.size() <= 16) {
    for (int w : pwgts) std::fprintf(out, " %d", w);
    std::fprintf(out, "\n");
    return;
  }
  long long total = 0;
  for (int w : pwgts) total += w;
  std::fprintf(out, " lightest %d, mean %.1f, heaviest %d (%zu parts)\n",
               *std::min_element(pwgts.begin(), pwgts.end()), static_cast<double>(total) / pwgts.size(),
               *std::max_element(pwgts.begin(), pwgts.end()), pwgts.size());
}

}  // namespace

void PrintPartitionReport(const Report &r, FILE *out) {
  const auto &j = r.json;
  std::fprintf(out, "Hypergraph    %s (%s): %d vertices, %d hyperedges, %d pins\n",
               j["input"].get<std::string>().c_str(), j["format"].get<std::string>().c_str(),
               j["vertices"].get<int>(), j["hyperedges"].get<int>(), j["pins"].get<int>());
  std::fprintf(out, "Options       k %d, epsilon %g, objective %s, mode %s, preset %s, seed %d, threads %d\n",
               j["k"].get<int>(), j["epsilon"].get<double>(), j["objective"].get<std::string>().c_str(),
               j["mode"].get<std::string>().c_str(), j["preset"].get<std::string>().c_str(),
               j["seed"].get<int>(), j["threads"].get<int>());
  std::fprintf(out, "Cut           %d\n", j["cut"].get<int>());
  std::fprintf(out, "km1           %lld\n", j["km1"].get<long long>());
  std::fprintf(out, "SOED          %lld\n", j["soed"].get<long long>());
  std::fprintf(out, "Imbalance     %.4f (%s)\n", j["imbalance"].get<double>(),
               j["balanced"].get<bool>() ? "every part within its bound" : "OVER the bound");
  PrintPartWeights(j["part_weights"].get<std::vector<int>>(), out);
  const auto &s = j["seconds"];
  std::fprintf(out, "Seconds       read %.3f, partition %.3f, write %.3f, total %.3f\n", s["read"].get<double>(),
               s["partition"].get<double>(), s["write"].get<double>(), s["total"].get<double>());
  std::fprintf(out, "Partition     %s\n", j["partition_file"].get<std::string>().c_str());
}
