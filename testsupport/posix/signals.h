// Signals sent to another process by name, for the POSIX-only tests that
// end a job from outside the way a user, a shutdown or a crash would.
#pragma once

namespace testsupport {
namespace posix {

enum class Signal { kTerminate, kHangUp, kInterrupt, kKill, kSegmentationFault };

// The signal's number on this system.
int signalNumber(Signal signal);
// Sends the signal to the process; false (errno set) on failure.
bool sendSignal(long processId, Signal signal);

}  // namespace posix
}  // namespace testsupport
