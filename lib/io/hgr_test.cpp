#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testgen.h"
#include "io/io.h"

namespace {

class Reader : public ::testing::Test {
 protected:
  std::string Write(const std::string &text) {
    std::string name = "g";
    name += std::to_string(count_++);
    std::string path = dir_.file(name + ".hgr");
    zt::WriteFile(path, text);
    return path;
  }
  HGraph *Read(const std::string &text) {
    HGraph *g = ReadHGraph(Write(text).c_str());
    graphs_.push_back(g);
    return g;
  }
  // The reader must end the program with exactly this on standard error.
  void ExpectFails(const std::string &text, const std::string &message) {
    std::string path = Write(text);
    EXPECT_EXIT(ReadHGraph(path.c_str()), ::testing::ExitedWithCode(1), zt::Exactly(message + "\n")) << text;
  }
  static std::vector<int> Pins(const HGraph *g, int e) {
    return std::vector<int>(g->netind + g->netptr[e], g->netind + g->netptr[e + 1]);
  }
  void TearDown() override {
    for (HGraph *g : graphs_) FreeHGraph__(g);
  }

  zt::TempDir dir_;
  int count_ = 0;
  std::vector<HGraph *> graphs_;
};

}  // namespace

TEST_F(Reader, TwoNumberHeaderMeansNoWeights) {
  HGraph *g = Read("3 4\n1 2\n2 3\n3 4\n");
  EXPECT_EQ(g->nhedges, 3);
  EXPECT_EQ(g->nvtxs, 4);
  EXPECT_EQ(g->netwgt, nullptr);
  EXPECT_EQ(g->cellwgt, nullptr);
  EXPECT_EQ(Pins(g, 2), (std::vector<int>{2, 3}));
  EXPECT_EQ(g->netptr[3], 6);
  EXPECT_EQ(g->incptr, nullptr);
  EXPECT_EQ(g->level, -1);
  EXPECT_EQ(g->nfixed, -1);
}

TEST_F(Reader, CommentLinesAnywhereReadLikeNone) {
  HGraph *plain = Read("2 3 11\n5 1 2\n7 2 3\n4\n5\n6\n");
  HGraph *commented = Read("%a\n% b\n2 3 11\n%x 1 2\n5 1 2\n%\n7 2 3\n%%\n4\n%9\n5\n6\n");
  ASSERT_EQ(commented->netptr[2], plain->netptr[2]);
  for (int j = 0; j < 4; ++j) EXPECT_EQ(commented->netind[j], plain->netind[j]);
  for (int e = 0; e < 2; ++e) EXPECT_EQ(commented->netwgt[e], plain->netwgt[e]);
  for (int v = 0; v < 3; ++v) EXPECT_EQ(commented->cellwgt[v], plain->cellwgt[v]);
  // A percent sign elsewhere than in the first column is just text.
  HGraph *g = Read("1 3\n 1 2 %3\n");
  EXPECT_EQ(Pins(g, 0), (std::vector<int>{0, 1}));
}

TEST_F(Reader, FormatCodesSelectWeights) {
  HGraph *g1 = Read("1 2 1\n5 1 2\n");
  EXPECT_EQ(g1->netwgt[0], 5);
  EXPECT_EQ(Pins(g1, 0), (std::vector<int>{0, 1}));
  EXPECT_EQ(g1->cellwgt, nullptr);
  HGraph *g10 = Read("1 2 10\n1 2\n3\n4 junk\n");
  EXPECT_EQ(g10->netwgt, nullptr);
  EXPECT_EQ(g10->cellwgt[0], 3);
  EXPECT_EQ(g10->cellwgt[1], 4);
  HGraph *g11 = Read("1 2 11\n0 2 1\nx\n9\n");
  EXPECT_EQ(g11->netwgt[0], 0);  // zero weights stay accepted
  EXPECT_EQ(g11->cellwgt[0], 0);  // a line without a number gives weight 0
  EXPECT_EQ(Pins(g11, 0), (std::vector<int>{1, 0}));
  HGraph *g99 = Read("1 2 99\n6 1 2\n1\n2\n");
  EXPECT_EQ(g99->netwgt[0], 6);
  EXPECT_EQ(g99->cellwgt[1], 2);
  HGraph *g0 = Read("1 2 0\n1 2\n");
  EXPECT_EQ(g0->netwgt, nullptr);
  HGraph *neg = Read("1 2 -11\n1 2\n");  // a negative code asks for no weights
  EXPECT_EQ(neg->netwgt, nullptr);
  EXPECT_EQ(neg->cellwgt, nullptr);
  ExpectFails("1 2 100\n1 2\n", "Cannot read this type of file format!");
}

TEST_F(Reader, RepeatedPinIsDroppedKeepingFirstOccurrence) {
  HGraph *g = Read("2 4\n1 2 2 3\n4 1 4 3 1 4\n");
  EXPECT_EQ(Pins(g, 0), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(Pins(g, 1), (std::vector<int>{3, 0, 2}));
  EXPECT_EQ(g->netptr[2], 6);
}

TEST_F(Reader, IdenticalHyperedgesAllStay) {
  HGraph *g = Read("3 2\n1 2\n1 2\n2 1\n");
  EXPECT_EQ(g->nhedges, 3);
  EXPECT_EQ(g->netptr[3], 6);
}

TEST_F(Reader, PinListEndsAtZeroNegativeOrText) {
  EXPECT_EQ(Pins(Read("1 3\n1 2 0 3\n"), 0), (std::vector<int>{0, 1}));
  EXPECT_EQ(Pins(Read("1 3\n1 -2 3\n"), 0), (std::vector<int>{0}));
  EXPECT_EQ(Pins(Read("1 3\n3 2 x 1\n"), 0), (std::vector<int>{2, 1}));
  EXPECT_EQ(Pins(Read("1 3\n\t+3  2.5 1\n"), 0), (std::vector<int>{2, 1}));
  // A number out of int range after the end of the list is never read.
  EXPECT_EQ(Pins(Read("1 3\n1 0 99999999999\n"), 0), (std::vector<int>{0}));
}

TEST_F(Reader, PinEqualToVertexCountIsAcceptedOneMoreIsRejected) {
  EXPECT_EQ(Pins(Read("1 5\n5 1\n"), 0), (std::vector<int>{4, 0}));
  ExpectFails("1 5\n6 1\n", "Mismatch between the provided and actual value of num_cells\n");
}

TEST_F(Reader, LastLineNeedsNoNewline) {
  HGraph *g = Read("2 3\n1 2\n2 3");
  EXPECT_EQ(Pins(g, 1), (std::vector<int>{1, 2}));
  HGraph *w = Read("1 3 10\n1 2\n1\n2\n3");
  EXPECT_EQ(w->cellwgt[2], 3);
}

TEST_F(Reader, BlankHyperedgeLineIsAnEmptyHyperedge) {
  ExpectFails("3 4\n1 2\n\n3 4\n", "Empty Hyperedge # 2\n");
  ExpectFails("2 4\n1 2\n\n", "Empty Hyperedge # 2\n");
  ExpectFails("2 4 1\n1 2\n7\n", "Empty Hyperedge # 2\n");
  ExpectFails("1 4\n0 1 2\n", "Empty Hyperedge # 1\n");
}

TEST_F(Reader, MissingHyperedgeLineIsReportedWithItsNumber) {
  ExpectFails("3 4\n1 2\n3 4\n", "Data about hyperedge 2 missing from the input file!\n");
  ExpectFails("3 4\n", "Data about hyperedge 0 missing from the input file!\n");
  ExpectFails("2 4\n1 2\n% only a comment\n", "Data about hyperedge 1 missing from the input file!\n");
}

TEST_F(Reader, MissingVertexWeightsAreReportedFromFirstVertexWithout) {
  ExpectFails("1 3 10\n1 2\n4\n5\n", "Weights from vertex 2 onwards missing from the input file!\n");
  ExpectFails("1 3 11\n1 1 2\n", "Weights from vertex 0 onwards missing from the input file!\n");
}

TEST_F(Reader, TooFewCellsAreRejected) {
  ExpectFails("2 1\n1\n1\n", "Cannot partition graph with 1 cells\n");
  ExpectFails("1 -4\n", "Cannot partition graph with -4 cells\n");
}

TEST_F(Reader, HyperedgeLinesOfAnyLengthAreRead) {
  // 131,070 and 131,071 characters before the newline: the longest line a
  // buffer of 131,072 bytes once held, and the first it could not.
  for (size_t length : {131070u, 131071u, 131072u}) {
    std::string line(length, ' ');
    line[0] = '1';
    line[length - 1] = '2';
    HGraph *g = Read("1 2\n" + line + "\n");
    EXPECT_EQ(Pins(g, 0), (std::vector<int>{0, 1})) << length;
  }
  // A million characters: every vertex of a 150,000-vertex clock net, the
  // last pins straddling many reads of the file.
  const int nvtxs = 150000;
  std::string line = "7";
  for (int v = nvtxs; v >= 1; --v) line += " " + std::to_string(v);
  ASSERT_LT(line.size(), 1000000u);
  line.resize(1000000, ' ');
  HGraph *g = Read("2 " + std::to_string(nvtxs) + " 1\n" + line + "\n3 1 2\n");
  ASSERT_EQ(g->nhedges, 2);
  EXPECT_EQ(g->netwgt[0], 7);
  std::vector<int> pins = Pins(g, 0);
  ASSERT_EQ(pins.size(), static_cast<size_t>(nvtxs));
  for (int i = 0; i < nvtxs; ++i) ASSERT_EQ(pins[i], nvtxs - 1 - i);
  EXPECT_EQ(Pins(g, 1), (std::vector<int>{0, 1}));
  EXPECT_EQ(g->netwgt[1], 3);
}

TEST_F(Reader, NumbersAcrossReadsAndLeadingZerosReadAsStrtolReadsThem) {
  // Blocks are a mebibyte: numbers placed on every offset around the first
  // boundary, with long runs of leading zeros and blanks.
  for (int shift = 0; shift < 70; shift += 7) {
    std::string text = "%" + std::string((1 << 20) - 40 + shift, 'c') + "\n1 3\n";
    text += std::string(30, ' ') + "000000000000000000000000000000000000000000000000000000000000000000003 +2";
    HGraph *g = Read(text);
    EXPECT_EQ(Pins(g, 0), (std::vector<int>{2, 1})) << shift;
  }
  ExpectFails("1 4\n1 " + std::string(100, '0') + "99999999999\n",
              "Number " + std::string(40, '0') + " in the input file does not fit into an int!\n");
}

TEST_F(Reader, LongCommentOrWeightLineIsSkippedAsOneLine) {
  std::string tail(200000, '7');
  HGraph *g = Read("%" + tail + "\n1 2 10\n%" + tail + "\n1 2\n3 " + tail + "\n4\n");
  EXPECT_EQ(g->nhedges, 1);
  EXPECT_EQ(g->cellwgt[0], 3);
  EXPECT_EQ(g->cellwgt[1], 4);
}

TEST_F(Reader, ZeroHyperedgesGiveNoPins) {
  HGraph *g = Read("0 5\n");
  EXPECT_EQ(g->nhedges, 0);
  EXPECT_EQ(g->nvtxs, 5);
  EXPECT_EQ(g->netptr[0], 0);
  EXPECT_EQ(g->netind, nullptr);
}

TEST_F(Reader, UnreadableOrShortHeaderIsRejected) {
  ExpectFails("", "Header line missing from the input file!\n");
  ExpectFails("% nothing but comments\n%\n", "Header line missing from the input file!\n");
  ExpectFails("3\n1 2\n", "Header line must give the numbers of hyperedges and cells!\n");
  ExpectFails("\n3 4\n", "Header line must give the numbers of hyperedges and cells!\n");
  ExpectFails("x 4\n", "Header line must give the numbers of hyperedges and cells!\n");
  ExpectFails("-1 4\n", "Cannot partition graph with -1 hyperedges\n");
  ExpectFails("2147483647 4\n", "Cannot partition graph with 2147483647 hyperedges\n");
}

TEST_F(Reader, NumbersBeyondIntAreRejected) {
  ExpectFails("2147483648 4\n", "Number 2147483648 in the input file does not fit into an int!\n");
  ExpectFails("1 4\n1 99999999999999999999999\n",
              "Number 99999999999999999999999 in the input file does not fit into an int!\n");
  ExpectFails("1 4 1\n-2147483649 1 2\n", "Number -2147483649 in the input file does not fit into an int!\n");
  ExpectFails("1 4 10\n1 2\n1\n 3000000000\n", "Number 3000000000 in the input file does not fit into an int!\n");
  // The largest int reads as a number; as a weight it passes the limit on the total.
  std::string path = Write("1 4 1\n2147483647 1 2\n");
  EXPECT_EXIT(ReadHGraph(path.c_str()), ::testing::ExitedWithCode(1),
              zt::Exactly(path + ": the total hyperedge weight 2147483647 exceeds the limit 1073741823.\n\n"));
}

TEST_F(Reader, NegativeWeightsAreRejected) {
  ExpectFails("2 3 1\n1 1 2\n-1 2 3\n", "Negative weight -1 of Hyperedge # 2\n");
  ExpectFails("1 3 10\n1 2\n1\n-5\n1\n", "Negative weight -5 of vertex # 2\n");
}

TEST_F(Reader, MissingFileIsReportedWithSystemText) {
  std::string path = dir_.file("none.hgr");
  EXPECT_EXIT(ReadHGraph(path.c_str()), ::testing::ExitedWithCode(1),
              "^Can't open input file: No such file or directory\n$");
}

TEST_F(Reader, NetListSizeCountsPinsBeforeDroppingRepeats) {
  std::string path = Write("%c\n2 4 1\n3 1 1 2 0 4\n1 4 3\n");
  EXPECT_EQ(GetNetListSize(path.c_str()), 5);
}

TEST_F(Reader, GeneratedFilesReadBackExactly) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    zt::GenSpec gs;
    gs.nvtxs = 30 + seed * 7;
    gs.nhedges = 40 + seed * 3;
    gs.maxvwgt = 5;
    gs.maxhwgt = 9;
    gs.nislands = seed % 4;
    gs.nlarge = seed % 3;
    gs.seed = seed;
    zt::PlainHGraph plain = zt::Generate(gs);
    for (int fmt : {0, 1, 10, 11}) {
      std::string path = dir_.file("gen.hgr");
      zt::WriteHGraphFile(path, plain, fmt);
      HGraph *g = ReadHGraph(path.c_str());
      zt::PlainHGraph back = zt::FromHGraph(g);
      EXPECT_EQ(back.eptr, plain.eptr);
      EXPECT_EQ(back.eind, plain.eind);
      EXPECT_EQ(g->netwgt != nullptr, fmt % 10 == 1);
      EXPECT_EQ(g->cellwgt != nullptr, fmt / 10 == 1);
      if (g->netwgt) {
        EXPECT_EQ(back.hewgts, plain.hewgts);
      }
      if (g->cellwgt) {
        EXPECT_EQ(back.vwgts, plain.vwgts);
      }
      FreeHGraph__(g);
    }
  }
}

namespace {

// The writer gives back what it was given: pins in order, islands, and
// weights (written only where some weight is not 1, which reads back the
// same).
TEST_F(Reader, WrittenHypergraphsReadBackExactly) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    zt::GenSpec gs;
    gs.nvtxs = 20 + seed * 5;
    gs.nhedges = 30 + seed * 2;
    gs.maxvwgt = seed % 2 ? 1 : 6;
    gs.maxhwgt = seed % 3 ? 1 : 4;
    gs.nislands = seed % 4;
    gs.nlarge = seed % 2;
    gs.seed = seed;
    zt::PlainHGraph plain = zt::Generate(gs);
    HGraph *original = zt::ToHGraph(plain);
    const std::string path = dir_.file("written.hgr");
    WriteHGraphFile(original, path.c_str());
    FreeHGraph__(original);
    HGraph *g = ReadHGraph(path.c_str());
    zt::PlainHGraph back = zt::FromHGraph(g);
    FreeHGraph__(g);
    EXPECT_EQ(back.nvtxs, plain.nvtxs);
    EXPECT_EQ(back.eptr, plain.eptr);
    EXPECT_EQ(back.eind, plain.eind);
    EXPECT_EQ(back.hewgts, plain.hewgts);
    EXPECT_EQ(back.vwgts, plain.vwgts);
  }
}

TEST_F(Reader, WriterRefusesWhatTheFileCannotHoldAndWhereItCannotWrite) {
  zt::PlainHGraph plain = zt::Generate(zt::GenSpec{});
  HGraph *g = zt::ToHGraph(plain);
  const std::string path = dir_.file("absent/out.hgr");
  EXPECT_EXIT(WriteHGraphFile(g, path.c_str()), ::testing::ExitedWithCode(1),
              zt::Exactly("WriteHGraphFile: " + path + ": No such file or directory\n"));
  FreeHGraph__(g);
  plain.eptr.insert(plain.eptr.begin() + 3, plain.eptr[3]);
  plain.hewgts.insert(plain.hewgts.begin() + 3, 2);
  g = zt::ToHGraph(plain);
  const std::string kept = dir_.file("kept.hgr");
  EXPECT_EXIT(WriteHGraphFile(g, kept.c_str()), ::testing::ExitedWithCode(1),
              zt::Exactly("WriteHGraphFile: hyperedge 4 has no pins, which the hypergraph file cannot hold.\n\n"));
  FreeHGraph__(g);
  EXPECT_TRUE(zt::ReadFile(kept).empty());
}

TEST_F(Reader, WeightTotalsAtTheLimitAreReadAndOnePastAreRefused) {
  const HGraph *g = Read("2 3 1\n1073741822 1 2\n1 2 3\n");
  EXPECT_EQ(g->netwgt[0] + g->netwgt[1], kMaxTotalWeight);
  g = Read("1 2 10\n1 2\n1073741823\n0\n");
  EXPECT_EQ(g->cellwgt[0] + g->cellwgt[1], kMaxTotalWeight);

  std::string past = Write("2 3 1\n1073741823 1 2\n1 2 3\n");
  EXPECT_EXIT(ReadHGraph(past.c_str()), ::testing::ExitedWithCode(1),
              zt::Exactly(past + ": the total hyperedge weight 1073741824 exceeds the limit 1073741823.\n\n"));
  past = Write("1 2 10\n1 2\n1073741823\n1\n");
  EXPECT_EXIT(ReadHGraph(past.c_str()), ::testing::ExitedWithCode(1),
              zt::Exactly(past + ": the total vertex weight 1073741824 exceeds the limit 1073741823.\n\n"));
}

}  // namespace
