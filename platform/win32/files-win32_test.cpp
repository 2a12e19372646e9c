#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "testsupport/win32/test_folder.h"

namespace platform {
namespace {

using win32test::ScratchFolder;

std::vector<std::string> listed(const std::string& dir, const std::string& pattern) {
  std::vector<std::string> names;
  EXPECT_TRUE(listDirectory(dir, pattern, &names));
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Win32Files, TemporaryNamesAreNewFilesWithTheShortPrefix) {
  ScratchFolder folder;
  ASSERT_TRUE(folder.ok());
  std::string first;
  std::string second;
  ASSERT_EQ(0, createTempFile(folder.path(), "vlpl", &first));
  ASSERT_EQ(0, createTempFile(folder.path(), "vlpl", &second));
  EXPECT_NE(first, second);
  const std::string name = first.substr(first.rfind('\\') + 1);
  EXPECT_EQ(0u, name.rfind("vlp", 0)) << name;
  EXPECT_EQ(".tmp", name.substr(name.size() - 4));
  std::uint64_t size = 1;
  ASSERT_TRUE(fileSize(first, &size));
  EXPECT_EQ(0u, size);
  EXPECT_NE(0, createTempFile(folder.file("missing"), "vlo", &first));
}

TEST(Win32Files, ExistenceIsForTheExactNameOnly) {
  ScratchFolder folder;
  ASSERT_TRUE(folder.ok());
  ASSERT_TRUE(writeBinaryFile(folder.file("job.ps"), "%!"));
  EXPECT_TRUE(fileExists(folder.file("job.ps")));
  EXPECT_TRUE(fileExists(folder.file("JOB.PS")));
  EXPECT_FALSE(fileExists(folder.file("*.ps")));
  EXPECT_FALSE(fileExists(folder.file("job.p?")));
  EXPECT_FALSE(fileExists(folder.file("job")));
  // Folders count, also when named with a trailing separator.
  EXPECT_TRUE(fileExists(folder.path()));
  EXPECT_TRUE(fileExists(folder.path() + "\\"));
  EXPECT_FALSE(isDirectory(folder.file("job.ps")));
}

TEST(Win32Files, FolderTreesAreMadeAndRemovedWhole) {
  ScratchFolder folder;
  ASSERT_TRUE(folder.ok());
  const std::string deep = folder.file("a\\b/c");
  ASSERT_TRUE(createDirectories(deep + "\\"));
  EXPECT_TRUE(isDirectory(deep));
  EXPECT_TRUE(createDirectories(deep));  // already there
  EXPECT_FALSE(createDirectory(folder.file("x\\y")));  // one level only
  ASSERT_TRUE(writeBinaryFile(deep + "\\f.txt", "data"));
  std::uint64_t size = 0;
  EXPECT_FALSE(fileSize(deep, &size));  // a folder has no file size
  ASSERT_TRUE(removeTree(folder.file("a")));
  EXPECT_FALSE(fileExists(folder.file("a")));
  EXPECT_FALSE(removeTree(folder.file("a")));
}

TEST(Win32Files, ListingMatchesLongNamesOnly) {
  ScratchFolder folder;
  ASSERT_TRUE(folder.ok());
  for (const char* name : {"a.pdf", "B.PDF", "c.pdfx", "README", "d.joboptions"}) {
    ASSERT_TRUE(writeBinaryFile(folder.file(name), "x"));
  }
  // "c.pdfx" has the short name C~1.PDF, which the system's own pattern
  // matching would take for a PDF.
  EXPECT_EQ((std::vector<std::string>{"B.PDF", "a.pdf"}), listed(folder.path(), "*.pdf"));
  EXPECT_EQ(5u, listed(folder.path(), "*.*").size());
  EXPECT_EQ((std::vector<std::string>{"README"}), listed(folder.path(), "*."));
  EXPECT_EQ((std::vector<std::string>{"d.joboptions"}), listed(folder.path(), "?.JOB*"));
  std::vector<std::string> names;
  EXPECT_FALSE(listDirectory(folder.file("missing"), "*", &names));
}

TEST(Win32Files, CopyRespectsAnExistingTarget) {
  ScratchFolder folder;
  ASSERT_TRUE(folder.ok());
  ASSERT_TRUE(writeBinaryFile(folder.file("from"), "new"));
  ASSERT_TRUE(writeBinaryFile(folder.file("to"), "old"));
  EXPECT_FALSE(copyFile(folder.file("from"), folder.file("to"), true));
  std::string bytes;
  ASSERT_TRUE(readBinaryFile(folder.file("to"), &bytes));
  EXPECT_EQ("old", bytes);
  EXPECT_TRUE(copyFile(folder.file("from"), folder.file("to"), false));
  ASSERT_TRUE(readBinaryFile(folder.file("to"), &bytes));
  EXPECT_EQ("new", bytes);
}

TEST(Win32Files, KnownFoldersAndErrorTexts) {
  const std::string temp = tempPath();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ('\\', temp.back());
  for (const std::string& folder :
       {windowsFolder(), systemFolder(), applicationDataFolder(), currentDirectory()}) {
    ASSERT_FALSE(folder.empty());
    EXPECT_NE('\\', folder.back()) << folder;
    EXPECT_TRUE(isDirectory(folder)) << folder;
  }
  EXPECT_NE(std::string::npos, printerDriverFolder().find("spool")) << printerDriverFolder();
  const std::string text = errorText(2);  // file not found
  EXPECT_FALSE(text.empty());
  EXPECT_LE(text.size(), 255u);
  EXPECT_NE('\n', text.back());
  EXPECT_NE('\r', text.back());
}

TEST(Win32Files, ShortPathsFallBackToThePathItself) {
  ScratchFolder folder;
  ASSERT_TRUE(folder.ok());
  ASSERT_TRUE(writeBinaryFile(folder.file("a long file name.ps"), "x"));
  const std::string shortened = shortPath(folder.file("a long file name.ps"));
  EXPECT_TRUE(fileExists(shortened)) << shortened;
  EXPECT_EQ(folder.file("none such.ps"), shortPath(folder.file("none such.ps")));
}

}  // namespace
}  // namespace platform
