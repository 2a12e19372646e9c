// DDE on POSIX over Unix sockets, one per service name.
//
// Wire protocol: the client sends frames of one kind byte, a four-byte
// little-endian length and that many bytes; the server answers each frame
// with one byte, 'A' (accepted) or 'N' (refused).
//   'C' topic    opens the conversation; a server answers only "System"
//   'X' command  an execute transaction: the command and its zero byte
// Closing the socket ends the conversation, from either side.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <vector>

#include "platform/dde.h"
#include "platform/files.h"
#include "platform/system.h"

namespace platform {

namespace {

constexpr char kConnect = 'C';
constexpr char kExecute = 'X';
constexpr char kAccepted = 'A';
constexpr char kRefused = 'N';
constexpr std::uint32_t kLongestFrame = 1 << 20;

std::string lower(const std::string& text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return result;
}

// The user's private folder for service sockets; empty (errno set) when it
// cannot be made or is not the user's own.
std::string serviceFolder() {
  std::string user;
  for (char c : userName())
    user += (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-') ? c : '_';
  std::string folder = tempPath() + "vellora-dde-" + user;
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::string();
  struct stat info;
  if (::lstat(folder.c_str(), &info) != 0) return std::string();
  if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 077) != 0) {
    errno = EACCES;
    return std::string();
  }
  return folder;
}

bool socketAddress(const std::string& service, sockaddr_un* address) {
  if (service.empty()) return false;
  std::string folder = serviceFolder();
  if (folder.empty()) return false;
  std::string name;
  for (char c : lower(service))
    name += (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.') ? c : '_';
  std::string path = folder + "/" + name;
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  if (path.size() >= sizeof address->sun_path) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

int connectTo(const sockaddr_un& address) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool sendFrame(int fd, char kind, const std::string& payload) {
  const std::uint32_t size = static_cast<std::uint32_t>(payload.size());
  char header[5] = {kind, static_cast<char>(size & 0xFF), static_cast<char>((size >> 8) & 0xFF),
                    static_cast<char>((size >> 16) & 0xFF), static_cast<char>((size >> 24) & 0xFF)};
  return writeAll(fd, header, sizeof header) && writeAll(fd, payload.data(), payload.size());
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
    if (!socketAddress(service, &address)) return 0;
    int fd = connectTo(address);
    if (fd < 0) return 0;
    bool closed;
    if (!sendFrame(fd, kConnect, topic) || readAnswer(fd, kConnectTimeout, &closed) != kAccepted) {
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
    if (serverHasLeft(fd) || !sendFrame(fd, kExecute, std::string(command) + '\0')) {
      ended(conversation);
      return false;
    }
    bool closed;
    const char answer = readAnswer(fd, timeoutMilliseconds, &closed);
    if (closed) ended(conversation);
    return answer == kAccepted;
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
        tickMilliseconds() + static_cast<std::uint64_t>(timeoutMilliseconds < 0 ? 0 : timeoutMilliseconds);
    while (!stopped_) {
      int left = -1;
      if (timeoutMilliseconds >= 0) {
        std::uint64_t now = tickMilliseconds();
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
      const unsigned char* h = reinterpret_cast<const unsigned char*>(client->pending.data());
      const std::uint32_t size = h[1] | (h[2] << 8) | (h[3] << 16) | (static_cast<std::uint32_t>(h[4]) << 24);
      if (size > kLongestFrame) {
        ::close(client->fd);
        client->fd = -1;
        return;
      }
      if (client->pending.size() < 5 + size) return;
      const char kind = client->pending[0];
      std::string payload = client->pending.substr(5, size);
      client->pending.erase(0, 5 + size);
      bool accept = false;
      if (kind == kConnect) {
        accept = lower(payload) == "system";
        client->connected = accept;
      } else if (kind == kExecute && client->connected) {
        if (!payload.empty() && payload.back() == '\0') payload.pop_back();
        accept = onExecute_ ? onExecute_(payload, context_) : false;
      }
      const char answer = accept ? kAccepted : kRefused;
      if (!writeAll(client->fd, &answer, 1)) {
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

std::unique_ptr<DdeClient> DdeClient::create(DisconnectHandler onDisconnect, void* context) {
  return std::unique_ptr<DdeClient>(new SocketDdeClient(onDisconnect, context));
}

std::unique_ptr<DdeServer> DdeServer::create(const std::string& service, ExecuteHandler onExecute,
                                             void* context) {
  sockaddr_un address;
  if (!socketAddress(service, &address)) return nullptr;
  // A live socket means the service is taken; a dead one is left over.
  int probe = connectTo(address);
  if (probe >= 0) {
    ::close(probe);
    setLastError(EADDRINUSE);
    return nullptr;
  }
  ::unlink(address.sun_path);
  int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) return nullptr;
  if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, 8) != 0) {
    setLastError(errno);
    ::close(listener);
    return nullptr;
  }
  return std::unique_ptr<DdeServer>(
      new SocketDdeServer(listener, address.sun_path, onExecute, context));
}

}  // namespace platform
