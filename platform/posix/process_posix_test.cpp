#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "testsupport/fresh_machine.h"

namespace {

using platform::ChildProcess;
using platform::quoteArgument;

std::string shellLine(const std::string& script) {
  return "/bin/sh -c " + quoteArgument(script);
}

std::string readAll(ChildProcess& child, int chunk = 4096) {
  std::string out;
  std::vector<char> buffer(chunk);
  int n;
  while ((n = child.readOutput(buffer.data(), chunk)) > 0) out.append(buffer.data(), n);
  return out;
}

platform::StartOptions capturing() {
  platform::StartOptions options;
  options.captureOutput = true;
  return options;
}

TEST(Process, CapturesStandardOutputAndErrorTogether) {
  ChildProcess child;
  ASSERT_TRUE(child.start(shellLine("echo out; echo err >&2; echo out2"), capturing()));
  EXPECT_EQ(readAll(child), "out\nerr\nout2\n");
  ASSERT_EQ(child.wait(platform::kWaitForever), platform::kWaitDone);
  EXPECT_EQ(child.exitCode(), 0);
}

TEST(Process, ReadsInSmallChunks) {
  ChildProcess child;
  const std::string text = "[ Page: 1 ]\n[ Page: 2 ]\nLast page done";
  ASSERT_TRUE(child.start("printf " + quoteArgument(text), capturing()));
  std::string out;
  char buffer[10];
  int n, reads = 0;
  while ((n = child.readOutput(buffer, 10)) > 0) {
    EXPECT_LE(n, 10);
    out.append(buffer, n);
    ++reads;
  }
  EXPECT_EQ(out, text);
  EXPECT_GE(reads, static_cast<int>(text.size() / 10));
  EXPECT_EQ(child.readOutput(buffer, 10), 0);  // stays at the end
  child.wait(platform::kWaitForever);
}

TEST(Process, StandardInputIsEmpty) {
  ChildProcess child;
  ASSERT_TRUE(child.start(shellLine("cat; echo done"), capturing()));
  EXPECT_EQ(readAll(child), "done\n");
  child.wait(platform::kWaitForever);
}

TEST(Process, AFedChildReadsWhatIsWrittenUntilItsInputIsClosed) {
  platform::StartOptions options = capturing();
  options.feedInput = true;
  ChildProcess child;
  ASSERT_TRUE(child.start(shellLine("read first; echo \"got $first\"; cat; echo end"), options));
  ASSERT_TRUE(child.writeInput("go\n"));
  ASSERT_TRUE(child.writeInput("more\n"));
  child.closeInput();
  EXPECT_EQ(readAll(child), "got go\nmore\nend\n");
  ASSERT_EQ(child.wait(10000), platform::kWaitDone);
  EXPECT_EQ(child.exitCode(), 0);

  // Writing to a child that has ended is an error, not a signal that would
  // end this process.
  ChildProcess ended;
  ASSERT_TRUE(ended.start("true", options));
  ASSERT_EQ(ended.wait(10000), platform::kWaitDone);
  EXPECT_FALSE(ended.writeInput(std::string(100000, 'x')));
  ChildProcess unfed;
  ASSERT_TRUE(unfed.start("true", capturing()));
  EXPECT_FALSE(unfed.writeInput("x"));
  unfed.wait(platform::kWaitForever);
}

TEST(Process, ExitCodesAndSignals) {
  ChildProcess child;
  ASSERT_TRUE(child.start(shellLine("exit 7"), capturing()));
  EXPECT_EQ(child.wait(5000), platform::kWaitDone);
  EXPECT_EQ(child.exitCode(), 7);
  EXPECT_FALSE(child.running());

  ChildProcess killed;
  ASSERT_TRUE(killed.start(shellLine("kill -TERM $$"), platform::StartOptions()));
  ASSERT_EQ(killed.wait(platform::kWaitForever), platform::kWaitDone);
  EXPECT_EQ(killed.exitCode(), 128 + SIGTERM);
}

TEST(Process, WaitTimesOutOnASleepingChildThenKill) {
  ChildProcess child;
  ASSERT_TRUE(child.start("sleep 30", capturing()));
  EXPECT_TRUE(child.running());
  std::uint64_t before = platform::tickMilliseconds();
  EXPECT_EQ(child.wait(150), platform::kWaitTimeout);
  std::uint64_t waited = platform::tickMilliseconds() - before;
  EXPECT_GE(waited, 140u);
  EXPECT_LT(waited, 2000u);
  EXPECT_EQ(child.exitCode(), -1);
  child.kill();
  ASSERT_EQ(child.wait(5000), platform::kWaitDone);
  EXPECT_EQ(child.exitCode(), 128 + SIGKILL);
  EXPECT_EQ(readAll(child), "");
}

TEST(Process, TimedReadsGiveUpOnASilentChildButNotOnOutput) {
  ChildProcess child;
  ASSERT_TRUE(child.start(shellLine("echo first; exec sleep 5"), capturing()));
  char buffer[64];
  int n = child.readOutputWithin(buffer, sizeof buffer, 2000);
  ASSERT_GT(n, 0);
  EXPECT_EQ(std::string(buffer, n), "first\n");
  std::uint64_t before = platform::tickMilliseconds();
  EXPECT_EQ(child.readOutputWithin(buffer, sizeof buffer, 200), ChildProcess::kReadTimedOut);
  std::uint64_t waited = platform::tickMilliseconds() - before;
  EXPECT_GE(waited, 150u);
  EXPECT_LT(waited, 2000u);
  child.kill();
  child.wait(platform::kWaitForever);
  // A closed output reads as its end, not as a time-out.
  EXPECT_EQ(child.readOutputWithin(buffer, sizeof buffer, 200) >= 0, true);
}

TEST(Process, ProgramsThatCannotStartFail) {
  ChildProcess child;
  EXPECT_FALSE(child.start("/no/such/program arg", capturing()));
  EXPECT_EQ(platform::lastError(), ENOENT);
  EXPECT_FALSE(child.start("vellora-no-such-program-on-path", capturing()));
  EXPECT_EQ(platform::lastError(), ENOENT);
  EXPECT_FALSE(child.start("", capturing()));
  EXPECT_EQ(child.wait(0), platform::kWaitFailed);

  testsupport::FreshMachine machine;
  std::string plain = machine.path("not-executable");
  testsupport::writeFile(plain, "#!/bin/sh\necho hi\n");
  EXPECT_FALSE(child.start(plain, capturing()));
  EXPECT_EQ(platform::lastError(), EACCES);

  platform::StartOptions badDir = capturing();
  badDir.currentDirectory = machine.path("missing-folder");
  EXPECT_FALSE(child.start("/bin/true", badDir));
  EXPECT_EQ(platform::lastError(), ENOENT);
}

TEST(Process, NoShellInterpretsTheCommandLine) {
  ChildProcess child;
  ASSERT_TRUE(child.start("printf \"%s|\" a;b $HOME \"x > y\" `id` *", capturing()));
  EXPECT_EQ(readAll(child), "a;b|$HOME|x > y|`id`|*|");
  child.wait(platform::kWaitForever);
}

TEST(Process, ChildInheritsEnvironmentAndDirectory) {
  testsupport::FreshMachine machine;
  machine.setEnv("VELLORA_TEST_VALUE", "two words");
  platform::StartOptions options = capturing();
  options.currentDirectory = machine.tmp();
  ChildProcess child;
  ASSERT_TRUE(child.start(shellLine("printf '%s|%s' \"$VELLORA_TEST_VALUE\" \"$(pwd)\""), options));
  EXPECT_EQ(readAll(child), "two words|" + machine.tmp());
  child.wait(platform::kWaitForever);
}

TEST(Process, ChildrenDoNotInheritEachOthersPipes) {
  auto openDescriptors = [] {
    ChildProcess lister;
    EXPECT_TRUE(lister.start("ls /proc/self/fd", capturing()));
    std::string out = readAll(lister);
    lister.wait(platform::kWaitForever);
    return out;
  };
  std::string alone = openDescriptors();
  ChildProcess sleeper;
  ASSERT_TRUE(sleeper.start("sleep 30", capturing()));
  EXPECT_EQ(openDescriptors(), alone);
  sleeper.kill();
  sleeper.wait(platform::kWaitForever);
}

TEST(Process, AChildLeftRunningIsReapedLater) {
  std::string pid;
  {
    ChildProcess child;
    ASSERT_TRUE(child.start(shellLine("echo $$; exec sleep 0.2"), capturing()));
    char buffer[32];
    int n = child.readOutput(buffer, sizeof buffer);
    ASSERT_GT(n, 1);
    pid.assign(buffer, n - 1);
  }  // goes on running, as on Windows
  const std::string proc = "/proc/" + pid;
  EXPECT_TRUE(platform::fileExists(proc));
  for (int i = 0; i < 150 && platform::fileExists(proc); ++i) platform::sleepMilliseconds(20);
  EXPECT_FALSE(platform::fileExists(proc)) << "left as a zombie: " << testsupport::readFile(proc + "/stat");
}

// Whether a process is gone (a zombie waiting for its parent counts).
bool gone(const std::string& pid) {
  const std::string stat = testsupport::readFile("/proc/" + pid + "/stat");
  if (stat.empty()) return true;
  std::string::size_type close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

TEST(Process, ChildrenThatEndWithTheCallerEndWithWhatTheyStarted) {
  platform::StartOptions options = capturing();
  options.endWithCaller = true;
  for (bool all : {false, true}) {
    ChildProcess child;
    ASSERT_TRUE(child.start(shellLine("sleep 60 & echo $!; wait"), options));
    char buffer[32];
    int n = child.readOutput(buffer, sizeof buffer);
    ASSERT_GT(n, 1);
    const std::string grandchild(buffer, n - 1);
    if (all)
      platform::stopOwnedChildren();
    else
      child.kill();
    EXPECT_EQ(child.wait(10000), platform::kWaitDone);
    for (int i = 0; i < 500 && !gone(grandchild); ++i) platform::sleepMilliseconds(10);
    EXPECT_TRUE(gone(grandchild)) << (all ? "stopOwnedChildren" : "kill");
  }
  // Others are not touched.
  ChildProcess viewer;
  ASSERT_TRUE(viewer.start("sleep 60", platform::StartOptions()));
  platform::stopOwnedChildren();
  EXPECT_TRUE(viewer.running());
  viewer.kill();
  viewer.wait(platform::kWaitForever);
}

TEST(Environment, LookupsAndChanges) {
  testsupport::FreshMachine machine;
  machine.setEnv("Vellora_Mixed_Case", "v1");
  std::string value;
  EXPECT_TRUE(platform::getEnvironment("Vellora_Mixed_Case", &value));
  EXPECT_FALSE(platform::getEnvironment("VELLORA_MIXED_CASE", &value));
  EXPECT_TRUE(platform::getEnvironmentIgnoreCase("VELLORA_MIXED_CASE", &value));
  EXPECT_EQ(value, "v1");
  EXPECT_FALSE(platform::getEnvironmentIgnoreCase("VELLORA_MIXED", &value));
  EXPECT_FALSE(platform::setEnvironment("A=B", "x"));
  EXPECT_FALSE(platform::setEnvironment("", "x"));
  machine.unsetEnv("Vellora_Mixed_Case");
  EXPECT_FALSE(platform::getEnvironmentIgnoreCase("vellora_mixed_case", &value));
}

TEST(Shell, OpenStartsTheDesktopOpenerWithoutWaiting) {
  testsupport::FreshMachine machine;
  std::string bin = machine.path("bin");
  std::string mark = machine.path("opened");
  testsupport::writeFile(bin + "/xdg-open",
                         "#!/bin/sh\nsleep 0.2\nprintf '%s' \"$1\" > '" + mark + ".part'\n"
                         "mv '" + mark + ".part' '" + mark + "'\n");
  ASSERT_EQ(chmod((bin + "/xdg-open").c_str(), 0755), 0);
  std::string path;
  platform::getEnvironment("PATH", &path);
  machine.setEnv("PATH", bin + ":" + path);

  const std::string document = machine.path("my file; $x.pdf");
  std::uint64_t before = platform::tickMilliseconds();
  ASSERT_TRUE(platform::shellOpen(document));
  EXPECT_LT(platform::tickMilliseconds() - before, 150u);  // does not wait for the opener
  for (int i = 0; i < 250 && !platform::fileExists(mark); ++i) platform::sleepMilliseconds(20);
  EXPECT_EQ(testsupport::readFile(mark), document);

  machine.setEnv("PATH", machine.path("empty"));
  EXPECT_FALSE(platform::shellOpen(document));
}

}  // namespace

namespace {

TEST(TestSupportRun, CollectsOutputAndStopsAHangingChild) {
  testsupport::RunResult ok = testsupport::run({"/bin/sh", "-c", "echo \"$0\"; exit 4", "a b"});
  EXPECT_EQ(ok.exitCode, 4);
  EXPECT_EQ(ok.output, "a b\n");

  std::uint64_t before = platform::tickMilliseconds();
  testsupport::RunResult hung = testsupport::run({"/bin/sh", "-c", "echo started; exec sleep 30"}, 200);
  EXPECT_LT(platform::tickMilliseconds() - before, 5000u);
  EXPECT_EQ(hung.exitCode, -1);
  EXPECT_EQ(hung.output, "started\n\n[timed out]");
}

}  // namespace
