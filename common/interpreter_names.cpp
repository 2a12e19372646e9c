#include "common/interpreter_names.h"

#include <cstring>

#include "platform/files.h"

namespace vellora {

namespace {

struct InterpreterFileNames {
  const char* console;
  const char* library;
  const char* pstill;
};

// Chosen by the executable suffix: a platform whose programs end in ".exe"
// is one where the Windows distributions of these interpreters are installed.
const InterpreterFileNames& fileNames() {
  static const InterpreterFileNames kWindows = {"gswin32c.exe", "gsdll32.dll", "pstill.exe"};
  static const InterpreterFileNames kPosix = {"gs", "libgs.so.10", "pstill"};
  return std::strcmp(platform::kExeSuffix, ".exe") == 0 ? kWindows : kPosix;
}

}  // namespace

const std::string& GhostscriptConsoleName() {
  static const std::string name = fileNames().console;
  return name;
}

const std::string& GhostscriptLibraryName() {
  static const std::string name = fileNames().library;
  return name;
}

const std::string& PStillProgramName() {
  static const std::string name = fileNames().pstill;
  return name;
}

const std::string& OwnGhostscriptRelativePath() {
  static const std::string path = std::string(kOwnGhostscriptFolder) + platform::kPathSeparator +
                                  "bin" + platform::kPathSeparator + GhostscriptConsoleName();
  return path;
}

}  // namespace vellora
