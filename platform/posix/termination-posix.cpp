// Termination signals handled on a thread of their own: the signals are
// blocked in the installing thread (and so in every thread started after
// it) and a waiter takes them with sigwait, where the handler may do
// anything a normal thread may, unlike a signal handler.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <mutex>
#include <thread>

#include "platform/termination.h"

namespace platform {

namespace {

TerminationHandler volatile gHandler = nullptr;

sigset_t terminationSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  sigaddset(&set, SIGINT);
  return set;
}

}  // namespace

void installTerminationHandler(TerminationHandler handler) {
  static std::once_flag once;
  gHandler = handler;
  std::call_once(once, [] {
    sigset_t set = terminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    try {
      std::thread([set] {
        for (;;) {
          int sig = 0;
          if (sigwait(&set, &sig) != 0) continue;
          TerminationHandler current = gHandler;
          if (current) current(sig);
          _exit(0);
        }
      }).detach();
    } catch (...) {
      // Without the waiter the signals would stay blocked for good.
      pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    }
  });
}

}  // namespace platform
