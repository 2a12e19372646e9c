// Pieces shared by the POSIX code that starts programs (child processes and
// the desktop's opener): finding the program and preparing what exec needs
// before fork, since the child of a threaded process may only make
// async-signal-safe calls.
#pragma once

#include <string>
#include <vector>

namespace platform {
namespace posix {

// The program to execute: a name with a "/" as given, otherwise the first
// executable file of that name on PATH. Empty (errno set) when there is none.
std::string findProgram(const std::string& name);

// argv for exec, owning its strings.
class ExecArguments {
 public:
  explicit ExecArguments(const std::vector<std::string>& arguments);
  char* const* argv() { return pointers_.data(); }

 private:
  std::vector<std::string> strings_;
  std::vector<char*> pointers_;
};

// In the child after fork: default signal handling and an empty signal mask,
// so the program starts as if from a fresh shell.
void resetSignalsInChild();

// In the child after fork: closes every descriptor from 3 on except keep
// (-1: none), so that the program holds nothing of its parent's but what
// it is handed on 0, 1 and 2. keep is meant for a close-on-exec status pipe.
void closeDescriptorsAboveStandard(int keep);

// In the child after fork: reports errno through the status pipe and ends.
[[noreturn]] void reportExecFailure(int statusFd, int code);

// In the parent: waits for the status pipe to close; 0 when exec succeeded,
// the child's errno otherwise.
int readExecStatus(int statusFd);

// Starts a program that outlives us: through a short-lived middle process,
// so that it is adopted by init and never lingers as a zombie of ours, in a
// session of its own, with /dev/null as its standard streams so that it
// holds none of our pipes open. environment nullptr keeps ours; directory
// empty keeps ours. Returns 0 once the program runs, else the errno of the
// failed step.
int startDetached(const std::string& program, const std::vector<std::string>& arguments,
                  const std::vector<std::string>* environment, const std::string& directory);

}  // namespace posix
}  // namespace platform
