// A Windows helper for the tests of Korvel everywhere, run under the same
// Wine prefix. `everywhere_helper fields` shows a window of text fields to
// type into: a plain one, a password box and, beside it, what the password
// box holds; the plain field reports when its text first and last changed,
// for the speed measurement; and two fields of its own (no Edit), one of
// which tells accessibility clients that it holds a password, as the
// password fields of browsers and toolkits do. Otherwise it answers
// queries, one output line each:
//   front:TITLE[:ID]    brings the window whose title holds TITLE to the
//                       front (and focuses its control ID); "1" once it is
//   text:TITLE:CLASS    the text of its first control of that class, as UTF-16 hex
//   item:TITLE:ID       the text of its control ID, as UTF-16 hex
//   clipboard           the clipboard's text, as UTF-16 hex
//   fill-clipboard      puts a text, a picture and bytes of a format of its
//                       own on the clipboard
//   clipboard-formats   a fingerprint of each of those three on the clipboard
//   selection:TITLE:CLASS  "start,end" of its first control of that class, as UTF-16 hex
//   count:CLASS         how many top-level windows of that class there are
//   close:CLASS         posts WM_CLOSE to them, as taskkill without /F does
//   command:CLASS:ID    posts WM_COMMAND ID to the first of them, as its menu does
//   title:CLASS         the title of the first of them, as UTF-16 hex
//   judged:TITLE[:ID]   "1" once Korvel everywhere has judged the window's
//                       focus (or its control ID), or runs not at all
#include <windows.h>
// clang-format off
#include <oleacc.h>
// clang-format on

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "probe_output.h"

namespace {

constexpr wchar_t FieldsTitle[] = L"Korvel test fields";
constexpr int PlainField = 1;
constexpr int PasswordField = 2;
constexpr int PasswordMirror = 3;
constexpr int Timing = 4;
constexpr int ProtectedBox = 5;
constexpr int UnprotectedBox = 6;
constexpr UINT WM_FOCUS_CONTROL = WM_APP + 40;

// What accessibility clients see of a box of ours: a focused text field,
// and with `marksProtected`, one that holds a password.
class BoxAccessible : public IAccessible {
 public:
  explicit BoxAccessible(bool marksProtected) : marksProtected_(marksProtected) {}
  virtual ~BoxAccessible() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (id == IID_IUnknown || id == IID_IDispatch || id == IID_IAccessible) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (!left) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT, VARIANT* state) override {
    state->vt = VT_I4;
    state->lVal = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED | (marksProtected_ ? STATE_SYSTEM_PROTECTED : 0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT, VARIANT* role) override {
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_TEXT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  // Nothing else is asked of it.
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch**) override { return E_INVALIDARG; }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR*, VARIANT, long*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE accLocation(long*, long*, long*, long*, VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE accNavigate(long, VARIANT, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE accHitTest(long, long, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  bool marksProtected_;
  ULONG references_ = 1;
};

// A field of our own that takes typed characters.
LRESULT CALLBACK BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CHAR:
      if (wParam >= 32) SetWindowTextW(window, (WindowText(window) + static_cast<wchar_t>(wParam)).c_str());
      return 0;
    case WM_SETFOCUS:
      NotifyWinEvent(EVENT_OBJECT_FOCUS, window, OBJID_CLIENT, CHILDID_SELF);
      return 0;
    case WM_GETOBJECT:
      if (static_cast<LONG>(lParam) == OBJID_CLIENT) {
        auto* accessible = new BoxAccessible(GetDlgCtrlID(window) == ProtectedBox);
        const LRESULT result = LresultFromObject(IID_IAccessible, wParam, accessible);
        accessible->Release();
        return result;
      }
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

double Milliseconds() {
  LARGE_INTEGER now{}, frequency{};
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double FirstChange = 0;

LRESULT CALLBACK FieldsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == EN_CHANGE && LOWORD(wParam) == PasswordField) {
        SetDlgItemTextW(window, PasswordMirror, WindowText(GetDlgItem(window, PasswordField)).c_str());
      } else if (HIWORD(wParam) == EN_CHANGE && LOWORD(wParam) == PlainField) {
        const double now = Milliseconds();
        if (FirstChange == 0) FirstChange = now;
        const auto length = GetWindowTextLengthW(GetDlgItem(window, PlainField));
        SetDlgItemTextW(window, Timing, (std::to_wstring(now - FirstChange) + L" " + std::to_wstring(length)).c_str());
      }
      return 0;
    case WM_FOCUS_CONTROL:
      SetFocus(GetDlgItem(window, static_cast<int>(wParam)));
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

int ShowFields(HINSTANCE instance) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  WNDCLASSW boxClass{};
  boxClass.lpfnWndProc = BoxProc;
  boxClass.hInstance = instance;
  boxClass.lpszClassName = L"KorvelTestBox";
  RegisterClassW(&boxClass);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = FieldsProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"KorvelTestFields";
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassW(&windowClass);
  const HWND window = CreateWindowExW(0, windowClass.lpszClassName, FieldsTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                                      40, 600, 330, nullptr, nullptr, instance, nullptr);
  const auto control = [&](const wchar_t* kind, DWORD style, int id, int y, int height) {
    CreateWindowExW(0, kind, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | style, 10, y, 560, height, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  };
  control(L"Edit", ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, PlainField, 10, 150);
  control(L"Edit", ES_PASSWORD | ES_AUTOHSCROLL, PasswordField, 170, 24);
  control(L"Static", 0, PasswordMirror, 200, 20);
  control(L"Static", 0, Timing, 225, 20);
  control(L"KorvelTestBox", 0, ProtectedBox, 250, 20);
  control(L"KorvelTestBox", 0, UnprotectedBox, 275, 20);
  SendDlgItemMessageW(window, PlainField, EM_SETLIMITTEXT, 0, 0);
  SetFocus(GetDlgItem(window, PlainField));
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

struct Search {
  std::wstring titlePart;
  std::wstring className;
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (!search->className.empty() && search->className != className) return TRUE;
  if (!search->titlePart.empty() &&
      (!IsWindowVisible(window) || WindowText(window).find(search->titlePart) == std::wstring::npos)) {
    return TRUE;
  }
  search->found.push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevel(const std::wstring& titlePart, const std::wstring& className) {
  Search search{titlePart, className, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FirstChildOfClass(HWND window, const std::wstring& className) {
  Search search{L"", className, {}};
  EnumChildWindows(window, Collect, reinterpret_cast<LPARAM>(&search));
  return search.found.empty() ? nullptr : search.found.front();
}

// Without a window manager Wine's active window falls back to the desktop:
// keys reach a window only once it is in front.
bool BringToFront(HWND window) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    SetForegroundWindow(window);
    if (GetForegroundWindow() == window) return true;
    Sleep(100);
  }
  return false;
}

std::vector<std::wstring> Split(const std::wstring& query) {
  std::vector<std::wstring> parts;
  std::size_t start = 0;
  for (std::size_t colon; (colon = query.find(L':', start)) != std::wstring::npos; start = colon + 1) {
    parts.push_back(query.substr(start, colon - start));
  }
  parts.push_back(query.substr(start));
  return parts;
}

const UINT OwnFormat = RegisterClipboardFormatW(L"Korvel test bytes");

bool PutOnClipboard(UINT format, const void* bytes, std::size_t size) {
  HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, size);
  void* to = global ? GlobalLock(global) : nullptr;
  if (!to) return false;
  std::memcpy(to, bytes, size);
  GlobalUnlock(global);
  return SetClipboardData(format, global) != nullptr;
}

bool FillClipboard() {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  const wchar_t text[] = L"Korvel's clipboard test \u0416";
  // A picture of 2 by 2 pixels, 24 bits each, rows padded to 4 bytes.
  unsigned char picture[sizeof(BITMAPINFOHEADER) + 16] = {};
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(picture);
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = header->biHeight = 2;
  header->biPlanes = 1;
  header->biBitCount = 24;
  for (std::size_t i = sizeof(BITMAPINFOHEADER); i < sizeof(picture); ++i)
    picture[i] = static_cast<unsigned char>(i * 37);
  unsigned char bytes[256];
  for (int i = 0; i < 256; ++i) bytes[i] = static_cast<unsigned char>(255 - i);
  const bool filled = PutOnClipboard(CF_UNICODETEXT, text, sizeof(text)) &&
                      PutOnClipboard(CF_DIB, picture, sizeof(picture)) &&
                      PutOnClipboard(OwnFormat, bytes, sizeof(bytes));
  CloseClipboard();
  return filled;
}

// Size and a hash (FNV-1a) of each format's bytes; "-" for one not there.
std::string ClipboardFingerprint() {
  std::string fingerprint;
  if (!OpenClipboard(nullptr)) return "busy";
  for (const UINT format : {UINT{CF_UNICODETEXT}, UINT{CF_DIB}, OwnFormat}) {
    const HANDLE data = GetClipboardData(format);
    const auto* bytes = data ? static_cast<const unsigned char*>(GlobalLock(data)) : nullptr;
    if (!bytes) {
      fingerprint += " -";
      continue;
    }
    const SIZE_T size = GlobalSize(data);
    std::uint32_t hash = 2166136261u;
    for (SIZE_T i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
    GlobalUnlock(data);
    fingerprint += " " + std::to_string(size) + ":" + std::to_string(hash);
  }
  CloseClipboard();
  return fingerprint.substr(1);
}

int Answer(const std::vector<std::wstring>& query) {
  const std::wstring& verb = query[0];
  if (verb == L"fill-clipboard") {
    PrintLine(FillClipboard() ? "ok" : "busy");
    return 0;
  }
  if (verb == L"clipboard-formats") {
    PrintLine(ClipboardFingerprint());
    return 0;
  }
  if (verb == L"clipboard") {
    PrintLine(Hex(ClipboardText()));
    return 0;
  }
  if (query.size() < 2) return 2;
  if (verb == L"count") {
    PrintLine(std::to_string(TopLevel(L"", query[1]).size()));
    return 0;
  }
  if (verb == L"close") {
    for (const HWND window : TopLevel(L"", query[1])) PostMessageW(window, WM_CLOSE, 0, 0);
    PrintLine("ok");
    return 0;
  }
  if (verb == L"title") {
    const std::vector<HWND> windows = TopLevel(L"", query[1]);
    if (windows.empty()) return 3;
    PrintLine(Hex(WindowText(windows.front())));
    return 0;
  }
  if (verb == L"command" && query.size() == 3) {
    const std::vector<HWND> windows = TopLevel(L"", query[1]);
    if (windows.empty()) return 3;
    PostMessageW(windows.front(), WM_COMMAND, std::stoul(query[2]), 0);
    PrintLine("ok");
    return 0;
  }
  const std::vector<HWND> windows = TopLevel(query[1], L"");
  if (windows.empty()) return 3;
  const HWND window = windows.front();
  if (verb == L"judged") {
    const std::vector<HWND> korvel = TopLevel(L"", L"KorvelEverywhere");
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    const HWND focus = query.size() == 3 ? GetDlgItem(window, std::stoi(query[2])) : info.hwndFocus;
    PrintLine(korvel.empty() || GetPropW(korvel.front(), L"KorvelJudgedFocus") == focus ? "1" : "0");
  } else if (verb == L"front") {
    const bool inFront = BringToFront(window);
    if (query.size() == 3) SendMessageW(window, WM_FOCUS_CONTROL, std::stoul(query[2]), 0);
    PrintLine(inFront ? "1" : "0");
  } else if (verb == L"text" && query.size() == 3) {
    PrintLine(Hex(WindowText(FirstChildOfClass(window, query[2]))));
  } else if (verb == L"selection" && query.size() == 3) {
    // Pointers would not cross into the other process: the packed result.
    const auto both = static_cast<DWORD>(SendMessageW(FirstChildOfClass(window, query[2]), EM_GETSEL, 0, 0));
    PrintLine(Hex(std::to_wstring(LOWORD(both)) + L"," + std::to_wstring(HIWORD(both))));
  } else if (verb == L"item" && query.size() == 3) {
    PrintLine(Hex(WindowText(GetDlgItem(window, std::stoi(query[2])))));
  } else {
    return 2;
  }
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (count == 2 && std::wstring(arguments[1]) == L"fields") return ShowFields(instance);
  for (int i = 1; i < count; ++i) {
    if (const int failed = Answer(Split(arguments[i]))) return failed;
  }
  return 0;
}
