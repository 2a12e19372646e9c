#include "converter/backends/utility_runner.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "converter/backends/utility_commands.h"
#include "converter/job/job_helpers.h"
#include "common/text.h"
#include "converter/job/run_log.h"
#include "converter/ui/small_windows.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace vellora {

namespace {

constexpr std::size_t kUtilityOutputLimit = 4000;

// Reads the utility's output to its end and waits for it, all within the
// time limit. False when the limit passed first.
bool collectWithin(platform::ChildProcess& child, int timeoutMilliseconds, std::string* said) {
  const std::uint64_t deadline =
      platform::tickMilliseconds() + static_cast<std::uint64_t>(timeoutMilliseconds);
  auto left = [deadline]() {
    std::uint64_t now = platform::tickMilliseconds();
    return now >= deadline ? 0 : static_cast<int>(deadline - now);
  };
  char buffer[512];
  for (;;) {
    int n = child.readOutputWithin(buffer, sizeof buffer, left());
    if (n == platform::ChildProcess::kReadTimedOut) return false;
    if (n <= 0) break;
    if (said->size() < kUtilityOutputLimit) said->append(buffer, static_cast<std::size_t>(n));
  }
  return child.wait(left()) == platform::kWaitDone;
}

platform::StartOptions utilityOptions() {
  platform::StartOptions options;
  options.inheritHandles = true;
  options.hideWindow = true;
  // What the utility says goes into the error log, not onto the console of
  // whoever started the converter.
  options.captureOutput = true;
  options.endWithCaller = true;
  return options;
}

void logNotStarted(JobRecord& job, const std::string& commandLine) {
  appendLog(job.errorLog, "%s\nCould not start the PDF utility: %s\n%s\n", commandLine.c_str(),
            lastErrorText().c_str());
}

// Collects a started utility: its exit code, or 99 when it ran too long
// (it is stopped then); logs as runUtility says.
int collect(JobRecord& job, platform::ChildProcess& child, int timeoutMilliseconds) {
  int code;
  std::string said;
  if (collectWithin(child, timeoutMilliseconds, &said)) {
    code = child.exitCode();
  } else {
    // A utility left running could still write its output after the job has
    // moved on or been abandoned: stop it.
    child.kill();
    child.wait(platform::kWaitForever);
    code = kUtilityFailureTopmost;
  }
  if (code != kUtilityOk && !said.empty())
    appendLog(job.errorLog, "%s\nUtility Output:\n%s\n", withNewlines(said).c_str());
  appendLog(job.errorLog, "%s\nPro Ret Val: %d\n", code);
  return code;
}

}  // namespace

int runUtility(JobRecord& job, const std::string& commandLine, bool showStatus,
               const std::string& statusText, int timeoutMilliseconds) {
  std::unique_ptr<StatusWindow> status;
  if (showStatus) {
    platform::ui().setCursor(platform::Cursor::kWait);
    status = openStatusWindow(statusText);
  }

  platform::ChildProcess child;
  int code;
  if (!child.start(commandLine, utilityOptions())) {
    logNotStarted(job, commandLine);
    appendLog(job.errorLog, "%s\nPro Ret Val: %d\n", kUtilityNotStarted);
    code = kUtilityNotStarted;
  } else {
    code = collect(job, child, timeoutMilliseconds);
  }

  status.reset();
  if (showStatus) platform::ui().setCursor(platform::Cursor::kArrow);
  return code;
}

// The utility is started on a thread of its own: starting a program waits
// until it runs, and that wait is spent beside the caller, which goes on to
// start the interpreter meanwhile. The thread stays until the utility is
// done with: a child that ends with its caller ends with the thread that
// started it.
struct UtilityInWaiting::Waiting {
  platform::ChildProcess child;
  std::mutex mutex;
  std::condition_variable changed;
  bool tried = false;    // the start is over, started tells how it went
  bool started = false;
  bool done = false;     // the thread may go
  std::thread starter;

  void awaitStart() {
    std::unique_lock<std::mutex> hold(mutex);
    changed.wait(hold, [this] { return tried; });
  }
  void finish() {
    {
      std::lock_guard<std::mutex> hold(mutex);
      done = true;
    }
    changed.notify_all();
    if (starter.joinable()) starter.join();
  }
};

UtilityInWaiting::UtilityInWaiting(const std::string& commandLine) : commandLine_(commandLine) {
  const std::vector<std::string> words = platform::splitCommandLine(commandLine);
  if (words.empty()) return;
  const std::string toldLine =
      platform::quoteArgument(words[0]) + " --when-told " + platform::commandLineTail(commandLine);
  auto waiting = std::make_unique<Waiting>();
  Waiting* state = waiting.get();
  try {
    state->starter = std::thread([state, toldLine] {
      platform::StartOptions options = utilityOptions();
      options.feedInput = true;
      const bool started = state->child.start(toldLine, options);
      std::unique_lock<std::mutex> hold(state->mutex);
      state->started = started;
      state->tried = true;
      state->changed.notify_all();
      state->changed.wait(hold, [state] { return state->done; });
    });
  } catch (...) {
    return;  // no thread to be had: the utility is run when its time comes
  }
  waiting_ = std::move(waiting);
}

UtilityInWaiting::~UtilityInWaiting() {
  if (!waiting_) return;
  waiting_->awaitStart();
  // Its input ends: it ends without having done anything.
  if (waiting_->started) waiting_->child.closeInput();
  waiting_->finish();
}

int UtilityInWaiting::run(JobRecord& job, int timeoutMilliseconds) {
  std::unique_ptr<Waiting> waiting = std::move(waiting_);
  if (waiting) waiting->awaitStart();
  int code;
  if (waiting && waiting->started && waiting->child.writeInput("go\n")) {
    waiting->child.closeInput();
    code = collect(job, waiting->child, timeoutMilliseconds);
  } else {
    if (waiting && waiting->started) waiting->child.closeInput();
    code = runUtility(job, commandLine_, false, std::string(), timeoutMilliseconds);
  }
  if (waiting) waiting->finish();
  return code;
}

}  // namespace vellora
