// The last resort for a crashing process.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// Called on the crashing thread with the exception code (Windows exception
// codes; POSIX fatal signals are mapped onto them: SIGSEGV 0xC0000005, SIGBUS
// 0x80000002, SIGFPE 0xC0000094, SIGILL 0xC000001D, SIGABRT 0xC0000409).
// On POSIX it runs inside a signal handler: it may only touch preallocated
// memory and call the signal-safe functions below. The process ends when it
// returns (exit status 3 on POSIX, the status abort() gives on Windows).
using CrashHandler = void (*)(int exceptionCode);

void installCrashHandler(CrashHandler handler);
void removeCrashHandler();

// Signal-safe whole-file write of a new file (created exclusively, never
// through a symbolic link, readable by its owner only); false when anything
// is at the path already or the file cannot be written.
bool writeFileFromCrashHandler(const char* path, const char* data, std::size_t size);
// Signal-safe delete.
void deleteFileFromCrashHandler(const char* path);
// A crashed process may not safely show windows or open connections; it
// starts a fresh copy of its own program for that instead. The helper is this
// program's executable with `arguments`, followed by one more argument given
// at the time of the crash. Prepared beforehand (it allocates); false when the
// program's own file cannot be found.
bool prepareCrashHelper(const std::vector<std::string>& arguments);
// Signal-safe: starts the prepared helper with `lastArgument` appended, with
// default signal handling, and waits until it ends. False when none was
// prepared or it could not be started.
bool runCrashHelper(const char* lastArgument);
// Ends the process at once with the code, without running destructors.
[[noreturn]] void exitProcessImmediately(int code);

}  // namespace platform
