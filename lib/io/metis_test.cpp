#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "io/io.h"
#include "testgen.h"

namespace {

struct Graph {
  int nvtxs = 0;
  std::map<std::pair<int, int>, int> edges;  // (u, v) with u < v, 0-based -> weight
  std::vector<int> vwgts;
};

Graph RandomGraph(std::mt19937 &rng) {
  Graph g;
  g.nvtxs = static_cast<int>(rng() % 30);
  for (int v = 0; v < g.nvtxs; ++v) g.vwgts.push_back(static_cast<int>(rng() % 10));
  const int tries = g.nvtxs < 2 ? 0 : static_cast<int>(rng() % (2 * g.nvtxs + 1));
  for (int k = 0; k < tries; ++k) {
    int u = static_cast<int>(rng() % g.nvtxs), v = static_cast<int>(rng() % g.nvtxs);
    if (u != v) g.edges[{std::min(u, v), std::max(u, v)}] = static_cast<int>(rng() % 7);
  }
  return g;
}

// The file of g in format fmt: each edge listed from both ends, every
// neighbour list shuffled, comment lines strewn about.
std::string MetisText(const Graph &g, const std::string &fmt, std::mt19937 &rng) {
  const bool sizes = fmt.size() == 3 && fmt[0] == '1';
  const bool vwgts = fmt.size() >= 2 && fmt[fmt.size() - 2] == '1';
  const bool ewgts = fmt.back() == '1';
  std::vector<std::vector<std::pair<int, int>>> adj(g.nvtxs);
  for (const auto &[e, w] : g.edges) {
    adj[e.first].push_back({e.second, w});
    adj[e.second].push_back({e.first, w});
  }
  std::string text = "% a graph\n" + std::to_string(g.nvtxs) + " " + std::to_string(g.edges.size());
  if (fmt != "0" || rng() % 2) text += " " + fmt;
  if (vwgts && rng() % 2) text += " 1";
  text += "\n";
  for (int v = 0; v < g.nvtxs; ++v) {
    if (rng() % 5 == 0) text += "%\t7 8 9\n";
    if (sizes) text += std::to_string(rng() % 100) + " ";
    if (vwgts) text += std::to_string(g.vwgts[v]) + " ";
    std::shuffle(adj[v].begin(), adj[v].end(), rng);
    for (const auto &[u, w] : adj[v]) {
      text += ' ' + std::to_string(u + 1);
      if (ewgts) text += ' ' + std::to_string(w);
    }
    text += "\n";
  }
  return text;
}

// The hypergraph straight from the edge set: one two-pin hyperedge per edge,
// in order of the smaller end, then of the larger.
zt::PlainHGraph Model(const Graph &g, bool vwgts, bool ewgts) {
  zt::PlainHGraph h;
  h.nvtxs = g.nvtxs;
  for (const auto &[e, w] : g.edges) {
    h.eind.push_back(e.first);
    h.eind.push_back(e.second);
    h.eptr.push_back(static_cast<int>(h.eind.size()));
    h.hewgts.push_back(ewgts ? w : 1);
  }
  h.vwgts = vwgts ? g.vwgts : std::vector<int>(g.nvtxs, 1);
  return h;
}

class MetisReader : public ::testing::Test {
 protected:
  std::string Write(const std::string &text) {
    std::string path = dir_.file(std::to_string(count_++) + ".graph");
    zt::WriteFile(path, text);
    return path;
  }
  // The hypergraph of the file, and whether it has vertex and edge weights.
  zt::PlainHGraph Read(const std::string &text, bool *vwgts = nullptr, bool *ewgts = nullptr) {
    HGraph *g = ReadMetisGraph(Write(text).c_str());
    if (vwgts) *vwgts = g->cellwgt != nullptr;
    if (ewgts) *ewgts = g->netwgt != nullptr;
    zt::PlainHGraph plain = zt::FromHGraph(g);
    FreeHGraph__(g);
    return plain;
  }
  void ExpectFails(const std::string &text, const std::string &tail) {
    std::string path = Write(text);
    EXPECT_EXIT(ReadMetisGraph(path.c_str()), ::testing::ExitedWithCode(1), zt::Exactly(path + tail + "\n")) << text;
  }

  zt::TempDir dir_;
  int count_ = 0;
};

}  // namespace

TEST_F(MetisReader, EdgesBecomeTwoPinHyperedgesOrderedBySmallerThenLargerEnd) {
  bool vw = true, ew = true;
  zt::PlainHGraph g = Read("4 4\n3 2\n4 1 3\n1 2\n2\n", &vw, &ew);
  EXPECT_FALSE(vw);
  EXPECT_FALSE(ew);
  EXPECT_EQ(g.nvtxs, 4);
  EXPECT_EQ(g.eptr, (std::vector<int>{0, 2, 4, 6, 8}));
  EXPECT_EQ(g.eind, (std::vector<int>{0, 1, 0, 2, 1, 2, 1, 3}));
}

TEST_F(MetisReader, FormatDigitsSelectSizesVertexWeightsAndEdgeWeights) {
  bool vw, ew;
  zt::PlainHGraph v = Read("3 2 10\n5 2\n6 1 3\n0 2\n", &vw, &ew);
  EXPECT_TRUE(vw);
  EXPECT_FALSE(ew);
  EXPECT_EQ(v.vwgts, (std::vector<int>{5, 6, 0}));
  EXPECT_EQ(v.eind, (std::vector<int>{0, 1, 1, 2}));
  zt::PlainHGraph e = Read("3 2 1\n2 4\n3 9 1 4\n2 9\n", &vw, &ew);
  EXPECT_FALSE(vw);
  EXPECT_TRUE(ew);
  EXPECT_EQ(e.hewgts, (std::vector<int>{4, 9}));
  // Sizes lead the line and are passed over; ncon 1 is the only one there is.
  const zt::PlainHGraph both = Read("3 2 11\n5 2 4\n6 1 4 3 0\n7 2 0\n", &vw, &ew);
  EXPECT_TRUE(vw && ew);
  EXPECT_EQ(both.vwgts, (std::vector<int>{5, 6, 7}));
  EXPECT_EQ(both.hewgts, (std::vector<int>{4, 0}));
  for (const char *text : {"3 2 111\n9 5 2 4\n1 6 1 4 3 0\n0 7 2 0\n", "3 2 011 1\n5 2 4\n6 1 4 3 0\n7 2 0\n"}) {
    zt::PlainHGraph g = Read(text);
    EXPECT_EQ(g.eind, both.eind) << text;
    EXPECT_EQ(g.vwgts, both.vwgts) << text;
    EXPECT_EQ(g.hewgts, both.hewgts) << text;
  }
  zt::PlainHGraph sized = Read("2 1 100\n3 2\n4 1\n", &vw, &ew);
  EXPECT_FALSE(vw || ew);
  EXPECT_EQ(sized.eind, (std::vector<int>{0, 1}));
}

TEST_F(MetisReader, BlankLinesAreIsolatedVerticesAndCommentLinesAreNothing) {
  zt::PlainHGraph g = Read("% remark\n%\n4 1\n\n% between\n3\n%3 4\n2\n  \t\n");
  EXPECT_EQ(g.nvtxs, 4);
  EXPECT_EQ(g.eind, (std::vector<int>{1, 2}));
  // The last vertex line needs no newline; a missing one is missing though.
  EXPECT_EQ(Read("2 1\n2\n1").eind, (std::vector<int>{0, 1}));
  ExpectFails("3 0\n\n\n", ": the file ends after 2 of 3 vertex lines");
}

TEST_F(MetisReader, RandomGraphsReadAsTheirEdgeSets) {
  std::mt19937 rng(5);
  const char *formats[] = {"0", "1", "10", "11", "100", "101", "110", "111", "011", "001"};
  for (int trial = 0; trial < 300; ++trial) {
    const Graph g = RandomGraph(rng);
    const std::string fmt = formats[trial % 10];
    const bool vwgts = fmt.size() >= 2 && fmt[fmt.size() - 2] == '1', ewgts = fmt.back() == '1';
    bool vw, ew;
    zt::PlainHGraph got = Read(MetisText(g, fmt, rng), &vw, &ew);
    // An array of no elements is no array.
    EXPECT_EQ(vw, vwgts && g.nvtxs > 0);
    EXPECT_EQ(ew, ewgts && !g.edges.empty());
    zt::PlainHGraph want = Model(g, vwgts, ewgts);
    EXPECT_EQ(got.nvtxs, want.nvtxs);
    EXPECT_EQ(got.eptr, want.eptr);
    EXPECT_EQ(got.eind, want.eind);
    EXPECT_EQ(got.vwgts, want.vwgts);
    EXPECT_EQ(got.hewgts, want.hewgts);
  }
}

TEST_F(MetisReader, EdgeListedFromOneEndOnlyIsRefusedAtTheLineThatListsIt) {
  ExpectFails("3 2\n2\n1 3\n\n", ", line 3: vertex 2 lists vertex 3, but vertex 3 does not list vertex 2");
  ExpectFails("3 1\n2\n1\n2\n", ", line 4: vertex 3 lists vertex 2, but vertex 2 does not list vertex 3");
  // Vertex 4's listing of 1 shows when vertex 2 is matched against its list.
  ExpectFails("4 2\n\n4\n\n1 2\n", ", line 5: vertex 4 lists vertex 1, but vertex 1 does not list vertex 4");
  ExpectFails("3 2 1\n2 5\n1 5 3 1\n2 2\n",
              ", line 4: vertex 3 gives the edge to vertex 2 weight 2, but vertex 2 gives it weight 1");
}

TEST_F(MetisReader, EdgeCountOtherThanTheHeadersIsRefused) {
  ExpectFails("3 3\n2\n1 3\n2\n", ", line 1: the header gives 3 edges, but the vertex lines list 2");
  ExpectFails("%\n3 4\n2 3\n1\n1\n", ", line 2: the header gives 4 edges, but the vertex lines list 2");
}

TEST_F(MetisReader, MalformedFilesEndWithMessagesNamingFileLineAndWhatWasExpected) {
  ExpectFails("% nothing\n", ": the file ends before the header line; expected the numbers of vertices and edges");
  ExpectFails("3\n", ", line 1: expected the numbers of vertices and edges");
  ExpectFails("-3 1\n", ", line 1: the numbers of vertices and edges must not be negative, not -3 and 1");
  ExpectFails("2 1 1011\n", ", line 1: the format \"1011\" must be at most three digits 0 or 1 (vertex sizes, "
                            "vertex weights, edge weights)");
  ExpectFails("2 1 10 2\n", ", line 1: 2 weights per vertex are not supported; a vertex has one weight");
  ExpectFails("2 1 0 1 5\n", ", line 1: expected at most the numbers of vertices and edges, the format and the "
                             "number of weights per vertex");
  ExpectFails("2 1\n2\n1\n1\n", ", line 4: more vertex lines than the header's 2");
  ExpectFails("2 1\n3\n1\n", ", line 2: neighbour 3 of vertex 1 lies outside 1..2");
  ExpectFails("2 1\n2\n2 1\n", ", line 3: vertex 2 lists itself as a neighbour");
  ExpectFails("3 2\n2 3 2\n1\n1\n", ", line 2: vertex 1 lists neighbour 2 twice");
  ExpectFails("2 1\n2 x\n1\n", ", line 2: expected a neighbour of vertex 1, not \"x\"");
  ExpectFails("2 1 1\n2\n1 1\n", ", line 2: expected the weight of the edge from vertex 1 to vertex 2");
  ExpectFails("2 1 1\n2 -4\n1 -4\n", ", line 2: the edge from vertex 1 to vertex 2 has negative weight -4");
  ExpectFails("2 1 10\n1 2\n\n", ", line 3: expected the weight of vertex 2");
  ExpectFails("2 1 10\n-1 2\n1 1\n", ", line 2: vertex 1 has negative weight -1");
  ExpectFails("2 1 100\n\n", ", line 2: expected the size of vertex 1");
  ExpectFails("2 1\n2 99999999999\n", ", line 2: the number 99999999999 does not fit an int");
}
