// "Start with Windows": a value under the user's Run key naming this
// program, the one setting Korvel everywhere keeps. No administrator rights
// needed.
#pragma once

#include <string>

// Whether the value starts this very program (another copy's does not
// count) and Task Manager has not switched it off.
bool StartsWithWindows();
void SetStartWithWindows(bool start);

// This program's own path, however long.
std::wstring ThisProgramPath();
