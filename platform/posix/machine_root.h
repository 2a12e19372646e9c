// Where the POSIX backend keeps what Windows keeps machine-wide.
//
// Everything machine-wide lives under one root folder, the machine root: the
// environment variable VELLORA_ROOT, or "$HOME/.vellora" when it is unset.
//
//   <root>/registry/machine.db        HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_USERS
//   <root>/Windows                    the Windows folder
//   <root>/Windows/System32           the system folder
//   <root>/Windows/System32/spool/drivers   the printer-driver folder
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
std::string machineStorePath();
std::string userStorePath();
std::string userConfigFolder();

}  // namespace posix
}  // namespace platform
