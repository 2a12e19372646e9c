// Whole jobs through the real vlconv and Ghostscript, named in the Save PDF
// dialog as a user would, or without it when nobody can be asked.
#include <gtest/gtest.h>

#include "testsupport/converter/vlconv_test_support.h"
#include "converter/ui/dialog_ids.h"
#include "testsupport/dialog_record.h"

namespace vellora {
namespace e2e {
namespace {

class DialogJobs : public VlconvTest {
 protected:
  // A one-page PDF showing `word`, made by Ghostscript.
  void makePdf(const std::string& path, const std::string& word) {
    std::string source = machine.path(word + ".ps");
    testsupport::writeFile(source, "%!PS\n/Helvetica findfont 30 scalefont setfont 72 400 moveto (" +
                                       word + ") show showpage\n");
    platform::createDirectories(path.substr(0, path.find_last_of(kSep)));
    auto made = testsupport::run({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite",
                                  "-sOutputFile=" + path, source});
    ASSERT_EQ(made.exitCode, 0) << made.output;
  }
  std::string encryption(const std::string& pdf, const std::string& password) {
    return testsupport::run({"qpdf", "--show-encryption", "--password=" + password, pdf}).output;
  }
  // The document catalog as qpdf shows it.
  std::string catalog(const std::string& pdf, const std::string& password) {
    return testsupport::run({"qpdf", "--password=" + password, "--show-object=trailer", pdf,
                             "--filtered-stream-data"})
               .output +
           testsupport::run({"qpdf", "--password=" + password, "--json=2", "--json-key=qpdf", pdf})
               .output;
  }
  std::vector<testsupport::DialogSnapshot> snapshots() {
    return testsupport::dialogSnapshots(
        testsupport::recordEvents(testsupport::readFile(machine.path("ui-record"))));
  }
  std::string log() { return testsupport::readFile(product + kSep + "vlconv.log"); }
};

TEST_F(DialogJobs, AWholeJobDrivenThroughTheDialogAsAUserWould) {
  makePdf(product + kSep + "Stationery" + kSep + "Letterhead.pdf", "NORVALE LETTERHEAD");
  std::string pdf = outDir + kSep + "annual.pdf";
  answers("choose: 1005 Printing\n"
          "check: 1028\n"
          "type: 1022 Annual Figures\n"
          "type: 1024 Ann Clerk\n"
          "tab: Security\n"
          "click: 128/1026\n"
          "type: 1030 viewing\n"
          "type: 1031 changing\n"
          "check: 1032\n"
          "tab: Display\n"
          "choose: 1078 Fit Width\n"
          "choose: 1070 Letterhead\n"
          "accept: " + pdf + "\n");
  auto result = print(spool(postScriptJob("Quarterly", 1)), "Vellora", 1);
  ASSERT_EQ(result.exitCode, 0) << result.output << log();
  ASSERT_TRUE(platform::fileExists(pdf)) << log();
  EXPECT_TRUE(testsupport::readFile(machine.path("ui-record")).find("refused") == std::string::npos)
      << testsupport::readFile(machine.path("ui-record"));

  EXPECT_EQ(pdfinfo(pdf, "Title", "viewing"), "Annual Figures");
  EXPECT_EQ(pdfinfo(pdf, "Author", "viewing"), "Ann Clerk");
  std::string security = encryption(pdf, "changing");
  EXPECT_NE(security.find("R = 3"), std::string::npos) << security;
  EXPECT_NE(security.find("print high resolution: allowed"), std::string::npos) << security;
  EXPECT_NE(security.find("modify anything: not allowed"), std::string::npos) << security;
  EXPECT_NE(encryption(pdf, "viewing").find("Supplied password is user password"),
            std::string::npos);
  EXPECT_NE(catalog(pdf, "changing").find("/FitH"), std::string::npos);
  std::string text = pdfText(pdf, "viewing");
  EXPECT_NE(text.find("NORVALE LETTERHEAD"), std::string::npos) << text;
  EXPECT_NE(text.find("Page 1"), std::string::npos) << text;

  // The quality chosen is remembered, and the progress bar of a one-page
  // job ran from 0 to 2.
  platform::RegKey user;
  ASSERT_EQ(user.open(platform::HKCU, "SOFTWARE\\Norvale\\Vellora", platform::kRegRead), platform::kRegOk);
  std::string quality;
  user.queryString("PDFQuality", &quality);
  EXPECT_EQ(quality, "Printing");
  auto progress = shown("progress");
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress[0], (std::vector<std::string>{"range", "0", "2"}));
  testsupport::DialogSnapshot accepted =
      testsupport::lastSnapshot(snapshots(), kSaveCustomDialog, "accept");
  EXPECT_EQ(accepted.control(kSaveCustomDialog, kQualityList).text, "Printing");
  EXPECT_EQ(accepted.control(kDisplayPageDialog, kStationeryList).text, "Letterhead");
}

TEST_F(DialogJobs, APolicyShowsAsLockedControlsAndItsValuesReachThePdf) {
  std::string policy = machine.path("policy.reg");
  testsupport::writeFile(policy,
                         "REGEDIT4\r\n\r\n"
                         "[HKEY_LOCAL_MACHINE\\Software\\Policies\\Norvale\\Vellora]\r\n"
                         "\"lk_PDFAuthor\"=dword:00000001\r\n"
                         "\"PDFAuthor\"=\"Records Office\"\r\n"
                         "\"lk_EncryptionLevel\"=dword:00000001\r\n"
                         "\"EncryptionLevel\"=dword:00000002\r\n"
                         "\"lk_EAllowPrinting\"=dword:00000002\r\n"
                         "\"EAllowPrinting\"=dword:00000000\r\n"
                         "\"lk_ViewZoom\"=dword:00000001\r\n"
                         "\"ViewZoom\"=dword:00000001\r\n"
                         "\"LockProfileDelete\"=dword:00000002\r\n");
  auto imported = testsupport::run({VLREG_PATH, "import", policy});
  ASSERT_EQ(imported.exitCode, 0) << imported.output;

  std::string pdf = outDir + kSep + "locked.pdf";
  answers("check: 1028\n"
          "type: 1024 Someone Else\n"
          "tab: Security\n"
          "click: 1029\n"
          "check: 1032\n"
          "tab: Display\n"
          "choose: 1078 Fit Page\n"
          "accept: " + pdf + "\n"
          "message: yes\n");
  auto result = print(spool(postScriptJob("Ledger", 1)), "Vellora", 1);
  ASSERT_EQ(result.exitCode, 0) << result.output << log();
  ASSERT_TRUE(platform::fileExists(pdf)) << log();

  auto refused = shown("refused");
  ASSERT_EQ(refused.size(), 4u);
  EXPECT_EQ(refused[0][2], "disabled");
  EXPECT_EQ(refused[1][2], "disabled");
  EXPECT_EQ(refused[2][2], "hidden");
  EXPECT_EQ(refused[3][2], "disabled");
  auto all = snapshots();
  testsupport::DialogSnapshot general = testsupport::lastSnapshot(all, kSaveCustomDialog, "check: 1028");
  EXPECT_EQ(general.control(kGeneralPageDialog, kAuthorEdit).state, "disabled");
  EXPECT_EQ(general.control(kGeneralPageDialog, kAuthorEdit).text, "Records Office");
  EXPECT_TRUE(general.control(kSaveCustomDialog, kDeleteProfileButton).hidden());
  EXPECT_TRUE(general.control(kSaveCustomDialog, kSaveProfileButton).enabled());
  testsupport::DialogSnapshot security = testsupport::lastSnapshot(all, kSaveCustomDialog, "tab: Security");
  EXPECT_EQ(security.control(kSecurityPageDialog, kNoEncryptionRadio).state, "disabled");
  EXPECT_TRUE(security.control(kSecurityPageDialog, kEncryption128Radio).checked());
  EXPECT_TRUE(security.control(kSecurityPageDialog, kAllowPrintingBox).hidden());
  testsupport::DialogSnapshot display = testsupport::lastSnapshot(all, kSaveCustomDialog, "tab: Display");
  EXPECT_EQ(display.control(kDisplayPageDialog, kZoomList).state, "disabled");
  EXPECT_EQ(display.control(kDisplayPageDialog, kZoomList).text, "Fit Width");

  // No passwords with 128-bit encryption: asked, and Yes goes on.
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].compare(0, 40, "You have chosen to use PDF encryption ho"), 0);
  EXPECT_EQ(pdfinfo(pdf, "Author"), "Records Office");
  std::string secured = encryption(pdf, "");
  EXPECT_NE(secured.find("R = 3"), std::string::npos) << secured;
  EXPECT_NE(secured.find("print high resolution: not allowed"), std::string::npos) << secured;
  EXPECT_NE(catalog(pdf, "").find("/FitH"), std::string::npos);
}

TEST_F(DialogJobs, PostScriptChosenAndThenPdfAgainMakesAPdf) {
  const std::string pdf = outDir + kSep + "changed.pdf";
  answers("filetype: 2\nfiletype: 1\naccept: " + pdf + "\n");
  ASSERT_EQ(print(spool(postScriptJob("Minds changed", 2)), "Vellora", 2).exitCode, 0) << log();
  EXPECT_EQ(testsupport::readFile(pdf).compare(0, 5, "%PDF-"), 0);
  EXPECT_EQ(pdfinfo(pdf, "Pages"), "2");
  EXPECT_FALSE(platform::fileExists(outDir + kSep + "changed.ps"));
}

TEST_F(DialogJobs, WithoutDesktopOrScriptAPrintedJobIsSavedNotDropped) {
  machine.unsetEnv("VELLORA_UI_SCRIPT");
  setUserString("SOFTWARE\\Norvale\\Vellora", "LastDirectory", outDir);
  testsupport::writeFile(outDir + kSep + "Budget.pdf", "the user's own file");
  std::string job = spool(postScriptJob("Budget", 2));
  auto result = print(job, "Vellora", 2);
  ASSERT_EQ(result.exitCode, 0) << result.output;
  std::string pdf = outDir + kSep + "Budget1.pdf";
  ASSERT_TRUE(platform::fileExists(pdf));
  EXPECT_EQ(pdfinfo(pdf, "Pages"), "2");
  EXPECT_EQ(testsupport::readFile(outDir + kSep + "Budget.pdf"), "the user's own file");
  std::string log = testsupport::readFile(product + kSep + "vlconv.log");
  EXPECT_NE(log.find("No Save PDF dialog was shown: none: no desktop user interface and no script"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(pdf), std::string::npos);
  EXPECT_FALSE(platform::fileExists(job));
  EXPECT_TRUE(filesLeftInWorkFolder().empty());
}

TEST_F(DialogJobs, AFolderWithVariablesIsWhereTheDialogOpensAndWhereJobsAreSavedUnasked) {
  // The printer's options as a system-wide installation ships them: the
  // dialog is shown, in the user's documents folder (made for a user who
  // has none yet), named after the title.
  options("Vellora", "DefaultPath=%HOME%" + kSep + "Documents" + kSep + "\nAutoNameTitle=true\n");
  const std::string documents = machine.home() + kSep + "Documents";
  // (A Windows test machine's user starts with the folder.)
  platform::removeTree(documents);
  ASSERT_FALSE(platform::fileExists(documents));
  answers("accept:\n");
  auto result = print(spool(postScriptJob("Budget", 2)), "Vellora", 2);
  ASSERT_EQ(result.exitCode, 0) << result.output << log();
  auto asked = shown("saveas");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0][0], documents + kSep);
  EXPECT_EQ(asked[0][1], "Budget");
  EXPECT_EQ(pdfinfo(documents + kSep + "Budget.pdf", "Pages"), "2");

  // Nobody to ask: the same folder, never one named after the variable.
  machine.unsetEnv("VELLORA_UI_SCRIPT");
  result = print(spool(postScriptJob("Budget", 1)));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(pdfinfo(documents + kSep + "Budget1.pdf", "Pages"), "1") << log();
  EXPECT_FALSE(platform::fileExists("%HOME%"));
  EXPECT_FALSE(platform::fileExists(machine.home() + kSep + "%HOME%"));
}

}  // namespace
}  // namespace e2e
}  // namespace vellora
