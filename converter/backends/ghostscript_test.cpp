// Whole conversions with the machine's Ghostscript, checked on the PDF it
// wrote.
#include <gtest/gtest.h>

#include "testsupport/converter/conversion_test_fixture.h"
#include "converter/backends/interpreter_runner.h"
#include "common/ghostscript_registration.h"
#include "common/interpreter_names.h"
#include "converter/postscript/prologue.h"

namespace vellora {
namespace {

// The machine's Ghostscript console program, found as the registration
// finds it.
const std::string kGsProgram = FindProgramOnPath(GhostscriptConsoleName());

// Pages in save and restore, one with its own page size, as drivers write them.
std::string multiPageJob(int pages) {
  std::string ps = "%!PS-Adobe-3.0\n%%Pages: " + std::to_string(pages) + "\n";
  for (int i = 1; i <= pages; ++i) {
    ps += "%%Page: " + std::to_string(i) + " " + std::to_string(i) + "\n/pgsave save def\n";
    if (i == 2) ps += "<< /PageSize [595 842] >> setpagedevice\n";
    ps += "/Helvetica findfont 24 scalefont setfont 72 700 moveto (Sheet " + std::to_string(i) +
          ") show\nshowpage\npgsave restore\n";
  }
  return ps + "%%EOF\n";
}

class GhostscriptTest : public ConversionTest {
 protected:
  void SetUp() override {
    if (kGsProgram.empty()) GTEST_SKIP() << "no " << GhostscriptConsoleName() << " on PATH";
    ConversionTest::SetUp();
    job->interpreterKind = kGhostscript;
    job->interpreterExe = kGsProgram;
    job->includePath = "\"\"";
    job->fontsDir = machine.path("fonts");
    job->paramsFile = "";
    setFieldText(settings->PDFTitle, "Quarterly (Q3) report");
    setFieldText(settings->PDFAuthor, "Ann Example");
    setFieldText(settings->PDFSubject, "Sales");
    setFieldText(settings->PDFKeywords, "q3, sales");
    settings->ViewZoom = 1;
    settings->ViewLayout = 1;
    settings->ViewMenus = 1;
    settings->ViewToolBar = 1;
    settings->ViewPDFTitle = 1;
  }

  void convert(const std::string& spool) {
    testsupport::writeFile(job->spoolFile, spool);
    std::string prologue, epilogue;
    ASSERT_EQ(writePrologue(*job, *settings, &prologue), 1);
    ASSERT_EQ(writeEpilogue(*job, *settings, &epilogue), 1);
    job->prologueFile = prologue;
    job->epilogueFile = epilogue;
    runConversionWith(*job, *settings, "");
  }

  static std::string qpdf(const std::vector<std::string>& arguments) {
    std::vector<std::string> command = {"qpdf"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return testsupport::run(command).output;
  }
  int pages() { return pageCountOf(job->workFile); }
  std::string catalog() {
    const std::string trailer = qpdf({"--show-object=trailer", job->workFile});
    std::size_t root = trailer.find("/Root ");
    if (root == std::string::npos) return trailer;
    return qpdf({"--show-object=" + std::to_string(std::stoi(trailer.substr(root + 6))),
                 job->workFile});
  }
  std::string version() { return testsupport::readFile(job->workFile).substr(0, 8); }
};

TEST_F(GhostscriptTest, AMultiPageJobBecomesThePdfTheSettingsDescribe) {
  job->pageCount = 5;
  convert(multiPageJob(5));
  ASSERT_EQ(job->conversionFailed, 0) << log();
  EXPECT_EQ(pages(), 5);

  const std::string info = testsupport::run({"pdfinfo", job->workFile}).output;
  EXPECT_NE(info.find("Title:           Quarterly (Q3) report\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Author:          Ann Example\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Subject:         Sales\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Keywords:        q3, sales\n"), std::string::npos) << info;

  const std::string root = catalog();
  EXPECT_NE(root.find("/PageLayout /OneColumn"), std::string::npos) << root;
  EXPECT_NE(root.find("/PageMode /UseOutlines"), std::string::npos) << root;
  EXPECT_NE(root.find("/OpenAction [ 0 /FitH ]"), std::string::npos) << root;
  EXPECT_NE(root.find("/ViewerPreferences << /DisplayDocTitle true /HideMenubar false "
                      "/HideToolbar true /HideWindowUI false /NonFullScreenPageMode "
                      "/UseOutlines >>"),
            std::string::npos)
      << root;

  // One step per page, though every page ran inside its own save and restore.
  EXPECT_EQ(progressRanges(), std::vector<std::string>{"0..5"});
  EXPECT_EQ(positions(), (std::vector<int>{1, 3, 4, 5, 6, 7})) << log();
}

TEST_F(GhostscriptTest, ThePageHookChangesNothingThatIsRendered) {
  convert(multiPageJob(3));
  ASSERT_EQ(job->conversionFailed, 0) << log();

  // The same command file without the hook, into a file of its own.
  std::string text = testsupport::readFile(job->commandFile);
  const std::size_t hook = text.find("-c save pop \"");
  ASSERT_NE(hook, std::string::npos);
  text.erase(hook + 11, text.find('\n', hook) - (hook + 11));
  const std::string reference = machine.path("reference.pdf");
  ASSERT_TRUE(replaceFirst(text, job->workFile.str(), reference));
  const std::string referenceCommands = machine.path("reference.cmd");
  testsupport::writeFile(referenceCommands, text);
  testsupport::RunResult direct = testsupport::run({kGsProgram, "@" + referenceCommands});
  ASSERT_EQ(direct.exitCode, 0) << direct.output;
  ASSERT_EQ(direct.output, "");

  auto contents = [](const std::string& pdf) {
    std::string all;
    const std::string listing = qpdf({"--show-pages", pdf});
    std::size_t at = 0;
    while ((at = listing.find("content:", at)) != std::string::npos) {
      at += 8;
      const int object = std::stoi(listing.substr(at));
      const std::string stream =
          qpdf({"--show-object=" + std::to_string(object), "--filtered-stream-data", pdf});
      // qpdf's warnings about the catalog name the file; only the stream counts.
      std::size_t line = 0;
      while (line < stream.size()) {
        std::size_t end = stream.find('\n', line);
        if (end == std::string::npos) end = stream.size();
        if (stream.compare(line, 9, "WARNING: ") != 0) all += stream.substr(line, end - line + 1);
        line = end + 1;
      }
      all += "--\n";
    }
    return all;
  };
  const std::string ours = contents(job->workFile);
  EXPECT_NE(ours.find("(Sheet 3)Tj"), std::string::npos) << ours;
  EXPECT_EQ(ours, contents(reference));
}

TEST_F(GhostscriptTest, CompatibilityLevelsGiveTheirPdfVersions) {
  const char* expected[] = {"%PDF-1.2", "%PDF-1.3", "%PDF-1.4"};
  for (int level = 0; level <= 2; ++level) {
    settings->PDFLevel = level;
    job->conversionFailed = 0;
    convert(multiPageJob(1));
    EXPECT_EQ(job->conversionFailed, 0) << log();
    EXPECT_EQ(version(), expected[level]);
  }
}

TEST_F(GhostscriptTest, APostScriptErrorFailsWithTheInterpreterOutputLogged) {
  convert("%!PS\n/Helvetica findfont 12 scalefont setfont\nnosuchoperator\nshowpage\n");
  EXPECT_EQ(job->conversionFailed, 1);
  EXPECT_TRUE(logHas("\nPostscript Converter Output:\nError: /undefined in nosuchoperator"))
      << log();
  EXPECT_TRUE(logHas("\nPostScript interpreter exit code: 1\n")) << log();
}

TEST_F(GhostscriptTest, TheOwnGhostscriptRunsFromTheSystemFolder) {
  const std::string sep = platform::kPathSeparator;
  job->systemDir = machine.path("system");
  ASSERT_TRUE(platform::createDirectories(job->systemDir.str() + sep + "kelp" + sep + "bin"));
  ASSERT_TRUE(platform::copyFile(kGsProgram,
                                 job->systemDir.str() + sep + "kelp" + sep + "bin" + sep + "gs",
                                 true));
  job->interpreterKind = kOwnGhostscript;
  job->interpreterExe = "kelp" + sep + "bin" + sep + "gs";
  job->includePath = job->systemDir.str() + sep + "kelp" + sep + "lib" +
                     platform::kPathListSeparator + job->systemDir.str() + sep + "kelp" + sep +
                     "fonts" + platform::kPathListSeparator;
  job->pageCount = 2;
  convert(multiPageJob(2));
  ASSERT_EQ(job->conversionFailed, 0) << log();
  EXPECT_EQ(pages(), 2);
  EXPECT_TRUE(logHas("\nCommandline:\n" + job->systemDir.str() + sep + "kelp" + sep + "bin" + sep +
                     "gs  @\""));
}

}  // namespace
}  // namespace vellora
