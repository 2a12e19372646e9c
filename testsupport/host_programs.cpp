#include "testsupport/host_programs.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/system.h"

namespace testsupport {
namespace {

bool looksLikeWindowsPath(const std::string& text) {
  return text.size() >= 3 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' &&
         (text[2] == '\\' || text[2] == '/');
}

std::string asHostArgument(const std::string& argument) {
  if (looksLikeWindowsPath(argument)) return platform::hostPath(argument);
  const std::string::size_type equals = argument.find('=');
  if (!argument.empty() && argument[0] == '-' && equals != std::string::npos &&
      looksLikeWindowsPath(argument.substr(equals + 1))) {
    return argument.substr(0, equals + 1) + platform::hostPath(argument.substr(equals + 1));
  }
  return argument;
}

std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

}  // namespace

bool findHostProgram(const std::string& name, std::string* program) {
  if (!platform::runsUnderWine() || name.empty() ||
      name.find_first_of("/\\:.") != std::string::npos) {
    return false;
  }
  for (const char* folder : {"Z:\\usr\\local\\bin\\", "Z:\\usr\\bin\\", "Z:\\bin\\"}) {
    if (platform::fileExists(folder + name)) {
      *program = folder + name;
      return true;
    }
  }
  return false;
}

RunResult runHostProgram(const std::string& program, const std::vector<std::string>& arguments,
                         int timeoutMilliseconds) {
  RunResult result;
  // Wine starts a Unix program detached: no handle to wait on, no exit code,
  // no pipes. The host's shell runs it instead and leaves its output and then
  // its exit code in files, which are polled.
  std::string folder;
  if (platform::createTempFile(platform::tempPath(), "vth", &folder) != 0 ||
      !platform::deleteFile(folder) || !platform::createDirectory(folder)) {
    result.output = "cannot make a folder for " + program;
    return result;
  }
  const std::string output = folder + "\\output";
  const std::string code = folder + "\\code";
  // The machine's folders in the environment are Windows paths too.
  std::string script;
  for (const char* variable : {"HOME", "TMPDIR", "TMP", "TEMP"}) {
    std::string value;
    if (platform::getEnvironment(variable, &value) && looksLikeWindowsPath(value)) {
      script += std::string("export ") + variable + "=" + shellQuoted(platform::hostPath(value)) + "; ";
    }
  }
  script += shellQuoted(platform::hostPath(program));
  for (const std::string& argument : arguments) script += " " + shellQuoted(asHostArgument(argument));
  const std::string hostCode = shellQuoted(platform::hostPath(code));
  script += " >" + shellQuoted(platform::hostPath(output)) + " 2>&1 </dev/null; echo $? >" +
            hostCode + ".part && mv " + hostCode + ".part " + hostCode;

  platform::ChildProcess shell;
  platform::StartOptions options;
  options.inheritHandles = false;
  if (!shell.start("Z:\\bin\\sh -c " + platform::quoteArgument(script), options)) {
    result.output = "cannot start the host's shell for " + program;
    platform::removeTree(folder);
    return result;
  }
  const std::uint64_t deadline = platform::tickMilliseconds() + timeoutMilliseconds;
  while (!platform::fileExists(code) && platform::tickMilliseconds() < deadline) {
    platform::sleepMilliseconds(20);
  }
  result.output = readFile(output);
  if (platform::fileExists(code)) {
    result.exitCode = std::atoi(readFile(code).c_str());
  } else {
    result.output += "\n[timed out]";
  }
  platform::removeTree(folder);
  return result;
}

}  // namespace testsupport
