#include "converter/job/job_files.h"

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

const std::string kSep = platform::kPathSeparator;

class JobFilesTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::createPrivateDirectory(work));
    job.tempDir = work;
  }
  std::string file(const std::string& name, const std::string& content = "x") {
    std::string path = work + kSep + name;
    testsupport::writeFile(path, content);
    return path;
  }
  std::vector<std::string> entries() {
    std::vector<std::string> names;
    platform::listDirectory(work, "*", &names);
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string work = machine.path("work");
  JobRecord job;
};

TEST_F(JobFilesTest, WhatDeadJobsNamedIsSweptAndNothingElse) {
  const std::string important = machine.path("important.pdf");
  testsupport::writeFile(important, "the user's");
  const std::string work1 = file("vlo0002.tmp"), freed = file("vlx0003.tmp");
  file("vlp0004.tmp");
  file("vlj0001.tmp", "vellora job files\n+" + work1 + "\n+" + freed + "\n-" + freed + "\n+" +
                          important + "\n+" + work + kSep + "vlp0004.tmp");
  file("vlj0005.tmp", "not a lease");
  file("vlk0123456789abcdef.lck", "");
  // A job that is alive holds its lease and its lock.
  const std::string alive = file("vlj0006.tmp", "vellora job files\n+" + file("vlo0007.tmp") + "\n");
  platform::FileLock held;
  ASSERT_TRUE(held.acquire(alive, false));

  beginFileOwnership(job);
  std::vector<std::string> left = entries();
  // Freed by its job (another may hold the name now), cut short, or not a
  // name the converter makes: each stays.
  EXPECT_FALSE(platform::fileExists(work1));
  EXPECT_TRUE(platform::fileExists(freed));
  EXPECT_TRUE(platform::fileExists(work + kSep + "vlp0004.tmp"));
  EXPECT_EQ(testsupport::readFile(important), "the user's");
  EXPECT_TRUE(platform::fileExists(alive));
  EXPECT_TRUE(platform::fileExists(work + kSep + "vlo0007.tmp"));
  EXPECT_FALSE(platform::fileExists(work + kSep + "vlj0001.tmp"));
  EXPECT_FALSE(platform::fileExists(work + kSep + "vlj0005.tmp"));
  EXPECT_FALSE(platform::fileExists(work + kSep + "vlk0123456789abcdef.lck"));

  // This job's own lease names what it owns until the job ends.
  std::vector<std::string> leases;
  platform::listDirectory(work, "vlj*.tmp", &leases);
  ASSERT_EQ(leases.size(), 2u);
  const std::string mine = file("vlo0008.tmp");
  ownFile(mine);
  std::string own = leases[0] == "vlj0006.tmp" ? leases[1] : leases[0];
  EXPECT_NE(testsupport::readFile(work + kSep + own).find("+" + mine + "\n"), std::string::npos);
  deleteOwnedFile(mine);
  EXPECT_NE(testsupport::readFile(work + kSep + own).find("-" + mine + "\n"), std::string::npos);
  endFileOwnership();
  EXPECT_FALSE(platform::fileExists(work + kSep + own));
}

TEST_F(JobFilesTest, NoLeaseInTheSharedTemporaryFolder) {
  job.tempDir = platform::tempPath();
  beginFileOwnership(job);
  std::vector<std::string> leases;
  platform::listDirectory(platform::tempPath(), "vlj*.tmp", &leases);
  EXPECT_TRUE(leases.empty());
  endFileOwnership();
}

TEST_F(JobFilesTest, OnlyAPlainSpoolFileIsDeleted) {
  job.spoolFile = machine.path("dir.tmp");
  ASSERT_TRUE(platform::createDirectory(job.spoolFile));
  deleteSpoolFile(job);
  EXPECT_TRUE(platform::isDirectory(job.spoolFile));
  job.spoolFile = file("spool.tmp");
  deleteSpoolFile(job);
  EXPECT_FALSE(platform::fileExists(job.spoolFile));
}

}  // namespace
}  // namespace vellora
