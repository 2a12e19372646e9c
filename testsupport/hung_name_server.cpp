#include "testsupport/hung_name_server.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/sockets.h"

namespace testsupport {

namespace {

constexpr int kReleaseLimitMs = 5000;

std::mutex gLock;
std::condition_variable gChanged;
bool gReleased = false;
int gSeen = 0;
int gWaiting = 0;

long neverAnswer(const std::string&, platform::Ipv4Address*) {
  std::unique_lock<std::mutex> guard(gLock);
  ++gSeen;
  ++gWaiting;
  gChanged.wait(guard, [] { return gReleased; });
  --gWaiting;
  gChanged.notify_all();
  return 1;  // no such name, once it is let go
}

}  // namespace

HungNameServer::HungNameServer() {
  {
    std::lock_guard<std::mutex> guard(gLock);
    gReleased = false;
    gSeen = 0;
  }
  platform::setNameLookUpForTesting(&neverAnswer);
}

HungNameServer::~HungNameServer() {
  platform::setNameLookUpForTesting(nullptr);
  std::unique_lock<std::mutex> guard(gLock);
  gReleased = true;
  gChanged.notify_all();
  gChanged.wait_for(guard, std::chrono::milliseconds(kReleaseLimitMs), [] { return gWaiting == 0; });
}

int HungNameServer::lookUpsSeen() const {
  std::lock_guard<std::mutex> guard(gLock);
  return gSeen;
}

}  // namespace testsupport
