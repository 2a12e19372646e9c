// The platform the installer installs for: the operating-system code, the
// 64-bit questions and the spooler's environment name.
#pragma once

namespace vellora {

// OsCode: 1 Windows 9x, 2 NT below 5, 3 NT 5, 4 NT above 5, 0 any other
// platform. It also names the version folder of the installation files.
int ComputeOsCode();

// Sets onWow64, ia64 and platformEnvironment of the installer's state
// (osCode must be set). With switchRedirectionOff (a full install) the
// file-system redirection of a 32-bit process is switched off, and a
// system without that call counts as not 64-bit.
void DetectPlatform(bool switchRedirectionOff);

}  // namespace vellora
