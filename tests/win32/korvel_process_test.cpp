// The real Korvel.exe as its own process: it opens its top-most dialog and
// exits with the dialog's result.
#include <windows.h>

#include <gtest/gtest.h>

#include "korvel_executable.h"
#include "resource.h"

namespace {

class KorvelProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::wstring commandLine = L"\"" + KorvelExecutablePath() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    ASSERT_TRUE(
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_));
    const ULONGLONG deadline = GetTickCount64() + 30000;
    while (!(window_ = FindVisibleWindow(process_.dwProcessId, L"German to Russian")) && GetTickCount64() < deadline)
      Sleep(50);
    ASSERT_NE(window_, nullptr) << "no window titled German to Russian";
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

}  // namespace
