#include "converter/postscript/spool_title.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

class ScanSpoolTest : public testsupport::FreshMachineTest {
 protected:
  std::string spool(const std::string& bytes) {
    const std::string path = machine.path("job.ps");
    testsupport::writeFile(path, bytes);
    return path;
  }
  JobRecord job;
};

TEST_F(ScanSpoolTest, FirstTitleLineGivesRawAndCleanedTitle) {
  const std::string path = spool(
      "%!PS-Adobe-3.0\r\n%%Title: Microsoft Word - Quarterly.doc\r\n%%Title: never read\r\n");
  EXPECT_EQ(scanSpool(job, path, "from the command line"), 1);
  EXPECT_EQ(job.rawTitle.str(), "Microsoft Word - Quarterly.doc");
  EXPECT_EQ(job.title.str(), "Quarterly");
}

TEST_F(ScanSpoolTest, WithoutTitleTheFileIsReadToItsEndAndTheDocumentNameCounts) {
  // "%!PS" only on the last line: seen only when the scan reads that far.
  const std::string path = spool("%%Creator: app\n%%Pages: 2\nshowpage\n%!PS last line");
  EXPECT_EQ(scanSpool(job, path, "Invoice 2024.txt"), 1);
  EXPECT_EQ(job.rawTitle.str(), "");
  EXPECT_EQ(job.title.str(), "Invoice 2024");
  scanSpool(job, spool("%%Pages: 1\n"), "");
  EXPECT_EQ(job.title.str(), "");
}

TEST_F(ScanSpoolTest, OnlyALineThatIsNeitherBlankNorACommentIsPostScript) {
  EXPECT_FALSE(spoolHasPostScript(spool("")));
  EXPECT_FALSE(spoolHasPostScript(spool("\r\n \t\n\x1a showpage\n")));  // Ctrl-Z ends it
  EXPECT_FALSE(spoolHasPostScript(spool("%!PS-Adobe-3.0\n%%Title: x\n  %%EOF\n")));
  EXPECT_FALSE(spoolHasPostScript(machine.path("missing.ps")));
  EXPECT_TRUE(spoolHasPostScript(spool("%!PS\n  showpage\n")));
  EXPECT_TRUE(spoolHasPostScript(spool("\x1b%-12345X@PJL JOB\n")));
}

TEST(CleanTitle, PrefixEscapesAndExtension) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"(Microsoft PowerPoint - Slides)", "Slides)"},
      {"Microsoft PowerPoint - Deck", "Deck"},
      // Found anywhere, the prefix's length comes off the front.
      {"Copy of Microsoft Word - x", " Word - x"},
      {"Microsoft Word -", ""},
      {"Caf\\351 au lait", "Caf\xe9 au lait"},
      {"a\\057b\\134c", "a/b\\c"},
      // Octal reading ends at an 8 or 9: "128" is 012.
      {"x\\128y", "x\ny"},
      {"x\\777y", "x\xffy"},
      {"x\\12", "x\\12"},
      // NUL bytes ("\\812" reads as 0) are left out, not the end of the title.
      {"before\\000after\\812!", "beforeafter!"},
      {std::string("raw\0nul", 7), "rawnul"},
      {"abcde.pdf", "abcde"},
      {"example.COM", "example.COM"},
      {"abc.pdf", "abc.pdf"},
      {"report.backup", "report.backup"},
      {"summary\\056doc", "summary"},
  };
  for (const auto& c : cases) EXPECT_EQ(cleanTitle(c.first), c.second) << c.first;
}

}  // namespace
}  // namespace vellora
