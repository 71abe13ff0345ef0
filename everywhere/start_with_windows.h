// "Start with Windows": a value under the user's Run key naming this
// program, the one setting Korvel everywhere keeps. No administrator rights
// needed.
#pragma once

bool StartsWithWindows();
void SetStartWithWindows(bool start);
