#include "installer/installer_state.h"

#include "platform/process.h"

namespace vellora {

namespace {

InstallerState& state() {
  static InstallerState installer;
  return installer;
}

}  // namespace

InstallerState& Installer() { return state(); }

void ResetInstaller() { state() = InstallerState(); }

void Pause(int milliseconds) { platform::sleepMilliseconds(milliseconds); }

}  // namespace vellora
