// The DDE client through DDEML. Its callbacks carry no context of ours, so
// the client keeps the one instance of the process in a static pointer.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dde.h"
#include "platform/system.h"
#include "platform/win32/windows_api.h"

#include <ddeml.h>

namespace platform {

namespace {

HSZ makeString(DWORD instance, const std::string& text) {
  return DdeCreateStringHandleA(instance, text.c_str(), CP_WINANSI);
}

class DdemlClient : public DdeClient {
 public:
  DdemlClient(DisconnectHandler onDisconnect, void* context)
      : onDisconnect_(onDisconnect), context_(context) {}
  ~DdemlClient() override {
    if (instance_ != 0) DdeUninitialize(instance_);
    if (current_ == this) current_ = nullptr;
  }

  bool initialize() {
    current_ = this;
    return DdeInitializeA(&instance_, &DdemlClient::callback, APPCMD_CLIENTONLY, 0) ==
           DMLERR_NO_ERROR;
  }

  DdeConversation connect(const std::string& service, const std::string& topic) override {
    HSZ serviceName = makeString(instance_, service);
    HSZ topicName = makeString(instance_, topic);
    HCONV conversation = DdeConnect(instance_, serviceName, topicName, nullptr);
    if (topicName) DdeFreeStringHandle(instance_, topicName);
    if (serviceName) DdeFreeStringHandle(instance_, serviceName);
    return reinterpret_cast<DdeConversation>(conversation);
  }

  bool execute(DdeConversation conversation, const std::string& command,
               int timeoutMilliseconds) override {
    std::vector<BYTE> data(command.begin(), command.end());
    data.push_back(0);
    DWORD result = 0;
    HDDEDATA answer = DdeClientTransaction(
        data.data(), static_cast<DWORD>(data.size()), reinterpret_cast<HCONV>(conversation),
        nullptr, 0, XTYP_EXECUTE, static_cast<DWORD>(timeoutMilliseconds), &result);
    return answer != nullptr;
  }

  void abandonTransactions(DdeConversation conversation) override {
    DdeAbandonTransaction(instance_, reinterpret_cast<HCONV>(conversation), 0);
  }

  void disconnect(DdeConversation conversation) override {
    DdeDisconnect(reinterpret_cast<HCONV>(conversation));
  }

 private:
  static HDDEDATA CALLBACK callback(UINT type, UINT, HCONV conversation, HSZ, HSZ, HDDEDATA,
                                    ULONG_PTR, ULONG_PTR) {
    if (type == XTYP_DISCONNECT && current_ && current_->onDisconnect_)
      current_->onDisconnect_(reinterpret_cast<DdeConversation>(conversation), current_->context_);
    return nullptr;
  }

  static DdemlClient* current_;
  DisconnectHandler onDisconnect_;
  void* context_;
  DWORD instance_ = 0;
};

DdemlClient* DdemlClient::current_ = nullptr;

}  // namespace

std::unique_ptr<DdeClient> DdeClient::create(DisconnectHandler onDisconnect, void* context) {
  std::unique_ptr<DdemlClient> client(new DdemlClient(onDisconnect, context));
  if (!client->initialize()) return nullptr;
  return client;
}

}  // namespace platform
