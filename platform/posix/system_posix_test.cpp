#include <unistd.h>

#include <ctime>

#include <gtest/gtest.h>

#include "platform/system.h"
#include "testsupport/fresh_machine.h"

namespace {

class System : public testsupport::FreshMachineTest {};

TEST_F(System, DefaultIsTheCurrentNtFamily) {
  platform::OsVersion v = platform::osVersion();
  EXPECT_EQ(v.platform, platform::kWin32Nt);
  EXPECT_EQ(v.major, 10);
}

TEST_F(System, EnvironmentNamesEverySupportedSystem) {
  struct Case {
    const char* name;
    platform::OsPlatform platform;
    int major, minor;
  } cases[] = {
      {"95", platform::kWin32Windows, 4, 0}, {"98", platform::kWin32Windows, 4, 10},
      {"Me", platform::kWin32Windows, 4, 90}, {"NT4", platform::kWin32Nt, 4, 0},
      {"2000", platform::kWin32Nt, 5, 0},     {"XP", platform::kWin32Nt, 5, 1},
      {"2003", platform::kWin32Nt, 5, 2},     {"Vista", platform::kWin32Nt, 6, 0},
      {"7", platform::kWin32Nt, 6, 1},        {"nt:6.3", platform::kWin32Nt, 6, 3},
      {"9x:4.10", platform::kWin32Windows, 4, 10}, {"NT:5", platform::kWin32Nt, 5, 0},
      {"bogus", platform::kWin32Nt, 10, 0},   {"nt:x", platform::kWin32Nt, 10, 0},
  };
  for (const auto& c : cases) {
    machine.setEnv("VELLORA_OS_VERSION", c.name);
    platform::OsVersion v = platform::osVersion();
    EXPECT_EQ(v.platform, c.platform) << c.name;
    EXPECT_EQ(v.major, c.major) << c.name;
    EXPECT_EQ(v.minor, c.minor) << c.name;
    if (c.platform == platform::kWin32Windows) {
      EXPECT_FALSE(v.is64Bit) << c.name;
    }
  }
}

TEST_F(System, TestingOverrideWinsUntilCleared) {
  machine.setEnv("VELLORA_OS_VERSION", "XP");
  platform::OsVersion fixed;
  fixed.platform = platform::kWin32Windows;
  fixed.major = 4;
  fixed.minor = 90;
  platform::setOsVersionForTesting(&fixed);
  EXPECT_EQ(platform::osVersion().minor, 90);
  platform::setOsVersionForTesting(nullptr);
  EXPECT_EQ(platform::osVersion().minor, 1);
}

TEST_F(System, UserRightsFromTheEnvironment) {
  machine.setEnv("VELLORA_USER_RIGHTS", "user");
  EXPECT_FALSE(platform::isAdministrator());
  machine.setEnv("VELLORA_USER_RIGHTS", "admin");
  EXPECT_TRUE(platform::isAdministrator());
  machine.unsetEnv("VELLORA_USER_RIGHTS");
  // The fresh machine root belongs to whoever runs the test.
  EXPECT_TRUE(platform::isAdministrator());
  EXPECT_FALSE(platform::userName().empty());
}

TEST(Clock, FileTimeCountsFrom1601) {
  std::uint64_t ft = platform::systemTimeAsFileTime();
  std::uint64_t unixSeconds = ft / 10000000u - 11644473600u;
  EXPECT_LE(static_cast<long long>(unixSeconds) - static_cast<long long>(std::time(nullptr)), 1);
  EXPECT_GE(static_cast<long long>(unixSeconds) - static_cast<long long>(std::time(nullptr)), -1);

  std::uint64_t t0 = platform::tickMilliseconds();
  usleep(30000);
  std::uint64_t elapsed = platform::tickMilliseconds() - t0;
  EXPECT_GE(elapsed, 29u);
  EXPECT_LT(elapsed, 2000u);
}

}  // namespace
