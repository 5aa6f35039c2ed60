// Compressed input: every reader takes a gzip file as its plain twin, and a
// damaged one ends the run with a message instead of a partial reading.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/io.h"
#include "testgen.h"
#include "zorbel.h"

namespace {

std::string HGraphText(const zt::PlainHGraph &g, zt::TempDir &dir) {
  std::string path = dir.file("plain.hgr");
  zt::WriteHGraphFile(path, g, 11);
  return zt::ReadFile(path);
}

zt::PlainHGraph Sample(unsigned seed) {
  zt::GenSpec gs;
  gs.nvtxs = 400;
  gs.nhedges = 600;
  gs.maxvwgt = 5;
  gs.maxhwgt = 9;
  gs.nlarge = 2;
  gs.seed = seed;
  return zt::Generate(gs);
}

}  // namespace

TEST(CompressedInput, GzipHypergraphAndPartitionFilesReadAsTheirPlainTwins) {
  zt::TempDir dir;
  for (unsigned seed = 1; seed <= 3; ++seed) {
    zt::PlainHGraph g = Sample(seed);
    std::string text = HGraphText(g, dir);
    // One hyperedge line past a megabyte, so that inflated blocks end inside it.
    if (seed == 3) text = "%" + std::string(3 << 20, 'x') + "\n" + text;
    std::string gz = dir.file("g.hgr.gz");
    zt::WriteGzipFile(gz, text);
    HGraph *read = ReadHGraph(gz.c_str());
    zt::PlainHGraph back = zt::FromHGraph(read);
    EXPECT_EQ(back.eptr, g.eptr);
    EXPECT_EQ(back.eind, g.eind);
    EXPECT_EQ(back.vwgts, g.vwgts);
    EXPECT_EQ(back.hewgts, g.hewgts);
    FreeHGraph__(read);
  }
  std::vector<int> parts(1000);
  std::string text;
  for (size_t v = 0; v < parts.size(); ++v) text += std::to_string(v % 7) + (v % 3 ? " " : "\n");
  std::string gz = dir.file("p.gz");
  zt::WriteGzipFile(gz, text);
  ReadFullPartition(static_cast<int>(parts.size()), parts.data(), gz.c_str());
  for (size_t v = 0; v < parts.size(); ++v) ASSERT_EQ(parts[v], static_cast<int>(v % 7));
}

TEST(CompressedInput, TruncatedOrCorruptGzipEndsTheRunNamingTheFile) {
  zt::TempDir dir;
  std::string whole = dir.file("whole.gz");
  zt::WriteGzipFile(whole, HGraphText(Sample(4), dir));
  const std::string bytes = zt::ReadFile(whole);
  ASSERT_GT(bytes.size(), 100u);

  // Cut anywhere after the magic bytes, even inside the header or the trailer.
  for (size_t keep : {size_t{2}, size_t{12}, bytes.size() / 2, bytes.size() - 4, bytes.size() - 1}) {
    std::string cut = dir.file("cut.gz");
    zt::WriteFile(cut, bytes.substr(0, keep));
    EXPECT_EXIT(ReadHGraph(cut.c_str()), ::testing::ExitedWithCode(1),
                "^The compressed input file " + cut + " is truncated: it ends before its data does\n\n$")
        << keep;
  }
  // A flipped byte of the deflated data, or of the checksum at the end.
  for (size_t at : {bytes.size() / 2, bytes.size() - 6}) {
    std::string bad = bytes;
    bad[at] = static_cast<char>(bad[at] ^ 0x5a);
    std::string path = dir.file("bad.gz");
    zt::WriteFile(path, bad);
    EXPECT_EXIT(ReadHGraph(path.c_str()), ::testing::ExitedWithCode(1),
                "^The compressed input file " + path + " is corrupt: .*\n\n$")
        << at;
  }
  std::string cut = dir.file("part.gz");
  zt::WriteFile(cut, bytes.substr(0, bytes.size() / 2));
  std::vector<int> parts(400);
  EXPECT_EXIT(ReadFullPartition(400, parts.data(), cut.c_str()), ::testing::ExitedWithCode(1),
              "^The compressed input file " + cut + " is truncated");
}

TEST(CompressedInput, ReadingThatFailsUnderAThrowingHandlerLeavesNoDescriptorOpen) {
  zt::TempDir dir;
  std::string whole = dir.file("whole.gz");
  zt::WriteGzipFile(whole, HGraphText(Sample(5), dir));
  const std::string bytes = zt::ReadFile(whole);
  std::string cut = dir.file("cut.gz"), directory = dir.file("sub");
  zt::WriteFile(cut, bytes.substr(0, bytes.size() / 2));
  std::filesystem::create_directory(directory);
  auto open_descriptors = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator());
  };
  const auto before = open_descriptors();
  ZORBEL_ErrorHandler previous =
      ZORBEL_SetErrorHandler([](const char *message) { throw std::runtime_error(message); });
  // A truncated stream fails inside the reading, a directory on the very
  // first read, in the reader's constructor.
  for (const std::string &path : {cut, directory, cut})
    EXPECT_THROW(FreeHGraph__(ReadHGraph(path.c_str())), std::runtime_error);
  ZORBEL_SetErrorHandler(previous);
  EXPECT_EQ(open_descriptors(), before);
}
