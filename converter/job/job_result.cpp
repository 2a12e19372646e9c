#include "converter/job/job_result.h"

#include <mutex>

#include "common/monitor_contract.h"
#include "platform/files.h"
#include "platform/process.h"

namespace vellora {

namespace {

// A message line is shown in the printer's status: one line, kept short.
constexpr std::size_t kMessageCapacity = 500;

std::mutex gResultLock;
std::string gResultFile;
bool gRecorded = false;

std::string oneLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (line.size() >= kMessageCapacity) break;
    const bool breaks = c == '\n' || c == '\r' || c == '\t';
    if (breaks && (line.empty() || line.back() == ' ')) continue;
    line += breaks ? ' ' : c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

}  // namespace

void takeJobResultFile() {
  std::string path;
  if (!platform::getEnvironment(kJobResultVariable, &path)) return;
  platform::unsetEnvironment(kJobResultVariable);
  std::lock_guard<std::mutex> hold(gResultLock);
  gResultFile = path;
}

void recordJobResult(const char* end, const std::string& message) {
  std::lock_guard<std::mutex> hold(gResultLock);
  if (gRecorded || gResultFile.empty()) return;
  gRecorded = true;
  // Only into the file the monitor made: a name that no longer is one is
  // left alone rather than created.
  if (!platform::isRegularFile(gResultFile)) return;
  platform::OutputFile file;
  if (!file.create(gResultFile, platform::OutputFile::kBinary)) return;
  file.write(std::string(end) + "\n" + oneLine(message) + "\n");
  file.close();
}

}  // namespace vellora
