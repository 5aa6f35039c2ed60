// Progress reports of a call to the function a caller installed.
#include <mutex>

#include "util/util.h"
#include "zorbel.h"

// A call's record, changed and reported under its lock: the tasks of a call
// end trials and V-cycles on any thread, and the installed function sees
// each state whole and one at a time.
struct ProgressSink {
  ZORBEL_ProgressFunc func = nullptr;
  void *data = nullptr;
  std::mutex lock;
  ZORBEL_Progress record{};
  int begun = 0;  // bisections (or k-way partitionings) begun

  void Report() { func(&record, data); }
};

namespace {

// What ZORBEL_SetProgress last installed. Read once as a call begins, so a
// call reports to one function from its start to its end.
std::mutex gInstalledLock;
ZORBEL_ProgressFunc gInstalledFunc = nullptr;
void *gInstalledData = nullptr;

}  // namespace

ProgressOwner BeginProgress__(int stage, int nbisections, int nruns) {
  ProgressOwner sink;
  {
    std::lock_guard<std::mutex> hold(gInstalledLock);
    if (gInstalledFunc == nullptr) return sink;
    sink = std::make_shared<ProgressSink>();
    sink->func = gInstalledFunc;
    sink->data = gInstalledData;
  }
  sink->record.stage = stage;
  sink->record.nbisections = nbisections;
  sink->record.nruns = nruns;
  sink->Report();
  return sink;
}

int ProgressPartitioning__(ProgressSink *sink) {
  if (sink == nullptr) return 0;
  std::lock_guard<std::mutex> hold(sink->lock);
  const int number = ++sink->begun;
  // Only recursive bisection numbers its partitionings; the k-way driver
  // makes one.
  if (sink->record.stage == ZORBEL_STAGE_BISECTIONS) sink->record.bisection = number - 1;
  sink->record.trials = 0;
  sink->Report();
  return number;
}

void ProgressTrialEnded__(ProgressSink *sink, int partitioning) {
  if (sink == nullptr) return;
  std::lock_guard<std::mutex> hold(sink->lock);
  if (partitioning != sink->begun) return;
  ++sink->record.trials;
  sink->Report();
}

void ProgressVCycleEnded__(ProgressSink *sink) {
  if (sink == nullptr) return;
  std::lock_guard<std::mutex> hold(sink->lock);
  ++sink->record.vcycles;
  sink->Report();
}

void ProgressStage__(ProgressSink *sink, int stage) {
  if (sink == nullptr) return;
  std::lock_guard<std::mutex> hold(sink->lock);
  if (sink->record.stage == stage) return;
  sink->record.stage = stage;
  sink->Report();
}

extern "C" void ZORBEL_SetProgress(ZORBEL_ProgressFunc func, void *data) {
  std::lock_guard<std::mutex> hold(gInstalledLock);
  gInstalledFunc = func;
  gInstalledData = data;
}
