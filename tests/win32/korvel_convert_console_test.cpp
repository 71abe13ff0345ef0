// korvel-convert.exe in a console window: Ctrl+C ends a run that is still
// reading, and the temporary file of its output goes with it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "korvel_executable.h"

namespace {

bool TemporaryFileIn(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((folder + L"\\out.txt.korvel-convert-*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

BOOL WINAPI IgnoreConsoleEvent(DWORD) { return TRUE; }

TEST(KorvelConvertConsoleTest, CtrlCRemovesTheTemporaryFile) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = temp + std::wstring(L"korvel-console-") + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);

  // A console of our own to share with the run; Ctrl+C there must not end
  // this test, and the test's output keeps going where it went.
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  FreeConsole();
  ASSERT_TRUE(AllocConsole());
  SetStdHandle(STD_OUTPUT_HANDLE, output);
  SetStdHandle(STD_ERROR_HANDLE, error);
  SetConsoleCtrlHandler(IgnoreConsoleEvent, TRUE);

  SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
  HANDLE input = nullptr;
  HANDLE feed = nullptr;
  ASSERT_TRUE(CreatePipe(&input, &feed, &inherited, 0));
  SetHandleInformation(feed, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = error;
  std::wstring command =
      L"\"" + ProgramBeside(L"korvel-convert.exe") + L"\" --to-latin -o \"" + folder + L"\\out.txt\"";
  PROCESS_INFORMATION run{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &run));
  CloseHandle(input);
  DWORD written = 0;
  WriteFile(feed, "Shchuka ", 8, &written, nullptr);
  for (int waited = 0; waited < 600 && !TemporaryFileIn(folder); ++waited) Sleep(50);
  EXPECT_TRUE(TemporaryFileIn(folder)) << "the run had begun its output";

  ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
  EXPECT_EQ(WaitForSingleObject(run.hProcess, 10000), WAIT_OBJECT_0) << "Ctrl+C ended the run";
  EXPECT_FALSE(TemporaryFileIn(folder)) << "its temporary file is gone";
  EXPECT_EQ(GetFileAttributesW((folder + L"\\out.txt").c_str()), INVALID_FILE_ATTRIBUTES);

  TerminateProcess(run.hProcess, 1);
  CloseHandle(run.hProcess);
  CloseHandle(run.hThread);
  CloseHandle(feed);
}

}  // namespace
