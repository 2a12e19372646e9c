// An X server of the test's own: Xvfb on a free display number with a
// 1280 x 1024 x 24 screen, reachable only through its local socket. While
// the object lives DISPLAY names it (and GTK is kept quiet: its settings in
// memory, no accessibility bus), so the programs a test starts open their
// windows there.
//
//   testsupport::PrivateDisplay display;
//   ASSERT_TRUE(display.start()) << display.startError();
//
// stop() ends the server at once, as a desktop that goes away would.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace testsupport {

// Why no private X server can run here (Xvfb not installed); empty when it can.
std::string privateDisplayUnavailableReason();

#define SKIP_WITHOUT_PRIVATE_DISPLAY()                                                \
  do {                                                                                \
    const std::string whyNoDisplay = ::testsupport::privateDisplayUnavailableReason(); \
    if (!whyNoDisplay.empty()) GTEST_SKIP() << whyNoDisplay;                           \
  } while (0)

class PrivateDisplay {
 public:
  PrivateDisplay();
  ~PrivateDisplay();  // stops the server, restores the environment
  PrivateDisplay(const PrivateDisplay&) = delete;
  PrivateDisplay& operator=(const PrivateDisplay&) = delete;

  bool start();
  const std::string& startError() const { return error_; }
  // ":N"
  const std::string& name() const { return name_; }
  // Ends the server now.
  void stop();

 private:
  void setEnv(const std::string& name, const std::string& value);
  pid_t server_ = -1;
  std::string name_;
  std::string error_;
  std::vector<std::pair<std::string, std::pair<bool, std::string>>> saved_;
};

}  // namespace testsupport
