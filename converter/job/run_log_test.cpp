#include "converter/job/run_log.h"

#include <string>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/system.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

using testsupport::FreshMachineTest;
using testsupport::readFile;
using testsupport::textFile;

const std::string kSep = platform::kPathSeparator;

TEST(AppendLog, EntriesFollowTheLogAndKeepTheirFormat) {
  ErrorLog log;
  log.append("banner\n");
  appendLog(log, "%s\nPro Ret Val: %d\n", 98);
  appendLog(log, "%s\nMerge failed (Output File: %s)\n", "/tmp/vlt1.tmp");
  // Output collected from an interpreter may hold percent signs of its own.
  appendLog(log, "%s\nPostscript Converter Output:\n%s", "100% done");
  EXPECT_EQ(log.str(),
            "banner\n\nPro Ret Val: 98\n\nMerge failed (Output File: /tmp/vlt1.tmp)\n"
            "\nPostscript Converter Output:\n100% done");
}

TEST(AppendLog, AFullLogKeepsItsFirst9999CharactersAndTakesNothingMore) {
  ErrorLog log;
  std::string big(9990, 'x');
  appendLog(log, "%s%s", big.c_str());
  appendLog(log, "%s\nError message: %s\n", "this entry does not fit whole");
  ASSERT_EQ(log.size(), 9999u);
  EXPECT_EQ(log.str().substr(0, 9990), big);
  EXPECT_EQ(log.str().substr(9990), "\nError me");
  appendLog(log, "%s\nPro Ret Val: %d\n", 1);
  EXPECT_EQ(log.size(), 9999u);
  EXPECT_EQ(log.data()[9999], '\0');
}

class RunLogTest : public FreshMachineTest {
 protected:
  void SetUp() override {
    job.installDir = machine.path("product");
    job.tempDir = machine.path("work");
    platform::createDirectories(job.installDir);
    platform::createDirectories(job.tempDir);
    job.errorLog.append("*  log  *\nline two\n");
  }
  JobRecord job;
};

TEST_F(RunLogTest, GoesToTheProductFolderAndReplacesAnEarlierLog) {
  testsupport::writeFile(job.tempDir.str() + kSep + "vlconv.log", "old log in the work folder");
  testsupport::writeFile(job.installDir.str() + kSep + "vlconv.log", "old log");
  EXPECT_EQ(writeRunLog(job), 1);
  EXPECT_EQ(readFile(job.installDir.str() + kSep + "vlconv.log"),
            textFile("*  log  *\nline two\n"));
  // Only one current log exists: the stale copy elsewhere is gone.
  EXPECT_FALSE(platform::fileExists(job.tempDir.str() + kSep + "vlconv.log"));
}

TEST_F(RunLogTest, FallsBackToTheWorkFolderWhenTheProductFolderCannotBeWritten) {
  job.installDir = machine.path("no such folder");
  EXPECT_EQ(writeRunLog(job), 1);
  EXPECT_EQ(readFile(job.tempDir.str() + kSep + "vlconv.log"), textFile("*  log  *\nline two\n"));

  job.installDir.clear();  // no product folder known: never the file system's root
  EXPECT_EQ(writeRunLog(job), 1);
  EXPECT_EQ(readFile(job.tempDir.str() + kSep + "vlconv.log"), textFile("*  log  *\nline two\n"));

  job.tempDir = machine.path("gone too");
  EXPECT_EQ(writeRunLog(job), 0);
}

TEST_F(RunLogTest, WriteTestLeavesNothingBehindInAWritableFolder) {
  std::string target = machine.path("out.pdf");
  testsupport::writeFile(target, "previous");
  EXPECT_EQ(writeTest(target), "");
  EXPECT_FALSE(platform::fileExists(target));
}

TEST_F(RunLogTest, WriteTestOnAMissingFolderGivesTheTwoLineMessage) {
  std::string result = writeTest(machine.path("missing" + kSep + "out.pdf"));
  std::string first = "Sorry, Vellora cannot write to the file path specified.\n";
  ASSERT_EQ(result.substr(0, first.size()), first);
  EXPECT_GT(result.size(), first.size());  // the system's reason follows
  EXPECT_EQ(result.find('\n', first.size()), std::string::npos);
}

}  // namespace
}  // namespace vellora
