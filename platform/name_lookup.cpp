// Name look-ups bounded by the caller's deadline. A look-up that outlives
// the wait keeps what it shares with its caller alive by itself, so it may
// finish at any time later without touching anything the caller has left.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/files.h"
#include "platform/name_lookup_backend.h"
#include "platform/sockets.h"
#include "platform/system.h"

namespace platform {

namespace {

// The longest single wait; the deadline is looked at again after each.
constexpr std::uint64_t kWaitSliceMs = 60000;

struct PendingLookUp {
  std::mutex lock;
  std::condition_variable finished;
  bool done = false;
  long status = 0;
  Ipv4Address address;
};

#ifdef VELLORA_TEST_HOOKS
std::atomic<BlockingNameLookUp> gTestLookUp{nullptr};
#endif

BlockingNameLookUp chosenLookUp() {
#ifdef VELLORA_TEST_HOOKS
  if (BlockingNameLookUp replaced = gTestLookUp.load()) return replaced;
#endif
  return &systemLookUpIpv4;
}

}  // namespace

bool resolveIpv4(const std::string& host, Ipv4Address* address, std::uint64_t deadline) {
  if (numericIpv4(host, address)) return true;
  if (host.empty()) return false;
  auto pending = std::make_shared<PendingLookUp>();
  const BlockingNameLookUp lookUp = chosenLookUp();
  try {
    std::thread([pending, host, lookUp] {
      Ipv4Address found;
      const long status = lookUp(host, &found);
      std::lock_guard<std::mutex> guard(pending->lock);
      pending->status = status;
      pending->address = found;
      pending->done = true;
      pending->finished.notify_all();
    }).detach();
  } catch (const std::system_error& failure) {
    setLastError(failure.code().value());
    return false;
  }
  std::unique_lock<std::mutex> guard(pending->lock);
  while (!pending->done) {
    const std::uint64_t now = tickMilliseconds();
    if (now >= deadline) break;
    const std::uint64_t wait = std::min(deadline - now, kWaitSliceMs);
    pending->finished.wait_for(guard, std::chrono::milliseconds(static_cast<long long>(wait)));
  }
  if (!pending->done) {
    setLastError(timedOutError());
    return false;
  }
  if (pending->status != 0) {
    setLastError(static_cast<int>(pending->status));
    return false;
  }
  *address = pending->address;
  return true;
}

#ifdef VELLORA_TEST_HOOKS
void setNameLookUpForTesting(BlockingNameLookUp lookUp) { gTestLookUp.store(lookUp); }
#endif

}  // namespace platform
