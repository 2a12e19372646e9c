// The print monitor: copied from the installation files into the system
// folder and registered with the spooler as "Norvale Print Monitor"; and
// taken away again.
#pragma once

namespace vellora {

// True when the monitor is registered afterwards (or was already).
bool InstallMonitor();
// Deletes the monitor for the platform's environment; always true.
bool RemoveMonitor();

}  // namespace vellora
