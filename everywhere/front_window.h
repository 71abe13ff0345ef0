// What Korvel everywhere must know of the focused field, judged on the tray
// window's thread (never within the keyboard hook) and published to the hook
// as a verdict: whether its program is beyond the hook's reach or set aside,
// whether the focused object is a password field (a classic password box, or
// any object that tells accessibility clients it is protected, as browsers,
// Electron, WPF, UWP and Qt mark theirs), and whether its layout is a German
// one.
//
// The verdict is about the focused object itself: the one a focus event
// names, or the one the window's accessible object says has the focus;
// never the window's own object in place of a field inside it.
#pragma once

#include <windows.h>

#include <string>

#include "keyboard_hook.h"

class FrontWindow {
 public:
  explicit FrontWindow(KeyboardHook& hook) : hook_(hook) {}
  FrontWindow(const FrontWindow&) = delete;
  FrontWindow& operator=(const FrontWindow&) = delete;
  ~FrontWindow() { StopWatching(); }

  // Judges the focus whenever an event says it moved; `notify` gets
  // `changedMessage` posted after each verdict.
  void Watch(HWND notify, UINT changedMessage);
  void StopWatching();
  // The hook holds keys since `since` (GetTickCount), when the focus may
  // have moved: judged at the focus event that follows, or after a moment
  // where none comes (the focus did not move, or its program sends none).
  void JudgeSoon(DWORD since);
  // The moment JudgeSoon waits passed (WM_TIMER with this id).
  static constexpr UINT_PTR kJudgeTimer = 10;
  void OnJudgeTimer();
  // Judges the focus now (the programs set aside changed).
  void Reconsider();

  // The program (its file name) of the last window in front that is neither
  // ours nor the notification area's; empty while none was.
  std::wstring LastFrontProgram() const { return frontProgram_; }

 private:
  struct FocusEvent {
    HWND window;
    LONG object;
    LONG child;
  };
  static void CALLBACK OnForeground(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD);
  static void CALLBACK OnFocus(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD time);
  void Judge(std::uint64_t generation, const FocusEvent* event);
  void NoteFrontProgram(HWND front);

  static FrontWindow* watching_;  // the event procedures' way to their object
  KeyboardHook& hook_;
  HWND notify_ = nullptr;
  UINT changedMessage_ = 0;
  HWINEVENTHOOK foregroundHook_ = nullptr;
  HWINEVENTHOOK focusHook_ = nullptr;
  std::wstring frontProgram_;
};

// Whether `window` is of an edit or rich edit class (Edit, RichEdit20W,
// RICHEDIT50W and the toolkits' own), which answer edit messages.
bool IsEditControl(HWND window);
// The file name of `window`'s program; empty where it cannot be read.
std::wstring ProgramOf(HWND window);
