// What vlsetup keeps for its one run: the Windows folder, the installation
// files' folder, the install log, whether the spooler answered, and the
// platform it installs for. One instance per process; every step reads and
// writes it directly, as the converter's parts do their job record.
#pragma once

#include <cstddef>
#include <string>

#include "common/text.h"

namespace vellora {

constexpr std::size_t kInstallLogCapacity = 9999;
constexpr std::size_t kSourceDirCapacity = 260;   // at most 259 characters
constexpr std::size_t kFolderCapacity = 261;      // up to 260 characters
constexpr std::size_t kAliasNameCapacity = 255;
constexpr std::size_t kSystemTextCapacity = 256;  // at most 255 characters

struct InstallerState {
  Bounded<kFolderCapacity> windowsDir;
  Bounded<kFolderCapacity> systemDir;
  // The folder of the installation files: a full install's whole command
  // line, used as it stands (the log calls it the Temp Path).
  Bounded<kSourceDirCapacity> sourceDir;
  Bounded<kInstallLogCapacity> installLog;
  // Cleared when a spooler call still fails with 1722 after its retry.
  bool spoolerReachable = true;
  int osCode = 0;
  bool onWow64 = false;
  bool ia64 = false;
  std::string platformEnvironment;
};

InstallerState& Installer();
// A fresh state for a run (and for each test).
void ResetInstaller();

// The fixed names of what the installer puts into the spooler.
constexpr const char kAliasCaption[] = "Vellora Alias Generator";
constexpr const char kAliasCreated[] = "Successfully created printer alias";
constexpr const char kAliasFailed[] = "Printer alias creation failed!";

// A pause of the installer's own between spooler steps.
void Pause(int milliseconds);

}  // namespace vellora
