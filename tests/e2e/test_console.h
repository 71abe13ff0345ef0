// A console program for the tests of Korvel everywhere, shown by
// `desktop_helper console`: a console titled "Korvel test console" that
// records every key it reads and every Ctrl+C it is sent. What it saw is the
// title of a hidden window of class KorvelTestConsole: "ctrl-c:N keys:K",
// where K holds each character read as it is, a Backspace as "<", and a
// character whose key carried no character as "?" (Wine's console drops the
// character of a key typed as text).
#pragma once

#include <windows.h>

int ShowConsole(HINSTANCE instance);
