#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "scripted_ui/scripted_ui.h"
#include "testsupport/fresh_machine.h"

namespace {

using platform::ScriptedUi;

class ScriptedUiRecord : public testsupport::FreshMachineTest {};

TEST_F(ScriptedUiRecord, ConcurrentWritersKeepWholeLines) {
  std::string log = machine.path("shared.log");
  constexpr int kWriters = 4, kEvents = 100;
  const std::string longText(3000, 'x');  // longer than a small stdio buffer
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ScriptedUi ui;
      ui.setRecordFile(log);
      for (int i = 0; i < kEvents; ++i) ui.copyToClipboard(std::to_string(w) + longText);
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
