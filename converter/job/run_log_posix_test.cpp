// The run log on Linux, where the working folder can be the shared
// temporary folder: the log is the user's alone.
#include <string>

#include <gtest/gtest.h>

#include "converter/job/run_log.h"
#include "platform/files.h"
#include "testsupport/posix/file_modes.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

using RunLogFile = testsupport::FreshMachineTest;

TEST_F(RunLogFile, TheRunLogIsReadableByItsUserOnlyAndNeverALinksTarget) {
  JobRecord job;
  job.tempDir = machine.path("shared");
  platform::createDirectories(job.tempDir);
  job.errorLog.append("the titles and folders of a user's documents\n");
  const std::string log = job.tempDir.str() + "/vlconv.log";

  ASSERT_EQ(writeRunLog(job), 1);
  EXPECT_EQ(testsupport::posix::permissionBits(log), 0600);

  // Written again over the log of an earlier job, it is still private.
  ASSERT_TRUE(testsupport::posix::setPermissionBits(log, 0644));
  ASSERT_EQ(writeRunLog(job), 1);
  EXPECT_EQ(testsupport::posix::permissionBits(log), 0600);

  // A link at the log's name points elsewhere: the log replaces the link,
  // the file it pointed to keeps its text.
  platform::deleteFile(log);
  const std::string victim = machine.path("victim");
  testsupport::writeFile(victim, "someone's file");
  ASSERT_TRUE(testsupport::posix::makeSymbolicLink(victim, log));
  ASSERT_EQ(writeRunLog(job), 1);
  EXPECT_EQ(testsupport::readFile(victim), "someone's file");
}

}  // namespace
}  // namespace vellora
