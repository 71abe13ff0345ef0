// The real Korvel.exe as its own process: it opens its top-most dialog and
// exits with the dialog's result, and loads no library planted beside it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "korvel_executable.h"
#include "resource.h"

namespace {

class KorvelProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(KorvelExecutablePath()); }

  // Starts the program and waits for its dialog; a process that ends first
  // fails with its exit code.
  void Start(const std::wstring& program) {
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    ASSERT_TRUE(
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_));
    const ULONGLONG deadline = GetTickCount64() + 30000;
    while (!(window_ = FindVisibleWindow(process_.dwProcessId, L"German to Russian")) && GetTickCount64() < deadline) {
      if (WaitForSingleObject(process_.hProcess, 50) == WAIT_OBJECT_0) break;
    }
    ASSERT_NE(window_, nullptr) << "no window titled German to Russian; exit code " << ExitCode();
  }
  void TearDown() override {
    if (process_.hProcess) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
  }
  DWORD ExitCode() {
    if (WaitForSingleObject(process_.hProcess, 15000) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

TEST_F(KorvelProcessTest, StartsTopMostAndExitsWithTwoAfterCancel) {
  EXPECT_TRUE(GetWindowLongPtrW(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  PostMessageW(GetDlgItem(window_, IDC_CANCEL), BM_CLICK, 0, 0);
  EXPECT_EQ(ExitCode(), 2u);
}

TEST_F(KorvelProcessTest, ExitsWithTwoAfterTheCloseBox) {
  PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(ExitCode(), 2u);
}

// Someone who can drop a file into the folder Korvel.exe is started from
// (Downloads, say) names it like a system library that is no KnownDLL. Wine
// is told, for Korvel.exe, to prefer a native file of that name, found as
// Windows finds one: beside the program first. Korvel must load the system's
// library anyway. (Wine takes WINEDLLOVERRIDES from its first process only,
// so the override goes through the registry.)
constexpr wchar_t kKorvelOverrides[] = L"Software\\Wine\\AppDefaults\\Korvel.exe\\DllOverrides";

struct PlantedLibrary {
  const char* testName;
  const wchar_t* file;
  const wchar_t* wineName;
  DWORD exitCode;  // what the planted library ends the process with
};

class PlantedLibraryTest : public KorvelProcessTest, public ::testing::WithParamInterface<PlantedLibrary> {
 protected:
  void SetUp() override {
    wchar_t temporary[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temporary);
    folder_ = std::wstring(temporary) + L"korvel-planted-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder_.c_str(), nullptr);
    marker_ = folder_ + L"planted-library-ran";
    const std::wstring program = folder_ + L"Korvel.exe";
    ASSERT_TRUE(CopyFileW(KorvelExecutablePath().c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(ProgramBeside((std::wstring(L"planted\\") + GetParam().file).c_str()).c_str(),
                          (folder_ + GetParam().file).c_str(), FALSE));
    const wchar_t nativeFirst[] = L"native,builtin";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kKorvelOverrides, GetParam().wineName, REG_SZ, nativeFirst,
                              sizeof(nativeFirst)),
              ERROR_SUCCESS);
    SetEnvironmentVariableW(L"KORVEL_PLANTED_MARKER", marker_.c_str());
    Start(program);
  }
  void TearDown() override {
    KorvelProcessTest::TearDown();
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kKorvelOverrides, GetParam().wineName);
    for (const std::wstring& file : {folder_ + L"Korvel.exe", folder_ + GetParam().file, marker_}) {
      DeleteFileW(file.c_str());
    }
    RemoveDirectoryW(folder_.c_str());
  }

  std::wstring folder_;
  std::wstring marker_;
};

TEST_P(PlantedLibraryTest, IsNotLoadedAndKorvelWorks) {
  EXPECT_EQ(GetFileAttributesW(marker_.c_str()), INVALID_FILE_ATTRIBUTES) << "the planted library ran";
  HWND editor = GetDlgItem(window_, IDC_EDITOR);
  ASSERT_NE(editor, nullptr) << "no editor: the rich edit library was not loaded";
  wchar_t className[32] = {};
  GetClassNameW(editor, className, 32);
  EXPECT_STREQ(className, L"RichEdit20W");
  EXPECT_EQ(IsDlgButtonChecked(window_, IDC_TOP_POS), BST_CHECKED) << "start-up ended early";
  PostMessageW(GetDlgItem(window_, IDC_CANCEL), BM_CLICK, 0, 0);
  EXPECT_EQ(ExitCode(), 2u);
}

INSTANTIATE_TEST_SUITE_P(SystemLibraries, PlantedLibraryTest,
                         ::testing::Values(PlantedLibrary{"RichEdit", L"RICHED32.DLL", L"riched32", 77},
                                           PlantedLibrary{"CommonControls", L"COMCTL32.DLL", L"comctl32", 78}),
                         [](const auto& info) { return std::string(info.param.testName); });

}  // namespace
