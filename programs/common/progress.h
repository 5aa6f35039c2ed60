// The status line a partitioning program keeps on a terminal while the
// library works: what it is doing and for how long.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "zorbel.h"

// The line's text for progress p, elapsed seconds into the run.
std::string ProgressText(const ZORBEL_Progress &p, double elapsed);

// The status line on out, drawn over itself (a carriage return, the text,
// clear to the end of the line): first once the run has lasted delay seconds,
// then at most once every interval seconds, and erased when the library says
// it is done or at the end. The caller tells the time, in seconds since the
// run began, so the rules hold on any clock. A line wider than the terminal
// would wrap, and the carriage return would redraw only its last row: the
// text is cut to width - 1 columns (width 0: never cut). Any thread may call.
class ProgressLine {
 public:
  ProgressLine(FILE *out, double delay, double interval, int width = 0);
  // The library's latest report.
  void Record(const ZORBEL_Progress &p, double now);
  // Redraws when due, so that the elapsed time moves between reports.
  void Tick(double now);
  // Clears the line if it is shown; nothing is drawn after.
  void Erase();

 private:
  void DrawIfDue(double now);
  void EraseHeld();

  FILE *out_;
  const double delay_, interval_;
  const int width_;
  std::mutex lock_;
  ZORBEL_Progress progress_{};
  bool reported_ = false;  // a report has come
  bool shown_ = false;     // the line is on the terminal
  bool ended_ = false;
  double drawnAt_ = 0.0;
};

// While it lives, a fatal error of the library first erases line, then is
// printed as ever (one line on standard error, exit status 1), so that the
// message never lands on the status line. One at a time.
class ErasedBeforeErrors {
 public:
  explicit ErasedBeforeErrors(ProgressLine *line);
  ~ErasedBeforeErrors();
  ErasedBeforeErrors(const ErasedBeforeErrors &) = delete;
  ErasedBeforeErrors &operator=(const ErasedBeforeErrors &) = delete;

 private:
  ZORBEL_ErrorHandler previous_;
};

// For the library calls made while it lives, the status line on standard
// error, when that is a terminal and no trace of the run (traced) goes to the
// same screen: the library's progress function and a thread that redraws the
// elapsed time a few times a second. First drawn after a second; the
// environment variable ZORBEL_PROGRESS_TEST=1 (for tests) draws at once and
// at every report. Stop (or the end of its life) erases the line.
class ProgressDrawer {
 public:
  explicit ProgressDrawer(bool traced);
  ~ProgressDrawer();
  ProgressDrawer(const ProgressDrawer &) = delete;
  ProgressDrawer &operator=(const ProgressDrawer &) = delete;
  void Stop();

 private:
  static void Receive(const ZORBEL_Progress *p, void *drawer);
  double Now() const;
  void Redraw();

  std::unique_ptr<ProgressLine> line_;  // null: nothing is drawn
  std::unique_ptr<ErasedBeforeErrors> erased_;
  std::chrono::steady_clock::time_point start_;
  std::mutex lock_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread redrawer_;
};
