// The low-level keyboard hook that types Cyrillic in every program: while
// typing is on, a key press that types a character with a row in the
// keyboard table is swallowed and the row's output typed in its place. The
// hooks (keyboard, and mouse for the clicks that move the focus) run on a
// thread of their own that does nothing else, so that Windows never waits
// for them (it drops a hook that keeps it waiting).
//
// Keys in order: from the moment the focus may have moved (a key or click
// that moves it, a focus event, another window or layout in front) until the
// tray window has judged the newly focused field, and while a fix is typed,
// the keys typed are held and then let go in order, as the verdict says. No
// key overtakes one that Korvel typed before it.
//
// State read, not tracked: the modifiers, AltGr and repeats come from the
// system's key state as each key arrives, so a key-up that never comes (the
// secure desktop, an elevated window, another hook) cannot stick.
#pragma once

#include <windows.h>

#include <atomic>
#include <bitset>
#include <cstdint>
#include <deque>

#include "key_input.h"
#include "key_sender.h"
#include "typed_record.h"

// Why keys pass unchanged in the focused field, though typing is on.
enum class Hindrance {
  None,
  Elevated,     // its program runs at a higher integrity level: Windows keeps us out
  Password,     // a password field (or one not judged in time)
  SetAside,     // its program is one the user set aside
  OtherLayout,  // its keyboard layout is not a German one
};

// What judging the focused field found.
struct Verdict {
  Hindrance hindrance = Hindrance::None;
  HWND focus = nullptr;  // the focused window it is about
  HKL layout = nullptr;  // that window's keyboard layout
};

// The window with the keyboard focus (or the window in front, where none
// has it), and the keyboard layout of its thread: what a verdict is about.
HWND FocusedWindow();
HKL LayoutOf(HWND window);

// wParam of the message the hook posts to the tray window.
inline constexpr WPARAM JudgeTheFocus = 1;  // lParam: when the focus may have moved (GetTickCount)
inline constexpr WPARAM RewriteByKeyboard = 2;
inline constexpr WPARAM RewriteByTranscription = 3;
inline constexpr WPARAM TypingSwitched = 4;  // Scroll Lock
inline constexpr WPARAM WordTyped = 5;       // a word's end typed into the recorded field

class KeyboardHook {
 public:
  KeyboardHook() = default;
  KeyboardHook(const KeyboardHook&) = delete;
  KeyboardHook& operator=(const KeyboardHook&) = delete;
  ~KeyboardHook() { Stop(); }

  // Starts the hooks' thread; false when Windows refuses the keyboard hook.
  // `notify` gets `message` posted with the wParams above.
  bool Start(HWND notify, UINT message);
  void Stop();

  bool TypingOn() const { return typingOn_; }
  void SetTypingOn(bool on) { typingOn_ = on; }
  // Brings Scroll Lock's light in line with typing: lit while typing is off.
  void ShowTypingOnScrollLock();

  // The focus may have moved (a focus event): keys are held until a verdict
  // for the returned generation, or a later one, is published.
  std::uint64_t BeginDoubt();
  std::uint64_t DoubtGeneration() const { return doubt_; }
  // When the focus may have moved last (GetTickCount).
  DWORD DoubtSince() const { return doubtSince_; }
  std::uint64_t VerdictGeneration() const;
  // The tray window's verdict on generation `generation` of doubt; an older
  // one than the verdict in force is dropped.
  void Publish(std::uint64_t generation, const Verdict& verdict);
  Verdict CurrentVerdict() const;

  // While a fix is under way the keys typed are held; EndFix lets them go,
  // after `passOn` (a Pause that nothing was fixed with) where there is one.
  void BeginFix();
  void EndFix();
  // Pause, or Shift+Pause, pressed again for the program: Korvel did nothing
  // with it.
  void PassOnPause(bool shift);
  // Sends Korvel's own keys behind those sent before; false when Windows
  // did not take them all. The hooks' thread cannot wait for that answer
  // (SendInput waits for its hook): there it is true once they are queued.
  bool Send(KeyInputs& keys);
  HKL Layout() const;

  TypedRecord& Record() { return record_; }
  // Key presses so far, not counting modifiers and Pause: unchanged means
  // nothing was typed between.
  unsigned long KeysPressed() const { return keyCount_; }

  // Called about once a second: input that the hooks never saw means that
  // Windows dropped them (after a slow answer, or a resume from sleep), and
  // they are installed again. No input of its own.
  void ReinstallIfDropped();
  void Reinstall();
  // For the tests only: removes the hooks without a word, as Windows does.
  void DropForTests();

 private:
  // A key as it arrived, with the system's key state of that moment.
  struct Key {
    KBDLLHOOKSTRUCT key;
    bool down;
    bool wasDown;  // a repeat
    bool shift, capsLock, control, alt, windows, altGr;
    HWND focus;
    HKL layout;
  };
  enum class Action { Pass, Replace, Drop };

  static LRESULT CALLBACK KeyboardProc(int code, WPARAM message, LPARAM data);
  static LRESULT CALLBACK MouseProc(int code, WPARAM message, LPARAM data);
  static DWORD WINAPI Run(void* self);
  LRESULT OnKey(int code, WPARAM message, LPARAM data);
  void OnClick();
  bool Install();
  void Uninstall();
  Key Arrived(WPARAM message, const KBDLLHOOKSTRUCT& key) const;
  // Reads what a key reads once, before the first key waits for it.
  void WarmUp() const;
  bool InDoubt(const Key& key);
  bool Holding(const Key& key);
  Action Decide(const Key& key, std::u16string& text);
  // Does what `key` calls for; with `injected`, what passes is sent again
  // as Korvel's own, so that it keeps its place behind Korvel's keys.
  bool Act(const Key& key, bool injected);
  void Release();
  void CheckBounds();
  void AgreeLight();
  void Notify(WPARAM what, LPARAM detail = 0) const { PostMessageW(notify_, message_, what, detail); }

  static KeyboardHook* running_;  // the hook procedures' way to their object
  HWND notify_ = nullptr;
  UINT message_ = 0;
  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  TypedRecord record_;
  KeySender sender_;

  // Shared between the hooks' thread and the tray window's.
  std::atomic<bool> typingOn_{true};
  std::atomic<std::uint64_t> doubt_{1};
  std::atomic<DWORD> doubtSince_{0};  // when the focus may have moved last (GetTickCount)
  std::atomic<bool> fixing_{false};
  std::atomic<long> outstanding_{0};  // Korvel's own keys sent and not yet seen coming by
  std::atomic<unsigned long> keyCount_{0};
  std::atomic<DWORD> lastInputSeen_{0};
  std::atomic<ULONGLONG> lastReinstall_{0};
  std::atomic<ULONGLONG> fixingSince_{0};
  std::atomic<ULONGLONG> lastOwnSeen_{0};
  mutable SRWLOCK verdictLock_ = SRWLOCK_INIT;
  Verdict verdict_;
  std::uint64_t verdictGeneration_ = 0;

  // The hooks' thread's own.
  HHOOK keyboardHook_ = nullptr;
  HHOOK mouseHook_ = nullptr;
  std::deque<Key> held_;
  std::uint64_t requested_ = 0;  // the last generation of doubt put to the tray window
  ULONGLONG holdingSince_ = 0;
  UINT_PTR boundTimer_ = 0;
  std::bitset<256> replaced_;   // keys whose key-down was typed otherwise: their key-up goes too
  std::bitset<256> endedWord_;  // keys whose key-down ended a word: their key-up has it judged
  bool deadKeyWaiting_ = false;
  int lightPresses_ = 0;  // Scroll Lock presses of ours not yet seen
  ULONGLONG userScrollLockAt_ = 0;
};
