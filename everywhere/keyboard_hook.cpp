#include "keyboard_hook.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "keyboard_table.h"

namespace {

const UINT WM_INSTALL_HOOKS = WM_APP + 20;
const UINT WM_DROP_HOOKS = WM_APP + 21;
const UINT WM_RELEASE_KEYS = WM_APP + 22;
const UINT WM_AGREE_LIGHT = WM_APP + 23;

// Keys typed while the focus is in doubt wait this long for the verdict;
// then they go as typed, as into a password field.
const ULONGLONG kVerdictBound = 750;
// A fix that the tray window never ended holds no keys longer than this.
const ULONGLONG kFixBound = 10000;

// For the tests: typing refused, as Windows refuses it into a window of a
// higher integrity level.
const bool TypingRefusedForTests = std::getenv("KORVEL_TEST_REFUSE_TYPING") != nullptr;
// Wine keeps Scroll Lock's light as the X server has it, which no program
// here can set: a press sent to light it only makes Wine press Scroll Lock
// again at the next key, to match the server, and that press would switch
// typing.
const bool LightKeptByXServer = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;

bool IsDown(int virtualKey) { return GetAsyncKeyState(virtualKey) < 0; }

// AltGr: the right Alt key, which Windows reports with left Ctrl, and to
// which Wine gives a key code of its own (0xE4; 0xDF as xdotool presses it),
// codes no German key has on Windows.
bool IsAltGr(DWORD virtualKey) { return virtualKey == VK_RMENU || virtualKey == 0xE4 || virtualKey == 0xDF; }
bool AltGrDown() { return IsDown(VK_RMENU) || IsDown(0xE4) || IsDown(0xDF); }

bool IsModifier(DWORD virtualKey) {
  return (virtualKey >= VK_SHIFT && virtualKey <= VK_MENU) || (virtualKey >= VK_LSHIFT && virtualKey <= VK_RMENU) ||
         virtualKey == VK_LWIN || virtualKey == VK_RWIN || virtualKey == VK_CAPITAL || IsAltGr(virtualKey);
}

// The number pad types digits and + - * / as it is, on every layout.
bool IsNumberPadKey(DWORD virtualKey) { return virtualKey >= VK_NUMPAD0 && virtualKey <= VK_DIVIDE; }

// Keys after which the caret stands where the record never saw it go.
bool MovesTheCaret(DWORD virtualKey) {
  return (virtualKey >= VK_PRIOR && virtualKey <= VK_DOWN) || virtualKey == VK_TAB || virtualKey == VK_RETURN ||
         virtualKey == VK_ESCAPE;
}

// Keys that may take the focus elsewhere (Alt+Tab among them).
bool MayMoveTheFocus(DWORD virtualKey) {
  return virtualKey == VK_TAB || virtualKey == VK_RETURN || virtualKey == VK_ESCAPE || virtualKey == VK_F6;
}

// For the benchmark: how long the hook took for each key pressed or let go
// (not for the keys it typed), written to this file when it stops.
const char* const TimingsFile = std::getenv("KORVEL_HOOK_TIMINGS");
// In ticks of the performance counter, the hooks' thread's own; with whether the key went down.
std::vector<std::pair<LONGLONG, bool>> Timings;

LONGLONG Now() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

void WriteTimings() {
  if (!TimingsFile) return;
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  if (FILE* file = std::fopen(TimingsFile, "w")) {
    for (const auto& [ticks, down] : Timings) {
      std::fprintf(file, "%.2f %s\n", 1e6 * ticks / frequency.QuadPart, down ? "down" : "up");
    }
    std::fclose(file);
  }
}

struct Starting {
  KeyboardHook* hook;
  HANDLE ready;
  bool installed;
};

}  // namespace

HWND FocusedWindow() {
  // Thread 0: the foreground thread's, in one call (each is a round trip to
  // the server under Wine).
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(0, &info)) return GetForegroundWindow();
  return info.hwndFocus ? info.hwndFocus : info.hwndActive;
}

// The layout of the thread that owns the focus (each program, even each
// thread, may have its own).
HKL LayoutOf(HWND window) { return GetKeyboardLayout(window ? GetWindowThreadProcessId(window, nullptr) : 0); }

KeyboardHook* KeyboardHook::running_ = nullptr;

bool KeyboardHook::Start(HWND notify, UINT message) {
  notify_ = notify;
  message_ = message;
  running_ = this;
  lastInputSeen_ = GetTickCount();
  // A batch Windows did not take all of never comes by the hook, and the
  // field holds what the record does not.
  const bool sending = sender_.Start([this](long unsent) {
    outstanding_ -= unsent;
    record_.Reset(nullptr);
  });
  if (!sending) return false;
  Starting start{this, CreateEventW(nullptr, TRUE, FALSE, nullptr), false};
  thread_ = CreateThread(nullptr, 0, Run, &start, 0, &threadId_);
  if (thread_) WaitForSingleObject(start.ready, INFINITE);
  CloseHandle(start.ready);
  if (!start.installed) Stop();
  return start.installed;
}

void KeyboardHook::Stop() {
  if (!thread_) return;
  PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
  running_ = nullptr;
  sender_.Stop();
}

DWORD WINAPI KeyboardHook::Run(void* parameter) {
  auto* start = static_cast<Starting*>(parameter);
  KeyboardHook* self = start->hook;
  MSG message;
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, for the tray window's messages
  self->WarmUp();
  const bool installed = self->Install();
  start->installed = installed;
  SetEvent(start->ready);
  if (!installed) return 1;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    switch (message.message) {
      case WM_INSTALL_HOOKS:
        self->Install();
        break;
      case WM_DROP_HOOKS:
        self->Uninstall();
        break;
      case WM_RELEASE_KEYS:
        self->Release();
        break;
      case WM_AGREE_LIGHT:
        self->AgreeLight();
        break;
      case WM_TIMER:
        self->CheckBounds();
        break;
    }
  }
  self->Uninstall();
  WriteTimings();
  return 0;
}

bool KeyboardHook::Install() {
  Uninstall();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  keyboardHook_ = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardProc, instance, 0);
  mouseHook_ = SetWindowsHookExW(WH_MOUSE_LL, MouseProc, instance, 0);
  return keyboardHook_ != nullptr;
}

void KeyboardHook::Uninstall() {
  for (HHOOK* hook : {&keyboardHook_, &mouseHook_}) {
    if (*hook) UnhookWindowsHookEx(*hook);
    *hook = nullptr;
  }
}

LRESULT CALLBACK KeyboardHook::KeyboardProc(int code, WPARAM message, LPARAM data) {
  if (code != HC_ACTION || !running_) return CallNextHookEx(nullptr, code, message, data);
  const LONGLONG started = TimingsFile ? Now() : 0;
  const LRESULT result = running_->OnKey(code, message, data);
  const auto& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
  if (TimingsFile && !(key.flags & LLKHF_INJECTED)) {
    Timings.emplace_back(Now() - started, message == WM_KEYDOWN || message == WM_SYSKEYDOWN);
  }
  return result;
}

LRESULT CALLBACK KeyboardHook::MouseProc(int code, WPARAM message, LPARAM data) {
  if (code == HC_ACTION && running_) {
    const auto& mouse = *reinterpret_cast<const MSLLHOOKSTRUCT*>(data);
    running_->lastInputSeen_ = mouse.time;
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
        message == WM_XBUTTONDOWN) {
      running_->OnClick();
    }
  }
  return CallNextHookEx(nullptr, code, message, data);
}

// A click puts the caret, and maybe the focus, somewhere the record never saw.
void KeyboardHook::OnClick() {
  record_.Reset(nullptr);
  BeginDoubt();
}

KeyboardHook::Key KeyboardHook::Arrived(WPARAM message, const KBDLLHOOKSTRUCT& key) const {
  Key arrived{};
  arrived.key = key;
  arrived.down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
  // A key-up needs none of the state: it goes as its key-down went. The
  // state is read where it is let go, if it is held.
  if (!arrived.down) return arrived;
  // A hook is called before the system notes the key: its state is still the one before it.
  arrived.wasDown = IsDown(static_cast<int>(key.vkCode));
  arrived.shift = IsDown(VK_SHIFT);
  arrived.capsLock = (GetKeyState(VK_CAPITAL) & 1) != 0;
  arrived.control = IsDown(VK_CONTROL);
  arrived.alt = IsDown(VK_MENU);
  arrived.windows = IsDown(VK_LWIN) || IsDown(VK_RWIN);
  arrived.altGr = AltGrDown();
  arrived.focus = FocusedWindow();
  arrived.layout = LayoutOf(arrived.focus);
  return arrived;
}

LRESULT KeyboardHook::OnKey(int code, WPARAM message, LPARAM data) {
  const auto& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
  const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
  lastInputSeen_ = key.time;
  if (key.flags & LLKHF_INJECTED) {
    if (key.dwExtraInfo == KorvelInput) {
      if (outstanding_ > 0) --outstanding_;
      lastOwnSeen_ = GetTickCount64();
      if (key.vkCode == VK_SCROLL && down && lightPresses_ > 0) --lightPresses_;
    } else if (down) {
      // Another program types (a password manager, a text expander): its
      // keys pass as they are, and the field holds what the record never saw.
      record_.Reset(nullptr);
    }
    return CallNextHookEx(nullptr, code, message, data);
  }
  // Modifiers type nothing: they go at once, so that the system's key state
  // is always the keyboard's.
  if (IsModifier(key.vkCode)) return CallNextHookEx(nullptr, code, message, data);
  const Key arrived = Arrived(message, key);
  if (down && key.vkCode != VK_PAUSE && !arrived.windows) ++keyCount_;
  if (Holding(arrived)) {
    held_.push_back(arrived);
    if (!boundTimer_) boundTimer_ = SetTimer(nullptr, 0, 50, nullptr);
    return 1;
  }
  return Act(arrived, outstanding_ > 0) ? 1 : CallNextHookEx(nullptr, code, message, data);
}

bool KeyboardHook::Holding(const Key& key) { return fixing_ || !held_.empty() || InDoubt(key); }

bool KeyboardHook::InDoubt(const Key& key) {
  AcquireSRWLockShared(&verdictLock_);
  const Verdict verdict = verdict_;
  const std::uint64_t judged = verdictGeneration_;
  ReleaseSRWLockShared(&verdictLock_);
  std::uint64_t generation = doubt_;
  // Another window, field or layout than the verdict is about: a focus
  // event may not have come yet, or never (Wine sends none for some windows).
  // (A key-up read none of that: it follows its key-down.)
  if (judged >= generation && key.down && (key.focus != verdict.focus || key.layout != verdict.layout)) {
    generation = BeginDoubt();
  }
  if (judged >= generation) return false;
  if (requested_ < generation) {
    requested_ = generation;
    holdingSince_ = GetTickCount64();
    Notify(JudgeTheFocus, static_cast<LPARAM>(doubtSince_));
  }
  return true;
}

std::uint64_t KeyboardHook::BeginDoubt() {
  doubtSince_ = GetTickCount();
  return ++doubt_;
}

void KeyboardHook::Publish(std::uint64_t generation, const Verdict& verdict) {
  AcquireSRWLockExclusive(&verdictLock_);
  if (generation >= verdictGeneration_) {
    verdict_ = verdict;
    verdictGeneration_ = generation;
  }
  ReleaseSRWLockExclusive(&verdictLock_);
  PostThreadMessageW(threadId_, WM_RELEASE_KEYS, 0, 0);
}

std::uint64_t KeyboardHook::VerdictGeneration() const {
  AcquireSRWLockShared(&verdictLock_);
  const std::uint64_t generation = verdictGeneration_;
  ReleaseSRWLockShared(&verdictLock_);
  return generation;
}

Verdict KeyboardHook::CurrentVerdict() const {
  AcquireSRWLockShared(&verdictLock_);
  const Verdict verdict = verdict_;
  ReleaseSRWLockShared(&verdictLock_);
  return verdict;
}

HKL KeyboardHook::Layout() const { return CurrentVerdict().layout; }

// What the key types in its layout with the key state it came with, as the
// focused program will see it; 0 for nothing, and for a dead key (which
// waits for the next key).
static wchar_t TypedCharacter(const KBDLLHOOKSTRUCT& key, bool shift, bool capsLock, HKL layout, bool& deadKey) {
  BYTE state[256] = {};
  if (shift) state[VK_SHIFT] = 0x80;
  state[VK_CAPITAL] = capsLock ? 1 : 0;
  wchar_t typed[8] = {};
  // Flag 4: the system's own dead-key state stays as it was.
  const int count = ToUnicodeEx(key.vkCode, key.scanCode, state, typed, 8, 4, layout);
  if (count < 0) deadKey = true;
  return count == 1 ? typed[0] : 0;
}

void KeyboardHook::WarmUp() const {
  // The first read of the key state and of a layout's keys loads them (under
  // Wine, tens of milliseconds that the first key typed would wait for).
  KBDLLHOOKSTRUCT key{};
  key.vkCode = 'A';
  const Key arrived = Arrived(WM_KEYDOWN, key);
  key.scanCode = MapVirtualKeyExW(key.vkCode, MAPVK_VK_TO_VSC, arrived.layout);
  bool deadKey = false;
  TypedCharacter(key, false, false, arrived.layout, deadKey);
}

KeyboardHook::Action KeyboardHook::Decide(const Key& key, std::u16string& text) {
  const DWORD virtualKey = key.key.vkCode;
  const std::size_t index = virtualKey & 0xFF;
  if (!key.down) {
    // The tray window judges the run for the wrong alphabet, off this
    // thread, once the key that ended the word is surely in the field's
    // input: its key-up comes by after the system took its key-down.
    if (endedWord_[index]) Notify(WordTyped);
    endedWord_[index] = false;
    const bool replaced = replaced_[index];
    replaced_[index] = false;
    return replaced ? Action::Drop : Action::Pass;
  }
  endedWord_[index] = false;
  // A repeat of a key typed otherwise is typed otherwise too; a new press
  // owes nothing to the last one, whose key-up may never have come.
  if (key.wasDown && replaced_[index] && virtualKey == VK_PAUSE) return Action::Drop;
  replaced_[index] = false;
  const Verdict verdict = CurrentVerdict();
  const bool setAsideOrOut = verdict.hindrance == Hindrance::Password || verdict.hindrance == Hindrance::SetAside ||
                             verdict.hindrance == Hindrance::Elevated;
  if (virtualKey == VK_SCROLL) {
    if (!key.wasDown) {
      typingOn_ = !typingOn_;
      userScrollLockAt_ = GetTickCount64();
      Notify(TypingSwitched);
    }
    return Action::Pass;  // its light shows the state
  }
  if (virtualKey == VK_PAUSE) {
    // Win+Pause is the system's; and Korvel never fixes in a password field
    // nor in a program set aside.
    if (key.wasDown || key.windows || setAsideOrOut) return Action::Pass;
    fixing_ = true;
    fixingSince_ = GetTickCount64();
    if (!boundTimer_) boundTimer_ = SetTimer(nullptr, 0, 50, nullptr);
    replaced_[index] = true;
    Notify(key.shift ? RewriteByTranscription : RewriteByKeyboard);
    return Action::Drop;
  }
  // Never a password's keys, nor a program's set aside, in the record.
  const HWND field = setAsideOrOut ? nullptr : key.focus;
  const bool shortcut = key.control || key.alt || key.windows || key.altGr;
  if (virtualKey == VK_BACK && !shortcut) {
    field ? record_.TakeBack(field) : record_.Reset(nullptr);
    return Action::Pass;
  }
  if (MovesTheCaret(virtualKey) || shortcut) {
    // Shortcuts too: they may paste, undo, select or move anywhere.
    record_.Reset(field);
    if (MayMoveTheFocus(virtualKey)) BeginDoubt();
    return Action::Pass;
  }
  const bool completesDeadKey = deadKeyWaiting_;
  const wchar_t typed = TypedCharacter(key.key, key.shift, key.capsLock, key.layout, deadKeyWaiting_);
  if (!typed) return Action::Pass;
  if (completesDeadKey) {
    deadKeyWaiting_ = false;  // the system makes the accented letter, which the record cannot know
    record_.Reset(field);
    return Action::Pass;
  }
  if (typed < 0x20) return Action::Pass;
  const bool transcribes =
      typingOn_ && verdict.hindrance == Hindrance::None && !IsNumberPadKey(virtualKey) && IsTranscribedCharacter(typed);
  const char16_t output = transcribes ? KeyOutput(static_cast<char16_t>(typed)) : 0;
  text.assign(1, output ? output : static_cast<char16_t>(typed));
  field ? record_.Append(field, text) : record_.Reset(nullptr);
  endedWord_[index] = field && std::u16string_view(u" .,!?;:").find(text[0]) != std::u16string_view::npos;
  return output && output != typed ? Action::Replace : Action::Pass;
}

bool KeyboardHook::Act(const Key& key, bool injected) {
  std::u16string text;
  Action action = Decide(key, text);
  if (action == Action::Replace) {
    KeyInputs typed(key.layout);
    typed.Text(text);
    if (!TypingRefusedForTests && Send(typed)) {
      replaced_[key.key.vkCode & 0xFF] = true;
      return true;
    }
    // Not sent (Korvel is stopping): the key goes as it was typed. Where
    // Windows refuses it later (the focus went to a window of a higher
    // integrity level before a verdict said so), it is lost with its record.
    record_.Reset(nullptr);
    action = Action::Pass;
  }
  if (action == Action::Drop) return true;
  if (!injected) return false;
  if (!text.empty()) {
    // A character goes again as text: the user's modifiers go at once, and
    // a Shift let go after it would overtake it on its way.
    KeyInputs typed(key.layout);
    typed.Text(text);
    if (Send(typed)) replaced_[key.key.vkCode & 0xFF] = true;
    return true;
  }
  // Sent again as it came, with the modifiers it came with.
  KeyInputs same(key.layout);
  const std::pair<WORD, bool> modifiers[] = {{VK_SHIFT, key.shift}, {VK_CONTROL, key.control}, {VK_MENU, key.alt}};
  for (const auto& [modifier, held] : modifiers) {
    if (key.down && IsDown(modifier) != held) same.Key(modifier, held);
  }
  same.SameKey(key.key, key.down);
  for (const auto& [modifier, held] : modifiers) {
    if (key.down && IsDown(modifier) != held) same.Key(modifier, !held);
  }
  Send(same);
  return true;
}

void KeyboardHook::Release() {
  while (!held_.empty() && !fixing_) {
    Key next = held_.front();
    // It goes where the focus is now.
    next.focus = FocusedWindow();
    next.layout = LayoutOf(next.focus);
    if (InDoubt(next)) break;
    held_.pop_front();
    Act(next, true);
  }
  if (held_.empty() && !fixing_ && boundTimer_) {
    KillTimer(nullptr, boundTimer_);
    boundTimer_ = 0;
  }
}

void KeyboardHook::CheckBounds() {
  const ULONGLONG now = GetTickCount64();
  if (fixing_ && now - fixingSince_ > kFixBound) fixing_ = false;
  if (!held_.empty() && !fixing_ && now - holdingSince_ > kVerdictBound) {
    // No verdict in time: the keys go as typed, as into a password field.
    const HWND focus = FocusedWindow();
    Publish(doubt_, Verdict{Hindrance::Password, focus, LayoutOf(focus)});
  }
  // Keys of ours that never came by (Windows took fewer than sent) hold up no others.
  if (outstanding_ > 0 && now - lastOwnSeen_ > 2000) outstanding_ = 0;
  Release();
}

void KeyboardHook::BeginFix() {
  fixingSince_ = GetTickCount64();
  fixing_ = true;
}

void KeyboardHook::EndFix() {
  fixing_ = false;
  PostThreadMessageW(threadId_, WM_RELEASE_KEYS, 0, 0);
}

void KeyboardHook::PassOnPause(bool shift) {
  KeyInputs pause(Layout());
  const bool wrap = shift && !IsDown(VK_SHIFT);
  if (wrap) pause.Key(VK_SHIFT, true);
  pause.Tap(VK_PAUSE);
  if (wrap) pause.Key(VK_SHIFT, false);
  Send(pause);
}

bool KeyboardHook::Send(KeyInputs& keys) {
  std::vector<INPUT>& inputs = keys.Inputs();
  if (inputs.empty()) return true;
  const auto count = static_cast<long>(inputs.size());
  // Counted before they go: they may come by the hook before SendInput returns.
  outstanding_ += count;
  lastOwnSeen_ = GetTickCount64();
  const std::uint64_t ticket = sender_.Queue(std::move(inputs));
  if (ticket == 0) {
    outstanding_ -= count;
    return false;
  }
  return GetCurrentThreadId() == threadId_ || sender_.Wait(ticket);
}

void KeyboardHook::ShowTypingOnScrollLock() { PostThreadMessageW(threadId_, WM_AGREE_LIGHT, 0, 0); }

void KeyboardHook::AgreeLight() {
  // The user's own press is on its way to the light.
  if (LightKeptByXServer || GetTickCount64() - userScrollLockAt_ < 1000) return;
  const bool lit = ((GetKeyState(VK_SCROLL) & 1) != 0) != (lightPresses_ % 2 == 1);
  if (lit == !typingOn_) return;
  KeyInputs press(Layout());
  press.Tap(VK_SCROLL);
  if (Send(press)) ++lightPresses_;
}

void KeyboardHook::ReinstallIfDropped() {
  LASTINPUTINFO last{};
  last.cbSize = sizeof(last);
  if (!GetLastInputInfo(&last)) return;
  // Input more than a moment after the last the hooks saw.
  if (static_cast<LONG>(last.dwTime - lastInputSeen_) > 1000 && GetTickCount64() - lastReinstall_ > 2000) Reinstall();
}

void KeyboardHook::Reinstall() {
  lastReinstall_ = GetTickCount64();
  lastInputSeen_ = GetTickCount();
  PostThreadMessageW(threadId_, WM_INSTALL_HOOKS, 0, 0);
}

void KeyboardHook::DropForTests() { PostThreadMessageW(threadId_, WM_DROP_HOOKS, 0, 0); }
