#include "monitor/job_options.h"

#include <cctype>

#include "common/monitor_contract.h"

namespace vellora {
namespace monitor {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Reads one name or value from at; quotes group, a backslash takes the next
// character as it stands.
std::string readWord(const std::string& text, std::size_t* at, bool stopAtEquals) {
  std::string word;
  char quote = 0;
  while (*at < text.size()) {
    char c = text[*at];
    if (quote == 0 && (isBlank(c) || (stopAtEquals && c == '='))) break;
    ++*at;
    if (c == '\\' && *at < text.size()) {
      word += text[(*at)++];
    } else if (quote == 0 && (c == '\'' || c == '"')) {
      quote = c;
    } else if (quote != 0 && c == quote) {
      quote = 0;
    } else {
      word += c;
    }
  }
  return word;
}

bool equalsIgnoringCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return i == a.size() && b[i] == '\0';
}

}  // namespace

std::string jobOption(const std::string& options, const std::string& name) {
  std::size_t at = 0;
  while (at < options.size()) {
    while (at < options.size() && isBlank(options[at])) ++at;
    if (at >= options.size()) break;
    const std::string key = readWord(options, &at, true);
    std::string value;
    if (at < options.size() && options[at] == '=') {
      ++at;
      value = readWord(options, &at, false);
    }
    if (key == name) return value;
  }
  return std::string();
}

bool printedOnThisMachine(const std::string& host) { return host.empty() || equalsIgnoringCase(host, "localhost"); }

std::string existingFileAnswer(const std::string& options) {
  const std::string answer = jobOption(options, kExistingFileOption);
  if (equalsIgnoringCase(answer, kExistingFileAppend)) return kExistingFileAppend;
  if (equalsIgnoringCase(answer, kExistingFilePrepend)) return kExistingFilePrepend;
  return std::string();
}

}  // namespace monitor
}  // namespace vellora
