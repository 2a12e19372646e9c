// Where the POSIX backend keeps what Windows keeps machine-wide.
//
// Everything machine-wide lives under one root folder, the machine root:
//  - the environment variable VELLORA_ROOT when it is set (tests, and
//    installs of a user's own);
//  - else the system folder (/var/lib/vellora, fixed at build time) for
//    root, and for everyone once the product is installed there (its machine
//    store exists), so that every user's programs and the print monitor find
//    the system-wide installation without any variable;
//  - else "$HOME/.vellora".
//
//   <root>/registry/machine.db        HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_USERS
//   <root>/Windows                    the Windows folder
//   <root>/Windows/System32           the system folder
//   <root>/Windows/System32/spool/drivers   the printer-driver folder
//
// The programs themselves are wherever "AppPath" in the machine store says
// (a package keeps them under /usr/lib/vellora), and the printers' options
// files where "OptionsPath" says, else beside the programs.
//
// The per-user state follows the desktop's conventions instead:
//
//   $XDG_CONFIG_HOME/vellora/registry.db   HKEY_CURRENT_USER (default ~/.config)
//   $XDG_DATA_HOME                         application data (default ~/.local/share)
//   $XDG_DOCUMENTS_DIR                     documents (default ~/Documents)
//
// so a test that sets VELLORA_ROOT, HOME and TMPDIR to fresh folders runs on
// a fresh machine.
#pragma once

#include <string>

namespace platform {
namespace posix {

std::string machineRoot();
// The system folder of a system-wide installation.
std::string systemMachineRoot();
// The rule above, given its inputs: the VELLORA_ROOT value (empty when
// unset), whether the process runs as root, whether the system folder holds
// an installation, and the home folder.
std::string chooseMachineRoot(const std::string& override, bool runsAsRoot, bool systemInstalled,
                              const std::string& home);
std::string machineStorePath();
std::string userStorePath();
std::string userConfigFolder();

}  // namespace posix
}  // namespace platform
