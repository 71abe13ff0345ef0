// The built programs, which lie beside the test and benchmark programs, and
// finding the window one of them shows.
#pragma once

#include <windows.h>

#include <string>

// The program `name` in the folder of the running program.
inline std::wstring ProgramBeside(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return folder + name;
}

inline std::wstring KorvelExecutablePath() { return ProgramBeside(L"Korvel.exe"); }

struct VisibleWindowSearch {
  DWORD processId;
  const wchar_t* title;  // null: any title
  HWND found;
};

inline BOOL CALLBACK MatchVisibleWindow(HWND window, LPARAM param) {
  auto* wanted = reinterpret_cast<VisibleWindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != wanted->processId || !IsWindowVisible(window)) return TRUE;
  wchar_t title[64] = {};
  GetWindowTextW(window, title, 64);
  if (wanted->title && std::wstring(title) != wanted->title) return TRUE;
  wanted->found = window;
  return FALSE;
}

// A visible top-level window of the process, with `title` unless it is null.
inline HWND FindVisibleWindow(DWORD processId, const wchar_t* title = nullptr) {
  VisibleWindowSearch search{processId, title, nullptr};
  EnumWindows(MatchVisibleWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}
