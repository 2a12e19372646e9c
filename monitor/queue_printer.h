// The printer a queue stands for: a member of a class the installer made
// for a printer ("Vellora-2" of "Vellora") converts as that printer, with
// its settings, profiles and options file; any other queue is a printer of
// its own.
#pragma once

#include <string>

namespace vellora {
namespace monitor {

std::string printerOfQueue(const std::string& queue);

}  // namespace monitor
}  // namespace vellora
