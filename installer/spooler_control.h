// Stopping and starting the spooler service around the spooler calls.
#pragma once

namespace vellora {

// Stops the "Spooler" service and waits until it has stopped (nothing
// happens when the service manager cannot be opened).
void StopSpooler();
// Starts it and waits while it starts; false only when the service manager
// cannot be opened.
bool StartSpooler();
void RestartSpooler();

}  // namespace vellora
