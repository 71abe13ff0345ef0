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
#include <utility>
#include <vector>

class KeySender {
 public:
  KeySender() = default;
  KeySender(const KeySender&) = delete;
  KeySender& operator=(const KeySender&) = delete;
  ~KeySender() { Stop(); }

  // Called on the sender's thread: `added` with how many modifier keys go
  // around a batch before they go, `shortBy` with how many keys of a batch
  // Windows did not take (a window of a higher integrity level).
  bool Start(std::function<void(long)> added, std::function<void(long)> shortBy);
  void Stop();

  // Modifiers (Shift, Ctrl, Alt) and whether a batch's keys go with them held.
  using Modifiers = std::vector<std::pair<WORD, bool>>;

  // Queues a batch behind those before it; its ticket for Wait. Any of
  // `modifiers` that is not as the batch needs when it goes is pressed or
  // let go around it: the user's own modifiers go at once, past keys that
  // wait here, and may have changed since the batch's keys were typed.
  std::uint64_t Queue(std::vector<INPUT> inputs, Modifiers modifiers = {});
  // Waits until the batch went; whether Windows took all of it. Never from
  // a thread whose hook SendInput waits for.
  bool Wait(std::uint64_t ticket);

 private:
  struct Batch {
    std::uint64_t ticket;
    std::vector<INPUT> inputs;
    Modifiers modifiers;
  };
  static DWORD WINAPI Run(void* self);
  void SendAll();
  static std::vector<INPUT> WithModifiers(Batch& batch);

  std::function<void(long)> added_;
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
