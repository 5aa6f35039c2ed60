#include "progress.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "testgen.h"
#include "util/util.h"

namespace {

const char kErase[] = "\r\033[K";

// Sets an environment variable for the programs this test starts.
class Variable {
 public:
  Variable(const char *name, const char *value) : name_(name) { setenv(name, value, 1); }
  ~Variable() { unsetenv(name_); }

 private:
  const char *name_;
};

// What a ProgressLine wrote into its file.
std::string Written(FILE *f) {
  fflush(f);
  std::string text;
  rewind(f);
  for (int c; (c = fgetc(f)) != EOF;) text += static_cast<char>(c);
  return text;
}

size_t Count(const std::string &text, const std::string &what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

ZORBEL_Progress Bisecting(int bisection, int trials) {
  return ZORBEL_Progress{ZORBEL_STAGE_BISECTIONS, bisection, 7, trials, 10, 0};
}

TEST(ProgressLine, TextSaysWhatIsDoneAndHowLongItTook) {
  EXPECT_EQ(ProgressText(ZORBEL_Progress{ZORBEL_STAGE_BISECTIONS, 2, 7, 4, 10, 1}, 65.9),
            "Partitioning: bisection 3 of 7, 4 of 10 trials done, 1 V-cycle, 1:05 elapsed");
  EXPECT_EQ(ProgressText(ZORBEL_Progress{ZORBEL_STAGE_KWAY_TRIALS, 0, 0, 2, 5, 0}, 3),
            "Partitioning: k-way partitioning, 2 of 5 trials done, 0 V-cycles, 0:03 elapsed");
  EXPECT_EQ(ProgressText(ZORBEL_Progress{ZORBEL_STAGE_KWAY_FINISH, 6, 7, 10, 10, 12}, 7384),
            "Partitioning: k-way refinement after 7 bisections, 12 V-cycles, 2:03:04 elapsed");
}

// On a clock of the test's own: nothing before the delay, then no more than
// one drawing per interval, each over the last, the newest report shown.
TEST(ProgressLine, DrawsAfterTheDelayAtMostOncePerIntervalAndErasesAtTheEnd) {
  FILE *f = tmpfile();
  ASSERT_NE(f, nullptr);
  ProgressLine line(f, 1.0, 0.25);
  line.Tick(0.1);  // no report yet
  line.Record(Bisecting(0, 1), 0.5);
  line.Tick(0.99);
  EXPECT_EQ(Written(f), "");
  line.Tick(1.0);
  line.Record(Bisecting(0, 2), 1.1);
  line.Tick(1.24);
  EXPECT_EQ(Written(f), std::string("\r") + ProgressText(Bisecting(0, 1), 1.0) + "\033[K");
  line.Tick(1.25);
  line.Record(Bisecting(1, 0), 1.5);
  std::string text = Written(f);
  EXPECT_EQ(Count(text, "\rPartitioning: "), 3u);
  EXPECT_NE(text.find(ProgressText(Bisecting(0, 2), 1.25)), std::string::npos);
  EXPECT_NE(text.find(ProgressText(Bisecting(1, 0), 1.5)), std::string::npos);
  line.Erase();
  line.Tick(5.0);
  line.Record(Bisecting(2, 0), 6.0);
  text = Written(f);
  EXPECT_EQ(Count(text, "\rPartitioning: "), 3u);
  EXPECT_EQ(text.substr(text.size() - 4), kErase);
  fclose(f);
}

// The library is done: the line goes before whatever it prints next.
TEST(ProgressLine, DoneErasesTheLineAndANeverDrawnLineLeavesNothing) {
  FILE *f = tmpfile();
  ASSERT_NE(f, nullptr);
  ProgressLine line(f, 0.0, 0.0);
  line.Record(Bisecting(0, 0), 0.0);
  line.Record(ZORBEL_Progress{ZORBEL_STAGE_DONE, 6, 7, 10, 10, 3}, 0.1);
  line.Tick(1.0);
  line.Erase();
  EXPECT_EQ(Written(f), std::string("\r") + ProgressText(Bisecting(0, 0), 0.0) + "\033[K" + kErase);
  fclose(f);

  f = tmpfile();
  ProgressLine quiet(f, 1.0, 0.2);
  quiet.Record(Bisecting(0, 3), 0.5);
  quiet.Erase();
  quiet.Tick(2.0);
  EXPECT_EQ(Written(f), "");
  fclose(f);
}

// A line as wide as the terminal would wrap: it is cut a column short.
TEST(ProgressLine, TextIsCutShortOfTheTerminalsWidth) {
  FILE *f = tmpfile();
  ASSERT_NE(f, nullptr);
  ProgressLine line(f, 0.0, 0.0, 20);
  line.Record(Bisecting(0, 0), 0.0);
  EXPECT_EQ(Written(f), std::string("\r") + ProgressText(Bisecting(0, 0), 0.0).substr(0, 19) +
                            "\033[K");
  fclose(f);
}

// A fatal error of the library while the line is shown: the line goes first,
// then the message and exit status 1 as ever; without the guard the message
// lands on the line.
TEST(ProgressLine, FatalErrorErasesTheLineBeforeItsMessage) {
  auto fail = [](bool guarded) {
    return zt::RunInChild([guarded] {
      ProgressLine line(stderr, 0.0, 0.0);
      line.Record(Bisecting(2, 4), 0.0);
      std::unique_ptr<ErasedBeforeErrors> guard;
      if (guarded) guard = std::make_unique<ErasedBeforeErrors>(&line);
      errexit__("Nparts %d is greater than the number of vertices %d.\n", 9, 4);
      return 0;
    });
  };
  const std::string drawn = std::string("\r") + ProgressText(Bisecting(2, 4), 0.0) + "\033[K";
  const std::string message = "Nparts 9 is greater than the number of vertices 4.\n\n";
  const zt::RunResult guarded = fail(true);
  EXPECT_EQ(guarded.status, 1);
  EXPECT_EQ(guarded.err, drawn + kErase + message);
  const zt::RunResult bare = fail(false);
  EXPECT_EQ(bare.status, 1);
  EXPECT_EQ(bare.err, drawn + message);
}

// Runs a program with standard error on a pseudo-terminal, and standard
// output too when both is set (else into a file); err is what reached the
// terminal.
zt::RunResult RunOnTerminal(const std::string &program, const std::vector<std::string> &args,
                            bool both) {
  zt::TempDir io;
  const std::string outpath = io.file("out");
  int master = -1, slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = both ? slave : open(outpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(slave, 2);
    close(master);
    std::vector<char *> argv{const_cast<char *>(program.c_str())};
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(slave);
  zt::RunResult r;
  // Read while the program runs, so that it never waits on a full terminal;
  // the terminal reports an error once the program has closed its side.
  char buf[4096];
  for (;;) {
    const ssize_t n = read(master, buf, sizeof buf);
    if (n > 0) r.err.append(buf, n);
    else if (n < 0 && errno == EINTR) continue;
    else break;
  }
  close(master);
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  if (!both) r.out = zt::ReadFile(outpath);
  return r;
}

std::string WithoutTimes(const std::string &out) {
  return out.substr(0, out.find("Timing Information"));
}

// What is left of the terminal's text without the status line's drawings.
std::string WithoutDrawings(std::string text) {
  for (size_t at; (at = text.find("\r")) != std::string::npos;) {
    const size_t end = text.find("\033[K", at);
    if (end == std::string::npos) break;
    text.erase(at, end + 3 - at);
  }
  return text;
}

std::string InputFile(const zt::TempDir &dir) {
  zt::GenSpec gs;
  gs.nvtxs = 800;
  gs.nhedges = 1200;
  gs.seed = 3;
  const std::string file = dir.file("g.hgr");
  zt::WriteHGraphFile(file, zt::Generate(gs), 1);
  return file;
}

// On a terminal the line is drawn, says what runs, and is gone before the
// report; standard output and the partition file are those of a run without
// a terminal, whose standard error stays empty.
TEST(ProgressDrawer, TerminalShowsTheLineAndOutputStaysAsWithoutOne) {
  zt::TempDir dir;
  const std::string file = InputFile(dir);
  Variable seed("ZORBEL_SEED", "5"), every("ZORBEL_PROGRESS_TEST", "1");
  struct Case {
    const char *prog;
    std::vector<std::string> args;
    const char *shown;
  } cases[] = {
      {"simplepart", {file, "4", "5"}, "\rPartitioning: bisection 3 of 3, 10 of 10 trials done"},
      {"rbpart", {file, "3", "5", "2", "1", "1", "2", "0", "0"}, "\rPartitioning: k-way refinement"},
      {"kwaypart", {file, "4", "10", "3", "1", "1", "1", "0"},
       "\rPartitioning: k-way partitioning, 3 of 3 trials done"}};
  for (const Case &c : cases) {
    const zt::RunResult plain = zt::RunProgram(zt::ProgramPath(c.prog), c.args);
    ASSERT_EQ(plain.status, 0) << c.prog << plain.err;
    EXPECT_EQ(plain.err, "") << c.prog;
    const std::string partfile = zt::ReadFile(file + ".part." + c.args[1]);

    const zt::RunResult tty = RunOnTerminal(zt::ProgramPath(c.prog), c.args, false);
    EXPECT_EQ(tty.status, 0) << c.prog;
    EXPECT_NE(tty.err.find(c.shown), std::string::npos) << c.prog << ": " << tty.err;
    ASSERT_GE(tty.err.size(), 4u) << c.prog;
    EXPECT_EQ(tty.err.substr(tty.err.size() - 4), kErase) << c.prog;
    EXPECT_EQ(WithoutDrawings(tty.err), "") << c.prog;
    EXPECT_EQ(WithoutTimes(tty.out), WithoutTimes(plain.out)) << c.prog;
    EXPECT_EQ(zt::ReadFile(file + ".part." + c.args[1]), partfile) << c.prog;
  }
}

// A trace on the same terminal would break into the line: none is drawn.
TEST(ProgressDrawer, NoLineWhenTheTraceGoesToTheSameTerminal) {
  zt::TempDir dir;
  const std::string file = InputFile(dir);
  Variable every("ZORBEL_PROGRESS_TEST", "1");
  const zt::RunResult tty = RunOnTerminal(zt::ProgramPath("simplepart"), {file, "4", "5"}, true);
  EXPECT_EQ(tty.status, 0);
  EXPECT_NE(tty.err.find("Bisecting a hgraph"), std::string::npos) << tty.err;
  EXPECT_EQ(tty.err.find("\033[K"), std::string::npos) << tty.err;
}

}  // namespace
