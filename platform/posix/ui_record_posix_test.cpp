// Record lines of processes that write one record at the same time.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/ui_record.h"
#include "testsupport/fresh_machine.h"

namespace {

class UiRecordWriters : public testsupport::FreshMachineTest {};

TEST_F(UiRecordWriters, ConcurrentWritersKeepWholeLines) {
  std::string log = machine.path("shared.log");
  constexpr int kWriters = 4, kEvents = 100;
  const std::string longText(3000, 'x');  // longer than a small stdio buffer
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      const std::string line = platform::recordLine({"clipboard", std::to_string(w) + longText});
      for (int i = 0; i < kEvents; ++i) platform::appendRecordLine(log, line);
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) waitpid(pid, nullptr, 0);
  platform::TextReader reader;
  ASSERT_TRUE(reader.open(log));
  std::string line;
  int count = 0;
  while (reader.readLine(&line)) {
    ++count;
    ASSERT_EQ(line.size(), std::string("clipboard\t0").size() + longText.size());
    EXPECT_EQ(line.compare(0, 10, "clipboard\t"), 0);
  }
  EXPECT_EQ(count, kWriters * kEvents);
}

}  // namespace
