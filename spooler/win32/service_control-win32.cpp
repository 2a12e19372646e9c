// Services on Windows: the service control manager.
#include "spooler/service_control.h"
#include "platform/win32/windows_api.h"

namespace platform {

struct ServiceControl::Handles {
  SC_HANDLE manager = nullptr;
  SC_HANDLE service = nullptr;
};

ServiceControl::ServiceControl() : handles_(new Handles) {}

ServiceControl::~ServiceControl() {
  closeService();
  if (handles_->manager) CloseServiceHandle(handles_->manager);
}

int ServiceControl::openManager() {
  if (handles_->manager) return 0;
  handles_->manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  return handles_->manager ? 0 : static_cast<int>(GetLastError());
}

int ServiceControl::openService(const std::string& name) {
  if (!handles_->manager) return kServiceManagerNotOpen;
  closeService();
  handles_->service = OpenServiceA(handles_->manager, name.c_str(), SERVICE_ALL_ACCESS);
  return handles_->service ? 0 : static_cast<int>(GetLastError());
}

int ServiceControl::queryState(ServiceState* state) {
  if (!handles_->service) return kServiceManagerNotOpen;
  SERVICE_STATUS status = {};
  if (!QueryServiceStatus(handles_->service, &status)) return static_cast<int>(GetLastError());
  *state = static_cast<ServiceState>(status.dwCurrentState);
  return 0;
}

int ServiceControl::stop() {
  if (!handles_->service) return kServiceManagerNotOpen;
  SERVICE_STATUS status = {};
  return ControlService(handles_->service, SERVICE_CONTROL_STOP, &status) ? 0 : static_cast<int>(GetLastError());
}

int ServiceControl::start() {
  if (!handles_->service) return kServiceManagerNotOpen;
  return StartServiceA(handles_->service, 0, nullptr) ? 0 : static_cast<int>(GetLastError());
}

void ServiceControl::closeService() {
  if (handles_->service) CloseServiceHandle(handles_->service);
  handles_->service = nullptr;
}

}  // namespace platform
