#include "front_window.h"

#include <oleacc.h>

#include <cwctype>

#include "set_aside.h"
#include "system_library.h"
#include "window_reach.h"

namespace {

HWND Notify = nullptr;
UINT ChangedMessage = 0;
HWINEVENTHOOK ForegroundHook = nullptr;
HWINEVENTHOOK FocusHook = nullptr;
bool FocusInPassword = false;
HWND Focus = nullptr;  // the window FocusInPassword is about
std::wstring FrontProgram;

using AccessibleObjectFromEventFunction = HRESULT(WINAPI*)(HWND, DWORD, DWORD, IAccessible**, VARIANT*);
using AccessibleObjectFromWindowFunction = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
using VariantClearFunction = HRESULT(WINAPI*)(VARIANTARG*);

std::wstring ProgramOf(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return {};
  std::wstring path(32768, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  const bool named = QueryFullProcessImageNameW(process, 0, path.data(), &size);
  CloseHandle(process);
  if (!named) return {};
  path.resize(size);
  return path.substr(path.find_last_of(L"\\/") + 1);
}

bool IsOursOrTheNotificationArea(HWND window) {
  if (window == GetShellWindow() || window == GetDesktopWindow()) return true;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId == GetCurrentProcessId()) return true;
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  const std::wstring className = name;
  return className == L"Shell_TrayWnd" || className == L"NotifyIconOverflowWindow" || className == L"#32768";
}

bool IsClassicPasswordBox(HWND window) {
  return window && (GetWindowLongW(window, GWL_STYLE) & ES_PASSWORD) && IsEditControl(window);
}

// The focused object, as accessibility clients see it, says it is protected.
bool IsProtectedField(HWND window, LONG object, LONG child) {
  static const auto fromEvent =
      SystemFunction<AccessibleObjectFromEventFunction>(L"oleacc.dll", "AccessibleObjectFromEvent");
  static const auto fromWindow =
      SystemFunction<AccessibleObjectFromWindowFunction>(L"oleacc.dll", "AccessibleObjectFromWindow");
  static const auto variantClear = SystemFunction<VariantClearFunction>(L"oleaut32.dll", "VariantClear");
  if (!fromEvent || !fromWindow || !variantClear) return false;
  IAccessible* accessible = nullptr;
  VARIANT which{};
  which.vt = VT_I4;
  which.lVal = CHILDID_SELF;
  // The object itself when the event names no child of it (Wine's
  // AccessibleObjectFromEvent asks the object for a child even then).
  const HRESULT found =
      child == CHILDID_SELF
          ? fromWindow(window, static_cast<DWORD>(object), IID_IAccessible, reinterpret_cast<void**>(&accessible))
          : fromEvent(window, static_cast<DWORD>(object), static_cast<DWORD>(child), &accessible, &which);
  if (FAILED(found) || !accessible) return false;
  VARIANT state{};
  const bool isProtected =
      SUCCEEDED(accessible->get_accState(which, &state)) && state.vt == VT_I4 && (state.lVal & STATE_SYSTEM_PROTECTED);
  variantClear(&state);
  variantClear(&which);
  accessible->Release();
  return isProtected;
}

void Reconsider(HWND front) {
  Hindrance hindrance = Hindrance::None;
  if (IsBeyondReach(front)) {
    hindrance = Hindrance::Elevated;
  } else if (front && IsSetAside(ProgramOf(front))) {
    hindrance = Hindrance::SetAside;
  } else if (FocusInPassword) {
    hindrance = Hindrance::Password;
  }
  SetFrontHindrance(hindrance, Focus);
  PostMessageW(Notify, ChangedMessage, 0, 0);
}

// The focus in front, judged as its focus event would be.
void JudgeFocus() {
  Focus = FocusInFront();
  FocusInPassword = Focus && (IsClassicPasswordBox(Focus) || IsProtectedField(Focus, OBJID_CLIENT, CHILDID_SELF));
}

void NoteFrontProgram(HWND front) {
  if (front && !IsOursOrTheNotificationArea(front)) FrontProgram = ProgramOf(front);
}

void CALLBACK OnForegroundChanged(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD) {
  NoteFrontProgram(window);
  JudgeFocus();
  Reconsider(window);
}

void CALLBACK OnFocusChanged(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
  Focus = window;
  FocusInPassword = IsClassicPasswordBox(window) || IsProtectedField(window, object, child);
  // Wine tells of a new front window by the focus alone.
  NoteFrontProgram(GetForegroundWindow());
  Reconsider(GetForegroundWindow());
}

}  // namespace

bool IsEditControl(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
  return std::wstring(name).find(L"edit") != std::wstring::npos;
}

void WatchFrontWindow(HWND notify, UINT changedMessage) {
  Notify = notify;
  ChangedMessage = changedMessage;
  // Out of context: the events come to this thread's message loop.
  ForegroundHook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, OnForegroundChanged, 0, 0,
                                   WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
  FocusHook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnFocusChanged, 0, 0,
                              WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
  OnForegroundChanged(nullptr, 0, GetForegroundWindow(), 0, 0, 0, 0);
}

void StopWatchingFrontWindow() {
  for (HWINEVENTHOOK* hook : {&ForegroundHook, &FocusHook}) {
    if (*hook) UnhookWinEvent(*hook);
    *hook = nullptr;
  }
}

void ReconsiderFrontWindow() {
  const HWND front = GetForegroundWindow();
  JudgeFocus();
  Reconsider(front);
}

bool FocusMovedUnjudged() { return FocusInFront() != Focus; }

std::wstring LastFrontProgram() { return FrontProgram; }
