#include "testsupport/fresh_machine.h"

#include <thread>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "testsupport/host_programs.h"

namespace testsupport {

namespace {

std::string makeUniqueFolder() {
  std::string path;
  std::string temp = platform::tempPath();
  if (platform::createTempFile(temp, "vts", &path) != 0) return std::string();
  platform::deleteFile(path);
  if (!platform::createDirectory(path)) return std::string();
  return path;
}

}  // namespace

FreshMachine::FreshMachine() {
  base_ = makeUniqueFolder();
  EXPECT_FALSE(base_.empty()) << "cannot create a folder for a fresh machine";
  const std::string sep = platform::kPathSeparator;
  root_ = base_ + sep + "root";
  home_ = base_ + sep + "home";
  tmp_ = base_ + sep + "tmp";
  platform::createDirectories(root_);
  platform::createDirectories(home_);
  platform::createDirectories(tmp_);
  setEnv("VELLORA_ROOT", root_);
  setEnv("HOME", home_);
  setEnv("TMPDIR", tmp_);
  setEnv("TEMP", tmp_);
  setEnv("TMP", tmp_);
  // Windows finds the user's folders below the profile folder.
  setEnv("USERPROFILE", home_);
  unsetEnv("XDG_CONFIG_HOME");
  unsetEnv("XDG_DATA_HOME");
  unsetEnv("XDG_DOCUMENTS_DIR");
  unsetEnv("VELLORA_OS_VERSION");
  unsetEnv("VELLORA_USER_RIGHTS");
  unsetEnv("VELLORA_UI_SCRIPT");
  unsetEnv("VELLORA_UI_LOG");
  // No windows on whatever desktop runs the tests: a test that wants them
  // starts an X server of its own.
  unsetEnv("DISPLAY");
  unsetEnv("WAYLAND_DISPLAY");
  unsetEnv("VELLORA_DESKTOP_SCRIPT");
  unsetEnv("VELLORA_DESKTOP_MODULE");
  unsetEnv("VELLORA_DESKTOP_SHOTS");
  platform::setOsVersionForTesting(nullptr);
  // Registry roots of its own, named after the machine's folder (on Windows
  // the registry is not kept in the machine root).
  if (!base_.empty()) {
    const std::string::size_type leaf = base_.find_last_of(sep);
    registryName_ = "Software\\Vellora Test Machines\\" + base_.substr(leaf + 1);
  }
  EXPECT_TRUE(platform::useRegistryRootsForTesting(registryName_))
      << "cannot give the machine registry roots of its own: " << platform::lastError();
  // The default user interface reads its script and record from the
  // environment just changed; drop the one an earlier machine built.
  platform::setUserInterface(nullptr);
}

FreshMachine::~FreshMachine() {
  platform::resetPlatformRegistry();
  platform::setUserInterface(nullptr);
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second.first)
      platform::setEnvironment(it->first, it->second.second);
    else
      platform::unsetEnvironment(it->first);
  }
  platform::useRegistryRootsForTesting("");
  platform::discardRegistryRootsForTesting(registryName_);
  if (!base_.empty()) platform::removeTree(base_);
}

std::string FreshMachine::path(const std::string& relative) const {
  return base_ + platform::kPathSeparator + relative;
}

bool FreshMachine::ownsSystemFolder() const {
  const std::string system = platform::systemFolder();
  return !base_.empty() && system.compare(0, base_.size(), base_) == 0;
}

void FreshMachine::remember(const std::string& name) {
  for (const auto& entry : saved_)
    if (entry.first == name) return;
  std::string value;
  bool present = platform::getEnvironment(name, &value);
  saved_.push_back({name, {present, value}});
}

void FreshMachine::setEnv(const std::string& name, const std::string& value) {
  remember(name);
  platform::setEnvironment(name, value);
}

void FreshMachine::unsetEnv(const std::string& name) {
  remember(name);
  platform::unsetEnvironment(name);
}

std::string readFile(const std::string& path) {
  std::string bytes;
  platform::readBinaryFile(path, &bytes);
  return bytes;
}

void writeFile(const std::string& path, const std::string& bytes) {
  // Tests name files below a machine as "folder/file" on every platform.
  std::string::size_type cut = path.find_last_of(std::string(platform::kPathSeparator) + "/");
  if (cut != std::string::npos && cut > 0) platform::createDirectories(path.substr(0, cut));
  ASSERT_TRUE(platform::writeBinaryFile(path, bytes)) << "cannot write " << path;
}

std::string textFile(const std::string& text) {
  std::string bytes;
  for (char c : text) {
    if (c == '\n')
      bytes += platform::kLineEnd;
    else
      bytes += c;
  }
  return bytes;
}

RunResult run(const std::vector<std::string>& arguments, int timeoutMilliseconds) {
  std::string hostProgram;
  if (!arguments.empty() && findHostProgram(arguments[0], &hostProgram)) {
    return runHostProgram(hostProgram,
                          std::vector<std::string>(arguments.begin() + 1, arguments.end()),
                          timeoutMilliseconds);
  }
  RunResult result;
  std::string commandLine;
  for (const auto& argument : arguments) {
    if (!commandLine.empty()) commandLine += ' ';
    commandLine += platform::quoteArgument(argument);
  }
  platform::ChildProcess child;
  platform::StartOptions options;
  options.captureOutput = true;
  if (!child.start(commandLine, options)) {
    result.output = "cannot start: " + commandLine;
    return result;
  }
  // Read on a thread of its own, so that a child that hangs with its output
  // open still runs into the time-out instead of blocking the test forever.
  std::thread reader([&] {
    char buffer[4096];
    int n;
    while ((n = child.readOutput(buffer, sizeof buffer)) > 0) result.output.append(buffer, n);
  });
  if (child.wait(timeoutMilliseconds) != platform::kWaitDone) {
    child.kill();
    child.wait(platform::kWaitForever);
    reader.join();
    result.output += "\n[timed out]";
    return result;
  }
  reader.join();
  result.exitCode = child.exitCode();
  return result;
}

}  // namespace testsupport
