// An HTTP server on 127.0.0.1 for tests of the error agent: a thread that
// accepts connections on a port of its own, records the bytes of each
// request and answers (or misbehaves) as told. Every wait in it is bounded;
// it stops when the object goes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

class LoopbackHttpServer {
 public:
  enum class Behaviour {
    kAnswer,       // reads the request, sends the reply, closes
    kReset,        // resets the connection when the request comes, reading none of it
    kNeverAnswer,  // reads the request, then keeps the connection open in silence
    kTrickle,      // reads the request, then answers one byte at a time, over and over,
                   // for up to ten seconds before it closes
  };
  // Port 0 takes a free port; a given port that is taken leaves the server
  // unstarted (started() false).
  explicit LoopbackHttpServer(Behaviour behaviour = Behaviour::kAnswer, int port = 0);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  bool started() const { return listener_ >= 0; }
  int port() const { return port_; }
  // "127.0.0.1:PORT"
  std::string address() const;
  // What the server answers.
  static const char kReply[];

  // The requests received so far, each as the bytes read from one connection.
  std::vector<std::string> requests() const;
  // Waits at most timeoutMilliseconds until `count` requests have come.
  bool waitForRequests(std::size_t count, int timeoutMilliseconds) const;

 private:
  void serve();
  void handle(int connection);

  Behaviour behaviour_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex lock_;
  mutable std::condition_variable arrived_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens, so connecting is refused.
int refusedLoopbackPort();

}  // namespace testsupport
