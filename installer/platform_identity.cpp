#include "installer/platform_identity.h"

#include "installer/installer_state.h"
#include "platform/system.h"

namespace vellora {

int ComputeOsCode() {
  const platform::OsVersion version = platform::osVersion();
  if (version.platform == platform::kWin32Windows) return 1;
  if (version.platform != platform::kWin32Nt) return 0;
  if (version.major < 5) return 2;
  return version.major == 5 ? 3 : 4;
}

void DetectPlatform(bool switchRedirectionOff) {
  InstallerState& installer = Installer();
  installer.onWow64 = platform::isWow64Process();
  if (installer.onWow64 && switchRedirectionOff && !platform::disableWow64Redirection())
    installer.onWow64 = false;
  installer.ia64 = installer.onWow64 && platform::nativeProcessorIsIa64();
  if (installer.osCode == 1)
    installer.platformEnvironment = "Windows 4.0";
  else if (!installer.onWow64)
    installer.platformEnvironment = "Windows NT x86";
  else
    installer.platformEnvironment = installer.ia64 ? "Windows IA64" : "Windows x64";
}

}  // namespace vellora
