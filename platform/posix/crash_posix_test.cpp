#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "platform/crash.h"
#include "testsupport/posix/file_modes.h"
#include "testsupport/fresh_machine.h"

namespace {

// Preallocated, as a real handler must do.
char gReportPath[512];

void writeCode(int code) {
  char text[16];
  unsigned value = static_cast<unsigned>(code);
  for (int i = 7; i >= 0; --i, value >>= 4) text[i] = "0123456789ABCDEF"[value & 0xF];
  platform::writeFileFromCrashHandler(gReportPath, text, 8);
}

// The faults are meant: keep the undefined-behaviour sanitizer from
// stopping them before the signal does.
__attribute__((no_sanitize_undefined)) void touchNull() {
  volatile int* volatile nowhere = nullptr;
  *nowhere = 1;
}

__attribute__((no_sanitize_undefined)) void divideByZero() {
  volatile int zero = 0;
  volatile int seven = 7;
  volatile int result = seven / zero;
  (void)result;
}

void faultingHandler(int) { touchNull(); }

volatile int gNeverReached = -1;

int recurse(int depth) {
  if (depth == gNeverReached) return 0;
  volatile char pad[1024];
  pad[0] = static_cast<char>(depth);
  return recurse(depth + 1) + pad[0];
}

enum class Fault { kNull, kDivide, kAbort, kOverflow, kFaultInHandler };

// Runs the fault in a child; returns its wait status.
int crashChild(Fault fault) {
  pid_t pid = fork();
  if (pid == 0) {
    platform::installCrashHandler(fault == Fault::kFaultInHandler ? faultingHandler : writeCode);
    switch (fault) {
      case Fault::kNull:
      case Fault::kFaultInHandler:
        touchNull();
        break;
      case Fault::kDivide:
        divideByZero();
        break;
      case Fault::kAbort:
        std::abort();
      case Fault::kOverflow:
        recurse(0);
        break;
    }
    _exit(0);
  }
  int status = -1;
  waitpid(pid, &status, 0);
  return status;
}

class Crash : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    std::string path = machine.path("crash.txt");
    std::strncpy(gReportPath, path.c_str(), sizeof gReportPath - 1);
  }
  std::string report() { return testsupport::readFile(gReportPath); }
};

TEST_F(Crash, FaultsReachTheHandlerWithWindowsCodes) {
  struct Case {
    Fault fault;
    const char* code;
  } cases[] = {
      {Fault::kNull, "C0000005"},
      {Fault::kDivide, "C0000094"},
      {Fault::kAbort, "C0000409"},
      {Fault::kOverflow, "C0000005"},  // caught on the alternate stack
  };
  for (const auto& c : cases) {
    platform::deleteFileFromCrashHandler(gReportPath);
    int status = crashChild(c.fault);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << c.code << " status " << status;
    EXPECT_EQ(report(), c.code);
  }
}

TEST_F(Crash, AFaultInsideTheHandlerEndsTheProcess) {
  int status = crashChild(Fault::kFaultInHandler);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGSEGV);
}

TEST_F(Crash, SignalSafeFileHelpers) {
  EXPECT_TRUE(platform::writeFileFromCrashHandler(gReportPath, "abc", 3));
  EXPECT_EQ(report(), "abc");
  EXPECT_EQ(testsupport::posix::permissionBits(gReportPath), 0600) << "the log is the user's alone";
  // A file of its own: what is at the path already is left as it is.
  EXPECT_FALSE(platform::writeFileFromCrashHandler(gReportPath, "x", 1));
  EXPECT_EQ(report(), "abc");
  platform::deleteFileFromCrashHandler(gReportPath);
  EXPECT_EQ(report(), "");
  EXPECT_TRUE(platform::writeFileFromCrashHandler(gReportPath, "x", 1));
  EXPECT_EQ(report(), "x");
  EXPECT_FALSE(platform::writeFileFromCrashHandler(machine.path("no/dir/f").c_str(), "x", 1));

  // A link someone left in a shared folder is never written through.
  const std::string victim = machine.path("victim");
  testsupport::writeFile(victim, "someone's file");
  const std::string link = machine.path("planted.log");
  ASSERT_EQ(symlink(victim.c_str(), link.c_str()), 0);
  EXPECT_FALSE(platform::writeFileFromCrashHandler(link.c_str(), "crash", 5));
  EXPECT_EQ(testsupport::readFile(victim), "someone's file");
}

}  // namespace
