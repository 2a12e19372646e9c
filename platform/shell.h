// Handing documents to the desktop.
#pragma once

#include <string>

namespace platform {

// Opens a document with the desktop's handler for its type (the shell verb
// "open"; xdg-open on POSIX desktops). Does not wait for the handler.
bool shellOpen(const std::string& path);

}  // namespace platform
