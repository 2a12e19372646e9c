// The private CUPS server and the test accounts: a job printed by an
// ordinary user reaches a backend of ours, and the server goes away with
// the test even when someone restarted it.
#include "testsupport/private_cups.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/posix/exec_support.h"
#include "platform/posix/listening_process.h"
#include "platform/process.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/system_user.h"

namespace testsupport {
namespace {

class PrivateCupsTest : public FreshMachineTest {};

TEST_F(PrivateCupsTest, PrintsAsAnOrdinaryUserThroughABackendOfTheTests) {
  SKIP_WITHOUT_PRIVATE_CUPS();
  const std::string record = machine.path("backend-record");
  PrivateCups cups(machine.path("cups"));
  cups.setBackendEnvironment("VELLORA_STANDIN_LOG", record);
  ASSERT_TRUE(cups.start()) << cups.startError();
  std::string server;
  ASSERT_TRUE(platform::getEnvironment("CUPS_SERVER", &server));
  EXPECT_EQ(server, cups.socketPath());

  // Mode 0700 owned by root: cupsd runs the backend as root.
  const std::string backend = cups.backendFolder() + "/rec";
  ASSERT_TRUE(platform::copyFile(RECORDER_PATH, backend, false));
  ASSERT_EQ(chmod(backend.c_str(), 0700), 0);
  RunResult added = run({"lpadmin", "-p", "Test", "-E", "-v", "rec:/", "-m", "raw"});
  ASSERT_EQ(added.exitCode, 0) << added.output;

  SystemUser user(machine.path("users"));
  ASSERT_TRUE(user.created()) << user.error();
  writeFile(machine.path("job.txt"), "hello\n");
  RunResult printed = user.run({"lp", "-d", "Test", "-t", "A title", machine.path("job.txt")});
  ASSERT_EQ(printed.exitCode, 0) << printed.output;
  int job = jobIdFromLpOutput(printed.output);
  ASSERT_GT(job, 0) << printed.output;

  EXPECT_EQ(cups.waitForJobEnd(job, 30000), kJobCompleted) << cups.jobLog(job);
  // argv: device URI, job id, user, title, copies, options, file.
  std::string line = readFile(record);
  EXPECT_NE(line.find("\t" + std::to_string(job) + "\t" + user.name() + "\tA title\t1\t"),
            std::string::npos)
      << line;
  EXPECT_NE(cups.jobLog(job).find("Job completed"), std::string::npos);

  ASSERT_TRUE(cups.stop());
  EXPECT_FALSE(cups.answering());
}

TEST_F(PrivateCupsTest, StopsAServerRestartedBehindItsBack) {
  SKIP_WITHOUT_PRIVATE_CUPS();
  PrivateCups cups(machine.path("cups"));
  ASSERT_TRUE(cups.start()) << cups.startError();
  pid_t first = cups.serverProcess();
  ASSERT_GT(first, 0);

  // What a service restart does: the server ends and comes back, detached,
  // with the command line it had.
  platform::posix::ProcessStart started;
  ASSERT_TRUE(platform::posix::readProcessStart(first, &started));
  EXPECT_NE(started.executable.find("cupsd"), std::string::npos);
  ASSERT_EQ(kill(first, SIGTERM), 0);
  for (int i = 0; i < 500 && cups.serverProcess() != 0; ++i) platform::sleepMilliseconds(20);
  ASSERT_EQ(cups.serverProcess(), 0);
  ASSERT_EQ(platform::posix::startDetached(started.executable, started.arguments,
                                           &started.environment, started.directory),
            0);
  for (int i = 0; i < 500 && !cups.answering(); ++i) platform::sleepMilliseconds(20);
  pid_t second = cups.serverProcess();
  ASSERT_GT(second, 0);
  EXPECT_NE(second, first);

  EXPECT_TRUE(cups.stop());
  EXPECT_FALSE(platform::posix::processAlive(second));
  EXPECT_FALSE(cups.answering());
}

TEST(LpOutput, JobIdIsTheNumberAfterTheLastDash) {
  EXPECT_EQ(jobIdFromLpOutput("request id is Test-12 (1 file(s))\n"), 12);
  EXPECT_EQ(jobIdFromLpOutput("request id is My-Queue-7 (1 file(s))\n"), 7);
  EXPECT_EQ(jobIdFromLpOutput("lp: Forbidden\n"), 0);
}

}  // namespace
}  // namespace testsupport
