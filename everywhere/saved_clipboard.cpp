#include "saved_clipboard.h"

#include <cstring>
#include <string>

namespace {

// A text or a picture of any use is far smaller; a format beyond this (a
// large image, a spreadsheet's every rendering) is not kept.
const SIZE_T kMostBytes = 64 * 1024 * 1024;

// Formats that describe their owner's objects (OLE's, and each program's
// private range), which no one can render once Korvel owns the clipboard.
bool BelongsToTheOwner(UINT format) {
  if (format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST) return true;
  if (format == CF_OWNERDISPLAY) return true;
  wchar_t name[64] = {};
  if (format < 0xC000 || !GetClipboardFormatNameW(format, name, 64)) return false;
  for (const wchar_t* ole :
       {L"Ole Private Data", L"Object Descriptor", L"Link Source Descriptor", L"Embed Source", L"Link Source",
        L"Embedded Object", L"OwnerLink", L"ObjectLink", L"Native", L"DataObject", L"Link", L"FileContents"}) {
    if (std::wstring(name) == ole) return true;
  }
  return false;
}

// A copy of global memory, which most formats are held in.
HANDLE CopyGlobal(HANDLE data) {
  const SIZE_T size = GlobalSize(data);
  const void* from = size && size <= kMostBytes ? GlobalLock(data) : nullptr;
  if (!from) return nullptr;
  HGLOBAL copy = GlobalCopyOf(from, size);
  GlobalUnlock(data);
  return copy;
}

// The formats held in GDI objects. Palettes and metafile pictures are left
// out: Windows makes them again from the bitmap and the enhanced metafile.
HANDLE CopyOf(UINT format, HANDLE data) {
  switch (format) {
    case CF_BITMAP:
    case CF_DSPBITMAP:
      return CopyImage(data, IMAGE_BITMAP, 0, 0, 0);
    case CF_ENHMETAFILE:
    case CF_DSPENHMETAFILE:
      return CopyEnhMetaFile(static_cast<HENHMETAFILE>(data), nullptr);
    case CF_PALETTE:
    case CF_METAFILEPICT:
    case CF_DSPMETAFILEPICT:
    case CF_OWNERDISPLAY:
      return nullptr;
  }
  if (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST) return nullptr;
  return CopyGlobal(data);
}

void FreeData(UINT format, HANDLE data) {
  if (format == CF_BITMAP || format == CF_DSPBITMAP) {
    DeleteObject(data);
  } else if (format == CF_ENHMETAFILE || format == CF_DSPENHMETAFILE) {
    DeleteEnhMetaFile(static_cast<HENHMETAFILE>(data));
  } else {
    GlobalFree(data);
  }
}

}  // namespace

HGLOBAL GlobalCopyOf(const void* bytes, SIZE_T size) {
  HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, size);
  void* to = global ? GlobalLock(global) : nullptr;
  if (!to) {
    if (global) GlobalFree(global);
    return nullptr;
  }
  std::memcpy(to, bytes, size);
  GlobalUnlock(global);
  return global;
}

void KeepOutOfClipboardHistory() {
  static const UINT formats[] = {RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing"),
                                 RegisterClipboardFormatW(L"CanIncludeInClipboardHistory"),
                                 RegisterClipboardFormatW(L"CanUploadToCloudClipboard")};
  for (const UINT format : formats) {
    const DWORD no = 0;
    HGLOBAL global = GlobalCopyOf(&no, sizeof(no));
    if (global && !SetClipboardData(format, global)) GlobalFree(global);
  }
}

std::u16string ClipboardText() {
  std::u16string text;
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    const std::size_t most = GlobalSize(data) / sizeof(char16_t);
    if (const auto* units = static_cast<const char16_t*>(GlobalLock(data))) {
      std::size_t length = 0;
      while (length < most && units[length] != 0) ++length;
      text.assign(units, length);
      GlobalUnlock(data);
    }
  }
  return text;
}

bool OpenClipboardSoon(HWND owner) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (OpenClipboard(owner)) return true;
    Sleep(10);
  }
  return false;
}

SavedClipboard::~SavedClipboard() { Free(); }

void SavedClipboard::Free() {
  for (const Format& saved : formats_) FreeData(saved.format, saved.data);
  formats_.clear();
}

bool SavedClipboard::Save(HWND owner) {
  Free();
  if (!OpenClipboardSoon(owner)) return false;
  for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
    if (BelongsToTheOwner(format)) continue;
    // Asking for a format renders it, where its program had only promised it.
    const HANDLE data = GetClipboardData(format);
    if (const HANDLE copy = data ? CopyOf(format, data) : nullptr) formats_.push_back({format, copy});
  }
  CloseClipboard();
  return true;
}

bool SavedClipboard::Restore(HWND owner) {
  if (!OpenClipboardSoon(owner)) return false;
  EmptyClipboard();
  for (Format& saved : formats_) {
    if (SetClipboardData(saved.format, saved.data)) saved.data = nullptr;  // the clipboard's now
  }
  // Not a new copy: clipboard history and the cloud clipboard have it already.
  KeepOutOfClipboardHistory();
  CloseClipboard();
  for (const Format& saved : formats_) {
    if (saved.data) FreeData(saved.format, saved.data);
  }
  formats_.clear();
  return true;
}
