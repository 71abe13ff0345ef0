// What the clipboard held before Korvel everywhere borrowed it to read and
// replace a piece of text in another program: every format, in its order,
// put back as it was and kept out of clipboard history and the cloud
// clipboard (it is there already). Left out: formats private to their
// program or to OLE, which describe the old owner and mean nothing once it is
// no longer the owner, and anything beyond a size that is worth holding.
#pragma once

#include <windows.h>

#include <string>
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

// Marks what the open clipboard holds to stay out of clipboard history, the
// cloud clipboard and the programs that watch the clipboard.
void KeepOutOfClipboardHistory();

// The text the open clipboard holds; empty where it holds none.
std::u16string ClipboardText();

// Opens the clipboard for `owner`, trying again while another program holds
// it, for up to about a second.
bool OpenClipboardSoon(HWND owner);
