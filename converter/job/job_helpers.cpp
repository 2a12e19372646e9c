#include "converter/job/job_helpers.h"

#include "converter/ui/string_table.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace vellora {

int osFamily() {
  platform::OsVersion os = platform::osVersion();
  if (os.platform == platform::kWin32Windows) return 1;
  if (os.platform == platform::kWin32Nt && os.major >= 5) return 3;
  return 2;
}

bool isVersion6() { return platform::osVersion().major == 6; }

void loadMessage(JobRecord& job, int id) {
  job.messageText.clear();
  job.messageText = stringTableText(id);
}

void loadCaption(JobRecord& job, int id) {
  job.captionText.clear();
  job.captionText = stringTableText(id);
}

std::string systemErrorText(int code) { return cut(platform::errorText(code), 256); }

std::string lastErrorText() { return systemErrorText(platform::lastError()); }

std::string readRegistryString(platform::RegRoot root, const std::string& key,
                               const std::string& name) {
  platform::RegKey handle;
  if (handle.open(root, key, platform::kRegRead) != platform::kRegOk) return std::string();
  std::string text;
  if (handle.queryString(name, &text) != platform::kRegOk) return std::string();
  return cut(text, kPathCapacity);
}

int showMessage(JobRecord& job, unsigned flags) {
  return platform::ui().messageBox(job.messageText, job.messageCaption, flags);
}

int showMessageId(JobRecord& job, int id, unsigned flags) {
  loadMessage(job, id);
  return showMessage(job, flags);
}

}  // namespace vellora
