#include "monitor/win32/monitor_log.h"

#include <windows.h>

#include <cstdio>

namespace vellora {
namespace monitor {

std::string monitorLogPath() {
  char folder[MAX_PATH + 1] = {};
  UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
  if (length == 0 || length > MAX_PATH) return kMonitorLogName;
  std::string path = folder;
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path + kMonitorLogName;
}

void monitorLog(const std::string& line) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u [%lu] ", now.wYear, now.wMonth,
                now.wDay, now.wHour, now.wMinute, now.wSecond,
                static_cast<unsigned long>(GetCurrentProcessId()));
  // One line, whatever the text holds.
  std::string text = stamp;
  for (char c : line) text += (c == '\r' || c == '\n') ? ' ' : c;
  text += "\r\n";
  OutputDebugStringA(text.c_str());

  const std::string path = monitorLogPath();
  // Appending writes are atomic per call, so processes sharing the file
  // never interleave within a line.
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER size = {};
  if (GetFileSizeEx(file, &size) && static_cast<unsigned long long>(size.QuadPart) > kMonitorLogLimit) {
    CloseHandle(file);
    file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
  }
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace monitor
}  // namespace vellora
