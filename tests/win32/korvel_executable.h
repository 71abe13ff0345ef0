// The built Korvel.exe, which lies beside the test programs.
#pragma once

#include <windows.h>

#include <string>

inline std::wstring KorvelExecutablePath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return folder + L"Korvel.exe";
}
