// Handing documents to the desktop.
#pragma once

#include <string>

namespace platform {

// Opens a document with the desktop's handler for its type (the shell verb
// "open"; xdg-open on POSIX desktops). Does not wait for the handler.
bool shellOpen(const std::string& path);

// Imports a registry file silently, without waiting for it, as
// "regedit /S FILE" started through the shell with a hidden window does:
// regedit.exe from the Windows folder on Windows; on POSIX `vlreg import
// FILE`, vlreg being the one beside the running program, else on PATH.
bool startRegistryImport(const std::string& windowsFolder, const std::string& file);

}  // namespace platform
