#include "front_window.h"

#include <oleacc.h>

#include <cwctype>

#include "german_layout.h"
#include "set_aside.h"
#include "system_library.h"
#include "window_reach.h"

namespace {

// Where no focus event comes within this, the focus is judged as it stands.
const UINT kSettleMilliseconds = 150;

using AccessibleObjectFromEventFunction = HRESULT(WINAPI*)(HWND, DWORD, DWORD, IAccessible**, VARIANT*);
using AccessibleObjectFromWindowFunction = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
using VariantClearFunction = HRESULT(WINAPI*)(VARIANTARG*);

struct Accessibility {
  AccessibleObjectFromEventFunction fromEvent =
      SystemFunction<AccessibleObjectFromEventFunction>(L"oleacc.dll", "AccessibleObjectFromEvent");
  AccessibleObjectFromWindowFunction fromWindow =
      SystemFunction<AccessibleObjectFromWindowFunction>(L"oleacc.dll", "AccessibleObjectFromWindow");
  VariantClearFunction variantClear = SystemFunction<VariantClearFunction>(L"oleaut32.dll", "VariantClear");
  bool Loaded() const { return fromEvent && fromWindow && variantClear; }
};

const Accessibility& Oleacc() {
  static const Accessibility functions;
  return functions;
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

enum class Protection { Unknown, Protected, Open };

// The state of `accessible`'s child `child` (CHILDID_SELF: the object itself).
Protection StateOf(IAccessible* accessible, const VARIANT& child) {
  VARIANT state{};
  const bool known = SUCCEEDED(accessible->get_accState(child, &state)) && state.vt == VT_I4;
  const bool isProtected = known && (state.lVal & STATE_SYSTEM_PROTECTED);
  Oleacc().variantClear(&state);
  return !known ? Protection::Unknown : isProtected ? Protection::Protected : Protection::Open;
}

VARIANT Self() {
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  return self;
}

// The object a focus event names.
Protection ProtectionOfEventObject(HWND window, LONG object, LONG child) {
  if (!Oleacc().Loaded()) return Protection::Unknown;
  IAccessible* accessible = nullptr;
  VARIANT which = Self();
  // The object itself when the event names no child of it (Wine's
  // AccessibleObjectFromEvent asks the object for a child even then).
  const HRESULT found = child == CHILDID_SELF ? Oleacc().fromWindow(window, static_cast<DWORD>(object), IID_IAccessible,
                                                                    reinterpret_cast<void**>(&accessible))
                                              : Oleacc().fromEvent(window, static_cast<DWORD>(object),
                                                                   static_cast<DWORD>(child), &accessible, &which);
  if (FAILED(found) || !accessible) return Protection::Unknown;
  const Protection protection = StateOf(accessible, which);
  Oleacc().variantClear(&which);
  accessible->Release();
  return protection;
}

// The object that `window`'s accessible object says has the focus, followed
// down through the objects that hold it.
Protection ProtectionOfFocusedObject(HWND window) {
  if (!Oleacc().Loaded()) return Protection::Unknown;
  IAccessible* accessible = nullptr;
  if (FAILED(Oleacc().fromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                 reinterpret_cast<void**>(&accessible))) ||
      !accessible) {
    return Protection::Unknown;
  }
  Protection protection = Protection::Unknown;
  for (int depth = 0; depth < 8 && accessible; ++depth) {
    VARIANT focus{};
    if (FAILED(accessible->get_accFocus(&focus))) break;
    if (focus.vt == VT_I4) {
      protection = StateOf(accessible, focus);  // the object itself, or a simple child of it
      break;
    }
    if (focus.vt != VT_DISPATCH || !focus.pdispVal) {
      Oleacc().variantClear(&focus);
      break;  // nothing inside has the focus, or the object cannot tell
    }
    IAccessible* inner = nullptr;
    focus.pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&inner));
    Oleacc().variantClear(&focus);
    accessible->Release();
    accessible = inner;
  }
  if (accessible) accessible->Release();
  return protection;
}

}  // namespace

FrontWindow* FrontWindow::watching_ = nullptr;

bool IsEditControl(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
  return std::wstring(name).find(L"edit") != std::wstring::npos;
}

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

void FrontWindow::Watch(HWND notify, UINT changedMessage) {
  notify_ = notify;
  changedMessage_ = changedMessage;
  watching_ = this;
  // Out of context: the events come to this thread's message loop.
  foregroundHook_ = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, OnForeground, 0, 0,
                                    WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
  focusHook_ = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnFocus, 0, 0,
                               WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
  Reconsider();
}

void FrontWindow::StopWatching() {
  for (HWINEVENTHOOK* hook : {&foregroundHook_, &focusHook_}) {
    if (*hook) UnhookWinEvent(*hook);
    *hook = nullptr;
  }
  if (notify_) KillTimer(notify_, kJudgeTimer);
  if (watching_ == this) watching_ = nullptr;
}

void CALLBACK FrontWindow::OnForeground(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD) {
  if (!watching_) return;
  watching_->NoteFrontProgram(window);
  watching_->Judge(watching_->hook_.BeginDoubt(), nullptr);
}

void CALLBACK FrontWindow::OnFocus(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD time) {
  if (!watching_) return;
  // An event of a focus older than the last key or click that may have
  // moved it answers nothing: the focus that key leads to is yet to come.
  KeyboardHook& hook = watching_->hook_;
  if (time != 0 && static_cast<LONG>(time - hook.DoubtSince()) < 0 &&
      hook.VerdictGeneration() < hook.DoubtGeneration()) {
    return;
  }
  const FocusEvent event{window, object, child};
  watching_->Judge(hook.BeginDoubt(), &event);
}

void FrontWindow::JudgeSoon(DWORD /*since*/) {
  // A focus event that comes first judges it sooner.
  SetTimer(notify_, kJudgeTimer, kSettleMilliseconds, nullptr);
}

void FrontWindow::OnJudgeTimer() {
  KillTimer(notify_, kJudgeTimer);
  if (hook_.VerdictGeneration() < hook_.DoubtGeneration()) Judge(hook_.DoubtGeneration(), nullptr);
}

void FrontWindow::Reconsider() { Judge(hook_.BeginDoubt(), nullptr); }

void FrontWindow::NoteFrontProgram(HWND front) {
  if (front && !IsOursOrTheNotificationArea(front)) frontProgram_ = ProgramOf(front);
}

void FrontWindow::Judge(std::uint64_t generation, const FocusEvent* event) {
  // Only what is read here goes into the verdict: the calls to other
  // programs below run this thread's messages meanwhile, and an event
  // judged within them publishes a newer verdict, which this older one does
  // not overwrite (the hook keeps the newest generation's).
  const HWND front = GetForegroundWindow();
  NoteFrontProgram(front);
  const HWND focus = FocusedWindow();
  Verdict verdict{Hindrance::None, focus, LayoutOf(focus)};
  if (IsBeyondReach(front)) {
    verdict.hindrance = Hindrance::Elevated;
  } else if (front && IsSetAside(ProgramOf(front))) {
    verdict.hindrance = Hindrance::SetAside;
  } else if (IsClassicPasswordBox(focus)) {
    verdict.hindrance = Hindrance::Password;
  } else {
    const bool aboutTheFocus = event && (event->window == focus || IsChild(event->window, focus));
    const Protection protection = aboutTheFocus ? ProtectionOfEventObject(event->window, event->object, event->child)
                                                : ProtectionOfFocusedObject(focus);
    if (protection == Protection::Protected) {
      verdict.hindrance = Hindrance::Password;
    } else if (!IsGermanLayout(verdict.layout)) {
      verdict.hindrance = Hindrance::OtherLayout;
    }
  }
  hook_.Publish(generation, verdict);
  PostMessageW(notify_, changedMessage_, 0, 0);
}
