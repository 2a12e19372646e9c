#include "installer/install_log.h"

#include "platform/files.h"
#include "spooler/spooler.h"

namespace vellora {

bool WriteInstallLog() {
  const std::string path = Installer().windowsDir.str() + platform::kPathSeparator + "vlinst.log";
  platform::OutputFile file;
  if (!file.create(path, platform::OutputFile::kText)) return false;
  file.write(Installer().installLog.str());
  file.close();
  return true;
}

std::string SystemMessageText(int code) {
  return cut(platform::spoolerErrorText(code) + "\n", kSystemTextCapacity);
}

std::string FileMessageText(int code) { return cut(platform::errorText(code) + "\n", kSystemTextCapacity); }

}  // namespace vellora
