// Name look-ups end at their deadline whatever the resolver does.
#include <atomic>
#include <string>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/sockets.h"
#include "platform/system.h"
#include "testsupport/hung_name_server.h"

namespace platform {
namespace {

Ipv4Address numeric(const std::string& dotted) {
  Ipv4Address address;
  EXPECT_TRUE(resolveIpv4(dotted, &address, 0));
  return address;
}

// A resolver that answers 10.1.2.3 after a delay.
std::atomic<int> gDelayMs{0};
std::atomic<int> gAnswered{0};
long answerLate(const std::string&, Ipv4Address* address) {
  sleepMilliseconds(gDelayMs.load());
  *address = numeric("10.1.2.3");
  ++gAnswered;
  return 0;
}

TEST(NameLookUp, ANameServerThatNeverAnswersEndsTheLookUpAtItsDeadline) {
  testsupport::HungNameServer hung;
  Ipv4Address address = numeric("192.0.2.1");
  const std::uint64_t start = tickMilliseconds();
  EXPECT_FALSE(resolveIpv4("reports.example", &address, start + 300));
  const std::uint64_t took = tickMilliseconds() - start;
  EXPECT_GE(took, 290u);
  EXPECT_LT(took, 3000u);
  EXPECT_NE(lastError(), 0);
  EXPECT_EQ(address.networkOrder, numeric("192.0.2.1").networkOrder) << "untouched";
  EXPECT_EQ(hung.lookUpsSeen(), 1);

  // A dotted address is its own answer, even past the deadline.
  EXPECT_TRUE(resolveIpv4("127.0.0.1", &address, 0));
  EXPECT_EQ(hung.lookUpsSeen(), 1);
  EXPECT_FALSE(resolveIpv4("", &address, tickMilliseconds() + 1000));
  EXPECT_EQ(hung.lookUpsSeen(), 1);
}

TEST(NameLookUp, AnAnswerInTimeIsTakenAndALateOneIsDropped) {
  setNameLookUpForTesting(&answerLate);
  gAnswered = 0;
  gDelayMs = 50;
  Ipv4Address address;
  EXPECT_TRUE(resolveIpv4("reports.example", &address, tickMilliseconds() + 5000));
  EXPECT_EQ(address.networkOrder, numeric("10.1.2.3").networkOrder);

  // The late answer lands after the caller has gone; its variable (and
  // stack) must stay as they were.
  gDelayMs = 400;
  {
    Ipv4Address gone = numeric("192.0.2.1");
    EXPECT_FALSE(resolveIpv4("reports.example", &gone, tickMilliseconds() + 50));
    EXPECT_EQ(gone.networkOrder, numeric("192.0.2.1").networkOrder);
  }
  for (int i = 0; i < 100 && gAnswered < 2; ++i) sleepMilliseconds(20);
  EXPECT_EQ(gAnswered, 2);
  setNameLookUpForTesting(nullptr);
}

TEST(NameLookUp, TheSystemsResolverAnswersForLocalhost) {
  Ipv4Address address;
  ASSERT_TRUE(resolveIpv4("localhost", &address, tickMilliseconds() + 10000)) << lastError();
  EXPECT_EQ(address.networkOrder, numeric("127.0.0.1").networkOrder);
}

}  // namespace
}  // namespace platform
