#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "converter/postscript/prologue.h"
#include "platform/files.h"
#include "platform/system.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

class EpilogueTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    std::memset(settings.get(), 0, sizeof(SettingsRecord));
    job->messageCaption = "Vellora";
  }
  void TearDown() override { platform::setOsVersionForTesting(nullptr); }

  void runOn(platform::OsPlatform family, int major) {
    os.platform = family;
    os.major = major;
    platform::setOsVersionForTesting(&os);
  }

  platform::OsVersion os;
  std::unique_ptr<JobRecord> job{new JobRecord};
  std::unique_ptr<SettingsRecord> settings{new SettingsRecord};
};

const char kFontBlock[] =
    "\n<</EmbedAllFonts true\n"
    " /NeverEmbed [/Courier /Courier-Bold /Courier-Oblique /Courier-BoldOblique /Helvetica\n"
    "\t/Helvetica-Bold /Helvetica-Oblique /Helvetica-BoldOblique /Times-Roman\n"
    "/Times-Bold /Times-Italic /Times-BoldItalic\n"
    " /Symbol /ZapfDingbats\n"
    "\t/Ryumin-Light /GothicBBB-Medium ]\n"
    "  /MaxSubsetPct 35\n"
    " >> setdistillerparams\n";

TEST_F(EpilogueTest, Windows2000HasNoFontBlockAndEscapesTheTitle) {
  runOn(platform::kWin32Nt, 5);
  setFieldText(settings->PDFTitle, "Budget (draft) C:\\plans");
  setFieldText(settings->PDFAuthor, "Ann");
  setFieldText(settings->PDFKeywords, "a, b");
  EXPECT_EQ(epilogueText(*job, *settings),
            "%!PS-Adobe-3.0\n"
            " [ /Creator ()\n"
            " /Producer (Vellora 2.58)\n"
            " /Title (Budget \\(draft\\) C:\\\\plans)\n"
            " /Author (Ann)\n"
            " /Subject ()\n"
            " /Keywords (a, b)\n"
            " /DOCINFO pdfmark\n"
            "\n\n");
}

TEST_F(EpilogueTest, NT4And98EmbedFontsExplicitly) {
  const std::string expected = std::string(
                                   "%!PS-Adobe-3.0\n [ /Creator ()\n /Producer (Vellora 2.58)\n"
                                   " /Title ()\n /Author ()\n /Subject ()\n /Keywords ()\n"
                                   " /DOCINFO pdfmark\n") +
                               kFontBlock + "\n\n";
  runOn(platform::kWin32Nt, 4);
  EXPECT_EQ(epilogueText(*job, *settings), expected);
  runOn(platform::kWin32Windows, 4);
  EXPECT_EQ(epilogueText(*job, *settings), expected);
}

TEST_F(EpilogueTest, WrittenAsTextUnderAFreshName) {
  runOn(platform::kWin32Nt, 10);
  job->tempDir = machine.path("work");
  ASSERT_TRUE(platform::createDirectory(job->tempDir));
  setFieldText(settings->PDFSubject, "Sub");
  std::string path;
  ASSERT_EQ(writeEpilogue(*job, *settings, &path), 1);
  const std::string folder = job->tempDir.str() + platform::kPathSeparator;
  EXPECT_EQ(path.compare(0, folder.size() + 3, folder + "vle"), 0) << path;
  EXPECT_EQ(testsupport::readFile(path), testsupport::textFile(epilogueText(*job, *settings)));
}

TEST(EscapePostScriptString, OnlyParenthesesAndBackslashesAreEscaped) {
  EXPECT_EQ(escapePostScriptString("a(b)c\\d %e\t\xe9"), "a\\(b\\)c\\\\d %e\t\xe9");
  EXPECT_EQ(escapePostScriptString(""), "");
}

TEST(EscapePostScriptString, ACutNeverLeavesABackslashAlone) {
  EXPECT_EQ(escapePostScriptString(std::string(1200, 'x')).size(), 999u);
  // 998 plain characters and a parenthesis: the escaped pair does not fit.
  std::string escaped = escapePostScriptString(std::string(998, 'x') + "(");
  EXPECT_EQ(escaped, std::string(998, 'x'));
  escaped = escapePostScriptString(std::string(600, ')'));
  EXPECT_EQ(escaped.size(), 998u);
  EXPECT_EQ(escaped.substr(escaped.size() - 2), "\\)");
}

}  // namespace
}  // namespace vellora
