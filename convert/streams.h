// korvel-convert's inputs and outputs: file names, the standard streams, the
// Windows console, and output files that are replaced whole, only when
// everything worked.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

// A failure that ends the run with a one-line message and exit code 1.
struct ConversionFailure {
  std::string message;
};

// A file name given as UTF-8, as a path of this system.
std::filesystem::path PathFromUtf8(const std::string& name);

// Opens by a path of any system, names beyond ASCII included.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// Line ends pass unchanged.
void SetBinary(std::FILE* stream);

// Best effort: a pipe passes a whole piece of `bytes` at a time.
void WidenPipe(std::FILE* stream, std::size_t bytes);

// The C library's words for errno.
std::string Reason();

#ifdef _WIN32
std::string Utf8FromWide(const wchar_t* text);
#endif

// A UTF-8 message on standard error, legible on a Windows console too.
void ShowMessage(std::string_view utf8);

class Output {
 public:
  // An empty name is standard output. A file is written to a temporary file
  // of this run's own beside it, with the file's permissions; a symbolic
  // link is followed to the file it names. A device or a pipe given by
  // name is written to directly.
  explicit Output(const std::string& name);
  // Removes the temporary file unless Commit() replaced the target with it.
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  void Write(std::string_view bytes);
  // Everything is written: the temporary file replaces the target.
  void Commit();

  class Console;

 private:
  void CreateTemporary();
  void Discard();
  void FlushToDisk() const;
  [[noreturn]] void FailWriting(const std::string& reason) const;

  std::string name_;
  std::filesystem::path target_;
  std::filesystem::path temporary_;  // empty when writing to the target itself
  std::FILE* stream_ = nullptr;
  std::unique_ptr<Console> console_;
};
