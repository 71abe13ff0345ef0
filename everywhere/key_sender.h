// Korvel's own keys go out from a thread of their own, in the order they
// were queued. SendInput returns only when every low-level hook has seen
// each key it sends, Korvel's own hook too: called from inside the hook it
// would keep the user's key waiting on a round of hooks per key typed, and
// the hook's thread must never wait for itself.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

class KeySender {
 public:
  KeySender() = default;
  KeySender(const KeySender&) = delete;
  KeySender& operator=(const KeySender&) = delete;
  ~KeySender() { Stop(); }

  // `shortBy` is called on the sender's thread with how many keys of a
  // batch Windows did not take (a window of a higher integrity level).
  bool Start(std::function<void(long)> shortBy);
  void Stop();

  // Queues a batch behind those before it; its ticket for Wait.
  std::uint64_t Queue(std::vector<INPUT> inputs);
  // Waits until the batch went; whether Windows took all of it. Never from
  // a thread whose hook SendInput waits for.
  bool Wait(std::uint64_t ticket);

 private:
  struct Batch {
    std::uint64_t ticket;
    std::vector<INPUT> inputs;
  };
  static DWORD WINAPI Run(void* self);
  void SendAll();

  std::function<void(long)> shortBy_;
  HANDLE thread_ = nullptr;
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE queued_ = CONDITION_VARIABLE_INIT;
  CONDITION_VARIABLE sent_ = CONDITION_VARIABLE_INIT;
  std::deque<Batch> queue_;
  std::vector<std::uint64_t> short_;  // tickets Windows did not take all of, until waited for
  std::uint64_t lastQueued_ = 0;
  std::uint64_t lastSent_ = 0;
  bool stopping_ = false;
};
