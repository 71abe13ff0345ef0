// korvel-convert: Korvel's transcriptions for whole files and pipes.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "line_fixer.h"
#include "progress_line.h"
#include "streams.h"
#include "task_thread.h"
#include "utf8_converter.h"

#ifdef _WIN32
#include <windows.h>

#include "system_library.h"
#endif

#ifndef KORVEL_VERSION
#define KORVEL_VERSION "1.0.0"
#endif

namespace {

namespace fs = std::filesystem;

constexpr int kConverted = 0;
constexpr int kCannotConvert = 1;  // invalid UTF-8, or a file that cannot be read or written
constexpr int kUsageError = 2;
// Each piece costs hand-overs between the threads, dear on a virtual
// machine: pieces of 512 KiB took a fifth less time on 10 MB than pieces of
// 256 KiB; pieces of 1 MiB took longer.
constexpr std::size_t kChunkBytes = 1 << 19;
// A pipe on standard output holds a converted piece (up to twice the
// chunk), so that writing one seldom waits for the reader: 1 MiB, the most
// a user may give a pipe by default.
constexpr std::size_t kOutputPipeBytes = 1 << 20;

// Writes each converted piece on a second thread while the next piece is
// read and converted; pieces reach the output in order, one at a time.
class BackgroundWriter {
 public:
  explicit BackgroundWriter(Output& output) : output_(output) {}

  // `bytes` must stay as they are until the next call.
  void Write(std::string_view bytes) {
    thread_.Start([this, bytes] { output_.Write(bytes); });
  }
  // Waits for the last write; a failure of it is thrown here.
  void Wait() { thread_.Wait(); }

 private:
  Output& output_;
  TaskThread thread_;
};

std::uint64_t KnownSize(const std::vector<std::string>& inputs) {
  std::uint64_t total = 0;
  for (const std::string& input : inputs) {
    std::error_code error;
    if (input == "-") return 0;
    const auto size = fs::file_size(PathFromUtf8(input), error);
    if (error) return 0;
    total += size;
  }
  return total;
}

// `Converter`: Utf8Converter, or LineFixer for --fix-alphabet.
template <class Converter>
void ConvertInput(const std::string& name, Converter& converter, BackgroundWriter& output, ProgressLine& progress) {
  const bool standardInput = name == "-";
  const std::string shown = standardInput ? "standard input" : name;
  std::FILE* stream = standardInput ? stdin : OpenFile(PathFromUtf8(name), "rb");
  if (!stream) throw ConversionFailure{"cannot read " + shown + ": " + Reason()};
  if (standardInput) {
    SetBinary(stdin);
    WidenPipe(stdin, kChunkBytes);
  }

  std::vector<char> bytes(kChunkBytes);
  for (;;) {
    const std::size_t read = std::fread(bytes.data(), 1, bytes.size(), stream);
    if (read == 0) {
      const bool failed = std::ferror(stream) != 0;
      const std::string reason = Reason();
      if (!standardInput) std::fclose(stream);
      output.Wait();
      if (failed) throw ConversionFailure{"cannot read " + shown + ": " + reason};
      break;
    }
    if (!converter.Convert(std::string_view(bytes.data(), read))) {
      if (!standardInput) std::fclose(stream);
      output.Wait();  // a failure to write what came before is reported first
      throw ConversionFailure{shown + ": invalid UTF-8 at byte offset " + std::to_string(converter.ErrorOffset())};
    }
    output.Write(converter.Output());
    progress.Advance(read);
  }
  if (!converter.EndInput()) {
    output.Wait();
    throw ConversionFailure{shown + ": invalid UTF-8 at byte offset " + std::to_string(converter.ErrorOffset()) +
                            " (the text ends inside a character)"};
  }
}

int Run(int argc, char** argv) {
  CLI::App app{
      "Converts UTF-8 text with Korvel's transcriptions: Cyrillic to the Czech-style Latin\n"
      "transcription and back, or each character as typing it into Korvel on a German keyboard gives it.",
      "korvel-convert"};
  app.set_version_flag("--version", "korvel-convert " KORVEL_VERSION);
  // A path such as /tmp/text.txt is a file, not a Windows-style /option.
  app.allow_windows_style_options(false);
  bool toLatin = false;
  bool toCyrillic = false;
  bool keyboard = false;
  bool toKeys = false;
  bool fixAlphabet = false;
  std::string outputName;
  std::vector<std::string> inputs;
  auto* latinFlag = app.add_flag("--to-latin", toLatin, "Cyrillic to the Czech-style Latin transcription");
  auto* cyrillicFlag = app.add_flag("--to-cyrillic", toCyrillic, "the Czech-style Latin transcription to Cyrillic");
  auto* keyboardFlag =
      app.add_flag("--keyboard", keyboard, "each character as typed into Korvel (a German keyboard writing Russian)");
  auto* keysFlag = app.add_flag("--to-keys", toKeys,
                                "the way back of --keyboard: Cyrillic typed in Korvel as the German keys give it");
  auto* fixFlag =
      app.add_flag("--fix-alphabet", fixAlphabet,
                   "runs of words typed in the wrong alphabet fixed, each line as Korvel fixes it by itself\n"
                   "when typed in one go; everything else unchanged");
  latinFlag->excludes(cyrillicFlag)->excludes(keyboardFlag)->excludes(keysFlag)->excludes(fixFlag);
  cyrillicFlag->excludes(keyboardFlag)->excludes(keysFlag)->excludes(fixFlag);
  keyboardFlag->excludes(keysFlag)->excludes(fixFlag);
  keysFlag->excludes(fixFlag);
  app.add_option("-o,--output", outputName, "write to this file instead of standard output")->type_name("OUTPUT");
  app.add_option("inputs", inputs, "files to convert, in order; - or none for standard input")->type_name("INPUT");
  app.footer(
      "Exit codes: 0 converted; 1 invalid UTF-8 or a file that cannot be read or written (an output file is\n"
      "then left as it was); 2 usage error.");
  try {
    app.parse(argc, argv);
    if (!toLatin && !toCyrillic && !keyboard && !toKeys && !fixAlphabet) {
      throw CLI::RequiredError("one of --to-latin, --to-cyrillic, --keyboard, --to-keys, --fix-alphabet");
    }
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    return code == 0 ? kConverted : kUsageError;
  }
  if (inputs.empty()) inputs.push_back("-");

  const ConversionMode mode = toLatin      ? ConversionMode::ToLatin
                              : toCyrillic ? ConversionMode::ToCyrillic
                              : toKeys     ? ConversionMode::ToKeys
                                           : ConversionMode::Keyboard;
  ProgressLine progress(ProgressLine::StandardErrorIsTerminal(), KnownSize(inputs));
  const auto fail = [&progress](const std::string& message) {
    progress.Finish();
    ShowMessage("korvel-convert: " + message + "\n");
    return kCannotConvert;
  };
  // Whatever ends the run, the output's destructor has removed its temporary
  // file by the time a handler below runs.
  try {
    Output output(outputName);
    if (outputName.empty()) WidenPipe(stdout, kOutputPipeBytes);
    const auto convertAll = [&](auto& converter) {
      BackgroundWriter writer(output);
      for (const std::string& input : inputs) ConvertInput(input, converter, writer, progress);
      converter.Finish();
      writer.Write(converter.Output());
      writer.Wait();
    };
    if (fixAlphabet) {
      LineFixer fixer;
      convertAll(fixer);
    } else {
      Utf8Converter converter(mode);
      convertAll(converter);
    }
    output.Commit();
    progress.Finish();
  } catch (const ConversionFailure& failure) {
    return fail(failure.message);
  } catch (const std::bad_alloc&) {
    return fail("out of memory");
  } catch (const std::system_error& error) {
    return fail(std::string("cannot start a thread: ") + error.what());
  } catch (const std::exception& error) {
    return fail(error.what());
  }
  return kConverted;
}

}  // namespace

#ifdef _WIN32
// The command line as UTF-8, whatever the system's code page.
int wmain(int argc, wchar_t** argv) {
  SearchLibrariesInSystemFolderOnly();
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(Utf8FromWide(argv[i]));
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  return Run(argc, pointers.data());
}
#else
int main(int argc, char** argv) { return Run(argc, argv); }
#endif
