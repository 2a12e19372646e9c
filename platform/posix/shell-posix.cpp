// The shell on POSIX: documents and programs are started detached, holding
// none of our pipes open (the shell on Windows hands over no handles either).
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <vector>

#include "platform/files.h"
#include "platform/posix/exec_support.h"
#include "platform/posix/shell_verbs.h"
#include "platform/process.h"
#include "platform/shell.h"

namespace platform {

namespace {

constexpr int kHandedOn = 42;  // any instance value above 32 means success

// Starts a program detached from us; 0 or the errno of the failed start.
int startDetached(const std::vector<std::string>& arguments, const std::string& directory) {
  if (arguments.empty() || arguments[0].empty()) return ENOENT;
  const std::string program = posix::findProgram(arguments[0]);
  if (program.empty()) return errno ? errno : ENOENT;
  return posix::startDetached(program, arguments, nullptr, directory);
}

int startResult(int code, const std::string& what, std::string* failure) {
  if (code == 0) return kHandedOn;
  setLastError(code);
  if (failure) *failure = "Cannot start " + what + ": " + errorText(code);
  if (code == ENOENT || code == ENOTDIR) return kSeErrFileNotFound;
  if (code == EACCES || code == EPERM) return kSeErrAccessDenied;
  if (code == ENOMEM) return kSeErrOutOfMemory;
  return kSeErrDdeFail;
}

int startCommandLine(const std::string& commandLine, const std::string& directory,
                     std::string* failure) {
  std::vector<std::string> arguments = splitCommandLine(commandLine);
  const std::string what = arguments.empty() ? commandLine : arguments[0];
  return startResult(startDetached(arguments, directory), what, failure);
}

std::string unquoted(const std::string& file) {
  if (file.size() >= 2 && file.front() == '"' && file.back() == '"')
    return file.substr(1, file.size() - 2);
  return file;
}

bool isProgram(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool sameVerb(const std::string& a, const char* b) {
  std::string::size_type i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (x != y) return false;
  }
  return i == a.size() && b[i] == '\0';
}

std::atomic<PrintRoute> gPrintRoute{nullptr};

// "printto" without an application of the document's own: the program's
// print route, if it has one.
int printWithoutApplication(const std::string& file, const std::string& parameters,
                            const std::string& directory, std::string* failure) {
  const PrintRoute route = gPrintRoute.load();
  if (!route) return kSeErrNoAssociation;
  std::vector<std::string> arguments = splitCommandLine("x " + parameters);
  const std::string printer = arguments.size() > 1 ? arguments[1] : std::string();
  return route(file, printer, directory, failure);
}

// A program started detached, with lastError() set when it could not be.
bool started(int code) {
  if (code != 0) setLastError(code);
  return code == 0;
}

std::string folderOfRunningProgram() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return std::string();
  path[n] = '\0';
  std::string program(path);
  return program.substr(0, program.rfind('/'));
}

}  // namespace

void setPrintRoute(PrintRoute route) { gPrintRoute = route; }

bool shellOpen(const std::string& path) { return started(startDetached({"xdg-open", path}, std::string())); }

bool startRegistryImport(const std::string&, const std::string& file) {
  const std::string beside = folderOfRunningProgram() + "/vlreg";
  const std::string program = ::access(beside.c_str(), X_OK) == 0 ? beside : "vlreg";
  return started(startDetached({program, "import", file}, std::string()));
}

int shellExecute(const ShellExecuteRequest& request, std::string* failure) {
  const std::string file = unquoted(request.file);
  if (!fileExists(file)) {
    setLastError(ENOENT);
    if (failure) *failure = "The file " + file + " does not exist.";
    return kSeErrFileNotFound;
  }
  const bool open = request.verb.empty() || sameVerb(request.verb, "open");
  if (open && isProgram(file)) {
    std::string commandLine = quoteArgument(file);
    if (!request.parameters.empty()) commandLine += " " + request.parameters;
    return startCommandLine(commandLine, request.directory, failure);
  }
  std::string command;
  if (posix::findVerbCommand(file, request.verb.empty() ? "open" : request.verb, &command))
    return startCommandLine(posix::expandVerbCommand(command, file, request.parameters),
                            request.directory, failure);
  if (sameVerb(request.verb, "printto"))
    return printWithoutApplication(file, request.parameters, request.directory, failure);
  if (open) return shellOpen(file) ? kHandedOn : startResult(lastError(), "xdg-open", failure);
  return kSeErrNoAssociation;
}

}  // namespace platform
