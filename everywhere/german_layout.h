// Whether a keyboard layout is a German one (Germany, Austria, Luxembourg,
// Liechtenstein, or a layout of the user's own built on it), told by what
// its keys give rather than by its language: a German keyboard is often
// added to an English or Russian Windows, whose layout handles then name
// those languages, and Wine names the locale it runs in whatever the keys.
#pragma once

#include <windows.h>

bool IsGermanLayout(HKL layout);
