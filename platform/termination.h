// Requests from outside to end the program: SIGTERM, SIGHUP and SIGINT on
// POSIX; Ctrl+C, Ctrl+Break, closing the console, logoff and shutdown on
// Windows. Without a handler they end the process on the spot, leaving its
// children and files behind; with one, the program ends the way it ends a
// failed job.
#pragma once

namespace platform {

// Called on a thread of its own with the request (the signal number, or the
// console event code on Windows). It is expected to end the process; should
// it return, the process ends with code 0.
using TerminationHandler = void (*)(int request);

// Installs the handler for the rest of the process's life (call it early,
// before other threads are started).
void installTerminationHandler(TerminationHandler handler);

}  // namespace platform
