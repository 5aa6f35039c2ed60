#include "progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

// The first drawing waits this long, so that short runs never show a line;
// later ones come no more often than this.
constexpr double kFirstDrawing = 1.0;
constexpr double kBetweenDrawings = 0.2;
constexpr std::chrono::milliseconds kRedrawPeriod(200);

// "1:05", or "2:03:04" past an hour.
std::string Clock(double elapsed) {
  const long s = elapsed > 0 ? static_cast<long>(elapsed) : 0;
  char text[32];
  if (s >= 3600)
    snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

// The line a fatal error erases first, and the handler it replaced.
std::atomic<ProgressLine *> gErasedLine{nullptr};
std::atomic<ZORBEL_ErrorHandler> gPreviousHandler{nullptr};

// Returns, so that the library goes on to print the message and exit.
void EraseBeforeError(const char *message) {
  if (ProgressLine *line = gErasedLine.load()) line->Erase();
  if (ZORBEL_ErrorHandler previous = gPreviousHandler.load()) previous(message);
}

}  // namespace

ErasedBeforeErrors::ErasedBeforeErrors(ProgressLine *line) {
  gErasedLine.store(line);
  previous_ = ZORBEL_SetErrorHandler(EraseBeforeError);
  gPreviousHandler.store(previous_);
}

ErasedBeforeErrors::~ErasedBeforeErrors() {
  ZORBEL_SetErrorHandler(previous_);
  gPreviousHandler.store(nullptr);
  gErasedLine.store(nullptr);
}

std::string ProgressText(const ZORBEL_Progress &p, double elapsed) {
  char doing[96];
  switch (p.stage) {
    case ZORBEL_STAGE_BISECTIONS:
      snprintf(doing, sizeof doing, "bisection %d of %d, %d of %d trials done", p.bisection + 1,
               p.nbisections, p.trials, p.nruns);
      break;
    case ZORBEL_STAGE_KWAY_TRIALS:
      snprintf(doing, sizeof doing, "k-way partitioning, %d of %d trials done", p.trials, p.nruns);
      break;
    case ZORBEL_STAGE_KWAY_FINISH:
      snprintf(doing, sizeof doing, "k-way refinement after %d bisections", p.nbisections);
      break;
    default:
      snprintf(doing, sizeof doing, "finishing");
      break;
  }
  char line[160];
  snprintf(line, sizeof line, "Partitioning: %s, %d V-cycle%s, %s elapsed", doing, p.vcycles,
           p.vcycles == 1 ? "" : "s", Clock(elapsed).c_str());
  return line;
}

ProgressLine::ProgressLine(FILE *out, double delay, double interval, int width)
    : out_(out), delay_(delay), interval_(interval), width_(width) {}

void ProgressLine::Record(const ZORBEL_Progress &p, double now) {
  std::lock_guard<std::mutex> hold(lock_);
  progress_ = p;
  reported_ = true;
  // What the library prints once it is done must not land on the line.
  if (p.stage == ZORBEL_STAGE_DONE)
    EraseHeld();
  else
    DrawIfDue(now);
}

void ProgressLine::Tick(double now) {
  std::lock_guard<std::mutex> hold(lock_);
  DrawIfDue(now);
}

void ProgressLine::Erase() {
  std::lock_guard<std::mutex> hold(lock_);
  EraseHeld();
}

void ProgressLine::DrawIfDue(double now) {
  if (ended_ || !reported_ || now < delay_) return;
  if (shown_ && now - drawnAt_ < interval_) return;
  std::string text = ProgressText(progress_, now);
  if (width_ > 0 && text.size() >= static_cast<size_t>(width_)) text.resize(width_ - 1);
  fprintf(out_, "\r%s\033[K", text.c_str());
  fflush(out_);
  shown_ = true;
  drawnAt_ = now;
}

void ProgressLine::EraseHeld() {
  if (shown_) {
    fputs("\r\033[K", out_);
    fflush(out_);
  }
  shown_ = false;
  ended_ = true;
}

ProgressDrawer::ProgressDrawer(bool traced) : start_(std::chrono::steady_clock::now()) {
  if (!isatty(STDERR_FILENO) || (traced && isatty(STDOUT_FILENO))) return;
  const char *test = getenv("ZORBEL_PROGRESS_TEST");
  const bool every = test != nullptr && std::strcmp(test, "1") == 0;
  struct winsize size {};
  const int width = ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
  line_ = std::make_unique<ProgressLine>(stderr, every ? 0.0 : kFirstDrawing,
                                         every ? 0.0 : kBetweenDrawings, width);
  erased_ = std::make_unique<ErasedBeforeErrors>(line_.get());
  ZORBEL_SetProgress(Receive, this);
  redrawer_ = std::thread([this] { Redraw(); });
}

ProgressDrawer::~ProgressDrawer() { Stop(); }

void ProgressDrawer::Stop() {
  if (!line_) return;
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
  }
  wake_.notify_one();
  redrawer_.join();
  ZORBEL_SetProgress(nullptr, nullptr);
  line_->Erase();
  erased_.reset();
  line_.reset();
}

void ProgressDrawer::Receive(const ZORBEL_Progress *p, void *drawer) {
  auto *self = static_cast<ProgressDrawer *>(drawer);
  self->line_->Record(*p, self->Now());
}

double ProgressDrawer::Now() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ProgressDrawer::Redraw() {
  std::unique_lock<std::mutex> hold(lock_);
  while (!wake_.wait_for(hold, kRedrawPeriod, [this] { return stopping_; }))
    line_->Tick(Now());
}
