#include "progress_line.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define KORVEL_ISATTY _isatty
#define KORVEL_FILENO _fileno
#else
#include <unistd.h>
#define KORVEL_ISATTY isatty
#define KORVEL_FILENO fileno
#endif

ProgressLine::ProgressLine(bool enabled, std::uint64_t totalBytes) : enabled_(enabled), total_(totalBytes) {}

bool ProgressLine::StandardErrorIsTerminal() { return KORVEL_ISATTY(KORVEL_FILENO(stderr)) != 0; }

void ProgressLine::Advance(std::uint64_t bytes) {
  done_ += bytes;
  if (!enabled_) return;
  const auto now = Clock::now();
  if (now - start_ < std::chrono::seconds(1) || now - lastShown_ < std::chrono::milliseconds(200)) return;
  lastShown_ = now;
  shown_ = true;
  const double mebibytes = static_cast<double>(done_) / (1024.0 * 1024.0);
  if (total_ > 0) {
    std::fprintf(stderr, "\rkorvel-convert: %3.0f%% (%.0f of %.0f MiB)",
                 100.0 * static_cast<double>(done_) / static_cast<double>(total_), mebibytes,
                 static_cast<double>(total_) / (1024.0 * 1024.0));
  } else {
    std::fprintf(stderr, "\rkorvel-convert: %.0f MiB", mebibytes);
  }
  std::fflush(stderr);
}

void ProgressLine::Finish() {
  if (!shown_) return;
  std::fprintf(stderr, "\r%60s\r", "");
  std::fflush(stderr);
  shown_ = false;
}
