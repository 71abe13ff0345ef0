// Korvel: type Russian in Cyrillic on a German keyboard.
#include <windows.h>

#include "main_dialog.h"
#include "system_library.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
  SearchLibrariesInSystemFolderOnly();
  return static_cast<int>(MainDialog(instance));
}
