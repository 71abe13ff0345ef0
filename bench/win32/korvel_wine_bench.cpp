// Korvel's speed and memory, each figure beside its floor measured in the
// same run: the real dialog and rich edit control in this process, and the
// real Korvel.exe for start-up and memory. Prints a Markdown table.
#include <windows.h>

#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "editor_control.h"
#include "editor_hook.h"
#include "korvel_executable.h"
#include "main_dialog.h"
#include "resource.h"
#include "text_converters.h"
#include "text_export.h"
#include "wide_text.h"

namespace {

constexpr int kRepetitions = 7;
constexpr std::size_t kEditorUnits = 65535;

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// Median seconds of `measured`, after one warm-up; `prepare` runs untimed
// before each.
double Median(const std::function<void()>& prepare, const std::function<void()>& measured) {
  std::vector<double> times;
  for (int run = 0; run <= kRepetitions; ++run) {
    prepare();
    const double start = Now();
    measured();
    const double elapsed = Now() - start;
    PumpMessages();
    if (run > 0) times.push_back(elapsed);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

std::wstring TextInLines(const std::wstring& line, std::size_t units) {
  std::wstring text;
  while (text.size() < units) text += line;
  text.resize(units);
  return text;
}

struct Row {
  std::string name;
  double seconds;
  std::string floorName;
  double floorSeconds;
  std::string goal;
};

std::vector<Row> rows;
std::vector<std::string> notes;

std::string Milliseconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.2f ms", seconds * 1000.0);
  return text;
}

void Print(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void SetText(const std::wstring& text) { SetWindowTextW(Editor, text.c_str()); }

void BenchTyping(HWND /*dialog*/) {
  const std::wstring keys = L"Privet mir kak dela u menq vse horo\u00F6o spasibo";
  auto type = [&] {
    for (int i = 0; i < 2000; ++i) {
      if (i % 64 == 63) {
        SendMessageW(Editor, WM_KEYDOWN, VK_RETURN, 1);  // lines, as real texts have
      } else {
        SendMessageW(Editor, WM_CHAR, keys[static_cast<std::size_t>(i) % keys.size()], 1);
      }
    }
  };
  auto clear = [] { SetText(L""); };
  PassThrough = false;
  const double transcribed = Median(clear, type);
  PassThrough = true;
  const double own = Median(clear, type);
  PassThrough = false;
  rows.push_back({"Typing 2,000 characters, transcription on", transcribed, "the control's own typing (pass-through)",
                  own, "<= 1.3"});
}

void BenchConversion(HWND dialog) {
  const std::wstring russian =
      TextInLines(L"Съешь же ещё этих мягких французских булок, да выпей чаю. Щука\r", kEditorUnits);
  const std::wstring latin = ToWindowsText(CyrillicToLatin(ToCoreText(russian))).substr(0, kEditorUnits);
  struct Case {
    const char* name;
    int command;
    const std::wstring* input;
    std::wstring output;
  } cases[] = {
      {"Ru do Cz (2002), 65,535 units in lines", IDC_CYRILLIC_TO_LATIN, &russian,
       ToWindowsText(CyrillicToLatin(ToCoreText(russian)))},
      {"Cz do Ru (2003), 65,535 units in lines", IDC_LATIN_TO_CYRILLIC, &latin,
       ToWindowsText(LatinToCyrillic(ToCoreText(latin)))},
  };
  for (const Case& conversion : cases) {
    const double command =
        Median([&] { SetText(*conversion.input); }, [&] { SendMessageW(dialog, WM_COMMAND, conversion.command, 0); });
    const double floor = Median([&] { SetText(*conversion.input); }, [&] { SetText(conversion.output); });
    rows.push_back({conversion.name, command, "WM_SETTEXT of the converted text", floor, "<= 1.5"});
  }

  // One long paragraph: the control's cost grows with the square of its length.
  const std::wstring paragraph =
      TextInLines(L"Съешь же ещё этих мягких французских булок, да выпей чаю. Щука ", kEditorUnits);
  const std::wstring converted = ToWindowsText(CyrillicToLatin(ToCoreText(paragraph)));
  SetText(paragraph);
  double start = Now();
  SendMessageW(dialog, WM_COMMAND, IDC_CYRILLIC_TO_LATIN, 0);
  const double command = Now() - start;
  SetText(paragraph);
  start = Now();
  SetText(converted);
  const double floor = Now() - start;
  rows.push_back({"Ru do Cz (2002), one paragraph of 65,535 units (one run)", command,
                  "WM_SETTEXT of the converted text", floor, "(reported only)"});
}

void ClipboardRoundTrip(const std::wstring& text) {
  OpenClipboard(nullptr);
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  std::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<wchar_t*>(GlobalLock(block)));
  GlobalUnlock(block);
  SetClipboardData(CF_UNICODETEXT, block);
  CloseClipboard();
}

void BenchExport(HWND dialog) {
  const std::wstring text =
      TextInLines(L"Съешь же ещё этих мягких французских булок, да выпей чаю. Щука\r", kEditorUnits);
  SetText(text);
  const double command = Median([] {}, [&] { SendMessageW(dialog, WM_COMMAND, IDC_EXPORT, 0); });
  std::wstring read;
  const double floor = Median([] {},
                              [&] {
                                SelectAllEditorText(Editor);
                                ReadEditorSelection(Editor, read);
                                ClipboardRoundTrip(read);
                              });
  rows.push_back({"OK (2000): export of 65,535 units in lines", command,
                  "select all, read the selection, bare clipboard round trip", floor, "<= 1.5"});

  const HWND label = GetDlgItem(dialog, IDC_RESULT_LABEL);
  const std::wstring short98 = text.substr(0, 98);
  const double fullLabel = Median([] {}, [&] { SetCaptionText(label, text.c_str()); });
  const double shortLabel = Median([] {}, [&] { SetWindowTextW(label, short98.c_str()); });
  rows.push_back(
      {"Label from a 65,535-unit text", fullLabel, "SetWindowTextW of its first 98 units", shortLabel, "about 1"});
}

// Start-up from outside: process creation until its dialog is visible.
double StartUp(const std::wstring& program) {
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const double start = Now();
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return -1;
  }
  HWND shown = nullptr;
  while (!shown && Now() - start < 60) {
    shown = FindVisibleWindow(process.dwProcessId);
    if (!shown) Sleep(1);
  }
  const double elapsed = Now() - start;
  if (shown) PostMessageW(shown, WM_COMMAND, IDCANCEL, 0);
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return shown ? elapsed : -1;
}

void BenchStartUp() {
  const std::wstring korvel = ProgramBeside(L"Korvel.exe");
  const std::wstring bare = ProgramBeside(L"korvel_bare_dialog.exe");
  const double korvelTime = Median([] {}, [&] { StartUp(korvel); });
  const double bareTime = Median([] {}, [&] { StartUp(bare); });
  rows.push_back({"Start-up: Korvel.exe to its dialog shown", korvelTime, "the same template in a bare dialog program",
                  bareTime, "<= 1.3"});
}

struct Memory {
  double privateMebibytes;     // commit charge: PrivateUsage, or PagefileUsage where Wine leaves that 0
  double workingSetMebibytes;  // resident pages
};

Memory MeasureMemory() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
  const SIZE_T committed = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
  return {static_cast<double>(committed) / 1048576.0, static_cast<double>(counters.WorkingSetSize) / 1048576.0};
}

void MeasureSizeAndMemory(HWND dialog) {
  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  GetFileAttributesExW(ProgramBeside(L"Korvel.exe").c_str(), GetFileExInfoStandard, &attributes);
  char line[256];
  std::snprintf(line, sizeof(line), "- Korvel.exe: %lu bytes, one file, imports only system DLLs.",
                static_cast<unsigned long>(attributes.nFileSizeLow));
  notes.push_back(line);

  // The same dialog and control in this process: private bytes after start,
  // after 100 rounds, and after 1,000 rounds of export and both conversions.
  SetText(L"Привет\rмир\rХорошо");
  const Memory atStart = MeasureMemory();
  Memory after100{};
  for (int round = 1; round <= 1000; ++round) {
    SendMessageW(dialog, WM_COMMAND, IDC_EXPORT, 0);
    SendMessageW(dialog, WM_COMMAND, IDC_CYRILLIC_TO_LATIN, 0);
    SendMessageW(dialog, WM_COMMAND, IDC_LATIN_TO_CYRILLIC, 0);
    PumpMessages();
    if (round == 100) after100 = MeasureMemory();
  }
  const Memory after1000 = MeasureMemory();
  std::snprintf(line, sizeof(line),
                "- Private bytes with the dialog open: %.2f MiB at start, %.2f MiB after 100 and %.2f MiB after 1,000 "
                "rounds of export and both conversions; working set %.2f, %.2f and %.2f MiB.",
                atStart.privateMebibytes, after100.privateMebibytes, after1000.privateMebibytes,
                atStart.workingSetMebibytes, after100.workingSetMebibytes, after1000.workingSetMebibytes);
  notes.push_back(line);
}

}  // namespace

int wmain() {
  const HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc, 0);
  if (!dialog || !Editor) return 1;
  ShowWindow(dialog, SW_SHOW);
  PumpMessages();

  BenchTyping(dialog);
  BenchConversion(dialog);
  BenchExport(dialog);
  MeasureSizeAndMemory(dialog);
  DestroyWindow(dialog);
  PumpMessages();
  BenchStartUp();

  Print("| measurement | time | floor | floor time | ratio | goal |\n|---|---:|---|---:|---:|---|\n");
  for (const Row& row : rows) {
    char ratio[32];
    std::snprintf(ratio, sizeof(ratio), "%.2f", row.seconds / row.floorSeconds);
    Print("| " + row.name + " | " + Milliseconds(row.seconds) + " | " + row.floorName + " | " +
          Milliseconds(row.floorSeconds) + " | " + ratio + " | " + row.goal + " |\n");
  }
  Print("\n");
  for (const std::string& note : notes) Print(note + "\n");
  return 0;
}
