// A one-line progress report on standard error, for long conversions seen
// on a terminal.
#pragma once

#include <chrono>
#include <cstdint>

class ProgressLine {
 public:
  // `totalBytes` 0 means unknown (standard input). Shows nothing unless
  // `enabled`, and nothing in the first second.
  ProgressLine(bool enabled, std::uint64_t totalBytes);
  void Advance(std::uint64_t bytes);
  // Clears the line, if one was shown.
  void Finish();

  // Whether standard error is a terminal.
  static bool StandardErrorIsTerminal();

 private:
  using Clock = std::chrono::steady_clock;
  bool enabled_;
  bool shown_ = false;
  std::uint64_t total_;
  std::uint64_t done_ = 0;
  Clock::time_point start_ = Clock::now();
  Clock::time_point lastShown_ = start_;
};
