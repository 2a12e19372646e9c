// Whole jobs that meet an existing PDF or post-process their result through
// the PDF utility: joining (with passwords), stationery, permissions.
#include <gtest/gtest.h>

#include "testsupport/converter/vlconv_test_support.h"
#include "converter/settings/scramble_password.h"

namespace vellora {
namespace e2e {
namespace {

const char kUserKey[] = "SOFTWARE\\Norvale\\Vellora";

class ExistingFileJobs : public VlconvTest {
 protected:
  void SetUp() override {
    VlconvTest::SetUp();
    existing = outDir + kSep + "Ledger.pdf";
  }
  // A PDF made by Ghostscript from pages that read "<word> 1", "<word> 2"...
  void makePdf(const std::string& path, const std::string& word, int pages) {
    std::string ps = "%!PS\n";
    for (int i = 1; i <= pages; ++i)
      ps += "/Helvetica findfont 20 scalefont setfont 72 700 moveto (" + word + " " +
            std::to_string(i) + ") show showpage\n";
    std::string source = machine.path(word + ".ps");
    platform::createDirectories(path.substr(0, path.find_last_of(kSep)));
    testsupport::writeFile(source, ps);
    auto made = testsupport::run({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite",
                                  "-sOutputFile=" + path, source});
    ASSERT_EQ(made.exitCode, 0) << made.output;
  }
  void protect(const std::string& path, const std::string& userPassword) {
    std::string plain = path + ".plain";
    ASSERT_TRUE(platform::copyFile(path, plain, false));
    auto done = testsupport::run({"qpdf", "--encrypt", userPassword, "owner", "256", "--", plain, path});
    ASSERT_EQ(done.exitCode, 0) << done.output;
  }
  // Prints a two-page job "New 1", "New 2" that the user saves over `existing`.
  testsupport::RunResult saveOverExisting(const std::string& choice, const std::string& more = "") {
    answers("saveas: " + existing + "\nfileexists: " + choice + "\n" + more);
    std::string ps = "%!PS-Adobe-3.0\n%%Title: Ledger\n";
    for (int i = 1; i <= 2; ++i)
      ps += "/Helvetica findfont 20 scalefont setfont 72 700 moveto (New " + std::to_string(i) +
            ") show showpage\n";
    return print(spool(ps), "Vellora", 2);
  }
  // The page texts in order, one word-and-number per page.
  std::vector<std::string> pages(const std::string& pdf, const std::string& password = "") {
    std::string text = pdfText(pdf, password);
    std::vector<std::string> result;
    std::string::size_type start = 0;
    while (start < text.size()) {
      std::string::size_type end = text.find('\f', start);
      if (end == std::string::npos) break;
      std::string page = text.substr(start, end - start);
      while (!page.empty() && (page.back() == '\n' || page.back() == ' ')) page.pop_back();
      while (!page.empty() && (page.front() == '\n' || page.front() == ' ')) page.erase(0, 1);
      result.push_back(page);
      start = end + 1;
    }
    return result;
  }
  std::string encryption(const std::string& pdf, const std::string& password = "") {
    return testsupport::run({"qpdf", "--show-encryption", "--password=" + password, pdf}).output;
  }

  std::string existing;
};

using Pages = std::vector<std::string>;

TEST_F(ExistingFileJobs, AppendAndPrependJoinInOrderWithTheDocumentInformation) {
  setUserString(kUserKey, "PDFAuthor", "Ann Clerk");
  setUserString(kUserKey, "PDFKeywords", "books, money");
  makePdf(existing, "Old", 2);
  ASSERT_EQ(saveOverExisting("append").exitCode, 0);
  EXPECT_EQ(pages(existing), (Pages{"Old 1", "Old 2", "New 1", "New 2"}));
  EXPECT_EQ(pdfinfo(existing, "Title"), "Ledger");
  EXPECT_EQ(pdfinfo(existing, "Author"), "Ann Clerk");
  EXPECT_EQ(pdfinfo(existing, "Keywords"), "books, money");
  EXPECT_TRUE(filesLeftInWorkFolder().empty());

  makePdf(existing, "Old", 1);
  ASSERT_EQ(saveOverExisting("prepend").exitCode, 0);
  EXPECT_EQ(pages(existing), (Pages{"New 1", "New 2", "Old 1"}));
  EXPECT_EQ(testsupport::run({"qpdf", "--check", existing}).exitCode, 0);
}

TEST_F(ExistingFileJobs, JoiningAProtectedPdfTakesItsPassword) {
  makePdf(existing, "Old", 1);
  protect(existing, "open sesame");
  ASSERT_EQ(saveOverExisting("append", "password: open sesame\n").exitCode, 0);
  EXPECT_EQ(pages(existing), (Pages{"Old 1", "New 1", "New 2"}));
  // The password dialog was shown once.
  int asked = 0;
  for (const auto& window : shown("window"))
    if (window[0] == "open" && window[1] == "143") ++asked;
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(messages().empty());
}

TEST_F(ExistingFileJobs, ThreeWrongPasswordsAndNoPutTheOldFileBack) {
  makePdf(existing, "Old", 1);
  protect(existing, "right");
  std::string before = testsupport::readFile(existing);
  auto result = saveOverExisting("append",
                                 "password: wrong1\npassword: wrong2\npassword: wrong3\n"
                                 "message: ok\nmessage: ok\nmessage: no\n");
  EXPECT_EQ(result.exitCode, 0);
  std::vector<std::string> texts = messages();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0],
            "Sorry, the password you entered for the encrypted PDF file is not valid.\nPlease try "
            "again.");
  EXPECT_EQ(texts[1], texts[0]);
  EXPECT_EQ(texts[2],
            "Sorry, the password you entered for the encrypted PDF file is not valid.\nWould you "
            "like to replace this file instead?");
  EXPECT_EQ(testsupport::readFile(existing), before);
  EXPECT_TRUE(filesLeftInWorkFolder().empty());
}

TEST_F(ExistingFileJobs, ADamagedPdfIsReportedAndMayBeReplaced) {
  testsupport::writeFile(existing, "this was never a PDF");
  auto result = saveOverExisting("append", "message: ok\nmessage: yes\n");
  EXPECT_EQ(result.exitCode, 0);
  std::vector<std::string> texts = messages();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "Error reading PDF file.");
  EXPECT_EQ(texts[1].rfind("Sorry, Vellora was unable to read the existing PDF file.", 0), 0u);
  EXPECT_EQ(pages(existing), (Pages{"New 1", "New 2"}));
}

TEST_F(ExistingFileJobs, AnyChosenStationeryIsAppliedOrTheJobSaysWhyNot) {
  makePdf(product + kSep + "Stationery" + kSep + "Letterhead.pdf", "Norvale", 1);
  makePdf(product + kSep + "Stationery" + kSep + "Memo.pdf", "Memo", 1);
  options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");

  setUserString(kUserKey, "StationeryName", "Letterhead");
  ASSERT_EQ(print(spool(postScriptJob("Letter", 2)), "Vellora", 2).exitCode, 0);
  std::string letter = pdfText(outDir + kSep + "Letter.pdf");
  EXPECT_NE(letter.find("Page 1"), std::string::npos);
  // The letterhead's text shares the page with the job's own.
  std::string::size_type first = letter.find("Norvale");
  ASSERT_NE(first, std::string::npos) << letter;
  std::string::size_type pageBreak = letter.find('\f');
  ASSERT_NE(pageBreak, std::string::npos);
  EXPECT_LT(first, pageBreak);
  EXPECT_NE(letter.find("Norvale", pageBreak), std::string::npos) << "every page gets it";

  // A short name is a name like any other.
  setUserString(kUserKey, "StationeryName", "Memo");
  ASSERT_EQ(print(spool(postScriptJob("Note", 1))).exitCode, 0);
  std::string note = pdfText(outDir + kSep + "Note.pdf");
  EXPECT_NE(note.find("Memo"), std::string::npos) << note;
  EXPECT_NE(note.find("Page 1"), std::string::npos) << note;
  EXPECT_TRUE(messages().empty());
  EXPECT_FALSE(platform::fileExists(product + kSep + "vlconv.log"));

  // Stationery that is not there: the document comes without it, and the
  // user and the run log are told.
  setUserString(kUserKey, "StationeryName", "Gone");
  ASSERT_EQ(print(spool(postScriptJob("Plain", 1))).exitCode, 0);
  EXPECT_EQ(pdfinfo(outDir + kSep + "Plain.pdf", "Pages"), "1");
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0], "Sorry, Vellora was unable to apply PDF stationery \"Gone\".");
  const std::string log = testsupport::readFile(product + kSep + "vlconv.log");
  EXPECT_NE(log.find("Stationery not applied: \"Gone\" in " + product + kSep + "Stationery"),
            std::string::npos)
      << log;
}

TEST_F(ExistingFileJobs, EncryptionSetsThePasswordsAndExactlyTheChosenPermissions) {
  options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  setUserNumber(kUserKey, "EncryptionLevel", 2);
  setUserString(kUserKey, "EUserPassword", ScramblePassword("reader"));
  setUserString(kUserKey, "EOwnerPassword", ScramblePassword("boss"));
  setUserNumber(kUserKey, "EAllowPrinting", 1);
  setUserNumber(kUserKey, "EAllowCopyPaste", 1);
  ASSERT_EQ(print(spool(postScriptJob("Secret", 1))).exitCode, 0);
  std::string pdf = outDir + kSep + "Secret.pdf";
  EXPECT_EQ(testsupport::run({"qpdf", "--requires-password", pdf}).exitCode, 0);
  std::string shownTo = encryption(pdf, "reader");
  EXPECT_NE(shownTo.find("R = 3"), std::string::npos) << shownTo;
  EXPECT_NE(shownTo.find("print high resolution: allowed"), std::string::npos);
  EXPECT_NE(shownTo.find("extract for any purpose: allowed"), std::string::npos);
  EXPECT_NE(shownTo.find("modify other: not allowed"), std::string::npos);
  EXPECT_NE(shownTo.find("modify annotations: not allowed"), std::string::npos);
  EXPECT_EQ(pdfinfo(pdf, "Title", "reader"), "Secret");
}

}  // namespace
}  // namespace e2e
}  // namespace vellora
