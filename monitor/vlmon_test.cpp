// The monitor program as CUPS runs it (as root, with a job's arguments),
// with a stand-in converter that writes down how it was started.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/product.h"
#include "monitor/desktop_session.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/private_cups.h"
#include "testsupport/system_user.h"

namespace vellora {
namespace monitor {
namespace {

// The stand-in converter: its arguments (NUL-separated), who it runs as,
// its environment, and the spool file's mode and content, into the home folder.
const char kStandInConverter[] =
    "#!/bin/sh\n"
    "printf '%s\\0' \"$@\" > \"$HOME/arguments\"\n"
    "id -u > \"$HOME/uid\"\n"
    "env > \"$HOME/environment\"\n"
    "stat -c %a \"$2\" > \"$HOME/spool-mode\"\n"
    "cat \"$2\" > \"$HOME/spool-copy\"\n"
    "echo 'converting; ATTR: marker-levels=0'\n"
    "exit ${VLCONV_EXIT:-0}\n";

std::vector<std::string> splitNul(const std::string& text) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  while (start < text.size()) {
    std::string::size_type end = text.find('\0', start);
    if (end == std::string::npos) end = text.size();
    parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

class MonitorTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_PRIVATE_CUPS();  // root is needed to act for users
    product = machine.root() + "/Programs/Vellora";
    ASSERT_TRUE(platform::createDirectories(product));
    testsupport::writeFile(product + "/vlconv", kStandInConverter);
    ASSERT_EQ(0, chmod((product + "/vlconv").c_str(), 0755));
    platform::RegKey key;
    ASSERT_EQ(platform::kRegOk, key.create(platform::HKLM, kProductKey));
    ASSERT_EQ(platform::kRegOk, key.setString(kAppPathValue, product));
    key.close();
    platform::resetPlatformRegistry();
    job = machine.path("job.ps");
    testsupport::writeFile(job, "%!PS-Adobe-3.0\n%%Title: Report\n%%Pages: 3\n%%EndComments\nshowpage\n");
  }

  testsupport::RunResult monitor(const std::string& user, const std::string& title) {
    return testsupport::run({VLMON_PATH, "7", user, title, "1", "media=A4", job});
  }

  std::string product, job;
};

TEST_F(MonitorTest, AnnouncesItsDeviceWithoutArguments) {
  testsupport::RunResult result = testsupport::run({VLMON_PATH});
  EXPECT_EQ(0, result.exitCode);
  EXPECT_EQ("direct vlm:/ \"Norvale Vellora\" \"Vellora PDF printer\"\n", result.output);
  EXPECT_EQ(1, testsupport::run({VLMON_PATH, "1", "2"}).exitCode);
}

TEST_F(MonitorTest, RefusesJobsOfRootAndOfUnknownUsersWithoutMakingAnything) {
  testsupport::RunResult root = monitor("root", "Report");
  EXPECT_EQ(5, root.exitCode) << "the job is cancelled, the queue goes on";
  EXPECT_NE(std::string::npos, root.output.find("ERROR: Vellora refused the job of \"root\": jobs of root"))
      << root.output;
  testsupport::RunResult unknown = monitor("nosuchuser-vl", "Report");
  EXPECT_EQ(5, unknown.exitCode);
  EXPECT_NE(std::string::npos,
            unknown.output.find("ERROR: Vellora refused the job of \"nosuchuser-vl\": there is no user of that name"))
      << unknown.output;
  // Nothing was converted, no folder or file was made for anyone.
  EXPECT_FALSE(platform::fileExists("/root/arguments"));
  EXPECT_FALSE(platform::fileExists(machine.home() + "/.local"));
}

TEST_F(MonitorTest, ConvertsAsTheUserWithAHostileTitleAsOneArgumentAndACleanEnvironment) {
  testsupport::SystemUser user(machine.path("users"));
  ASSERT_TRUE(user.created()) << user.error();
  const std::string title = "Q3 \"Report\" $(touch /tmp/vl-pwned) `id` ../../etc/passwd; rm -rf ~ " +
                            std::string(5000, 'x');
  machine.setEnv("PRINTER", "Invoices");
  machine.setEnv("DISPLAY", ":99");  // the scheduler's environment is not the user's
  machine.setEnv("LD_PRELOAD", "/nonexistent.so");
  testsupport::RunResult result = monitor(user.name(), title);
  ASSERT_EQ(0, result.exitCode) << result.output;

  const std::vector<std::string> arguments = splitNul(testsupport::readFile(user.home() + "/arguments"));
  ASSERT_EQ(4u, arguments.size());
  EXPECT_EQ("3", arguments[0]);
  const std::string work = user.home() + "/.local/share/Vellora/Temp/";
  EXPECT_EQ(0u, arguments[1].find(work)) << arguments[1];
  EXPECT_EQ(title, arguments[2]);
  EXPECT_EQ("Invoices", arguments[3]);
  EXPECT_FALSE(platform::fileExists("/tmp/vl-pwned"));

  EXPECT_EQ(std::to_string(user.uid()) + "\n", testsupport::readFile(user.home() + "/uid"));
  EXPECT_EQ("600\n", testsupport::readFile(user.home() + "/spool-mode"));
  EXPECT_EQ(testsupport::readFile(job), testsupport::readFile(user.home() + "/spool-copy"));
  EXPECT_FALSE(platform::fileExists(arguments[1])) << "the spool file goes with the job";

  const std::string environment = testsupport::readFile(user.home() + "/environment");
  EXPECT_NE(std::string::npos, environment.find("HOME=" + user.home() + "\n"));
  EXPECT_NE(std::string::npos, environment.find("USER=" + user.name() + "\n"));
  EXPECT_NE(std::string::npos, environment.find("PATH=/usr/local/bin:/usr/bin:/bin\n"));
  EXPECT_NE(std::string::npos, environment.find("VELLORA_ROOT=" + machine.root() + "\n"));
  for (const char* foreign : {"DISPLAY=", "LD_PRELOAD=", "PRINTER=", "TMPDIR="})
    EXPECT_EQ(std::string::npos, environment.find(foreign)) << foreign;

  // What the user owns stays the user's; the converter's words reach the
  // log only as debug lines.
  EXPECT_TRUE(testsupport::entriesNotOwnedBy(user.home(), user.uid()).empty());
  EXPECT_NE(std::string::npos, result.output.find("DEBUG: vlconv: converting; ATTR: marker-levels=0"));
  EXPECT_EQ(std::string::npos, result.output.find("\nATTR:"));
  EXPECT_NE(std::string::npos, result.output.find("INFO: Converted \"Q3 \"Report\" $(touch")) << result.output;
}

TEST_F(MonitorTest, ANoFileChosenCancelsAndAFailingConverterAbortsTheJob) {
  testsupport::SystemUser user(machine.path("users"));
  ASSERT_TRUE(user.created()) << user.error();
  // The stand-in reads its exit code from its environment, which the
  // monitor builds: give it through a wrapper the product folder runs.
  testsupport::writeFile(product + "/vlconv", std::string(kStandInConverter).replace(
                                                  std::string(kStandInConverter).find("${VLCONV_EXIT:-0}"),
                                                  17, "255"));
  EXPECT_EQ(5, monitor(user.name(), "Report").exitCode);
  testsupport::writeFile(product + "/vlconv",
                         "#!/bin/sh\nkill -SEGV $$\n");
  testsupport::RunResult crashed = monitor(user.name(), "Report");
  EXPECT_EQ(1, crashed.exitCode);
  EXPECT_NE(std::string::npos, crashed.output.find("ERROR: Vellora could not convert the job: the converter ended"))
      << crashed.output;
  // Whatever became of the converter, no spool file stays behind.
  std::vector<std::string> left;
  platform::listDirectory(user.home() + "/.local/share/Vellora/Temp", "*", &left);
  EXPECT_TRUE(left.empty());
}

TEST_F(MonitorTest, FindsTheDesktopOfTheUserWhoPrinted) {
  testsupport::SystemUser user(machine.path("users"));
  ASSERT_TRUE(user.created()) << user.error();
  EXPECT_TRUE(desktopSessionOf(user.uid()).empty());
  // A program of the user's session, as a desktop would run it.
  pid_t session = fork();
  ASSERT_GE(session, 0);
  if (session == 0) {
    if (setgid(user.gid()) != 0 || setuid(user.uid()) != 0) _exit(1);
    char* const argv[] = {const_cast<char*>("sleep"), const_cast<char*>("30"), nullptr};
    char* const envp[] = {const_cast<char*>("DISPLAY=:77"), const_cast<char*>("XAUTHORITY=/tmp/xa"),
                          const_cast<char*>("HOME=/"), nullptr};
    execve("/bin/sleep", argv, envp);
    _exit(127);
  }
  std::vector<std::string> found;
  for (int i = 0; i < 200 && found.empty(); ++i) {
    platform::sleepMilliseconds(10);
    found = desktopSessionOf(user.uid());
  }
  kill(session, SIGKILL);
  waitpid(session, nullptr, 0);
  EXPECT_EQ((std::vector<std::string>{"DISPLAY=:77", "XAUTHORITY=/tmp/xa"}), found);
}

}  // namespace
}  // namespace monitor
}  // namespace vellora
