// Services of the local machine, controlled the way the Windows service
// control manager controls them. Results are Windows error codes (0 on
// success) on every platform.
//
// On POSIX the one service is "Spooler", the CUPS server that clients of
// this process reach (CUPS_SERVER, else the system's):
//  - where systemd runs the system's server, through systemctl (cups.service);
//  - otherwise through the daemon's process itself, the one listening on the
//    server's socket or loopback port: stopping ends it (TERM), starting runs
//    it again with the command line, environment and folder it had. Starting
//    a server this process never stopped runs the system's cupsd, and only
//    for the system's own server.
// Opening the manager needs root there (5 otherwise); a server on another
// machine is no service of this one (1060).
//
// On POSIX, once the spooler answers after a start, the printers' page
// sizes kept in the registry are given to CUPS (see spooler.h).
#pragma once

#include <memory>
#include <string>

namespace platform {

// Service states, as the Windows API numbers them.
enum ServiceState {
  kServiceStopped = 1,
  kServiceStartPending = 2,
  kServiceStopPending = 3,
  kServiceRunning = 4,
};

enum ServiceError : int {
  kServiceOk = 0,
  kServiceAccessDenied = 5,
  kServiceAlreadyRunning = 1056,
  kServiceDisabled = 1058,
  kServiceDoesNotExist = 1060,
  kServiceNotActive = 1062,
  kServiceManagerNotOpen = 6,  // a call before openManager()/openService() succeeded
};

// The spooler's service name.
constexpr const char kSpoolerService[] = "Spooler";

// One opened service; handles are closed when the object goes.
class ServiceControl {
 public:
  ServiceControl();
  ~ServiceControl();
  ServiceControl(const ServiceControl&) = delete;
  ServiceControl& operator=(const ServiceControl&) = delete;

  // Opens the local service manager with full access.
  int openManager();
  // Opens a service of the opened manager with full access.
  int openService(const std::string& name);
  int queryState(ServiceState* state);
  // Sends the stop control; 0 when the service accepted it.
  int stop();
  // Starts the service without arguments.
  int start();
  void closeService();

 private:
  struct Handles;
  std::unique_ptr<Handles> handles_;
};

}  // namespace platform
