#include "saved_clipboard.h"

#include <cstring>

namespace {

// A copy of global memory, which most formats are held in.
HANDLE CopyGlobal(HANDLE data) {
  const SIZE_T size = GlobalSize(data);
  const void* from = size ? GlobalLock(data) : nullptr;
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
  CloseClipboard();
  for (const Format& saved : formats_) {
    if (saved.data) FreeData(saved.format, saved.data);
  }
  formats_.clear();
  return true;
}
