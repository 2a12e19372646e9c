#include "installer/spooler_control.h"

#include "installer/installer_state.h"
#include "spooler/service_control.h"

namespace vellora {

namespace {

// A service that stays pending longer than this many polls (30 s) is left
// as it is.
constexpr int kMaxPolls = 75;

platform::ServiceState stateOf(platform::ServiceControl& service) {
  platform::ServiceState state = platform::kServiceStopped;
  if (service.queryState(&state) != 0) return platform::kServiceStopped;
  return state;
}

}  // namespace

void StopSpooler() {
  platform::ServiceControl service;
  if (service.openManager() != 0) return;
  service.openService(platform::kSpoolerService);
  if (stateOf(service) != platform::kServiceStopped && service.stop() == 0) {
    Pause(1500);
    platform::ServiceState state = stateOf(service);
    for (int poll = 0; state == platform::kServiceStopPending && poll < kMaxPolls; ++poll) {
      state = stateOf(service);
      Pause(400);
    }
  }
  service.closeService();
  Pause(200);
}

bool StartSpooler() {
  platform::ServiceControl service;
  if (service.openManager() != 0) return false;
  service.openService(platform::kSpoolerService);
  if (stateOf(service) != platform::kServiceRunning) service.start();
  Pause(1000);
  platform::ServiceState state = stateOf(service);
  for (int poll = 0; state == platform::kServiceStartPending && poll < kMaxPolls; ++poll) {
    state = stateOf(service);
    Pause(400);
  }
  service.closeService();
  Pause(1000);
  return true;
}

void RestartSpooler() {
  StopSpooler();
  StartSpooler();
}

}  // namespace vellora
