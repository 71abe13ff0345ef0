#include "set_aside.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "settings.h"

namespace {

const wchar_t SetAsideValue[] = L"Not in";

std::wstring Folded(std::wstring name) {
  for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
  return name;
}

}  // namespace

bool IsSetAside(const std::wstring& program) {
  const std::vector<std::wstring> programs = ReadSetting(SetAsideValue);
  return !program.empty() && std::find(programs.begin(), programs.end(), Folded(program)) != programs.end();
}

void SetAside(const std::wstring& program, bool aside) {
  std::vector<std::wstring> programs = ReadSetting(SetAsideValue);
  programs.erase(std::remove(programs.begin(), programs.end(), Folded(program)), programs.end());
  if (aside) programs.push_back(Folded(program));
  WriteSetting(SetAsideValue, programs);
}
