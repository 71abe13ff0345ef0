#include "notification_icon.h"

#include <cwchar>
#include <iterator>

namespace {

NOTIFYICONDATAW IconData(HWND window, HICON icon, const wchar_t* tip) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = window;
  data.uID = 1;
  data.uFlags = NIF_ICON | NIF_TIP;
  data.hIcon = icon;
  std::wcsncpy(data.szTip, tip, std::size(data.szTip) - 1);
  return data;
}

}  // namespace

bool AddNotificationIcon(HWND window, UINT callbackMessage, HICON icon, const wchar_t* tip) {
  NOTIFYICONDATAW data = IconData(window, icon, tip);
  data.uFlags |= NIF_MESSAGE;
  data.uCallbackMessage = callbackMessage;
  return Shell_NotifyIconW(NIM_ADD, &data);
}

void UpdateNotificationIcon(HWND window, HICON icon, const wchar_t* tip) {
  NOTIFYICONDATAW data = IconData(window, icon, tip);
  Shell_NotifyIconW(NIM_MODIFY, &data);
}

void ShowNotificationBalloon(HWND window, const wchar_t* title, const wchar_t* text) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = window;
  data.uID = 1;
  data.uFlags = NIF_INFO;
  data.dwInfoFlags = NIIF_WARNING;
  std::wcsncpy(data.szInfoTitle, title, std::size(data.szInfoTitle) - 1);
  std::wcsncpy(data.szInfo, text, std::size(data.szInfo) - 1);
  Shell_NotifyIconW(NIM_MODIFY, &data);
}

void RemoveNotificationIcon(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = window;
  data.uID = 1;
  Shell_NotifyIconW(NIM_DELETE, &data);
}
