#include "testsupport/posix/signals.h"

#include <signal.h>
#include <sys/types.h>

namespace testsupport {
namespace posix {

int signalNumber(Signal signal) {
  switch (signal) {
    case Signal::kTerminate: return SIGTERM;
    case Signal::kHangUp: return SIGHUP;
    case Signal::kInterrupt: return SIGINT;
    case Signal::kKill: return SIGKILL;
    case Signal::kSegmentationFault: return SIGSEGV;
  }
  return SIGTERM;
}

bool sendSignal(long processId, Signal signal) {
  return ::kill(static_cast<pid_t>(processId), signalNumber(signal)) == 0;
}

}  // namespace posix
}  // namespace testsupport
