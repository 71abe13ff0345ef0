// The Windows side of the end-to-end tests, run under the same Wine prefix
// as the programs tried: it reads what a user would see (titles, texts, the
// clipboard), brings windows to the front, and sends the commands that no
// key or button sends.
//
//   desktop_helper serve    answers queries, one a line on standard input,
//                           with one line each ("!" and a reason where it
//                           cannot), after a first line "ready"
//   desktop_helper fields   shows the windows of fields (test_fields.h)
//   desktop_helper console  shows a console that records its keys (test_console.h)
//
// Korvel's dialog:
//   dialog-title | dialog-label | dialog-text   the text, as UTF-16 hex
//   dialog-topmost                              1 or 0
//   dialog-rect:ID                              "x y", the control's centre on screen
//   dialog-command:ID                           posts WM_COMMAND ID to the dialog
// The clipboard:
//   clipboard           its text, as UTF-16 hex
//   mark-clipboard      puts a known marker text on it
//   fill-clipboard      puts a text, a picture and bytes of a format of its own on it
//   clipboard-formats   a fingerprint of each of those three
// Any window:
//   front:TITLE[:ID]    brings the window whose title holds TITLE to the
//                       front (and focuses its control ID); "1" once it is
//   text:TITLE:CLASS    the text of its first control of that class, as UTF-16 hex
//   item:TITLE:ID       the text of its control ID, as UTF-16 hex
//   selection:TITLE:CLASS  "start,end" of its first control of that class, as UTF-16 hex
//   count:CLASS         how many top-level windows of that class there are
//   close:CLASS         posts WM_CLOSE to them, as taskkill without /F does
//   command:CLASS:ID    posts WM_COMMAND ID to the first of them, as its menu does
//   title:CLASS         the title of the first of them, as UTF-16 hex
//   judged:TITLE[:ID]   "1" once Korvel everywhere has judged the window's
//                       focus (or its control ID), or runs not at all
// The keyboard:
//   send-keys:TEXT      types TEXT with virtual keys, as another program's
//                       SendInput (a password manager's auto-type) does
//   watch-keys          from now on counts the injected keys that a hook of
//                       its own, installed after everyone's, sees first
//   injected-keys       how many it counted
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "helper_output.h"
#include "test_console.h"
#include "test_fields.h"

namespace {

constexpr int kEditorId = 10009;
constexpr int kLabelId = 1011;

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

// Korvel's dialog: a dialog holding a rich edit control as its editor.
HWND KorvelDialog() {
  for (const HWND window : TopLevel(L"", L"#32770")) {
    wchar_t editorClass[32] = {};
    if (const HWND editor = GetDlgItem(window, kEditorId)) GetClassNameW(editor, editorClass, 32);
    if (std::wcscmp(editorClass, L"RichEdit20W") == 0) return window;
  }
  return nullptr;
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

bool OpenClipboardSoon() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(20);
  }
  return false;
}

bool PutOnClipboard(UINT format, const void* bytes, std::size_t size) {
  HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, size);
  void* to = global ? GlobalLock(global) : nullptr;
  if (!to) return false;
  std::memcpy(to, bytes, size);
  GlobalUnlock(global);
  return SetClipboardData(format, global) != nullptr;
}

bool MarkClipboard() {
  if (!OpenClipboardSoon()) return false;
  EmptyClipboard();
  const wchar_t marker[] = L"korvel-e2e-marker";
  const bool marked = PutOnClipboard(CF_UNICODETEXT, marker, sizeof(marker));
  CloseClipboard();
  return marked;
}

bool FillClipboard() {
  if (!OpenClipboardSoon()) return false;
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
  if (!OpenClipboardSoon()) return "busy";
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

// Types `text` with the virtual keys of the keyboard's layout, Shift where
// it asks for it, unmarked as any program's input is.
bool SendKeys(const std::wstring& text) {
  std::vector<INPUT> inputs;
  const auto add = [&inputs](WORD key, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    inputs.push_back(input);
  };
  for (const wchar_t ch : text) {
    const SHORT key = VkKeyScanW(ch);
    if (key == -1) return false;
    const bool shift = (key & 0x100) != 0;
    if (shift) add(VK_SHIFT, true);
    add(static_cast<WORD>(key & 0xFF), true);
    add(static_cast<WORD>(key & 0xFF), false);
    if (shift) add(VK_SHIFT, false);
  }
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// A low-level hook installed after everyone's is called first: it sees
// every key, and counts those injected.
std::atomic<long> InjectedKeys{0};

LRESULT CALLBACK CountInjected(int code, WPARAM message, LPARAM data) {
  if (code == HC_ACTION && (reinterpret_cast<const KBDLLHOOKSTRUCT*>(data)->flags & LLKHF_INJECTED)) ++InjectedKeys;
  return CallNextHookEx(nullptr, code, message, data);
}

DWORD WINAPI WatchKeys(void* ready) {
  SetWindowsHookExW(WH_KEYBOARD_LL, CountInjected, GetModuleHandleW(nullptr), 0);
  SetEvent(static_cast<HANDLE>(ready));
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}

bool StartWatchingKeys() {
  InjectedKeys = 0;
  static bool watching = false;
  if (watching) return true;
  const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const HANDLE thread = CreateThread(nullptr, 0, WatchKeys, ready, 0, nullptr);
  watching = thread && WaitForSingleObject(ready, 10000) == WAIT_OBJECT_0;
  CloseHandle(ready);
  if (thread) CloseHandle(thread);
  return watching;
}

// The answer to Korvel's dialog's queries; "!" where there is none.
std::string AnswerOfDialog(const std::wstring& verb, const std::vector<std::wstring>& query) {
  const HWND dialog = KorvelDialog();
  if (!dialog) return "!no Korvel dialog";
  const int id = query.size() > 1 ? std::stoi(query[1]) : 0;
  if (verb == L"dialog-title") return Hex(WindowText(dialog));
  if (verb == L"dialog-label") return Hex(WindowText(GetDlgItem(dialog, kLabelId)));
  if (verb == L"dialog-text") return Hex(WindowText(GetDlgItem(dialog, kEditorId)));
  if (verb == L"dialog-topmost") return (GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) ? "1" : "0";
  if (verb == L"dialog-rect" && query.size() == 2) {
    RECT rect{};
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    return std::to_string((rect.left + rect.right) / 2) + " " + std::to_string((rect.top + rect.bottom) / 2);
  }
  if (verb == L"dialog-command" && query.size() == 2) {
    PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0);
    return "ok";
  }
  return "!unknown query";
}

std::string Answer(const std::vector<std::wstring>& query) {
  const std::wstring& verb = query[0];
  if (verb.rfind(L"dialog-", 0) == 0) return AnswerOfDialog(verb, query);
  if (verb == L"mark-clipboard") return MarkClipboard() ? "ok" : "!clipboard busy";
  if (verb == L"fill-clipboard") return FillClipboard() ? "ok" : "!clipboard busy";
  if (verb == L"clipboard-formats") return ClipboardFingerprint();
  if (verb == L"clipboard") return Hex(ClipboardText());
  if (verb == L"watch-keys") return StartWatchingKeys() ? "ok" : "!no hook";
  if (verb == L"injected-keys") return std::to_string(InjectedKeys);
  if (verb == L"send-keys" && query.size() == 2) return SendKeys(query[1]) ? "ok" : "!a character no key types";
  if (query.size() < 2) return "!unknown query";
  if (verb == L"count") return std::to_string(TopLevel(L"", query[1]).size());
  if (verb == L"close") {
    for (const HWND window : TopLevel(L"", query[1])) PostMessageW(window, WM_CLOSE, 0, 0);
    return "ok";
  }
  if (verb == L"title" || (verb == L"command" && query.size() == 3)) {
    const std::vector<HWND> windows = TopLevel(L"", query[1]);
    if (windows.empty()) return "!no window of that class";
    if (verb == L"title") return Hex(WindowText(windows.front()));
    PostMessageW(windows.front(), WM_COMMAND, std::stoul(query[2]), 0);
    return "ok";
  }
  const std::vector<HWND> windows = TopLevel(query[1], L"");
  if (windows.empty()) return "!no window of that title";
  const HWND window = windows.front();
  if (verb == L"judged") {
    const std::vector<HWND> korvel = TopLevel(L"", L"KorvelEverywhere");
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    // The control named, or where the window holds no such control (its fields are its own), its focus.
    HWND focus = query.size() == 3 ? GetDlgItem(window, std::stoi(query[2])) : nullptr;
    if (!focus) focus = info.hwndFocus;
    return korvel.empty() || GetPropW(korvel.front(), L"KorvelJudgedFocus") == focus ? "1" : "0";
  }
  if (verb == L"front") {
    const bool inFront = BringToFront(window);
    if (query.size() == 3) SendMessageW(window, WM_FOCUS_CONTROL, std::stoul(query[2]), 0);
    return inFront ? "1" : "0";
  }
  if (query.size() != 3) return "!unknown query";
  if (verb == L"text") return Hex(WindowText(FirstChildOfClass(window, query[2])));
  if (verb == L"item") return Hex(WindowText(GetDlgItem(window, std::stoi(query[2]))));
  if (verb == L"selection") {
    // Pointers would not cross into the other process: the packed result.
    const auto both = static_cast<DWORD>(SendMessageW(FirstChildOfClass(window, query[2]), EM_GETSEL, 0, 0));
    return Hex(std::to_wstring(LOWORD(both)) + L"," + std::to_wstring(HIWORD(both)));
  }
  return "!unknown query";
}

// One line of standard input as UTF-16, without its line break; false at its end.
bool ReadQuery(std::wstring& query) {
  std::string line;
  char byte = 0;
  DWORD read = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, nullptr) && read == 1) {
    if (byte == '\n') break;
    if (byte != '\r') line += byte;
  }
  if (read == 0 && line.empty()) return false;
  query.assign(line.size(), L'\0');
  query.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                                            query.data(), static_cast<int>(query.size()))));
  return true;
}

int Serve() {
  PrintLine("ready");
  for (std::wstring query; ReadQuery(query);) PrintLine(query.empty() ? "!empty query" : Answer(Split(query)));
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  const std::wstring mode = count == 2 ? arguments[1] : L"";
  if (mode == L"fields") return ShowFields(instance);
  if (mode == L"console") return ShowConsole(instance);
  if (mode == L"serve") return Serve();
  return 2;
}
