#include "testsupport/stand_in_record.h"

#include "platform/process.h"
#include "scripted_ui/scripted_ui.h"
#include "platform/system.h"
#include "testsupport/fresh_machine.h"

namespace testsupport {

std::vector<std::vector<std::string>> readRecord(const std::string& path) {
  std::vector<std::vector<std::string>> lines;
  const std::string text = readFile(path);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::vector<std::string> fields;
    std::size_t fieldStart = start;
    for (std::size_t i = start; i <= end; ++i) {
      if (i == end || text[i] == '\t') {
        fields.push_back(platform::unescapeRecordField(text.substr(fieldStart, i - fieldStart)));
        fieldStart = i + 1;
      }
    }
    lines.push_back(fields);
    start = end + 1;
  }
  return lines;
}

std::vector<std::vector<std::string>> recordedBy(const std::string& path,
                                                 const std::string& program) {
  std::vector<std::vector<std::string>> lines;
  for (auto& line : readRecord(path)) {
    const std::string& first = line[0];
    if (first.size() >= program.size() &&
        first.compare(first.size() - program.size(), program.size(), program) == 0)
      lines.push_back(line);
  }
  return lines;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMilliseconds) {
  const std::uint64_t deadline =
      platform::tickMilliseconds() + static_cast<std::uint64_t>(timeoutMilliseconds);
  for (;;) {
    if (condition()) return true;
    if (platform::tickMilliseconds() >= deadline) return false;
    platform::sleepMilliseconds(20);
  }
}

}  // namespace testsupport
