// Console events that end the program (Ctrl+C, Ctrl+Break, closing the
// console, logoff, shutdown) reach the handler on the thread the system
// starts for them.
#include "platform/termination.h"
#include "platform/win32/windows_api.h"

namespace platform {

namespace {

TerminationHandler volatile gHandler = nullptr;

BOOL WINAPI onConsoleEvent(DWORD event) {
  TerminationHandler handler = gHandler;
  if (handler == nullptr) return FALSE;
  handler(static_cast<int>(event));
  ExitProcess(0);
  return TRUE;
}

}  // namespace

void installTerminationHandler(TerminationHandler handler) {
  static bool installed = false;
  gHandler = handler;
  if (!installed) installed = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != FALSE;
}

}  // namespace platform
