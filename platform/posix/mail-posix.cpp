// The desktop's mail composer. xdg-email picks the user's mail program and
// opens its compose window; when it is missing or finds no program, Thunderbird
// is asked directly. Composers are started in a session of their own with
// /dev/null as their standard streams: they outlive the converter and must
// hold none of its pipes open.
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/mail.h"
#include "platform/posix/exec_support.h"
#include "platform/process.h"

extern char** environ;

namespace platform {

namespace {

// xdg-email returns once the mail program has the message, which takes a
// moment when the program has to start first.
constexpr int kXdgEmailWaitMs = 30000;
// Thunderbird's -compose returns at once when Thunderbird is running, and
// otherwise becomes the running Thunderbird: it is only watched long enough
// to see whether it failed to start.
constexpr int kThunderbirdWatchMs = 3000;
constexpr int kPollMs = 20;
constexpr int kStillRunning = -2;
constexpr int kNotStarted = -1;

// Starts the program and waits at most waitMs for it: its exit code,
// kStillRunning when it has not ended by then, kNotStarted when it could not
// be started.
int runComposer(const std::vector<std::string>& arguments, int waitMs) {
  std::string program = posix::findProgram(arguments[0]);
  if (program.empty()) return kNotStarted;
  posix::ExecArguments argv(arguments);
  int status[2];
  if (pipe2(status, O_CLOEXEC) != 0) return kNotStarted;
  int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  pid_t child = fork();
  if (child < 0) {
    ::close(status[0]);
    ::close(status[1]);
    if (null >= 0) ::close(null);
    return kNotStarted;
  }
  if (child == 0) {
    setsid();
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
    }
    posix::resetSignalsInChild();
    execve(program.c_str(), argv.argv(), environ);
    posix::reportExecFailure(status[1], errno);
  }
  ::close(status[1]);
  if (null >= 0) ::close(null);
  int execError = posix::readExecStatus(status[0]);
  ::close(status[0]);
  if (execError != 0) {
    int ignored;
    while (waitpid(child, &ignored, 0) < 0 && errno == EINTR) {
    }
    return kNotStarted;
  }
  for (int waited = 0; waited <= waitMs; waited += kPollMs) {
    int result = 0;
    pid_t done = waitpid(child, &result, WNOHANG);
    if (done == child) return WIFEXITED(result) ? WEXITSTATUS(result) : 128 + WTERMSIG(result);
    if (done < 0 && errno != EINTR) return kStillRunning;
    sleepMilliseconds(kPollMs);
  }
  // Still busy with the user's message: left running, and reaped by init
  // once the converter has ended.
  return kStillRunning;
}

bool keptInUrl(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~' || c == '/';
}

// Percent-encoding as Thunderbird's -compose values take it: commas and
// quotes inside a value would otherwise end it.
std::string percentEncoded(const std::string& text) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (keptInUrl(c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kDigits[c >> 4];
      out += kDigits[c & 0x0f];
    }
  }
  return out;
}

MailOutcome throughXdgEmail(const MailMessage& message) {
  int code = runComposer({"xdg-email", "--subject", message.subject, "--attach", message.attachment},
                         kXdgEmailWaitMs);
  // Any failure (3: no mail program found, 4: it failed) leaves the next way.
  return code == 0 || code == kStillRunning ? MailOutcome::kHandedOver : MailOutcome::kNotAvailable;
}

MailOutcome throughThunderbird(const MailMessage& message) {
  std::string attachment = message.attachment;
  if (!attachment.empty() && attachment[0] != '/') attachment = currentDirectory() + "/" + attachment;
  std::string fields = "subject=" + percentEncoded(message.subject) +
                       ",attachment=" + percentEncoded(attachment);
  int code = runComposer({"thunderbird", "-compose", fields}, kThunderbirdWatchMs);
  return code == 0 || code == kStillRunning ? MailOutcome::kHandedOver : MailOutcome::kNotAvailable;
}

}  // namespace

struct MailWays::State {};

MailWays::MailWays() : state_(new State) {}
MailWays::~MailWays() = default;

int MailWays::count() const { return 2; }

MailOutcome MailWays::tryWay(int index, const MailMessage& message) {
  if (index == 0) return throughXdgEmail(message);
  if (index == 1) return throughThunderbird(message);
  return MailOutcome::kNotAvailable;
}

}  // namespace platform
