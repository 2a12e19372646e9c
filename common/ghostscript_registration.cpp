#include "common/ghostscript_registration.h"

#include <vector>

#include "common/interpreter_location.h"
#include "common/interpreter_names.h"
#include "common/text.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"

namespace vellora {

namespace {

constexpr int kProgramTimeoutMilliseconds = 30000;

std::string trim(const std::string& text) {
  std::string::size_type first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  std::string::size_type last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  for (;;) {
    std::string::size_type at = text.find(separator, start);
    parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

std::string parentOf(const std::string& path) {
  std::string::size_type at = path.find_last_of(platform::kPathSeparator);
  if (at == std::string::npos) return std::string();
  return path.substr(0, at);
}

bool isAbsolute(const std::string& path) {
  if (path.compare(0, std::string(platform::kPathSeparator).size(), platform::kPathSeparator) == 0)
    return true;
  return path.size() >= 2 && path[1] == ':';  // a drive letter
}

bool isProgramFile(const std::string& path) {
  return platform::fileExists(path) && !platform::isDirectory(path);
}

// Runs a program and collects its standard output and error.
bool runProgram(const std::string& commandLine, std::string* output, int* exitCode) {
  platform::ChildProcess child;
  platform::StartOptions options;
  options.captureOutput = true;
  if (!child.start(commandLine, options)) return false;
  char buffer[4096];
  int n;
  while ((n = child.readOutput(buffer, sizeof buffer)) > 0) output->append(buffer, n);
  if (child.wait(kProgramTimeoutMilliseconds) != platform::kWaitDone) {
    child.kill();
    child.wait(platform::kWaitForever);
    return false;
  }
  *exitCode = child.exitCode();
  return true;
}

bool fail(std::string* log, const std::string& line) {
  if (log) *log += line + "\n";
  return false;
}

void note(std::string* log, const std::string& line) {
  if (log) *log += line + "\n";
}

// The program to register: the given path made absolute, or the one on PATH.
bool locateProgram(const std::string& given, std::string* program, std::string* log) {
  const std::string& name = GhostscriptConsoleName();
  if (given.empty()) {
    *program = FindProgramOnPath(name);
    if (program->empty()) return fail(log, "No program named " + name + " was found on PATH.");
    return true;
  }
  *program = isAbsolute(given) ? given
                               : platform::currentDirectory() + platform::kPathSeparator + given;
  if (!isProgramFile(*program)) return fail(log, "No such program: " + *program);
  if (!endsWithIgnoreCase(*program, platform::kPathSeparator + name))
    return fail(log, "The Ghostscript program must be named " + name + ": " + *program);
  return true;
}

}  // namespace

std::string FindProgramOnPath(const std::string& name) {
  std::string path;
  if (!platform::getEnvironment("PATH", &path)) return std::string();
  for (const std::string& directory : split(path, platform::kPathListSeparator[0])) {
    if (directory.empty()) continue;
    std::string candidate = directory + platform::kPathSeparator + name;
    if (isProgramFile(candidate)) return candidate;
  }
  return std::string();
}

std::string GhostscriptVersionKeyName(const std::string& versionOutput) {
  std::string version = trim(versionOutput);
  std::string::size_type end = version.find_first_not_of("0123456789.");
  if (end != std::string::npos) version.erase(end);
  std::vector<std::string> parts = split(version, '.');
  if (parts.empty() || parts[0].empty()) return std::string();
  if (parts.size() == 1 || parts[1].empty()) return parts[0];
  return parts[0] + "." + parts[1];
}

std::string ParseGhostscriptSearchPath(const std::string& helpOutput) {
  std::string joined;
  bool inBlock = false;
  for (const std::string& rawLine : split(helpOutput, '\n')) {
    std::string line = rawLine;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!inBlock) {
      if (trim(line) == "Search path:") inBlock = true;
      continue;
    }
    // The block's lines are indented; the first one that is not ends it.
    if (line.empty() || (line[0] != ' ' && line[0] != '\t')) break;
    for (const std::string& part : split(line, platform::kPathListSeparator[0])) {
      std::string directory = trim(part);
      if (directory.empty()) continue;
      if (!joined.empty()) joined += platform::kPathListSeparator;
      joined += directory;
    }
  }
  return joined;
}

std::string FindGhostscriptLibrary(const std::string& program) {
  const std::string& name = GhostscriptLibraryName();
  const std::string sep = platform::kPathSeparator;
  std::string bin = parentOf(program);
  if (isProgramFile(bin + sep + name)) return bin + sep + name;
  std::string prefix = parentOf(bin);
  for (const char* libFolder : {"lib", "lib64"}) {
    std::string lib = prefix + sep + libFolder;
    if (isProgramFile(lib + sep + name)) return lib + sep + name;
    std::vector<std::string> entries;
    if (!platform::listDirectory(lib, "*", &entries)) continue;
    for (const std::string& entry : entries) {
      std::string candidate = lib + sep + entry + sep + name;
      if (platform::isDirectory(lib + sep + entry) && isProgramFile(candidate)) return candidate;
    }
  }
  return std::string();
}

int RegisterHostGhostscript(std::string* log, const std::string& given) {
  std::string program;
  if (!locateProgram(given, &program, log)) return 1;
  note(log, "Ghostscript program: " + program);

  const std::string quoted = platform::quoteArgument(program);
  std::string versionOutput;
  int exitCode = -1;
  if (!runProgram(quoted + " --version", &versionOutput, &exitCode) || exitCode != 0) {
    fail(log, "Cannot run " + program + " --version.");
    return 1;
  }
  std::string keyName = GhostscriptVersionKeyName(versionOutput);
  if (keyName.empty()) {
    fail(log, "Not a Ghostscript version: " + trim(versionOutput));
    return 1;
  }
  note(log, "Ghostscript version: " + trim(versionOutput));

  std::string helpOutput;
  if (!runProgram(quoted + " -h", &helpOutput, &exitCode) || exitCode != 0) {
    fail(log, "Cannot run " + program + " -h.");
    return 1;
  }
  std::string searchPath = ParseGhostscriptSearchPath(helpOutput);
  if (searchPath.empty()) {
    fail(log, "Ghostscript printed no search path (" + program + " -h).");
    return 1;
  }
  std::string library = FindGhostscriptLibrary(program);

  const std::string key = std::string(kNorvaleGhostscriptRoot) + "\\" + keyName;
  platform::RegKey handle;
  long status = handle.create(platform::HKLM, key);
  if (status == platform::kRegOk) status = handle.setString("GS_EXE", program);
  if (status == platform::kRegOk) status = handle.setString("GS_LIB", searchPath);
  if (status == platform::kRegOk)
    status = library.empty() ? platform::kRegOk : handle.setString("GS_DLL", library);
  if (status == platform::kRegOk && library.empty()) handle.deleteValue("GS_DLL");
  if (status != platform::kRegOk) {
    fail(log, format("Cannot write HKEY_LOCAL_MACHINE\\%s (registry error %ld).", key.c_str(),
                     status));
    return 1;
  }
  note(log, "Registered under HKEY_LOCAL_MACHINE\\" + key);
  note(log, "GS_EXE=" + program);
  note(log, library.empty() ? std::string("GS_DLL not set: ") + GhostscriptLibraryName() +
                                  " was not found"
                            : "GS_DLL=" + library);
  note(log, "GS_LIB=" + searchPath);
  return 0;
}

}  // namespace vellora
