// Korvel everywhere's settings, kept per user under HKEY_CURRENT_USER.
#pragma once

#include <string>
#include <vector>

// A list of names (REG_MULTI_SZ); empty where there is none.
std::vector<std::wstring> ReadSetting(const wchar_t* name);
// An empty list removes the value.
void WriteSetting(const wchar_t* name, const std::vector<std::wstring>& list);

// A switch (REG_DWORD), `byDefault` until the user flipped it.
bool ReadSwitch(const wchar_t* name, bool byDefault);
void WriteSwitch(const wchar_t* name, bool on);
