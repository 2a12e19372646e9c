// The monitor program as CUPS runs it (as root, with a job's arguments),
// with a stand-in converter that writes down how it was started.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "common/product.h"
#include "monitor/desktop_session.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/private_cups.h"
#include "testsupport/stand_in_record.h"
#include "testsupport/system_user.h"

namespace vellora {
namespace monitor {
namespace {

// The stand-in converter: its arguments (NUL-separated), who it runs as,
// the environment it was started with, its open descriptors, and the spool
// file's mode and content, into the home folder; then it ends the job as
// the file "ending" in the home folder says: a word for the result file, an
// exit code, a signal; or it pauses until it is asked to end, and then
// notes that it was.
const char kStandInConverter[] =
    "#!/bin/sh\n"
    "printf '%s\\0' \"$@\" > \"$HOME/arguments\"\n"
    "grep -E '^(Uid|Gid|Groups):' /proc/$$/status > \"$HOME/identity\"\n"
    "cat /proc/$$/environ > \"$HOME/environment\"\n"
    "ls -l /proc/$$/fd/ > \"$HOME/descriptors\"\n"
    "stat -c %a \"$2\" > \"$HOME/spool-mode\"\n"
    "cat \"$2\" > \"$HOME/spool-copy\"\n"
    "echo 'converting; ATTR: marker-levels=0'\n"
    "end=completed; code=0; message='/home/Report.pdf'\n"
    "if [ -f \"$HOME/ending\" ]; then . \"$HOME/ending\"; fi\n"
    "if [ -n \"$pause\" ]; then\n"
    "  trap 'kill $! 2>/dev/null; echo ended > \"$HOME/ended\"; exit 0' TERM\n"
    "  sleep 30 & echo $$ > \"$HOME/converter.pid\"; wait\n"
    "fi\n"
    "[ -n \"$end\" ] && printf '%s\\n%s\\n' \"$end\" \"$message\" > \"$VELLORA_JOB_RESULT\"\n"
    "[ -n \"$signal\" ] && kill -\"$signal\" $$\n"
    "exit $code\n";

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
  // What the scheduler hands a backend beyond its standard streams (the
  // back-channel and side-channel): open, not closed on exec.
  const std::string backChannel = machine.path("back-channel"), sideChannel = machine.path("side-channel");
  testsupport::writeFile(backChannel, "");
  testsupport::writeFile(sideChannel, "");
  const int back = open(backChannel.c_str(), O_RDWR), side = open(sideChannel.c_str(), O_RDWR);
  ASSERT_GE(back, 0);
  ASSERT_GE(side, 0);
  testsupport::RunResult result = monitor(user.name(), title);
  close(back);
  close(side);
  ASSERT_EQ(0, result.exitCode) << result.output;

  const std::vector<std::string> arguments = splitNul(testsupport::readFile(user.home() + "/arguments"));
  ASSERT_EQ(4u, arguments.size());
  EXPECT_EQ("3", arguments[0]);
  const std::string work = user.home() + "/.local/share/Vellora/Temp/";
  EXPECT_EQ(0u, arguments[1].find(work)) << arguments[1];
  EXPECT_EQ(title, arguments[2]);
  EXPECT_EQ("Invoices", arguments[3]);
  EXPECT_FALSE(platform::fileExists("/tmp/vl-pwned"));

  // The user's ids, all four of them, and the user's groups alone.
  const std::string uid = std::to_string(user.uid()), gid = std::to_string(user.gid());
  EXPECT_EQ("Uid:\t" + uid + "\t" + uid + "\t" + uid + "\t" + uid + "\n" + "Gid:\t" + gid + "\t" + gid + "\t" +
                gid + "\t" + gid + "\n" + "Groups:\t" + gid + " \n",
            testsupport::readFile(user.home() + "/identity"));
  EXPECT_EQ("600\n", testsupport::readFile(user.home() + "/spool-mode"));
  EXPECT_EQ(testsupport::readFile(job), testsupport::readFile(user.home() + "/spool-copy"));
  EXPECT_FALSE(platform::fileExists(arguments[1])) << "the spool file goes with the job";

  // The environment is the monitor's own making, every entry of it.
  std::vector<std::string> environment = splitNul(testsupport::readFile(user.home() + "/environment"));
  std::sort(environment.begin(), environment.end());
  const std::string resultFile = arguments[1].substr(0, arguments[1].size() - 3) + ".end";
  EXPECT_EQ((std::vector<std::string>{"HOME=" + user.home(), "LANG=C.UTF-8", "LOGNAME=" + user.name(),
                                      "PATH=/usr/local/bin:/usr/bin:/bin", "SHELL=/bin/sh", "USER=" + user.name(),
                                      "VELLORA_JOB_RESULT=" + resultFile, "VELLORA_ROOT=" + machine.root()}),
            environment);
  EXPECT_FALSE(platform::fileExists(resultFile)) << "the result file goes with the job";

  // Standard input is the null device, the output a pipe to the monitor;
  // nothing else of the scheduler's reaches the converter.
  const std::string descriptors = testsupport::readFile(user.home() + "/descriptors");
  EXPECT_NE(std::string::npos, descriptors.find(" 0 -> /dev/null\n")) << descriptors;
  EXPECT_NE(std::string::npos, descriptors.find(" 2 -> pipe:")) << descriptors;
  EXPECT_EQ(std::string::npos, descriptors.find(backChannel)) << descriptors;
  EXPECT_EQ(std::string::npos, descriptors.find(sideChannel)) << descriptors;

  // What the user owns stays the user's; the converter's words reach the
  // log only as debug lines.
  EXPECT_TRUE(testsupport::entriesNotOwnedBy(user.home(), user.uid()).empty());
  EXPECT_NE(std::string::npos, result.output.find("DEBUG: vlconv: converting; ATTR: marker-levels=0"));
  EXPECT_EQ(std::string::npos, result.output.find("\nATTR:"));
  EXPECT_NE(std::string::npos, result.output.find("INFO: Converted \"Q3 \"Report\" $(touch")) << result.output;
  EXPECT_NE(std::string::npos, result.output.find(" into /home/Report.pdf\n")) << result.output;
}

TEST_F(MonitorTest, TheJobEndsAsTheConverterSaysItEnded) {
  testsupport::SystemUser user(machine.path("users"));
  ASSERT_TRUE(user.created()) << user.error();
  // Pages counted from the trailer, past the header the monitor looks at.
  testsupport::writeFile(job, "%!PS-Adobe-3.0\n%%Title: Report\n%%Pages: (atend)\n%%EndComments\n" +
                                  std::string(100000, '%') + "\nshowpage\n%%Trailer\n%%Pages: 12\n%%EOF\n");
  struct Case {
    std::string ending;  // for the stand-in
    int exitCode;        // the backend's
    std::string line;    // the monitor's last line, what the job shows
  };
  const std::string cannot = "ERROR: Vellora could not convert \"Report\": ";
  const std::vector<Case> cases = {
      {"", 0, "INFO: Converted \"Report\" for " + user.name() + " into /home/Report.pdf"},
      {"end=; code=255", 5, "INFO: No file was chosen for \"Report\": the job is cancelled"},
      {"end=abandoned; message=", 5,
       "INFO: The job \"Report\" was given up when " + user.name() + " was asked: it is cancelled"},
      {"end=failed; message='No room left\tin the folder.'", 1, cannot + "No room left?in the folder."},
      // A converter that ends with code 0 without telling (it crashed and
      // its report ended it), or tells one thing and ends otherwise.
      {"end=", 1, cannot + "the converter ended before it finished the job (it may have crashed; see its run log)"},
      {"code=3", 1, cannot + "the converter ended with code 3"},
      {"end=; signal=SEGV", 1, cannot + "the converter ended with code 139"},
  };
  for (const Case& c : cases) {
    testsupport::writeFile(user.home() + "/ending", c.ending + "\n");
    testsupport::RunResult result = monitor(user.name(), "Report");
    EXPECT_EQ(c.exitCode, result.exitCode) << c.ending << "\n" << result.output;
    std::string output = result.output;
    while (!output.empty() && output.back() == '\n') output.pop_back();
    EXPECT_EQ(c.line, output.substr(output.rfind('\n') + 1)) << c.ending;
    EXPECT_EQ("12", splitNul(testsupport::readFile(user.home() + "/arguments")).at(0));
    // Whatever became of the converter, no spool or result file stays behind.
    std::vector<std::string> left;
    platform::listDirectory(user.home() + "/.local/share/Vellora/Temp", "*", &left);
    EXPECT_TRUE(left.empty()) << c.ending;
  }
}

// The scheduler ends a cancelled job's backend with SIGTERM, and kills it
// if it lingers: either way the converter is told to end, and the job's
// files go.
TEST_F(MonitorTest, ACancelReachesTheConverterEvenWhenOnlyTheMonitorIsTold) {
  testsupport::SystemUser user(machine.path("users"));
  ASSERT_TRUE(user.created()) << user.error();
  testsupport::writeFile(user.home() + "/ending", "pause=1\n");
  for (int sig : {SIGTERM, SIGKILL}) {
    platform::deleteFile(user.home() + "/converter.pid");
    platform::deleteFile(user.home() + "/ended");
    platform::ChildProcess running;
    platform::StartOptions options;
    options.captureOutput = true;
    std::string line;
    for (const std::string& argument : {std::string(VLMON_PATH), std::string("7"), user.name(),
                                        std::string("Report"), std::string("1"), std::string("media=A4"), job})
      line += platform::quoteArgument(argument) + " ";
    ASSERT_TRUE(running.start(line, options));
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return !testsupport::readFile(user.home() + "/converter.pid").empty(); }, 20000));
    // Only the monitor is told, not its process group.
    ASSERT_EQ(0, kill(static_cast<pid_t>(running.id()), sig));
    ASSERT_EQ(platform::kWaitDone, running.wait(20000));
    EXPECT_TRUE(testsupport::waitUntil([&] { return platform::fileExists(user.home() + "/ended"); }, 20000))
        << "signal " << sig;
    if (sig == SIGTERM) {
      EXPECT_EQ(5, running.exitCode()) << "the job is cancelled";
      std::vector<std::string> left;
      platform::listDirectory(user.home() + "/.local/share/Vellora/Temp", "*", &left);
      EXPECT_TRUE(left.empty()) << left.size();
    }
  }
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
