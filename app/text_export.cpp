#include "text_export.h"

#include <cwchar>

#include "bounded_copy.h"
#include "editor_control.h"
#include "resource.h"

std::wstring TextBuffer(65536, L'\0');

namespace {

constexpr std::size_t kCaptionUnits = 100;
constexpr std::size_t kCaptionKeptUnits = 98;

// Gives up on a clipboard copy without leaving the clipboard open, which
// would block copy and paste in every other program.
bool AbandonClipboardCopy(HGLOBAL unownedBlock) {
  if (unownedBlock) GlobalFree(unownedBlock);
  CloseClipboard();
  return false;
}

}  // namespace

void ReadAllText() {
  SelectAllEditorText(Editor);
  ReadEditorSelection(Editor, TextBuffer);
}

bool CopyToClipboard(const wchar_t* text) {
  if (!text) return false;
  if (!OpenClipboard(nullptr)) return false;
  const std::size_t length = std::wcslen(text);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (length + 1) * sizeof(wchar_t));
  if (!block) return AbandonClipboardCopy(nullptr);
  auto* copy = static_cast<wchar_t*>(GlobalLock(block));
  if (!copy) return AbandonClipboardCopy(block);
  if (!EmptyClipboard()) {
    GlobalUnlock(block);
    return AbandonClipboardCopy(block);
  }
  BoundedCopy(copy, length + 1, text);
  GlobalUnlock(block);
  if (!SetClipboardData(CF_UNICODETEXT, block)) return AbandonClipboardCopy(block);
  // The clipboard owns the block from here on.
  return CloseClipboard() != FALSE;
}

HRESULT BoundedCopy(wchar_t* destination, std::size_t capacity, const wchar_t* source) {
  return BoundedCopyUnits(destination, capacity, source);
}

void SetCaptionText(HWND window, const wchar_t* text) {
  // Copied as it stands: a percent sign is just a character here.
  wchar_t caption[kCaptionUnits];
  BoundedCopy(caption, kCaptionKeptUnits + 1, text);
  SetWindowTextW(window, caption);
}

void ExportText(HWND dialog) {
  ReadAllText();
  SetFocus(Editor);
  if (CopyToClipboard(TextBuffer.c_str())) {
    SetCaptionText(GetDlgItem(dialog, IDC_RESULT_LABEL), TextBuffer.c_str());
  }
}
