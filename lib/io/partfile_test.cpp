// The partition file: its name and content, and that it is complete or
// absent, never truncated, whatever goes wrong while it is written.
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "io/io.h"
#include "testgen.h"

namespace {

std::set<std::string> Entries(const std::string &dir) {
  std::set<std::string> names;
  DIR *d = opendir(dir.c_str());
  if (d == nullptr) return names;
  while (dirent *e = readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.insert(n);
  }
  closedir(d);
  return names;
}

std::vector<int> RandomParts(int nvtxs, int nparts, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<int> part(nvtxs);
  for (int &p : part) p = static_cast<int>(rng() % nparts);
  return part;
}

// The writer in a child whose files may not grow beyond limit bytes: writes
// past it fail with EFBIG, as they would on a full disk.
void WriteWithFileSizeLimit(rlim_t limit, const std::vector<int> &part, const std::string &graph) {
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit rl{limit, limit};
  setrlimit(RLIMIT_FSIZE, &rl);
  WriteHGraphPart(static_cast<int>(part.size()), part.data(), graph.c_str());
  std::exit(0);
}

TEST(PartitionFile, IsNamedAfterLargestPartAndReadsBackUnchanged) {
  zt::TempDir dir;
  for (unsigned seed = 1; seed <= 20; ++seed) {
    int nparts = 2 + static_cast<int>(seed % 7);
    std::vector<int> part = RandomParts(50 + static_cast<int>(seed) * 13, nparts, seed);
    int largest = *std::max_element(part.begin(), part.end());
    std::string graph = dir.file(std::string("g").append(std::to_string(seed)).append(".hgr"));
    WriteHGraphPart(static_cast<int>(part.size()), part.data(), graph.c_str());
    std::string name = graph;
    name.append(".part.").append(std::to_string(largest + 1));
    EXPECT_EQ(zt::ReadFile(name), [&] {
      std::string text;
      for (int p : part) text += std::to_string(p) + "\n";
      return text;
    }());
    std::vector<int> back(part.size(), -7);
    ReadPartition(static_cast<int>(back.size()), back.data(), name.c_str());
    EXPECT_EQ(back, part);
  }
}

TEST(PartitionFile, ReplacesExistingFileAndLeavesNoTemporaryFile) {
  zt::TempDir dir;
  std::string graph = dir.file("g.hgr");
  zt::WriteFile(graph + ".part.3", std::string(100000, 'x'));
  std::vector<int> part{0, 2, 1, 2};
  WriteHGraphPart(4, part.data(), graph.c_str());
  EXPECT_EQ(zt::ReadFile(graph + ".part.3"), "0\n2\n1\n2\n");
  EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"g.hgr.part.3"}));
}

TEST(PartitionFile, MissingDirectoryEndsRunWithStatusOneNamingFile) {
  zt::TempDir dir;
  std::string graph = dir.file("absent/g.hgr");
  std::vector<int> part{0, 1};
  EXPECT_EXIT(WriteHGraphPart(2, part.data(), graph.c_str()), ::testing::ExitedWithCode(1),
              "WriteHGraphPart: partfile .*absent/g\\.hgr\\.part\\.2: No such file or directory");
  EXPECT_TRUE(Entries(dir.path()).empty());
}

TEST(PartitionFile, DirectoryInPlaceOfFileEndsRunWithStatusOneAndStaysIntact) {
  zt::TempDir dir;
  std::string graph = dir.file("g.hgr");
  ASSERT_EQ(mkdir((graph + ".part.2").c_str(), 0755), 0);
  zt::WriteFile(graph + ".part.2/inside", "kept");
  std::vector<int> part{1, 0, 1};
  EXPECT_EXIT(WriteHGraphPart(3, part.data(), graph.c_str()), ::testing::ExitedWithCode(1),
              "WriteHGraphPart: partfile .*g\\.hgr\\.part\\.2: ");
  EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"g.hgr.part.2"}));
  EXPECT_EQ(zt::ReadFile(graph + ".part.2/inside"), "kept");
}

TEST(PartitionFile, FailedWriteKeepsOldFileAndRemovesTemporaryFile) {
  zt::TempDir dir;
  std::string graph = dir.file("g.hgr");
  std::string old = "1\n0\n1\n0\n";
  zt::WriteFile(graph + ".part.2", old);
  // About 200 KB of parts against a 4 KB limit: the error lands mid-file.
  std::vector<int> part = RandomParts(100000, 2, 5);
  EXPECT_EXIT(WriteWithFileSizeLimit(4096, part, graph), ::testing::ExitedWithCode(1),
              "WriteHGraphPart: partfile .*g\\.hgr\\.part\\.2: File too large");
  EXPECT_EQ(zt::ReadFile(graph + ".part.2"), old);
  EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"g.hgr.part.2"}));
}

TEST(PartitionFile, WriteThatFitsUnderLimitSucceeds) {
  zt::TempDir dir;
  std::string graph = dir.file("g.hgr");
  std::vector<int> part = RandomParts(100, 2, 6);
  EXPECT_EXIT(WriteWithFileSizeLimit(4096, part, graph), ::testing::ExitedWithCode(0), "");
  std::vector<int> back(part.size(), -7);
  ReadPartition(100, back.data(), (graph + ".part.2").c_str());
  EXPECT_EQ(back, part);
  EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"g.hgr.part.2"}));
}

}  // namespace

TEST(FixFile, NumbersMaySpreadOverAnyWhiteSpace) {
  zt::TempDir dir;
  zt::WriteFile(dir.file("a"), "-1 0 1 -1 2");
  zt::WriteFile(dir.file("b"), "\n -1\n0\t1\n\n-1\r\n2\n7 extra ignored");
  std::vector<int> a(5), b(5);
  ReadPartition(5, a.data(), dir.file("a").c_str());
  ReadPartition(5, b.data(), dir.file("b").c_str());
  EXPECT_EQ(a, (std::vector<int>{-1, 0, 1, -1, 2}));
  EXPECT_EQ(b, a);
}

TEST(FixFile, ShortFileIsRejectedNamingTheFile) {
  zt::TempDir dir;
  std::string f = dir.file("fix");
  zt::WriteFile(f, "0 1\n1\n");
  std::vector<int> part(4, 0);
  EXPECT_EXIT(ReadPartition(4, part.data(), f.c_str()), ::testing::ExitedWithCode(1),
              "^" + zt::Escaped("Parts from vertex 3 onwards missing from the partition file " + f + "!\n\n") + "$");
}

TEST(FixFile, NonIntegerTokenIsRejected) {
  zt::TempDir dir;
  std::vector<int> part(3, 0);
  for (const char *text : {"0 x 1", "0 1.5 1", "0 1a 1", "0 99999999999 1", "0 - 1"}) {
    std::string f = dir.file("fix");
    zt::WriteFile(f, text);
    EXPECT_EXIT(ReadPartition(3, part.data(), f.c_str()), ::testing::ExitedWithCode(1),
                "^" + zt::Escaped("Part of vertex 1 in the partition file " + f + " is not an integer!\n\n") + "$")
        << text;
  }
}

TEST(FixFile, PartBelowMinusOneIsRejected) {
  zt::TempDir dir;
  std::string f = dir.file("fix");
  zt::WriteFile(f, "0\n-1\n-2\n");
  std::vector<int> part(3, 0);
  EXPECT_EXIT(ReadPartition(3, part.data(), f.c_str()), ::testing::ExitedWithCode(1),
              "^" + zt::Escaped("Part -2 of vertex 2 in the partition file " + f + " is below -1!\n\n") + "$");
}

TEST(FixFile, UnopenableFileEndsTheProgram) {
  zt::TempDir dir;
  std::vector<int> part(2, 0);
  std::string missing = dir.file("none/fix");
  EXPECT_EXIT(ReadPartition(2, part.data(), missing.c_str()), ::testing::ExitedWithCode(1),
              "^ReadPartition: partfile: No such file or directory\n$");
}

TEST(FixFile, TokenWithNulByteIsNotANumber) {
  zt::TempDir dir;
  std::string f = dir.file("fix");
  zt::WriteFile(f, std::string("1\n5\0x\n", 6));
  std::vector<int> part(2, 0);
  std::string message = "Part of vertex 1 in the partition file ";
  message.append(f).append(" is not an integer!\n\n");
  std::string re = "^";
  re.append(zt::Escaped(message)).append("$");
  EXPECT_EXIT(ReadPartition(2, part.data(), f.c_str()), ::testing::ExitedWithCode(1), re);
}
