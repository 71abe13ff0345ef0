#include "set_aside.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <vector>

namespace {

const wchar_t SettingsKey[] = L"Software\\Korvel\\Korvel everywhere";
const wchar_t SetAsideValue[] = L"Not in";

std::wstring Folded(std::wstring name) {
  for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
  return name;
}

std::vector<std::wstring> SetAsidePrograms() {
  DWORD bytes = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, SettingsKey, SetAsideValue, RRF_RT_REG_MULTI_SZ, nullptr, nullptr, &bytes) !=
      ERROR_SUCCESS) {
    return {};
  }
  std::vector<wchar_t> names(bytes / sizeof(wchar_t) + 2);
  bytes = static_cast<DWORD>(names.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_CURRENT_USER, SettingsKey, SetAsideValue, RRF_RT_REG_MULTI_SZ, nullptr, names.data(), &bytes) !=
      ERROR_SUCCESS) {
    return {};
  }
  std::vector<std::wstring> programs;
  for (const wchar_t* name = names.data(); *name; name += programs.back().size() + 1) programs.emplace_back(name);
  return programs;
}

}  // namespace

bool IsSetAside(const std::wstring& program) {
  const std::vector<std::wstring> programs = SetAsidePrograms();
  return !program.empty() && std::find(programs.begin(), programs.end(), Folded(program)) != programs.end();
}

void SetAside(const std::wstring& program, bool aside) {
  std::vector<std::wstring> programs = SetAsidePrograms();
  programs.erase(std::remove(programs.begin(), programs.end(), Folded(program)), programs.end());
  if (aside) programs.push_back(Folded(program));
  if (programs.empty()) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, SettingsKey, SetAsideValue);
    return;
  }
  std::wstring names;
  for (const std::wstring& name : programs) names += name + L'\0';
  names += L'\0';
  RegSetKeyValueW(HKEY_CURRENT_USER, SettingsKey, SetAsideValue, REG_MULTI_SZ, names.data(),
                  static_cast<DWORD>(names.size() * sizeof(wchar_t)));
}
