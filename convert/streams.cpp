#include "streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <utility>

#include "utf8.h"

#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#endif

namespace fs = std::filesystem;

fs::path PathFromUtf8(const std::string& name) {
  return fs::u8path(name);  // UTF-8 on every system, wide names on Windows
}

std::FILE* OpenFile(const fs::path& path, const char* mode) {
#ifdef _WIN32
  const std::wstring wideMode(mode, mode + std::strlen(mode));
  return _wfopen(path.c_str(), wideMode.c_str());
#else
  return std::fopen(path.c_str(), mode);
#endif
}

void SetBinary(std::FILE* stream) {
#ifdef _WIN32
  _setmode(_fileno(stream), _O_BINARY);
#else
  (void)stream;
#endif
}

// A pipe's buffer holds 64 KiB by default: each write then wakes the reader
// for a small piece.
void WidenPipe(std::FILE* stream, std::size_t bytes) {
#ifdef F_SETPIPE_SZ
  fcntl(fileno(stream), F_SETPIPE_SZ, static_cast<int>(bytes));
#else
  (void)stream;
  (void)bytes;
#endif
}

std::string Reason() { return std::strerror(errno); }

#ifdef _WIN32

std::string Utf8FromWide(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

namespace {

// The system's own words for the last failure of a Windows function, which
// sets GetLastError and leaves errno alone.
std::string SystemReason() {
  const DWORD error = GetLastError();
  wchar_t* message = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  std::string reason = length > 0 ? Utf8FromWide(message) : "error " + std::to_string(error);
  if (message) LocalFree(message);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ')) reason.pop_back();
  return reason;
}

// The console of a standard handle, or null when it is redirected.
HANDLE ConsoleOf(DWORD standardHandle) {
  const HANDLE handle = GetStdHandle(standardHandle);
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && handle && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

// The temporary file of this run, removed when Ctrl+C, Ctrl+Break or a
// closed console ends it. It is open for sharing its deletion, so the name
// goes at once and the file when the run ends.
wchar_t PendingTemporary[32768];

BOOL WINAPI RemovePendingOnConsoleEvent(DWORD) {
  if (PendingTemporary[0] != L'\0') DeleteFileW(PendingTemporary);
  return FALSE;  // the next handler, in the end the system's, ends the run
}

void SetPendingTemporary(const std::wstring& path) {
  if (path.size() >= std::size(PendingTemporary)) return;
  std::copy(path.c_str(), path.c_str() + path.size() + 1, PendingTemporary);
  static const bool installed = SetConsoleCtrlHandler(RemovePendingOnConsoleEvent, TRUE);
  (void)installed;
}

void ClearPendingTemporary() { PendingTemporary[0] = L'\0'; }

}  // namespace

// A console shows UTF-16 as it is; bytes written to it would be read in the
// console's code page, which is no UTF-8 by default.
class Output::Console {
 public:
  explicit Console(HANDLE handle) : handle_(handle) {}

  bool Write(std::string_view utf8) {
    pending_.append(utf8);
    const std::size_t complete = SettledUtf8Length(pending_);
    const int length = static_cast<int>(complete);
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, pending_.data(), length, nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(CP_UTF8, 0, pending_.data(), length, wide.data(), static_cast<int>(wide.size()));
    pending_.erase(0, complete);
    for (std::size_t done = 0; done < wide.size();) {
      std::size_t size = std::min<std::size_t>(wide.size() - done, 8192);
      if (done + size < wide.size() && IS_HIGH_SURROGATE(wide[done + size - 1])) --size;  // a pair stays whole
      DWORD written = 0;
      if (!WriteConsoleW(handle_, wide.data() + done, static_cast<DWORD>(size), &written, nullptr) || written == 0) {
        return false;
      }
      done += written;
    }
    return true;
  }

 private:
  HANDLE handle_;
  std::string pending_;  // a sequence the last write cut off
};

void ShowMessage(std::string_view utf8) {
  if (const HANDLE console = ConsoleOf(STD_ERROR_HANDLE)) {
    Output::Console(console).Write(utf8);
    return;
  }
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
  std::fflush(stderr);
}

#else

class Output::Console {};

namespace {

// The temporary file of this run, removed when a signal ends it.
char PendingTemporary[4096];

void RemovePendingAndEnd(int signal) {
  if (PendingTemporary[0] != '\0') unlink(PendingTemporary);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// A signal the caller ignores stays ignored: under nohup, or in a job whose
// terminal closes, the hang-up must not end the run.
void RemovePendingOnSignals() {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    std::signal(signal, RemovePendingAndEnd);
  }
}

void SetPendingTemporary(const std::string& path) {
  if (path.size() >= sizeof(PendingTemporary)) return;
  std::memcpy(PendingTemporary, path.c_str(), path.size() + 1);
  static const bool installed = (RemovePendingOnSignals(), true);
  (void)installed;
}

void ClearPendingTemporary() { PendingTemporary[0] = '\0'; }

// The rename itself reaches the disk with the folder's entry. Best effort:
// the file is whole by now, under one name or the other.
void SyncFolderOf(const fs::path& file) {
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (descriptor < 0) return;
  ::fsync(descriptor);
  ::close(descriptor);
}

mode_t NewFileMode() {
  const mode_t mask = umask(0);  // read it: there is no other way
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

void ShowMessage(std::string_view utf8) {
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
  std::fflush(stderr);
}

#endif

namespace {

// The file that a chain of symbolic links ends at, whether it exists or not.
fs::path FollowLinks(fs::path path) {
  for (int depth = 0; depth < 40; ++depth) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) break;
    const fs::path link = fs::read_symlink(path, error);
    if (error) break;
    path = link.is_absolute() ? link : path.parent_path() / link;
  }
  return path;
}

// Devices and pipes are written to: replacing them with a file would be
// wrong, and there is nothing beside them to write first.
bool WrittenInPlace(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  return !error && fs::exists(status) && !fs::is_regular_file(status) && !fs::is_directory(status);
}

}  // namespace

Output::Output(const std::string& name) : name_(name) {
  if (name.empty()) {
#ifdef _WIN32
    if (const HANDLE console = ConsoleOf(STD_OUTPUT_HANDLE)) {
      console_ = std::make_unique<Console>(console);
      return;
    }
#endif
    stream_ = stdout;
    SetBinary(stdout);
    return;
  }
  target_ = FollowLinks(PathFromUtf8(name));
  if (WrittenInPlace(target_)) {
    stream_ = OpenFile(target_, "wb");
    if (!stream_) FailWriting(Reason());
    return;
  }
  try {
    CreateTemporary();
  } catch (...) {
    Discard();
    throw;
  }
}

Output::~Output() { Discard(); }

void Output::Discard() {
  if (stream_ && stream_ != stdout) std::fclose(stream_);
  stream_ = nullptr;
  if (temporary_.empty()) return;
  std::error_code ignored;
  fs::remove(temporary_, ignored);
  temporary_.clear();
  ClearPendingTemporary();
}

void Output::FailWriting(const std::string& reason) const {
  throw ConversionFailure{"cannot write " + (name_.empty() ? std::string("standard output") : name_) + ": " + reason};
}

#ifdef _WIN32

void Output::CreateTemporary() {
  // A name of this run's own: two runs on one target never share a file.
  const std::wstring stem = target_.native() + L".korvel-convert-" + std::to_wstring(GetCurrentProcessId()) + L"-";
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    const std::wstring candidate = stem + std::to_wstring(attempt);
    const HANDLE file = CreateFileW(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      FailWriting(SystemReason());
    }
    temporary_ = candidate;
    SetPendingTemporary(candidate);
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
    if (descriptor < 0) {
      CloseHandle(file);
      FailWriting(Reason());
    }
    stream_ = _fdopen(descriptor, "wb");
    if (!stream_) {
      _close(descriptor);
      FailWriting(Reason());
    }
    return;
  }
  FailWriting("no free name for a temporary file beside it");
}

#else

void Output::CreateTemporary() {
  struct stat existing {};
  const bool replacing = ::stat(target_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
  std::string path = target_.string() + ".korvel-convert-XXXXXX";
  const int descriptor = ::mkstemp(path.data());  // a new file of this run's own
  if (descriptor < 0) FailWriting(Reason());
  temporary_ = path;
  SetPendingTemporary(path);
  // The replaced file's permissions and owner, never wider ones; a new file
  // gets what the umask gives it.
  if (replacing && (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) &&
      ::fchown(descriptor, existing.st_uid, existing.st_gid) != 0) {
    // only its owner, or root, can give it away: it stays ours
  }
  const mode_t mode = replacing ? (existing.st_mode & 0777) : NewFileMode();
  if (::fchmod(descriptor, mode) != 0 || !(stream_ = ::fdopen(descriptor, "wb"))) {
    const std::string reason = Reason();
    ::close(descriptor);
    FailWriting(reason);
  }
}

#endif

void Output::Write(std::string_view bytes) {
  if (console_) {
#ifdef _WIN32
    if (!console_->Write(bytes)) FailWriting(SystemReason());
#endif
    return;
  }
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) FailWriting(Reason());
}

void Output::Commit() {
  if (console_) return;
  if (stream_ == stdout) {
    if (std::fflush(stdout) != 0) FailWriting(Reason());
    return;
  }
  // The new contents reach the disk before they take the target's name, so
  // that a power cut leaves the old file or the new one, never an empty one.
  if (!temporary_.empty()) FlushToDisk();
  if (std::fclose(std::exchange(stream_, nullptr)) != 0) FailWriting(Reason());
  if (temporary_.empty()) return;
#ifdef _WIN32
  if (!MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    FailWriting(SystemReason());
  }
  ClearPendingTemporary();
#else
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0) FailWriting(Reason());
  ClearPendingTemporary();
  SyncFolderOf(target_);
#endif
  temporary_.clear();
}

void Output::FlushToDisk() const {
  if (std::fflush(stream_) != 0) FailWriting(Reason());
#ifdef _WIN32
  if (!FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream_))))) FailWriting(SystemReason());
#else
  // Some file systems cannot sync at all; there is nothing more to do there.
  if (::fsync(fileno(stream_)) != 0 && errno != EINVAL && errno != ENOTSUP) FailWriting(Reason());
#endif
}
