#include <gtest/gtest.h>
#include <zlib.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "io/io.h"
#include "testgen.h"

namespace {

struct Entry {
  int i, j;  // 1-based row and column
};

struct Matrix {
  int nrows = 0, ncols = 0;
  std::vector<Entry> entries;
};

// The hypergraph straight from the definition: the set of (hyperedge, vertex)
// pairs of every entry and, when mirrored, of its mirror; only hyperedges
// that get a pin exist.
zt::PlainHGraph Model(const Matrix &m, bool mirrored, MtxModel model) {
  std::map<int, std::set<int>> nets;
  auto add = [&](int i, int j) {
    if (model == MtxModel::kColumnNet)
      nets[j - 1].insert(i - 1);
    else
      nets[i - 1].insert(j - 1);
  };
  for (const Entry &e : m.entries) {
    add(e.i, e.j);
    if (mirrored) add(e.j, e.i);
  }
  zt::PlainHGraph g;
  g.nvtxs = model == MtxModel::kColumnNet ? m.nrows : m.ncols;
  for (const auto &[net, pins] : nets) {
    g.eind.insert(g.eind.end(), pins.begin(), pins.end());
    g.eptr.push_back(static_cast<int>(g.eind.size()));
  }
  return g;
}

Matrix Transpose(const Matrix &m) {
  Matrix t{m.ncols, m.nrows, {}};
  for (const Entry &e : m.entries) t.entries.push_back({e.j, e.i});
  return t;
}

// A file of m with values of the field, and comment and blank lines strewn
// between the data lines.
std::string MtxText(const Matrix &m, const std::string &field, const std::string &symmetry, std::mt19937 &rng) {
  auto strew = [&]() {
    std::string s;
    if (rng() % 4 == 0) s += "% a remark 1 2 3\n";
    if (rng() % 6 == 0) s += "\n";
    return s;
  };
  std::string text = "%%MatrixMarket matrix coordinate " + field + " " + symmetry + "\n" + strew();
  text += std::to_string(m.nrows) + " " + std::to_string(m.ncols) + " " + std::to_string(m.entries.size()) + "\n";
  for (const Entry &e : m.entries) {
    text += strew() + std::to_string(e.i) + " " + std::to_string(e.j);
    const std::string value = std::to_string(static_cast<int>(rng() % 5) - 2);  // explicit zeros among them
    if (field == "real") text += ' ' + value + ".5e-1";
    if (field == "integer") text += ' ' + value;
    if (field == "complex") text += ' ' + value + " -0.25";
    text += "\n";
  }
  return text;
}

// Up to maxn by maxn, with repeated entries now and then. Square ones get
// both triangles' entries, as a general matrix has them.
Matrix RandomMatrix(std::mt19937 &rng, bool square, int maxn) {
  Matrix m;
  m.nrows = 1 + static_cast<int>(rng() % maxn);
  m.ncols = square ? m.nrows : 1 + static_cast<int>(rng() % maxn);
  const int nnz = static_cast<int>(rng() % (2 * m.nrows * m.ncols / 3 + 1));
  for (int k = 0; k < nnz; ++k) {
    if (k > 0 && rng() % 8 == 0) {
      m.entries.push_back(m.entries[rng() % k]);
      continue;
    }
    m.entries.push_back({1 + static_cast<int>(rng() % m.nrows), 1 + static_cast<int>(rng() % m.ncols)});
  }
  return m;
}

class MtxReader : public ::testing::Test {
 protected:
  std::string Write(const std::string &text) {
    std::string path = dir_.file(std::to_string(count_++) + ".mtx");
    zt::WriteFile(path, text);
    return path;
  }
  zt::PlainHGraph Read(const std::string &text, MtxModel model = MtxModel::kColumnNet) {
    return ReadPath(Write(text), model);
  }
  static zt::PlainHGraph ReadPath(const std::string &path, MtxModel model) {
    HGraph *g = ReadMatrixMarket(path.c_str(), model);
    EXPECT_EQ(g->netwgt, nullptr);
    EXPECT_EQ(g->cellwgt, nullptr);
    zt::PlainHGraph plain = zt::FromHGraph(g);
    FreeHGraph__(g);
    return plain;
  }
  // The reader must end the program with the file's name and then tail.
  void ExpectFails(const std::string &text, const std::string &tail) {
    std::string path = Write(text);
    EXPECT_EXIT(ReadMatrixMarket(path.c_str(), MtxModel::kColumnNet), ::testing::ExitedWithCode(1),
                zt::Exactly(path + tail + "\n"))
        << text;
  }

  zt::TempDir dir_;
  int count_ = 0;
};

void ExpectStructure(const zt::PlainHGraph &got, const zt::PlainHGraph &want) {
  EXPECT_EQ(got.nvtxs, want.nvtxs);
  EXPECT_EQ(got.eptr, want.eptr);
  EXPECT_EQ(got.eind, want.eind);
}

}  // namespace

TEST_F(MtxReader, EveryFieldGivesThePinsOfThePositions) {
  // Column 3 is empty; the entries come in no order.
  const std::map<std::string, std::string> values = {
      {"pattern", ""}, {"real", " -1.5e3"}, {"integer", " 7"}, {"complex", " 1.0 -2.0"}};
  for (const auto &[field, value] : values) {
    std::string text = "%%MatrixMarket matrix coordinate " + field + " general\n3 4 5\n";
    for (const char *pos : {"3 4", "1 1", "2 2", "3 1", "1 4"}) text += std::string(pos) + value + "\n";
    zt::PlainHGraph col = Read(text);
    EXPECT_EQ(col.nvtxs, 3) << field;
    EXPECT_EQ(col.eptr, (std::vector<int>{0, 2, 3, 5})) << field;
    EXPECT_EQ(col.eind, (std::vector<int>{0, 2, 1, 0, 2})) << field;
    zt::PlainHGraph row = Read(text, MtxModel::kRowNet);
    EXPECT_EQ(row.nvtxs, 4) << field;
    EXPECT_EQ(row.eptr, (std::vector<int>{0, 2, 3, 5})) << field;
    EXPECT_EQ(row.eind, (std::vector<int>{0, 3, 1, 0, 3})) << field;
  }
}

TEST_F(MtxReader, EverySymmetryButGeneralMirrorsOffDiagonalEntries) {
  const std::string body = "3 3 3\n1 1 2\n2 1 -1\n3 2 4\n";
  for (const char *symmetry : {"symmetric", "skew-symmetric", "hermitian"}) {
    zt::PlainHGraph g = Read(std::string("%%MatrixMarket matrix coordinate integer ") + symmetry + "\n" + body);
    EXPECT_EQ(g.eptr, (std::vector<int>{0, 2, 4, 5})) << symmetry;
    EXPECT_EQ(g.eind, (std::vector<int>{0, 1, 0, 2, 1})) << symmetry;
  }
  zt::PlainHGraph general = Read("%%MatrixMarket matrix coordinate integer general\n" + body);
  EXPECT_EQ(general.eptr, (std::vector<int>{0, 2, 3}));
  EXPECT_EQ(general.eind, (std::vector<int>{0, 1, 2}));
  // Keywords in any case, comments and blank lines before the size line.
  zt::PlainHGraph loud = Read("%%matrixmarket MATRIX Coordinate PATTERN Hermitian\n%\n\n% x\n2 2 1\n2 1\n");
  EXPECT_EQ(loud.eind, (std::vector<int>{1, 0}));
}

TEST_F(MtxReader, SymmetricEqualsItsExpandedGeneralTwin) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 150; ++trial) {
    // Entries of either triangle: the mirror of an upper one is as good.
    Matrix m = RandomMatrix(rng, true, 12);
    Matrix twin = m;
    for (const Entry &e : m.entries)
      if (e.i != e.j) twin.entries.push_back({e.j, e.i});
    const char *symmetry = trial % 3 == 0 ? "symmetric" : trial % 3 == 1 ? "skew-symmetric" : "hermitian";
    const std::string sym = Write(MtxText(m, trial % 2 ? "pattern" : "complex", symmetry, rng));
    const std::string gen = Write(MtxText(twin, "real", "general", rng));
    for (MtxModel model : {MtxModel::kColumnNet, MtxModel::kRowNet}) {
      zt::PlainHGraph got = ReadPath(sym, model);
      ExpectStructure(got, ReadPath(gen, model));
      ExpectStructure(got, Model(m, true, model));
    }
  }
}

TEST_F(MtxReader, RowNetEqualsTheTransposesColumnNet) {
  std::mt19937 rng(7);
  const char *fields[] = {"pattern", "real", "integer", "complex"};
  for (int trial = 0; trial < 200; ++trial) {
    Matrix m = RandomMatrix(rng, false, 15);
    const std::string a = Write(MtxText(m, fields[trial % 4], "general", rng));
    const std::string at = Write(MtxText(Transpose(m), fields[(trial + 1) % 4], "general", rng));
    zt::PlainHGraph rownet = ReadPath(a, MtxModel::kRowNet);
    ExpectStructure(rownet, ReadPath(at, MtxModel::kColumnNet));
    ExpectStructure(rownet, Model(m, false, MtxModel::kRowNet));
    ExpectStructure(ReadPath(a, MtxModel::kColumnNet), Model(m, false, MtxModel::kColumnNet));
  }
}

TEST_F(MtxReader, EmptyRowsAreBareVerticesAndEmptyColumnsAreDropped) {
  // Rows 2 and 5, columns 1, 4 and 6 hold nothing.
  const std::string text = "%%MatrixMarket matrix coordinate pattern general\n5 6 4\n4 5\n1 2\n3 3\n1 3\n";
  zt::PlainHGraph col = Read(text);
  EXPECT_EQ(col.nvtxs, 5);
  EXPECT_EQ(col.eptr, (std::vector<int>{0, 1, 3, 4}));
  EXPECT_EQ(col.eind, (std::vector<int>{0, 0, 2, 3}));
  zt::PlainHGraph row = Read(text, MtxModel::kRowNet);
  EXPECT_EQ(row.nvtxs, 6);
  EXPECT_EQ(row.eptr, (std::vector<int>{0, 2, 3, 4}));
  EXPECT_EQ(row.eind, (std::vector<int>{1, 2, 2, 4}));
  zt::PlainHGraph none = Read("%%MatrixMarket matrix coordinate real general\n4 3 0\n");
  EXPECT_EQ(none.nvtxs, 4);
  EXPECT_EQ(none.eptr, (std::vector<int>{0}));
}

TEST_F(MtxReader, ExplicitZerosArePinsAndRepeatsAreStoredOnce) {
  zt::PlainHGraph g = Read(
      "%%MatrixMarket matrix coordinate real general\n2 2 4\n1 1 0.0\n2 1 0\n2 1 3.5\n1 1 -0e0\n");
  EXPECT_EQ(g.eptr, (std::vector<int>{0, 2}));
  EXPECT_EQ(g.eind, (std::vector<int>{0, 1}));
  // An entry and its mirror both listed make one pin each way.
  zt::PlainHGraph s = Read("%%MatrixMarket matrix coordinate real symmetric\n2 2 3\n2 1 1\n1 2 1\n2 2 0\n");
  EXPECT_EQ(s.eptr, (std::vector<int>{0, 1, 3}));
  EXPECT_EQ(s.eind, (std::vector<int>{1, 0, 1}));
}

TEST_F(MtxReader, GzipFileReadsTheSame) {
  std::mt19937 rng(3);
  Matrix m = RandomMatrix(rng, false, 40);
  const std::string text = MtxText(m, "real", "general", rng);
  const std::string path = dir_.file("packed.mtx.gz");
  gzFile gz = gzopen(path.c_str(), "wb");
  ASSERT_NE(gz, nullptr);
  ASSERT_EQ(gzwrite(gz, text.data(), static_cast<unsigned>(text.size())), static_cast<int>(text.size()));
  ASSERT_EQ(gzclose(gz), Z_OK);
  for (MtxModel model : {MtxModel::kColumnNet, MtxModel::kRowNet}) {
    zt::PlainHGraph packed = ReadPath(path, model);
    ExpectStructure(packed, Read(text, model));
    ExpectStructure(packed, Model(m, false, model));
  }
}

TEST_F(MtxReader, MalformedFilesEndWithMessagesNamingFileLineAndWhatWasExpected) {
  const std::string banner = "%%MatrixMarket matrix coordinate real general\n";
  ExpectFails("", ": the file is empty; expected the banner %%MatrixMarket matrix coordinate <field> <symmetry>");
  ExpectFails("3 3 1\n1 1 1\n",
              ", line 1: expected the banner %%MatrixMarket matrix coordinate <field> <symmetry>");
  ExpectFails("%%MatrixMarket matrix array real general\n2 2\n1\n2\n3\n4\n",
              ", line 1: unsupported format \"array\"; expected coordinate");
  ExpectFails("%%MatrixMarket matrix coordinate double general\n",
              ", line 1: unsupported field \"double\"; expected real, integer, complex or pattern");
  ExpectFails("%%MatrixMarket matrix coordinate real\n",
              ", line 1: the banner ends before the symmetry; expected general, symmetric, skew-symmetric or "
              "hermitian");
  ExpectFails(banner + "% only remarks\n\n",
              ": the file ends before the size line; expected the numbers of rows, columns and entries");
  ExpectFails(banner + "3 3\n", ", line 2: expected the numbers of rows, columns and entries");
  ExpectFails(banner + "3 -3 1\n",
              ", line 2: the numbers of rows, columns and entries must not be negative, not 3 -3 1");
  ExpectFails("%%MatrixMarket matrix coordinate pattern symmetric\n3 4 1\n1 1\n",
              ", line 2: a symmetric matrix must be square, not 3 by 4");
  ExpectFails(banner + "3 3 2\n1 1 1\n%\n2 x 1\n", ", line 5: expected the row and the column of entry 2 of 2");
  ExpectFails(banner + "3 4 2\n4 1 1\n", ", line 3: row 4 of entry 1 lies outside 1..3");
  ExpectFails("%%MatrixMarket matrix coordinate complex general\n3 3 1\n1 1 1.0\n",
              ", line 3: expected the real and the imaginary part of entry 1 of 1");
  ExpectFails(banner + "3 3 3\n1 1 1\n2 2 2\n\n", ": the file ends after 2 of 3 entries");
  ExpectFails(banner + "3 3 1\n1 1 1\n2 2 2\n",
              ", line 4: more entries than the size line's 1");
  ExpectFails(banner + "3 3 1\n1 21474836470 1\n", ", line 3: the number 21474836470 does not fit an int");
}
