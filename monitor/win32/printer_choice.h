// The printer a job was printed to, which selects the converter's settings
// and options file for that printer (each alias has its own). Windows'
// spooler names it when it starts the job; Wine's does not, and then the
// printers on the monitor's port are all there is to go by.
#pragma once

#include <string>
#include <vector>

namespace vellora {
namespace monitor {

// The spooler's name when it gave one; else the one printer on the port;
// among several, the product printer ("Vellora") when it is one of them,
// else the first; with none, the product printer. *note says why, when the
// name was not the spooler's.
std::string choosePrinter(const std::string& fromSpooler, const std::vector<std::string>& onPort,
                          std::string* note);

// The local printers whose ports include `port` (a printer may list several,
// separated by commas), in the spooler's order.
std::vector<std::string> printersOnPort(const std::string& port);

}  // namespace monitor
}  // namespace vellora
