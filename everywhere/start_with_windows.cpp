#include "start_with_windows.h"

#include <windows.h>

#include <string>

namespace {

const wchar_t RunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t ValueName[] = L"Korvel everywhere";

std::wstring QuotedProgramPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return L"\"" + std::wstring(path) + L"\"";
}

}  // namespace

bool StartsWithWindows() {
  return RegGetValueW(HKEY_CURRENT_USER, RunKey, ValueName, RRF_RT_REG_SZ, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void SetStartWithWindows(bool start) {
  if (!start) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, RunKey, ValueName);
    return;
  }
  const std::wstring command = QuotedProgramPath();
  RegSetKeyValueW(HKEY_CURRENT_USER, RunKey, ValueName, REG_SZ, command.c_str(),
                  static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
}
