// The programs the user set aside ("Not in <program>" on the icon's menu):
// there every key passes as it is (games, remote desktops, terminals). Kept
// per user, under HKEY_CURRENT_USER, by the program's file name.
#pragma once

#include <string>

bool IsSetAside(const std::wstring& program);
void SetAside(const std::wstring& program, bool aside);
