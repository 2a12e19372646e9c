// The server side of DDE on POSIX, over the platform's wire
// (platform/posix/dde_wire.h).
#include "tools/standins/dde_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <vector>

#include "platform/posix/dde_wire.h"
#include "platform/files.h"
#include "platform/system.h"

namespace standin {

using namespace platform::posix;

namespace {

class SocketDdeServer : public DdeServer {
 public:
  SocketDdeServer(int listener, std::string path, ExecuteHandler onExecute, void* context)
      : listener_(listener), path_(std::move(path)), onExecute_(onExecute), context_(context) {
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
  }
  ~SocketDdeServer() override {
    for (Client& client : clients_) ::close(client.fd);
    ::unlink(path_.c_str());
    ::close(listener_);
    if (wake_[0] >= 0) ::close(wake_[0]);
    if (wake_[1] >= 0) ::close(wake_[1]);
  }

  void serve(int timeoutMilliseconds) override {
    const std::uint64_t deadline =
        platform::tickMilliseconds() + static_cast<std::uint64_t>(timeoutMilliseconds < 0 ? 0 : timeoutMilliseconds);
    while (!stopped_) {
      int left = -1;
      if (timeoutMilliseconds >= 0) {
        std::uint64_t now = platform::tickMilliseconds();
        if (now >= deadline) return;
        left = static_cast<int>(deadline - now);
      }
      std::vector<pollfd> ready;
      ready.push_back({wake_[0], POLLIN, 0});
      ready.push_back({listener_, POLLIN, 0});
      for (const Client& client : clients_) ready.push_back({client.fd, POLLIN, 0});
      int r = ::poll(ready.data(), ready.size(), left);
      if (r < 0 && errno != EINTR) return;
      if (r <= 0) continue;
      if (ready[1].revents & POLLIN) {
        int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) clients_.push_back({fd, std::string(), false});
      }
      for (std::size_t i = 2; i < ready.size(); ++i)
        if (ready[i].revents & (POLLIN | POLLHUP | POLLERR)) receive(ready[i].fd);
      std::vector<Client> open;
      for (Client& client : clients_) {
        if (client.fd >= 0) open.push_back(client);
      }
      clients_.swap(open);
    }
  }

  // May be called from another thread: the pipe wakes the waiting serve().
  void stop() override {
    stopped_ = true;
    if (wake_[1] >= 0) {
      const char byte = 1;
      ssize_t ignored = ::write(wake_[1], &byte, 1);
      (void)ignored;
    }
  }

 private:
  struct Client {
    int fd;
    std::string pending;  // bytes of a frame not yet complete
    bool connected;
  };

  void receive(int fd) {
    Client* client = nullptr;
    for (Client& c : clients_)
      if (c.fd == fd) client = &c;
    if (!client) return;
    char buffer[4096];
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) return;
    if (n <= 0) {
      ::close(fd);
      client->fd = -1;
      return;
    }
    client->pending.append(buffer, static_cast<std::size_t>(n));
    while (client->fd >= 0 && client->pending.size() >= 5) {
      const std::uint32_t size = ddeFrameLength(client->pending.data());
      if (size > kDdeLongestFrame) {
        ::close(client->fd);
        client->fd = -1;
        return;
      }
      if (client->pending.size() < 5 + size) return;
      const char kind = client->pending[0];
      std::string payload = client->pending.substr(5, size);
      client->pending.erase(0, 5 + size);
      bool accept = false;
      if (kind == kDdeConnect) {
        accept = ddeLower(payload) == "system";
        client->connected = accept;
      } else if (kind == kDdeExecute && client->connected) {
        if (!payload.empty() && payload.back() == '\0') payload.pop_back();
        accept = onExecute_ ? onExecute_(payload, context_) : false;
      }
      const char answer = accept ? kDdeAccepted : kDdeRefused;
      if (!ddeWriteAll(client->fd, &answer, 1)) {
        ::close(client->fd);
        client->fd = -1;
      }
    }
  }

  int listener_;
  std::string path_;
  ExecuteHandler onExecute_;
  void* context_;
  std::vector<Client> clients_;
  std::atomic<bool> stopped_{false};
  int wake_[2] = {-1, -1};
};

}  // namespace

std::unique_ptr<DdeServer> DdeServer::create(const std::string& service, ExecuteHandler onExecute,
                                             void* context) {
  sockaddr_un address;
  if (!ddeSocketAddress(service, &address)) return nullptr;
  // A live socket means the service is taken; a dead one is left over.
  int probe = ddeConnectTo(address);
  if (probe >= 0) {
    ::close(probe);
    platform::setLastError(EADDRINUSE);
    return nullptr;
  }
  ::unlink(address.sun_path);
  int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) return nullptr;
  if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, 8) != 0) {
    platform::setLastError(errno);
    ::close(listener);
    return nullptr;
  }
  return std::unique_ptr<DdeServer>(
      new SocketDdeServer(listener, address.sun_path, onExecute, context));
}

}  // namespace standin
