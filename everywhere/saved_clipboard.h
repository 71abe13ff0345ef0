// What the clipboard held before Korvel everywhere borrowed it to read and
// replace a piece of text in another program: every format, in its order,
// put back as it was.
#pragma once

#include <windows.h>

#include <vector>

class SavedClipboard {
 public:
  SavedClipboard() = default;
  SavedClipboard(const SavedClipboard&) = delete;
  SavedClipboard& operator=(const SavedClipboard&) = delete;
  ~SavedClipboard();

  // False when the clipboard cannot be opened (another program holds it).
  bool Save(HWND owner);
  // Puts back what Save found, the empty clipboard too.
  bool Restore(HWND owner);

 private:
  struct Format {
    UINT format;
    HANDLE data;  // ours until handed back to the clipboard
  };
  void Free();
  std::vector<Format> formats_;
};

// A movable global memory block holding a copy of `size` bytes, as the
// clipboard takes data; null when there is no memory.
HGLOBAL GlobalCopyOf(const void* bytes, SIZE_T size);

// Opens the clipboard for `owner`, trying again while another program holds
// it, for up to about a second.
bool OpenClipboardSoon(HWND owner);
