// The focused field's text through UI Automation's text pattern, where the
// program offers it (browsers, Word, WPF and Qt programs): the selection, or
// the line before the caret. Windows' UI Automation client is a system
// library, loaded at run time; where it is missing or the field offers no
// text pattern, nothing is read.
#pragma once

#include <string>

struct AutomationText {
  bool selected = false;
  std::u16string selection;    // with `selected`
  std::u16string beforeCaret;  // without: the caret's line up to the caret
};

bool ReadFocusedText(AutomationText& found);
