// Verb commands registered in HKEY_CLASSES_ROOT, looked up and filled in as
// the Windows shell does it.
#include <string>
#include <vector>

#include "platform/posix/shell_verbs.h"
#include "platform/process.h"
#include "platform/registry.h"

namespace platform {
namespace posix {

namespace {

std::string extensionOf(const std::string& file) {
  std::string::size_type name = file.find_last_of("/\\");
  name = name == std::string::npos ? 0 : name + 1;
  std::string::size_type dot = file.rfind('.');
  if (dot == std::string::npos || dot < name || dot + 1 == file.size()) return std::string();
  return file.substr(dot);
}

bool readDefault(const std::string& key, std::string* text) {
  RegKey k;
  if (k.open(HKCR, key, kRegRead) != kRegOk) return false;
  return k.queryString("", text) == kRegOk && !text->empty();
}

}  // namespace

bool findVerbCommand(const std::string& file, const std::string& verb, std::string* command) {
  const std::string extension = extensionOf(file);
  if (extension.empty() || verb.empty()) return false;
  const std::string tail = "\\shell\\" + verb + "\\command";
  std::string programId;
  if (readDefault(extension, &programId) && readDefault(programId + tail, command)) return true;
  return readDefault(extension + tail, command);
}

std::string expandVerbCommand(const std::string& command, const std::string& file,
                              const std::string& parameters) {
  std::vector<std::string> arguments = splitCommandLine("x " + parameters);
  arguments.erase(arguments.begin());
  std::string result;
  bool namesFile = false;
  for (std::string::size_type i = 0; i < command.size(); ++i) {
    const char c = command[i];
    if (c != '%' || i + 1 == command.size()) {
      result += c;
      continue;
    }
    const char code = command[++i];
    if (code == '1' || code == 'L' || code == 'l') {
      result += file;
      namesFile = true;
    } else if (code >= '2' && code <= '9') {
      const std::size_t index = static_cast<std::size_t>(code - '2');
      if (index < arguments.size()) result += arguments[index];
    } else if (code == '*') {
      result += parameters;
    } else if (code == '%') {
      result += '%';
    } else {
      result += c;
      result += code;
    }
  }
  if (!namesFile) result += " " + quoteArgumentAlways(file);
  return result;
}

}  // namespace posix
}  // namespace platform
