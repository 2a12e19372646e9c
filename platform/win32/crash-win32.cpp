// The last resort for a crashing process on Windows: the unhandled-exception
// filter, and abort() through the C runtime's SIGABRT.
#include <csignal>
#include <cstddef>

#include "platform/crash.h"
#include "platform/process.h"
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

// The crash helper's command line: the program and its fixed arguments, with
// room behind them for the argument given at the crash, which is written in
// place without allocating.
constexpr std::size_t kHelperLineCapacity = 4096;
char helperLine[kHelperLineCapacity];
std::size_t helperPrefix = 0;
char helperProgram[MAX_PATH + 1];

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
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
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

bool prepareCrashHelper(const std::vector<std::string>& arguments) {
  char self[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  std::string line = quoteArgumentAlways(self);
  for (const std::string& argument : arguments) line += " " + quoteArgument(argument);
  line += " ";
  if (line.size() >= kHelperLineCapacity / 2) return false;
  helperPrefix = 0;
  for (std::size_t i = 0; i <= n; ++i) helperProgram[i] = self[i];
  for (char c : line) helperLine[helperPrefix++] = c;
  helperLine[helperPrefix] = '\0';
  return true;
}

bool runCrashHelper(const char* lastArgument) {
  if (helperPrefix == 0) return false;
  // Windows paths hold no double quotes, so quoting the argument whole is
  // enough; a trailing backslash is doubled so it does not escape the quote.
  std::size_t at = helperPrefix;
  helperLine[at++] = '"';
  for (const char* c = lastArgument; *c != '\0' && at + 3 < kHelperLineCapacity; ++c)
    helperLine[at++] = *c;
  if (at > helperPrefix + 1 && helperLine[at - 1] == '\\') helperLine[at++] = '\\';
  helperLine[at++] = '"';
  helperLine[at] = '\0';
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(helperProgram, helperLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

void exitProcessImmediately(int code) {
  // TerminateProcess runs nothing of the process, not even DLL detach code.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
  ExitProcess(static_cast<UINT>(code));
}

}  // namespace platform
