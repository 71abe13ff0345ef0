// Korvel: type Russian in Cyrillic on a German keyboard.
#include <windows.h>

#include "main_dialog.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
  return static_cast<int>(MainDialog(instance));
}
