// The last resort for a crashing process on Windows: the unhandled-exception
// filter, and abort() through the C runtime's SIGABRT.
#include <csignal>
#include <cstddef>

#include "platform/crash.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

// The stack-buffer-overrun status, which Windows itself reports for a
// fail-fast abort.
constexpr DWORD kAbortCode = 0xC0000409;
// The status abort() ends a process with; every crash ends with it, so the
// caller of a crashed program sees one code whatever the cause.
constexpr UINT kCrashExitCode = 3;
// Stack kept in reserve for the handler when the installing thread
// overflows its stack.
constexpr ULONG kHandlerStack = 64 * 1024;

volatile CrashHandler installed = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
void (*previousAbortHandler)(int) = SIG_DFL;
bool active = false;

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* exception) {
  const CrashHandler handler = installed;
  if (handler != nullptr) {
    installed = nullptr;  // a crash inside the handler must not loop
    handler(static_cast<int>(exception->ExceptionRecord->ExceptionCode));
  }
  TerminateProcess(GetCurrentProcess(), kCrashExitCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

void onAbort(int) {
  const CrashHandler handler = installed;
  if (handler != nullptr) {
    installed = nullptr;
    handler(static_cast<int>(kAbortCode));
  }
  TerminateProcess(GetCurrentProcess(), kCrashExitCode);
}

}  // namespace

void installCrashHandler(CrashHandler handler) {
  installed = handler;
  if (active) return;
  ULONG reserve = kHandlerStack;
  SetThreadStackGuarantee(&reserve);
  previousFilter = SetUnhandledExceptionFilter(onUnhandledException);
  previousAbortHandler = std::signal(SIGABRT, onAbort);
  if (previousAbortHandler == SIG_ERR) previousAbortHandler = SIG_DFL;
  active = true;
}

void removeCrashHandler() {
  installed = nullptr;
  if (!active) return;
  SetUnhandledExceptionFilter(previousFilter);
  std::signal(SIGABRT, previousAbortHandler);
  previousFilter = nullptr;
  previousAbortHandler = SIG_DFL;
  active = false;
}

bool writeFileFromCrashHandler(const char* path, const char* data, std::size_t size) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  while (size > 0) {
    const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
      ok = false;
      break;
    }
    data += written;
    size -= written;
  }
  if (!CloseHandle(file)) ok = false;
  return ok;
}

void deleteFileFromCrashHandler(const char* path) { DeleteFileA(path); }

void exitProcessImmediately(int code) {
  // TerminateProcess runs nothing of the process, not even DLL detach code.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
  ExitProcess(static_cast<UINT>(code));
}

}  // namespace platform
