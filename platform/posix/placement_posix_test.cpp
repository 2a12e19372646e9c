// Placing finished files in one step, named locks, and files only their
// owner may read.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/process.h"
#include "testsupport/fresh_machine.h"

namespace {

using testsupport::readFile;
using testsupport::writeFile;

class Placement : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::createDirectory(dir));
    writeFile(source, "new document");
  }
  std::vector<std::string> entries() {
    std::vector<std::string> names;
    platform::listDirectory(dir, "*", &names);
    std::sort(names.begin(), names.end());
    return names;
  }
  mode_t modeOf(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
  }

  std::string dir = machine.path("out");
  std::string source = machine.path("work.tmp");
};

TEST_F(Placement, ANewNameIsClaimedOnceAndATakenOneIsLeftAlone) {
  const std::string target = dir + "/Report.pdf";
  writeFile(target, "old document");
  {
    platform::FilePlacement placement;
    ASSERT_TRUE(placement.prepare(source, platform::FilePlacement::copyNameFor(target)));
    EXPECT_FALSE(placement.placeNew(target));
    EXPECT_TRUE(platform::isFileExistsError(platform::lastError()));
    EXPECT_EQ(readFile(target), "old document");
    ASSERT_TRUE(placement.placeNew(dir + "/Report1.pdf"));
  }
  EXPECT_EQ(readFile(dir + "/Report1.pdf"), "new document");
  EXPECT_EQ(entries(), (std::vector<std::string>{"Report.pdf", "Report1.pdf"}));
  const mode_t mask = ::umask(022);
  ::umask(mask);
  EXPECT_EQ(modeOf(dir + "/Report1.pdf"), 0666 & ~mask);

  // A copy never placed goes with the placement; a dangling link counts as taken.
  ASSERT_EQ(::symlink("nowhere", (dir + "/Link.pdf").c_str()), 0);
  {
    platform::FilePlacement placement;
    ASSERT_TRUE(placement.prepare(source, platform::FilePlacement::copyNameFor(dir + "/x")));
    EXPECT_EQ(modeOf(placement.copyPath()), 0600u);
    EXPECT_FALSE(placement.placeNew(dir + "/Link.pdf"));
  }
  EXPECT_EQ(entries(), (std::vector<std::string>{"Link.pdf", "Report.pdf", "Report1.pdf"}));
}

TEST_F(Placement, ACopyThatFoundNoPlaceStaysReadableByItsOwnerOnly) {
  // The copy is opened up to the new file's mode just before the move; a
  // move that fails must close it again, since the copy stays for the
  // next try and may be a document the owner alone may read.
  const mode_t mask = ::umask(022);
  const std::string taken = dir + "/Taken.pdf";
  writeFile(taken, "old document");
  platform::FilePlacement placement;
  ASSERT_TRUE(placement.prepare(source, platform::FilePlacement::copyNameFor(taken)));
  EXPECT_FALSE(placement.placeNew(taken));
  EXPECT_EQ(modeOf(placement.copyPath()), 0600u) << "after a lost name claim";
  EXPECT_FALSE(placement.placeReplacing(dir + "/missing folder/Report.pdf"));
  EXPECT_EQ(modeOf(placement.copyPath()), 0600u) << "after a failed replacement";
  ASSERT_TRUE(placement.placeNew(dir + "/Free.pdf"));
  EXPECT_EQ(modeOf(dir + "/Free.pdf"), 0644u);
  ::umask(mask);
}

TEST_F(Placement, OnlyOneOfManyAtOnceGetsAName) {
  std::atomic<int> placed{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&] {
      platform::FilePlacement placement;
      if (placement.prepare(source, platform::FilePlacement::copyNameFor(dir + "/Same.pdf")) &&
          placement.placeNew(dir + "/Same.pdf"))
        ++placed;
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(placed, 1);
  EXPECT_EQ(entries(), std::vector<std::string>{"Same.pdf"});
}

TEST_F(Placement, ReplacingKeepsThePermissionsAndALinkAtTheName) {
  const std::string target = dir + "/Shared.pdf";
  writeFile(target, "old document");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  {
    platform::FilePlacement placement;
    ASSERT_TRUE(placement.prepare(source, platform::FilePlacement::copyNameFor(target)));
    ASSERT_TRUE(placement.placeReplacing(target));
  }
  EXPECT_EQ(readFile(target), "new document");
  EXPECT_EQ(modeOf(target), 0640u);

  const std::string real = machine.path("elsewhere.pdf");
  writeFile(real, "old document");
  ASSERT_EQ(::symlink(real.c_str(), (dir + "/Linked.pdf").c_str()), 0);
  {
    platform::FilePlacement placement;
    ASSERT_TRUE(placement.prepare(source, platform::FilePlacement::copyNameFor(dir + "/Linked.pdf")));
    ASSERT_TRUE(placement.placeReplacing(dir + "/Linked.pdf"));
  }
  struct stat info;
  ASSERT_EQ(::lstat((dir + "/Linked.pdf").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(readFile(real), "new document");
  EXPECT_EQ(entries(), (std::vector<std::string>{"Linked.pdf", "Shared.pdf"}));
}

TEST_F(Placement, LocksAreTakenInTurnAndTheirFilesGo) {
  const std::string path = dir + "/a.lck";
  platform::FileLock first;
  ASSERT_TRUE(first.acquire(path, true));
  EXPECT_EQ(modeOf(path), 0600u);
  platform::FileLock probe;
  EXPECT_FALSE(probe.tryAcquireExisting(path)) << "held";

  std::atomic<bool> taken{false};
  std::thread waiter([&] {
    platform::FileLock second;
    ASSERT_TRUE(second.acquire(path, true));
    taken = true;
    second.append("second\n");
    std::string content;
    second.readAll(&content);
    EXPECT_EQ(content, "second\n") << "a new lock file, not the one released";
  });
  platform::sleepMilliseconds(100);
  EXPECT_FALSE(taken);
  first.append("first\n");
  first.release();
  waiter.join();
  EXPECT_TRUE(taken);
  EXPECT_EQ(entries(), std::vector<std::string>()) << "the lock file goes with its last holder";

  EXPECT_FALSE(probe.tryAcquireExisting(path));
  EXPECT_FALSE(platform::fileExists(path)) << "trying never creates";
}

TEST_F(Placement, PrivateFilesAndFolders) {
  std::string temp;
  ASSERT_EQ(platform::createTempFile(dir, "vlo", &temp), 0);
  EXPECT_EQ(modeOf(temp), 0600u);

  const std::string made = dir + "/made.txt";
  platform::OutputFile file;
  ASSERT_TRUE(file.create(made, platform::OutputFile::kText, platform::OutputFile::kNewPrivate));
  ASSERT_TRUE(file.write("x") && file.close());
  EXPECT_EQ(modeOf(made), 0600u);
  // Nothing that is already there is written through: a file or a link.
  EXPECT_FALSE(file.create(made, platform::OutputFile::kText, platform::OutputFile::kNewPrivate));
  const std::string planted = machine.path("planted");
  ASSERT_EQ(::symlink(planted.c_str(), (dir + "/link.cmd").c_str()), 0);
  EXPECT_FALSE(
      file.create(dir + "/link.cmd", platform::OutputFile::kText, platform::OutputFile::kNewPrivate));
  EXPECT_FALSE(platform::fileExists(planted));

  const std::string folder = machine.path("private");
  ASSERT_TRUE(platform::createPrivateDirectory(folder));
  EXPECT_EQ(modeOf(folder), 0700u);
  ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
  ASSERT_TRUE(platform::createPrivateDirectory(folder));
  EXPECT_EQ(modeOf(folder), 0700u) << "an existing folder of one's own is made private";
  EXPECT_FALSE(platform::createPrivateDirectory(made));

  EXPECT_TRUE(platform::isRegularFile(made));
  EXPECT_FALSE(platform::isRegularFile(folder));
  EXPECT_FALSE(platform::isRegularFile(dir + "/link.cmd"));
  EXPECT_FALSE(platform::isRegularFile("/dev/null"));
}

}  // namespace
