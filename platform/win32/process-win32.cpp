// Child processes, the environment and sleeping on Windows.
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

void closeHandle(HANDLE* handle) {
  if (*handle != nullptr && *handle != INVALID_HANDLE_VALUE) CloseHandle(*handle);
  *handle = nullptr;
}

// Windows keeps names like "=C:" (per-drive current folders) in the
// environment; a name with "=" in it cannot be set or read as a variable.
bool validName(const std::string& name) {
  return !name.empty() && name.find('=') == std::string::npos;
}

// One job object holds every child started with endWithCaller. Closing its
// last handle, which the system does when this process ends in any way,
// ends them all, with whatever they started.
HANDLE ownedChildrenJob() {
  static HANDLE job = [] {
    HANDLE created = CreateJobObjectA(nullptr, nullptr);
    if (created == nullptr) return created;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits)) {
      CloseHandle(created);
      return static_cast<HANDLE>(nullptr);
    }
    return created;
  }();
  return job;
}

}  // namespace

struct ChildProcess::State {
  HANDLE process = nullptr;
  HANDLE output = nullptr;  // the read end of the pipe, when captured
  HANDLE input = nullptr;   // the write end of the child's standard input, when fed
  bool done = false;
  int exitCode = 0;

  ~State() { closeAll(); }
  void closeAll() {
    closeHandle(&process);
    closeHandle(&output);
    closeHandle(&input);
  }
};

ChildProcess::ChildProcess() : state_(std::make_unique<State>()) {}

ChildProcess::~ChildProcess() = default;

// Children inherit every inheritable handle of the process at the moment
// they are made. The ends of a pipe meant for one child are inheritable from
// its creation until the child has its copies and ours are closed; a child
// started meanwhile on another thread (a utility started ahead beside the
// interpreter) would take them too and hold the pipe open: the reader never
// sees its end. One start at a time.
static std::mutex& startLock() {
  static std::mutex lock;
  return lock;
}

bool ChildProcess::start(const std::string& commandLine, const StartOptions& options) {
  std::lock_guard<std::mutex> oneStartAtATime(startLock());
  state_->closeAll();
  state_->done = false;
  state_->exitCode = 0;

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (options.hideWindow) {
    startup.dwFlags |= STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }

  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  HANDLE input = nullptr;
  if (options.captureOutput) {
    SECURITY_ATTRIBUTES inheritable = {};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    // Standard input reads as empty rather than being no handle at all,
    // which some console programs do not survive.
    input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (input == INVALID_HANDLE_VALUE) input = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
      const DWORD error = GetLastError();
      closeHandle(&input);
      SetLastError(error);
      return false;
    }
    // Only the write end belongs to the child; an inherited read end would
    // keep the pipe from ever reporting its end.
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
  }

  HANDLE fedRead = nullptr;
  HANDLE fedWrite = nullptr;
  if (options.feedInput) {
    SECURITY_ATTRIBUTES inheritable = {};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    if (!CreatePipe(&fedRead, &fedWrite, &inheritable, 0)) {
      const DWORD error = GetLastError();
      closeHandle(&input);
      closeHandle(&readEnd);
      closeHandle(&writeEnd);
      SetLastError(error);
      return false;
    }
    // Only the read end belongs to the child; an inherited write end would
    // keep it from ever reading the end of its input.
    SetHandleInformation(fedWrite, HANDLE_FLAG_INHERIT, 0);
    closeHandle(&input);
    input = fedRead;
    if (!options.captureOutput) {
      startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
      startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = input;
  }

  // CreateProcessA may write into the command line.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  // The pipe reaches the child only through inheritance.
  const BOOL inherit =
      options.inheritHandles || options.captureOutput || options.feedInput ? TRUE : FALSE;
  const char* directory =
      options.currentDirectory.empty() ? nullptr : options.currentDirectory.c_str();

  PROCESS_INFORMATION info = {};
  HANDLE job = options.endWithCaller ? ownedChildrenJob() : nullptr;
  // Suspended until it is in the job, so that nothing it starts escapes.
  const DWORD flags = job != nullptr ? CREATE_SUSPENDED : 0;
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, inherit, flags,
                                      nullptr, directory, &startup, &info);
  const DWORD error = GetLastError();
  // The child holds its own copy of the write end now; ours must go so that
  // reading ends when the child (and everything it started) has finished.
  closeHandle(&writeEnd);
  closeHandle(&input);
  if (!started) {
    closeHandle(&readEnd);
    closeHandle(&fedWrite);
    SetLastError(error);
    return false;
  }
  if (job != nullptr) {
    AssignProcessToJobObject(job, info.hProcess);
    ResumeThread(info.hThread);
  }
  CloseHandle(info.hThread);
  state_->process = info.hProcess;
  state_->output = readEnd;
  state_->input = fedWrite;
  return true;
}

bool ChildProcess::writeInput(const std::string& data) {
  if (state_->input == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  std::size_t done = 0;
  while (done < data.size()) {
    DWORD written = 0;
    if (!WriteFile(state_->input, data.data() + done, static_cast<DWORD>(data.size() - done),
                   &written, nullptr))
      return false;
    done += written;
  }
  return true;
}

void ChildProcess::closeInput() { closeHandle(&state_->input); }

int ChildProcess::readOutput(char* buffer, int size) {
  if (state_->output == nullptr || buffer == nullptr || size <= 0) return 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(state_->output, buffer, static_cast<DWORD>(size), &got, nullptr)) return 0;
    // A zero-length write on the other end reads as zero bytes without
    // being the end of the output.
    if (got > 0) return static_cast<int>(got);
  }
}

int ChildProcess::readOutputWithin(char* buffer, int size, int timeoutMilliseconds) {
  if (state_->output == nullptr || buffer == nullptr || size <= 0) return 0;
  // Anonymous pipes have no waitable read: look at what is there.
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMilliseconds);
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(state_->output, nullptr, 0, nullptr, &available, nullptr)) return 0;
    if (available > 0) return readOutput(buffer, size);
    if (GetTickCount64() >= deadline) return kReadTimedOut;
    Sleep(10);
  }
}

WaitResult ChildProcess::wait(int timeoutMilliseconds) {
  if (state_->done) return kWaitDone;
  if (state_->process == nullptr) return kWaitFailed;
  const DWORD timeout =
      timeoutMilliseconds < 0 ? INFINITE : static_cast<DWORD>(timeoutMilliseconds);
  switch (WaitForSingleObject(state_->process, timeout)) {
    case WAIT_OBJECT_0: {
      DWORD code = 0;
      if (!GetExitCodeProcess(state_->process, &code)) return kWaitFailed;
      state_->exitCode = static_cast<int>(code);
      state_->done = true;
      return kWaitDone;
    }
    case WAIT_TIMEOUT:
      return kWaitTimeout;
    default:
      return kWaitFailed;
  }
}

int ChildProcess::exitCode() const { return state_->exitCode; }

void ChildProcess::kill() {
  if (state_->process != nullptr && !state_->done) TerminateProcess(state_->process, 1);
}

long ChildProcess::id() const {
  return state_->process != nullptr ? static_cast<long>(GetProcessId(state_->process)) : -1;
}

void stopOwnedChildren() {
  HANDLE job = ownedChildrenJob();
  if (job != nullptr) TerminateJobObject(job, 1);
}

bool ChildProcess::running() const {
  return state_->process != nullptr && !state_->done &&
         WaitForSingleObject(state_->process, 0) == WAIT_TIMEOUT;
}

std::string programCommandLine(int, char**) {
  // The C runtime's argv loses the quotes and blanks the caller typed.
  const char* line = GetCommandLineA();
  return commandLineTail(line ? line : "");
}

bool getEnvironment(const std::string& name, std::string* value) {
  if (!validName(name)) return false;
  std::string buffer(256, '\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length =
        GetEnvironmentVariableA(name.c_str(), &buffer[0], static_cast<DWORD>(buffer.size()));
    if (length == 0 && GetLastError() != ERROR_SUCCESS) return false;
    if (length < buffer.size()) {
      buffer.resize(length);
      if (value != nullptr) *value = std::move(buffer);
      return true;
    }
    // Too small: length is the size needed, terminator included.
    buffer.assign(length, '\0');
  }
  return false;
}

bool getEnvironmentIgnoreCase(const std::string& name, std::string* value) {
  // Windows matches environment names without regard to case anyway.
  return getEnvironment(name, value);
}

bool setEnvironment(const std::string& name, const std::string& value) {
  if (!validName(name)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  // The C runtime keeps its own copy for getenv. It cannot hold an empty
  // value (it removes the variable instead, from the process environment
  // too), so it goes first and the process environment gets the real value
  // after it.
  _putenv_s(name.c_str(), value.c_str());
  return SetEnvironmentVariableA(name.c_str(), value.c_str()) != FALSE;
}

bool unsetEnvironment(const std::string& name) {
  if (!validName(name)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  _putenv_s(name.c_str(), "");
  if (SetEnvironmentVariableA(name.c_str(), nullptr)) return true;
  return GetLastError() == ERROR_ENVVAR_NOT_FOUND;
}

void sleepMilliseconds(int milliseconds) {
  Sleep(milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds));
}

std::string findProgramPath(const std::string& name) {
  if (name.empty()) return std::string();
  char found[MAX_PATH];
  const DWORD length = SearchPathA(nullptr, name.c_str(), ".exe", MAX_PATH, found, nullptr);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return std::string(found, length);
}

}  // namespace platform
