#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/process.h"

namespace platform {
namespace {

std::string command(const std::string& arguments) {
  return quoteArgument(systemFolder() + "\\cmd.exe") + " /c " + arguments;
}

std::string readAllOutput(ChildProcess& child) {
  std::string output;
  char buffer[256];
  for (int n; (n = child.readOutput(buffer, sizeof buffer)) > 0;) output.append(buffer, n);
  return output;
}

TEST(Win32Process, CapturesOutputAndErrorAndTheExitCode) {
  ChildProcess child;
  StartOptions options;
  options.captureOutput = true;
  ASSERT_TRUE(child.start(command("echo out& echo err 1>&2& exit 7"), options));
  const std::string output = readAllOutput(child);
  EXPECT_NE(std::string::npos, output.find("out")) << output;
  EXPECT_NE(std::string::npos, output.find("err")) << output;
  ASSERT_EQ(kWaitDone, child.wait(30000));
  EXPECT_EQ(7, child.exitCode());
  EXPECT_FALSE(child.running());
}

TEST(Win32Process, StandardInputReadsAsEmpty) {
  ChildProcess child;
  StartOptions options;
  options.captureOutput = true;
  // "more" copies its input; with an empty input it ends at once.
  ASSERT_TRUE(child.start(command("more"), options));
  readAllOutput(child);
  EXPECT_EQ(kWaitDone, child.wait(30000));
}

TEST(Win32Process, AFedChildReadsWhatIsWrittenUntilItsInputIsClosed) {
  ChildProcess child;
  StartOptions options;
  options.captureOutput = true;
  options.feedInput = true;
  // "more" copies its input to its output.
  ASSERT_TRUE(child.start(command("more"), options));
  ASSERT_TRUE(child.writeInput("fed line\r\n"));
  child.closeInput();
  const std::string output = readAllOutput(child);
  EXPECT_NE(std::string::npos, output.find("fed line")) << output;
  EXPECT_EQ(kWaitDone, child.wait(30000));
  EXPECT_FALSE(child.writeInput("x"));
}

TEST(Win32Process, TimesOutAndKills) {
  ChildProcess child;
  // ping itself, not through cmd: killing cmd would leave its ping running,
  // holding the test's output open for half a minute.
  ASSERT_TRUE(child.start(quoteArgument(systemFolder() + "\\ping.exe") + " -n 30 127.0.0.1",
                          StartOptions()));
  EXPECT_TRUE(child.running());
  EXPECT_EQ(kWaitTimeout, child.wait(100));
  child.kill();
  ASSERT_EQ(kWaitDone, child.wait(30000));
  EXPECT_NE(0, child.exitCode());
}

TEST(Win32Process, MissingProgramsFailToStart) {
  ChildProcess child;
  EXPECT_FALSE(child.start("vellora-no-such-program.exe", StartOptions()));
  EXPECT_NE(0, lastError());
  EXPECT_EQ(kWaitFailed, child.wait(0));
  char buffer[4];
  EXPECT_EQ(0, child.readOutput(buffer, sizeof buffer));
}

TEST(Win32Environment, NamesIgnoreCaseAndTheRuntimeAgrees) {
  ASSERT_TRUE(setEnvironment("Vellora_Test_Var", "one"));
  std::string value;
  ASSERT_TRUE(getEnvironment("VELLORA_TEST_VAR", &value));
  EXPECT_EQ("one", value);
  ASSERT_TRUE(getEnvironmentIgnoreCase("vellora_test_var", &value));
  EXPECT_EQ("one", value);
  const char* runtime = std::getenv("Vellora_Test_Var");
  ASSERT_NE(nullptr, runtime);
  EXPECT_STREQ("one", runtime);

  // An empty value is still a variable for the system.
  ASSERT_TRUE(setEnvironment("Vellora_Test_Var", ""));
  ASSERT_TRUE(getEnvironment("Vellora_Test_Var", &value));
  EXPECT_EQ("", value);

  ASSERT_TRUE(unsetEnvironment("Vellora_Test_Var"));
  EXPECT_FALSE(getEnvironment("Vellora_Test_Var", &value));
  EXPECT_EQ(nullptr, std::getenv("Vellora_Test_Var"));
  EXPECT_TRUE(unsetEnvironment("Vellora_Test_Var"));  // gone already
  EXPECT_FALSE(setEnvironment("A=B", "x"));
}

TEST(Win32Environment, ChildrenInheritIt) {
  ASSERT_TRUE(setEnvironment("VELLORA_TEST_CHILD", "inherited"));
  ChildProcess child;
  StartOptions options;
  options.captureOutput = true;
  ASSERT_TRUE(child.start(command("echo %VELLORA_TEST_CHILD%"), options));
  EXPECT_NE(std::string::npos, readAllOutput(child).find("inherited"));
  EXPECT_EQ(kWaitDone, child.wait(30000));
  unsetEnvironment("VELLORA_TEST_CHILD");
}

}  // namespace
}  // namespace platform
