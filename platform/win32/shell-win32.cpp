// Handing documents to the desktop through the shell's "open" verb.
#include <cstdint>
#include <string>

#include "platform/files.h"
#include "platform/shell.h"
#include "platform/win32/windows_api.h"

#include <objbase.h>
#include <shellapi.h>

namespace platform {

// The Windows shell prints through the associations of the system.
void setPrintRoute(PrintRoute) {}

bool shellOpen(const std::string& path) {
  // Some handlers are COM objects and need the calling thread in an
  // apartment; a thread that already has one keeps it.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const HINSTANCE result =
      ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_RESTORE);
  const DWORD error = GetLastError();
  if (SUCCEEDED(com)) CoUninitialize();
  // Values up to 32 are error codes, kept for compatibility with Windows 3.x.
  const bool ok = reinterpret_cast<std::intptr_t>(result) > 32;
  if (!ok) SetLastError(error != ERROR_SUCCESS ? error : ERROR_NO_ASSOCIATION);
  return ok;
}

bool startRegistryImport(const std::string& windowsFolder, const std::string& file) {
  const std::string program = windowsFolder + "\\regedit.exe";
  const std::string parameters = "/S " + file;
  const HINSTANCE result = ShellExecuteA(nullptr, nullptr, program.c_str(), parameters.c_str(), nullptr, SW_HIDE);
  return reinterpret_cast<std::intptr_t>(result) > 32;
}

int shellExecute(const ShellExecuteRequest& request, std::string* failure) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = request.mask;
  info.hwnd = nullptr;
  info.lpVerb = request.verb.empty() ? nullptr : request.verb.c_str();
  info.lpFile = request.file.c_str();
  info.lpParameters = request.parameters.empty() ? nullptr : request.parameters.c_str();
  info.lpDirectory = request.directory.empty() ? nullptr : request.directory.c_str();
  info.nShow = request.show;
  const BOOL done = ShellExecuteExA(&info);
  const DWORD error = GetLastError();
  if (SUCCEEDED(com)) CoUninitialize();
  int result = static_cast<int>(reinterpret_cast<std::intptr_t>(info.hInstApp));
  // A failed call with no instance value to tell why: report the error code's
  // nearest shell error.
  if (!done && result > 32) result = error == ERROR_NO_ASSOCIATION ? kSeErrNoAssociation : kSeErrDdeFail;
  if (result <= 32) {
    SetLastError(error);
    if (failure) *failure = "Cannot hand on " + request.file + ": " + errorText(static_cast<int>(error));
  }
  return result;
}

}  // namespace platform
