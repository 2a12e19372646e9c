#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "testsupport/fresh_machine.h"

namespace {

using testsupport::readFile;
using testsupport::writeFile;

class Files : public testsupport::FreshMachineTest {};

bool isTempName(const std::string& name, const std::string& stem) {
  if (name.size() != stem.size() + 8 || name.compare(0, stem.size(), stem) != 0) return false;
  for (std::size_t i = stem.size(); i < stem.size() + 4; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(name[i])) ||
        std::islower(static_cast<unsigned char>(name[i])))
      return false;
  return name.compare(stem.size() + 4, 4, ".tmp") == 0;
}

std::string baseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

TEST_F(Files, TempNamesUseThreePrefixCharactersAndCreateTheFile) {
  std::string dir = machine.path("work");
  ASSERT_TRUE(platform::createDirectory(dir));
  std::string a, b;
  ASSERT_EQ(platform::createTempFile(dir, "vlpl", &a), 0);
  ASSERT_EQ(platform::createTempFile(dir + "/", "v", &b), 0);
  EXPECT_EQ(a.substr(0, dir.size() + 1), dir + "/");
  EXPECT_TRUE(isTempName(baseName(a), "vlp")) << a;
  EXPECT_TRUE(isTempName(baseName(b), "v")) << b;
  EXPECT_EQ(b.find("//"), std::string::npos);
  std::uint64_t size = 1;
  ASSERT_TRUE(platform::fileSize(a, &size));
  EXPECT_EQ(size, 0u);

  std::string none;
  EXPECT_NE(platform::createTempFile(machine.path("missing"), "vlo", &none), 0);
  EXPECT_EQ(platform::lastError(), ENOENT);
}

TEST_F(Files, TempNamesStayUniqueAcrossThreadsAndProcesses) {
  std::string dir = machine.path("busy");
  ASSERT_TRUE(platform::createDirectory(dir));
  constexpr int kPerWorker = 80;
  constexpr int kProcesses = 3;
  constexpr int kThreads = 4;

  // Children exit 0 only when every one of their names was created.
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failures = 0;
      for (int i = 0; i < kPerWorker; ++i) {
        std::string path;
        if (platform::createTempFile(dir, "vlt", &path) != 0) ++failures;
      }
      _exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  std::vector<std::vector<std::string>> made(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPerWorker; ++i) {
        std::string path;
        if (platform::createTempFile(dir, "vlt", &path) == 0) made[t].push_back(path);
      }
    });
  for (auto& t : threads) t.join();
  for (pid_t pid : children) {
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  std::set<std::string> mine;
  for (const auto& list : made) {
    EXPECT_EQ(list.size(), static_cast<std::size_t>(kPerWorker));
    mine.insert(list.begin(), list.end());
  }
  EXPECT_EQ(mine.size(), static_cast<std::size_t>(kThreads * kPerWorker));
  for (const auto& path : mine) EXPECT_TRUE(platform::fileExists(path)) << path;

  // Every name handed out anywhere is a file of its own.
  std::vector<std::string> names;
  ASSERT_TRUE(platform::listDirectory(dir, "*", &names));
  EXPECT_EQ(names.size(), static_cast<std::size_t>((kThreads + kProcesses) * kPerWorker));
  for (const auto& name : names) EXPECT_TRUE(isTempName(name, "vlt")) << name;
}

TEST_F(Files, CopyFileHonoursFailIfExists) {
  std::string from = machine.path("from"), to = machine.path("to");
  writeFile(from, "new content");
  writeFile(to, "old");
  EXPECT_FALSE(platform::copyFile(from, to, true));
  EXPECT_EQ(platform::lastError(), EEXIST);
  EXPECT_EQ(readFile(to), "old");

  ASSERT_TRUE(platform::copyFile(from, to, false));
  EXPECT_EQ(readFile(to), "new content");
  std::string fresh = machine.path("fresh");
  ASSERT_TRUE(platform::copyFile(from, fresh, true));
  EXPECT_EQ(readFile(fresh), "new content");

  // Replacing leaves no helper file behind.
  std::vector<std::string> names;
  ASSERT_TRUE(platform::listDirectory(machine.base(), "*vlcopy*", &names));
  EXPECT_TRUE(names.empty());
}

TEST_F(Files, CopyFileFailuresLeaveNoTarget) {
  std::string to = machine.path("target");
  EXPECT_FALSE(platform::copyFile(machine.path("missing"), to, false));
  EXPECT_FALSE(platform::fileExists(to));
  EXPECT_FALSE(platform::copyFile(machine.tmp(), to, false));  // a folder is no file
  EXPECT_FALSE(platform::fileExists(to));

  // A file copied onto itself keeps its content.
  std::string self = machine.path("self");
  writeFile(self, "keep me");
  EXPECT_FALSE(platform::copyFile(self, self, false));
  EXPECT_EQ(readFile(self), "keep me");
}

TEST_F(Files, ExistenceFoldersAndDeletion) {
  std::string file = machine.path("a.pdf");
  writeFile(file, "x");
  EXPECT_TRUE(platform::fileExists(file));
  EXPECT_TRUE(platform::fileExists(machine.tmp()));
  EXPECT_FALSE(platform::fileExists(machine.path("*.pdf")));  // no wildcards
  EXPECT_FALSE(platform::fileExists(machine.path("b.pdf")));
  EXPECT_FALSE(platform::fileExists(""));
  EXPECT_TRUE(platform::isDirectory(machine.tmp()));
  EXPECT_FALSE(platform::isDirectory(file));

  EXPECT_FALSE(platform::createDirectory(machine.path("x/y")));  // one level only
  EXPECT_TRUE(platform::createDirectory(machine.path("x")));
  EXPECT_FALSE(platform::createDirectory(machine.path("x")));
  EXPECT_TRUE(platform::createDirectories(machine.path("p/q/r")));
  EXPECT_TRUE(platform::createDirectories(machine.path("p/q/r")));
  EXPECT_FALSE(platform::createDirectories(file + "/sub"));

  EXPECT_FALSE(platform::deleteFile(machine.path("x")));  // folders are not files
  EXPECT_TRUE(platform::deleteFile(file));
  EXPECT_FALSE(platform::deleteFile(file));
  EXPECT_EQ(platform::lastError(), ENOENT);

  writeFile(machine.path("p/q/r/deep.txt"), "deep");
  writeFile(machine.path("p/top.txt"), "top");
  EXPECT_TRUE(platform::removeTree(machine.path("p")));
  EXPECT_FALSE(platform::fileExists(machine.path("p")));
}

TEST_F(Files, ListDirectoryMatchesPatternsIgnoringCase) {
  std::string dir = machine.path("q");
  for (const char* name : {"Screen.joboptions", "print.JOBOPTIONS", "readme", "a.pdf", "ab.pdf"})
    writeFile(dir + "/" + name, "");
  auto list = [&](const std::string& pattern) {
    std::vector<std::string> names;
    EXPECT_TRUE(platform::listDirectory(dir, pattern, &names));
    std::sort(names.begin(), names.end());
    return names;
  };
  using Names = std::vector<std::string>;
  EXPECT_EQ(list("*.joboptions"), (Names{"Screen.joboptions", "print.JOBOPTIONS"}));
  EXPECT_EQ(list("?.PDF"), (Names{"a.pdf"}));
  EXPECT_EQ(list("a*.pdf"), (Names{"a.pdf", "ab.pdf"}));
  EXPECT_EQ(list("*.*").size(), 5u);
  EXPECT_EQ(list("*").size(), 5u);
  EXPECT_EQ(list("*.ps"), Names{});
  EXPECT_EQ(list("*."), Names{"readme"});
  EXPECT_EQ(list("README.*"), Names{"readme"});
  std::vector<std::string> names;
  EXPECT_FALSE(platform::listDirectory(machine.path("none"), "*", &names));
}

TEST_F(Files, KnownFoldersFollowTheEnvironment) {
  EXPECT_EQ(platform::tempPath(), machine.tmp() + "/");
  machine.setEnv("TMPDIR", machine.tmp() + "/");
  EXPECT_EQ(platform::tempPath(), machine.tmp() + "/");
  machine.unsetEnv("TMPDIR");
  EXPECT_EQ(platform::tempPath(), "/tmp/");

  EXPECT_EQ(platform::applicationDataFolder(), machine.home() + "/.local/share");
  EXPECT_EQ(platform::documentsFolder(), machine.home() + "/Documents");
  machine.setEnv("XDG_DATA_HOME", "/data");
  machine.setEnv("XDG_DOCUMENTS_DIR", "/docs");
  EXPECT_EQ(platform::applicationDataFolder(), "/data");
  EXPECT_EQ(platform::documentsFolder(), "/docs");

  EXPECT_EQ(platform::windowsFolder(), machine.root() + "/Windows");
  EXPECT_EQ(platform::systemFolder(), machine.root() + "/Windows/System32");
  EXPECT_EQ(platform::printerDriverFolder(), machine.root() + "/Windows/System32/spool/drivers");

  std::string cwd = platform::currentDirectory();
  EXPECT_FALSE(cwd.empty());
  EXPECT_TRUE(platform::isDirectory(cwd));
}

TEST(FilesErrors, ErrorTextsAndThreadLocalLastError) {
  EXPECT_FALSE(platform::errorText(ENOENT).empty());
  EXPECT_LE(platform::errorText(12345).size(), 255u);
  platform::setLastError(42);
  int other = -1;
  std::thread([&] { other = platform::lastError(); }).join();
  EXPECT_EQ(other, 0);
  EXPECT_EQ(platform::lastError(), 42);
}

}  // namespace

namespace {

TEST_F(Files, ReplacingThroughALinkKeepsTheLink) {
  std::string real = machine.path("real.pdf"), link = machine.path("link.pdf");
  std::string from = machine.path("new.pdf");
  writeFile(real, "old");
  writeFile(from, "new");
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  ASSERT_TRUE(platform::copyFile(from, link, false));
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(readFile(real), "new");
}

}  // namespace
