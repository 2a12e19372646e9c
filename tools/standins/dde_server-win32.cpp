// The server side of DDE on Windows: DDEML.
#include "tools/standins/dde_server.h"

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/system.h"
#include "platform/win32/windows_api.h"

#include <ddeml.h>

namespace standin {

using platform::tickMilliseconds;

namespace {

HSZ makeString(DWORD instance, const std::string& text) {
  return DdeCreateStringHandleA(instance, text.c_str(), CP_WINANSI);
}

class DdemlServer : public DdeServer {
 public:
  DdemlServer(ExecuteHandler onExecute, void* context) : onExecute_(onExecute), context_(context) {}
  ~DdemlServer() override {
    if (instance_ != 0) {
      if (registered_) DdeNameService(instance_, service_, nullptr, DNS_UNREGISTER);
      if (service_) DdeFreeStringHandle(instance_, service_);
      if (topic_) DdeFreeStringHandle(instance_, topic_);
      DdeUninitialize(instance_);
    }
    if (current_ == this) current_ = nullptr;
  }

  bool registerService(const std::string& service) {
    if (current_ != nullptr) return false;
    current_ = this;
    const DWORD flags = APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_REQUESTS | CBF_FAIL_POKES |
                        CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    if (DdeInitializeA(&instance_, &DdemlServer::callback, flags, 0) != DMLERR_NO_ERROR)
      return false;
    service_ = makeString(instance_, service);
    topic_ = makeString(instance_, "System");
    if (!service_ || !topic_) return false;
    // A service that some other program already offers is taken.
    HCONV other = DdeConnect(instance_, service_, topic_, nullptr);
    if (other) {
      DdeDisconnect(other);
      return false;
    }
    registered_ = DdeNameService(instance_, service_, nullptr, DNS_REGISTER) != nullptr;
    return registered_;
  }

  void serve(int timeoutMilliseconds) override {
    const std::uint64_t deadline = tickMilliseconds() + static_cast<std::uint64_t>(
                                                            timeoutMilliseconds < 0 ? 0 : timeoutMilliseconds);
    // A thread that stops asking for messages looks hung, and DDE clients
    // pass over hung programs when they look for a server: keep asking, and
    // let a timer bring the deadline and stop() round.
    const UINT_PTR timer = SetTimer(nullptr, 0, kTick, nullptr);
    while (!stopped_) {
      if (timeoutMilliseconds >= 0 && tickMilliseconds() >= deadline) break;
      MSG message;
      if (GetMessageA(&message, nullptr, 0, 0) <= 0) break;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    KillTimer(nullptr, timer);
  }

  // May be called from another thread: serve() sees it at its next tick.
  void stop() override { stopped_ = true; }

 private:
  static HDDEDATA CALLBACK callback(UINT type, UINT, HCONV, HSZ first, HSZ, HDDEDATA data,
                                    ULONG_PTR, ULONG_PTR) {
    DdemlServer* self = current_;
    if (!self) return nullptr;
    switch (type) {
      case XTYP_CONNECT:
        // first is the topic; DDEML has already matched the service name.
        return reinterpret_cast<HDDEDATA>(
            static_cast<std::intptr_t>(DdeCmpStringHandles(first, self->topic_) == 0));
      case XTYP_EXECUTE: {
        const DWORD size = DdeGetData(data, nullptr, 0, 0);
        std::string command(size, '\0');
        if (size > 0) DdeGetData(data, reinterpret_cast<LPBYTE>(&command[0]), size, 0);
        while (!command.empty() && command.back() == '\0') command.pop_back();
        const bool accepted = self->onExecute_ && self->onExecute_(command, self->context_);
        return reinterpret_cast<HDDEDATA>(
            static_cast<std::intptr_t>(accepted ? DDE_FACK : DDE_FNOTPROCESSED));
      }
      default:
        return nullptr;
    }
  }

  static DdemlServer* current_;
  ExecuteHandler onExecute_;
  void* context_;
  DWORD instance_ = 0;
  HSZ service_ = nullptr;
  HSZ topic_ = nullptr;
  bool registered_ = false;
  std::atomic<bool> stopped_{false};
  static constexpr UINT kTick = 100;
};

DdemlServer* DdemlServer::current_ = nullptr;

}  // namespace

std::unique_ptr<DdeServer> DdeServer::create(const std::string& service, ExecuteHandler onExecute,
                                             void* context) {
  std::unique_ptr<DdemlServer> server(new DdemlServer(onExecute, context));
  if (!server->registerService(service)) return nullptr;
  return server;
}

}  // namespace standin
