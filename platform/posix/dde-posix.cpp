// The DDE client on POSIX, over the wire of dde_wire.h.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <vector>

#include "platform/dde.h"
#include "platform/posix/dde_wire.h"
#include "platform/files.h"
#include "platform/system.h"

namespace platform {

using namespace posix;

namespace {

bool sendFrame(int fd, char kind, const std::string& payload) {
  const std::uint32_t size = static_cast<std::uint32_t>(payload.size());
  char header[5] = {kind, static_cast<char>(size & 0xFF), static_cast<char>((size >> 8) & 0xFF),
                    static_cast<char>((size >> 16) & 0xFF), static_cast<char>((size >> 24) & 0xFF)};
  return ddeWriteAll(fd, header, sizeof header) && ddeWriteAll(fd, payload.data(), payload.size());
}

// Waits for the fd to become readable; false on time-out.
bool readable(int fd, int timeoutMilliseconds) {
  const std::uint64_t deadline = tickMilliseconds() + static_cast<std::uint64_t>(timeoutMilliseconds);
  for (;;) {
    int left = -1;
    if (timeoutMilliseconds >= 0) {
      std::uint64_t now = tickMilliseconds();
      left = now >= deadline ? 0 : static_cast<int>(deadline - now);
    }
    struct pollfd ready = {fd, POLLIN, 0};
    int r = ::poll(&ready, 1, left);
    if (r < 0 && errno == EINTR) continue;
    return r > 0;
  }
}

// One answer byte within the time-out; 0 on time-out or a closed socket.
char readAnswer(int fd, int timeoutMilliseconds, bool* closed) {
  *closed = false;
  if (!readable(fd, timeoutMilliseconds)) return 0;
  char answer = 0;
  ssize_t n;
  do {
    n = ::recv(fd, &answer, 1, 0);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) {
    *closed = true;
    return 0;
  }
  return answer;
}

class SocketDdeClient : public DdeClient {
 public:
  SocketDdeClient(DisconnectHandler onDisconnect, void* context)
      : onDisconnect_(onDisconnect), context_(context) {}
  ~SocketDdeClient() override {
    for (auto& entry : conversations_) ::close(entry.second);
  }

  DdeConversation connect(const std::string& service, const std::string& topic) override {
    sockaddr_un address;
    if (!ddeSocketAddress(service, &address)) return 0;
    int fd = ddeConnectTo(address);
    if (fd < 0) return 0;
    bool closed;
    if (!sendFrame(fd, kDdeConnect, topic) ||
        readAnswer(fd, kConnectTimeout, &closed) != kDdeAccepted) {
      ::close(fd);
      return 0;
    }
    DdeConversation conversation = ++lastConversation_;
    conversations_[conversation] = fd;
    return conversation;
  }

  bool execute(DdeConversation conversation, const std::string& command,
               int timeoutMilliseconds) override {
    auto it = conversations_.find(conversation);
    if (it == conversations_.end()) return false;
    const int fd = it->second;
    if (serverHasLeft(fd) || !sendFrame(fd, kDdeExecute, std::string(command) + '\0')) {
      ended(conversation);
      return false;
    }
    bool closed;
    const char answer = readAnswer(fd, timeoutMilliseconds, &closed);
    if (closed) ended(conversation);
    return answer == kDdeAccepted;
  }

  void abandonTransactions(DdeConversation) override {
    // Every transaction of this client is synchronous: nothing is pending.
  }

  void disconnect(DdeConversation conversation) override {
    auto it = conversations_.find(conversation);
    if (it == conversations_.end()) return;
    ::close(it->second);
    conversations_.erase(it);
  }

 private:
  static constexpr int kConnectTimeout = 5000;

  // A server that ended the conversation left the socket readable at its end.
  static bool serverHasLeft(int fd) {
    struct pollfd ready = {fd, POLLIN, 0};
    if (::poll(&ready, 1, 0) <= 0) return false;
    char byte;
    return ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
  }

  void ended(DdeConversation conversation) {
    disconnect(conversation);
    if (onDisconnect_) onDisconnect_(conversation, context_);
  }

  DisconnectHandler onDisconnect_;
  void* context_;
  std::map<DdeConversation, int> conversations_;
  DdeConversation lastConversation_ = 0;
};

}  // namespace

std::unique_ptr<DdeClient> DdeClient::create(DisconnectHandler onDisconnect, void* context) {
  return std::unique_ptr<DdeClient>(new SocketDdeClient(onDisconnect, context));
}

}  // namespace platform
