#include "settings.h"

#include <windows.h>

namespace {

const wchar_t SettingsKey[] = L"Software\\Korvel\\Korvel everywhere";

}  // namespace

std::vector<std::wstring> ReadSetting(const wchar_t* name) {
  DWORD bytes = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, SettingsKey, name, RRF_RT_REG_MULTI_SZ, nullptr, nullptr, &bytes) !=
      ERROR_SUCCESS) {
    return {};
  }
  std::vector<wchar_t> names(bytes / sizeof(wchar_t) + 2);
  bytes = static_cast<DWORD>(names.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_CURRENT_USER, SettingsKey, name, RRF_RT_REG_MULTI_SZ, nullptr, names.data(), &bytes) !=
      ERROR_SUCCESS) {
    return {};
  }
  std::vector<std::wstring> list;
  for (const wchar_t* each = names.data(); *each; each += list.back().size() + 1) list.emplace_back(each);
  return list;
}

void WriteSetting(const wchar_t* name, const std::vector<std::wstring>& list) {
  if (list.empty()) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, SettingsKey, name);
    return;
  }
  std::wstring names;
  for (const std::wstring& each : list) names += each + L'\0';
  names += L'\0';
  RegSetKeyValueW(HKEY_CURRENT_USER, SettingsKey, name, REG_MULTI_SZ, names.data(),
                  static_cast<DWORD>(names.size() * sizeof(wchar_t)));
}

bool ReadSwitch(const wchar_t* name, bool byDefault) {
  DWORD value = 0;
  DWORD bytes = sizeof(value);
  if (RegGetValueW(HKEY_CURRENT_USER, SettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &bytes) != ERROR_SUCCESS) {
    return byDefault;
  }
  return value != 0;
}

void WriteSwitch(const wchar_t* name, bool on) {
  const DWORD value = on ? 1 : 0;
  RegSetKeyValueW(HKEY_CURRENT_USER, SettingsKey, name, REG_DWORD, &value, sizeof(value));
}
