// Fatal signals turned into the crash handler's call. The handler runs on an
// alternate stack so that a stack overflow reaches it too, and each signal is
// reset to its default on delivery so a fault inside the handler ends the
// process instead of looping. The alternate stack belongs to the installing
// thread (the converter's main thread); a stack overflow on another thread
// ends the process by the default action.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/crash.h"
#include "platform/posix/exec_support.h"

namespace platform {

namespace {

struct Mapping {
  int signal;
  int code;
};

const Mapping kMappings[] = {
    {SIGSEGV, static_cast<int>(0xC0000005u)},  // access violation
    {SIGBUS, static_cast<int>(0x80000002u)},   // datatype misalignment
    {SIGFPE, static_cast<int>(0xC0000094u)},   // integer divide by zero
    {SIGILL, static_cast<int>(0xC000001Du)},   // illegal instruction
    {SIGABRT, static_cast<int>(0xC0000409u)},  // stack buffer overrun / fail fast
};
constexpr int kMappingCount = sizeof kMappings / sizeof kMappings[0];
constexpr int kCrashExitCode = 3;

volatile sig_atomic_t gInstalled = 0;
CrashHandler volatile gHandler = nullptr;
struct sigaction gPrevious[kMappingCount];
void* gAlternateStack = nullptr;

void onFatalSignal(int sig) {
  int code = 0;
  for (const auto& m : kMappings)
    if (m.signal == sig) code = m.code;
  CrashHandler handler = gHandler;
  if (handler) handler(code);
  _exit(kCrashExitCode);
}

// The crash helper's program and arguments, with one free slot before the
// terminating null for the argument given at the crash.
std::string* gHelperProgram = nullptr;
std::vector<std::string>* gHelperStrings = nullptr;
std::vector<char*>* gHelperArgv = nullptr;

// fork() runs the handlers registered for it and takes the allocator's locks,
// neither of which a crashed process can afford; _Fork() is the bare system
// call.
pid_t forkFromHandler() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  return _Fork();
#else
  return fork();
#endif
}

}  // namespace

void installCrashHandler(CrashHandler handler) {
  gHandler = handler;
  if (!gAlternateStack) {
    const std::size_t size = 64 * 1024;
    gAlternateStack = std::malloc(size);
    if (gAlternateStack) {
      stack_t stack;
      stack.ss_sp = gAlternateStack;
      stack.ss_size = size;
      stack.ss_flags = 0;
      if (sigaltstack(&stack, nullptr) != 0) {
        std::free(gAlternateStack);
        gAlternateStack = nullptr;
      }
    }
  }
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = onFatalSignal;
  action.sa_flags = SA_ONSTACK | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < kMappingCount; ++i) {
    struct sigaction previous;
    sigaction(kMappings[i].signal, &action, &previous);
    if (!gInstalled) gPrevious[i] = previous;
  }
  gInstalled = 1;
}

void removeCrashHandler() {
  if (!gInstalled) return;
  for (int i = 0; i < kMappingCount; ++i) sigaction(kMappings[i].signal, &gPrevious[i], nullptr);
  gInstalled = 0;
  gHandler = nullptr;
}

bool writeFileFromCrashHandler(const char* path, const char* data, std::size_t size) {
  // The log may land in a folder others can write (the temporary folder):
  // a new file of our own, readable by us only, never a link someone put there.
  int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = true;
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0 && errno != EINTR) ok = false;
  return ok;
}

void deleteFileFromCrashHandler(const char* path) { ::unlink(path); }

bool prepareCrashHelper(const std::vector<std::string>& arguments) {
  char self[4096];
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return false;
  self[n] = '\0';
  // Kept for the life of the process: the handler may run at any time.
  auto* program = new std::string(self);
  auto* strings = new std::vector<std::string>(1, *program);
  strings->insert(strings->end(), arguments.begin(), arguments.end());
  auto* argv = new std::vector<char*>();
  for (std::string& s : *strings) argv->push_back(&s[0]);
  argv->push_back(nullptr);  // the crash's own argument goes here
  argv->push_back(nullptr);
  std::string* oldProgram = gHelperProgram;
  std::vector<std::string>* oldStrings = gHelperStrings;
  std::vector<char*>* oldArgv = gHelperArgv;
  gHelperArgv = nullptr;
  gHelperProgram = program;
  gHelperStrings = strings;
  gHelperArgv = argv;
  delete oldArgv;
  delete oldStrings;
  delete oldProgram;
  return true;
}

bool runCrashHelper(const char* lastArgument) {
  std::vector<char*>* argv = gHelperArgv;
  if (argv == nullptr || gHelperProgram == nullptr) return false;
  (*argv)[argv->size() - 2] = const_cast<char*>(lastArgument);
  pid_t child = forkFromHandler();
  if (child < 0) return false;
  if (child == 0) {
    posix::resetSignalsInChild();
    ::execv(gHelperProgram->c_str(), argv->data());
    _exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) != 127;
}

void exitProcessImmediately(int code) { _exit(code); }

}  // namespace platform
