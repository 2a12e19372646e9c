#include "converter/postscript/spool_format.h"

#include <gtest/gtest.h>

#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

class SpoolFormatTest : public testsupport::FreshMachineTest {
 protected:
  SpoolFormat formatOf(const std::string& name, const std::string& content) {
    testsupport::writeFile(machine.path(name), content);
    return spoolFormat(machine.path(name));
  }
};

TEST_F(SpoolFormatTest, TheContentSaysPdfAndOnlyANameThatSaysPdfCanBeWrong) {
  // By content, whatever the name.
  EXPECT_EQ(SpoolFormat::kPdf, formatOf("vlm0001.tmp", "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n"));
  EXPECT_EQ(SpoolFormat::kPdf, formatOf("job.ps", "\x1B%-12345X@PJL ENTER LANGUAGE = PDF\n%PDF-1.4\n"));
  EXPECT_EQ(SpoolFormat::kPostScript, formatOf("job.tmp", "%!PS-Adobe-3.0\n%%Title: About %PDF-1.4\n"));
  EXPECT_EQ(SpoolFormat::kPostScript, formatOf("late.tmp", std::string(1024, ' ') + "%PDF-1.4\n"));
  EXPECT_EQ(SpoolFormat::kPostScript, formatOf("empty.tmp", ""));
  // A name that claims more than the content holds.
  EXPECT_EQ(SpoolFormat::kNotPdf, formatOf("notes.PDF", "Minutes of the meeting\n"));
  EXPECT_EQ(SpoolFormat::kNotPdf, formatOf("job.pdf", "%!PS-Adobe-3.0\nshowpage\n"));
  EXPECT_EQ(SpoolFormat::kNotPdf, spoolFormat(machine.path("missing.pdf")));
  EXPECT_EQ(SpoolFormat::kPostScript, spoolFormat(""));
}

}  // namespace
}  // namespace vellora
