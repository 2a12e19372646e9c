// Which process serves a local socket or a loopback port, found through
// /proc: how the platform controls a daemon that no service manager runs,
// and how tests find a server that was restarted behind their back.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform {
namespace posix {

// The process listening on the local (Unix domain) socket at path; 0 when
// no process does. When several share it, the one with the lowest id.
pid_t processListeningOnSocket(const std::string& path);
// The process listening on a TCP port of the loopback or any address; 0
// when none.
pid_t processListeningOnPort(int port);

// What a running process was started with, read from /proc; false when the
// process is gone or may not be inspected.
struct ProcessStart {
  std::vector<std::string> arguments;
  std::vector<std::string> environment;  // NAME=value entries
  std::string executable;                // the program file
  std::string directory;                 // its current folder
};
bool readProcessStart(pid_t pid, ProcessStart* start);

// Whether the process still exists and has not ended (a zombie counts as ended).
bool processAlive(pid_t pid);

}  // namespace posix
}  // namespace platform
