#include "start_with_windows.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

const wchar_t RunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// Task Manager's switch for each program that starts with Windows: a value
// of the same name, whose first byte is odd where the user switched it off.
const wchar_t ApprovedKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
const wchar_t ValueName[] = L"Korvel everywhere";

bool SwitchedOffInTaskManager() {
  BYTE approval[12] = {};
  DWORD size = sizeof(approval);
  return RegGetValueW(HKEY_CURRENT_USER, ApprovedKey, ValueName, RRF_RT_REG_BINARY, nullptr, approval, &size) ==
             ERROR_SUCCESS &&
         size > 0 && (approval[0] & 1) != 0;
}

std::wstring QuotedProgramPath() { return L"\"" + ThisProgramPath() + L"\""; }

}  // namespace

std::wstring ThisProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);  // cut off: a long path
  }
}

bool StartsWithWindows() {
  DWORD bytes = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, RunKey, ValueName, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
    return false;
  }
  std::wstring command(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(command.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_CURRENT_USER, RunKey, ValueName, RRF_RT_REG_SZ, nullptr, command.data(), &bytes) !=
      ERROR_SUCCESS) {
    return false;
  }
  command.resize(std::wcslen(command.c_str()));
  return CompareStringOrdinal(command.c_str(), -1, QuotedProgramPath().c_str(), -1, TRUE) == CSTR_EQUAL &&
         !SwitchedOffInTaskManager();
}

void SetStartWithWindows(bool start) {
  // Without Task Manager's value the program starts: switched on here, it is on there too.
  RegDeleteKeyValueW(HKEY_CURRENT_USER, ApprovedKey, ValueName);
  if (!start) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, RunKey, ValueName);
    return;
  }
  const std::wstring command = QuotedProgramPath();
  RegSetKeyValueW(HKEY_CURRENT_USER, RunKey, ValueName, REG_SZ, command.c_str(),
                  static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
}
