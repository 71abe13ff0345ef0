#include "window_reach.h"

namespace {

// The integrity level of a process's token; -1 when it cannot be read.
long IntegrityLevel(HANDLE process) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return -1;
  BYTE buffer[64] = {};
  DWORD size = 0;
  long level = -1;
  if (GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof(buffer), &size)) {
    const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
    level = static_cast<long>(*GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1));
  }
  CloseHandle(token);
  return level;
}

}  // namespace

bool IsBeyondReach(HWND window) {
  DWORD processId = 0;
  if (!window || !GetWindowThreadProcessId(window, &processId)) return false;
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
  const long theirs = IntegrityLevel(process);
  CloseHandle(process);
  // A token we may not even read is an elevated one.
  return theirs < 0 || theirs > IntegrityLevel(GetCurrentProcess());
}
