#include "key_sender.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

// For the tests: each batch waits this many milliseconds before it goes, as
// on a busy machine.
const DWORD SendLateForTests = [] {
  const char* late = std::getenv("KORVEL_TEST_SEND_LATE");
  return late ? static_cast<DWORD>(std::strtoul(late, nullptr, 10)) : 0;
}();

}  // namespace

bool KeySender::Start(std::function<void(long)> shortBy) {
  shortBy_ = std::move(shortBy);
  stopping_ = false;
  thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  return thread_ != nullptr;
}

void KeySender::Stop() {
  if (!thread_) return;
  AcquireSRWLockExclusive(&lock_);
  stopping_ = true;
  ReleaseSRWLockExclusive(&lock_);
  WakeAllConditionVariable(&queued_);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
}

std::uint64_t KeySender::Queue(std::vector<INPUT> inputs) {
  AcquireSRWLockExclusive(&lock_);
  if (stopping_ || !thread_) {
    ReleaseSRWLockExclusive(&lock_);
    return 0;
  }
  const std::uint64_t ticket = ++lastQueued_;
  queue_.push_back(Batch{ticket, std::move(inputs)});
  ReleaseSRWLockExclusive(&lock_);
  WakeConditionVariable(&queued_);
  return ticket;
}

bool KeySender::Wait(std::uint64_t ticket) {
  if (ticket == 0) return false;
  AcquireSRWLockExclusive(&lock_);
  // Every batch queued goes, even while stopping.
  while (lastSent_ < ticket) SleepConditionVariableSRW(&sent_, &lock_, INFINITE, 0);
  const auto found = std::find(short_.begin(), short_.end(), ticket);
  const bool whole = found == short_.end();
  if (found != short_.end()) short_.erase(found);
  ReleaseSRWLockExclusive(&lock_);
  return whole;
}

DWORD WINAPI KeySender::Run(void* self) {
  static_cast<KeySender*>(self)->SendAll();
  return 0;
}

void KeySender::SendAll() {
  AcquireSRWLockExclusive(&lock_);
  for (;;) {
    while (queue_.empty() && !stopping_) SleepConditionVariableSRW(&queued_, &lock_, INFINITE, 0);
    if (queue_.empty()) break;
    Batch batch = std::move(queue_.front());
    queue_.pop_front();
    ReleaseSRWLockExclusive(&lock_);
    if (SendLateForTests) Sleep(SendLateForTests);
    const auto count = static_cast<UINT>(batch.inputs.size());
    const UINT sent = SendInput(count, batch.inputs.data(), sizeof(INPUT));
    if (sent != count && shortBy_) shortBy_(static_cast<long>(count - sent));
    AcquireSRWLockExclusive(&lock_);
    // Only the latest few are kept: a batch nobody waits for is never asked about.
    if (sent != count) {
      short_.push_back(batch.ticket);
      if (short_.size() > 64) short_.erase(short_.begin());
    }
    lastSent_ = batch.ticket;
    WakeAllConditionVariable(&sent_);
  }
  ReleaseSRWLockExclusive(&lock_);
}
