// Whole jobs whose settings come from stored profiles and whose quality
// comes from a preset: the real vlconv, the real Ghostscript, the PDF checked.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport/converter/vlconv_test_support.h"
#include "converter/settings/profiles.h"
#include "converter/settings/scramble_password.h"
#include "converter/settings/store_access.h"

namespace vellora {
namespace e2e {
namespace {

const char kUserKey[] = "SOFTWARE\\Norvale\\Vellora";

// One page holding a 600 x 600 colour photograph (pseudo-random pixels) drawn
// four inches wide: 150 pixels per inch.
std::string photoJob(const std::string& title) {
  return "%!PS-Adobe-3.0\n%%Title: " + title +
         "\n%%Pages: 1\n%%EndComments\n%%Page: 1 1\n"
         "/side 600 def /row side 3 mul string def /seed 1 def\n"
         "72 360 translate 288 288 scale\n"
         "side side 8 [side 0 0 side neg 0 side]\n"
         "{ 0 1 row length 1 sub { row exch seed 1103515245 mul 12345 add 16#7fffffff and "
         "dup /seed exch def -16 bitshift 255 and put } for row }\n"
         "false 3 colorimage\nshowpage\n%%EOF\n";
}

class ProfileJobs : public VlconvTest {
 protected:
  // The settings a job of this printer starts from, as LoadSettings reads them.
  SettingsRecord startingSettings(const std::string& printer = "Vellora") {
    LoadedSettings settings;
    LoadSettings(SelectPrinterKeys(printer), product, &settings);
    return settings.record;
  }
  void saveProfile(const std::string& name, const SettingsRecord& record,
                   const std::string& printer = "Vellora") {
    ASSERT_EQ(SaveProfile(SelectPrinterKeys(printer), name, record), 1);
  }
  // A job saved through the dialog under out/<name>.pdf, by a user who waits
  // for the quality list to fill or one who saves at once.
  enum Pace { kAtOnce, kAfterTheLists };
  std::string printThroughDialog(const std::string& name, const std::string& ps,
                                 const std::string& printer = "Vellora", Pace pace = kAtOnce) {
    const std::string pdf = outDir + kSep + name + ".pdf";
    answers(std::string(pace == kAfterTheLists ? "wait:\n" : "") + "saveas: " + pdf + "\n");
    testsupport::RunResult result = print(spool(ps), printer);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(platform::fileExists(pdf)) << testsupport::readFile(product + kSep + "vlconv.log");
    return pdf;
  }
  std::string encryption(const std::string& pdf, const std::string& password) {
    return testsupport::run({"qpdf", "--show-encryption", "--password=" + password, pdf}).output;
  }
  std::string catalog(const std::string& pdf, const std::string& password) {
    const std::string pw = "--password=" + password;
    const std::string trailer = testsupport::run({"qpdf", pw, "--show-object=trailer", pdf}).output;
    std::size_t root = trailer.find("/Root ");
    if (root == std::string::npos) return trailer;
    return testsupport::run({"qpdf", pw, "--show-object=" + std::to_string(std::atoi(
                                 trailer.c_str() + root + 6)), pdf})
        .output;
  }
  // The horizontal resolution of the PDF's first image (pdfimages -list).
  int imagePpi(const std::string& pdf) {
    std::string list = testsupport::run({"pdfimages", "-list", pdf}).output;
    std::size_t line = list.find("\n   1 ");
    if (line == std::string::npos) return -1;
    std::vector<std::string> columns;
    std::size_t at = line + 1, end = list.find('\n', at);
    while (at < end) {
      std::size_t start = list.find_first_not_of(' ', at);
      if (start >= end) break;
      std::size_t stop = std::min(list.find(' ', start), end);
      columns.push_back(list.substr(start, stop - start));
      at = stop;
    }
    return columns.size() > 12 ? std::atoi(columns[12].c_str()) : -1;
  }
  std::uint64_t sizeOf(const std::string& pdf) {
    std::uint64_t size = 0;
    platform::fileSize(pdf, &size);
    return size;
  }
  // A one-page PDF showing `word`, made by Ghostscript.
  void makePdf(const std::string& path, const std::string& word) {
    const std::string source = machine.path(word + ".ps");
    testsupport::writeFile(source, "%!PS\n/Helvetica findfont 30 scalefont setfont 72 400 moveto (" +
                                       word + ") show showpage\n");
    platform::createDirectories(path.substr(0, path.find_last_of(kSep)));
    auto made = testsupport::run({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite",
                                  "-sOutputFile=" + path, source});
    ASSERT_EQ(made.exitCode, 0) << made.output;
  }
  std::string storedLastSetting() {
    platform::RegKey user;
    if (user.open(platform::HKCU, kUserKey, platform::kRegRead) != platform::kRegOk) return "";
    platform::RegType type = platform::kRegNone;
    std::string image;
    user.query("LastSetting", &type, &image);
    return image;
  }
  void deleteUserValue(const std::string& name) {
    platform::RegKey key;
    ASSERT_EQ(key.open(platform::HKCU, kUserKey, platform::kRegWrite), platform::kRegOk);
    ASSERT_EQ(key.deleteValue(name), platform::kRegOk);
  }
  bool encrypted(const std::string& pdf) {
    return testsupport::run({"qpdf", "--is-encrypted", pdf}).exitCode == 0;
  }
  SettingsRecord withQuality(const std::string& quality) {
    SettingsRecord record = startingSettings();
    setFieldText(record.PDFQuality, quality);
    return record;
  }
};

TEST_F(ProfileJobs, TheDefaultProfileShapesTheNextJobsPdf) {
  SettingsRecord board = startingSettings();
  board.EncryptionLevel = 2;
  setFieldText(board.EUserPassword, "reader");
  setFieldText(board.EOwnerPassword, "boss");
  board.EAllowPrinting = 1;
  board.ViewZoom = 1;  // Fit Width
  setFieldText(board.PDFTitle, "Board minutes");
  saveProfile("Board", board);
  setUserString(kUserKey, "DefaultProfile", "Board");

  const std::string pdf = printThroughDialog("minutes", postScriptJob("Draft notes", 2));
  EXPECT_EQ(testsupport::run({"qpdf", "--requires-password", pdf}).exitCode, 0);
  const std::string shown = encryption(pdf, "reader");
  EXPECT_NE(shown.find("R = 3"), std::string::npos) << shown;
  EXPECT_NE(shown.find("print high resolution: allowed"), std::string::npos) << shown;
  EXPECT_NE(shown.find("modify other: not allowed"), std::string::npos) << shown;
  EXPECT_NE(encryption(pdf, "boss").find("Supplied password is owner password"), std::string::npos);
  EXPECT_NE(catalog(pdf, "reader").find("/OpenAction [ 0 /FitH ]"), std::string::npos);
  // Stored without a title chosen for it, as every profile saved before the
  // mark was: the document keeps its own.
  EXPECT_EQ(pdfinfo(pdf, "Title", "reader"), "Draft notes");
}

TEST_F(ProfileJobs, TheLastSettingsOfOneJobAreTheNextJobs) {
  options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  setUserNumber(kUserKey, "RememberLast", 1);
  setUserNumber(kUserKey, "EncryptionLevel", 2);
  setUserString(kUserKey, "EUserPassword", ScramblePassword("reader"));
  setUserNumber(kUserKey, "ViewZoom", 1);
  ASSERT_EQ(print(spool(postScriptJob("First", 1))).exitCode, 0);
  ASSERT_NE(encryption(outDir + kSep + "First.pdf", "reader").find("R = 3"), std::string::npos);

  // Stored whole, the password scrambled.
  platform::RegKey user;
  ASSERT_EQ(user.open(platform::HKCU, kUserKey, platform::kRegRead), platform::kRegOk);
  platform::RegType type = platform::kRegNone;
  std::string image;
  ASSERT_EQ(user.query("LastSetting", &type, &image), platform::kRegOk);
  EXPECT_EQ(type, platform::kRegBinary);
  EXPECT_EQ(image.size(), kSettingsRecordSize);
  EXPECT_EQ(image.find("reader"), std::string::npos);
  user.close();

  // The next job starts plain and takes the remembered settings at the dialog.
  for (const char* name : {"EncryptionLevel", "EUserPassword", "ViewZoom"}) {
    platform::RegKey key;
    ASSERT_EQ(key.open(platform::HKCU, kUserKey, platform::kRegWrite), platform::kRegOk);
    ASSERT_EQ(key.deleteValue(name), platform::kRegOk);
  }
  options("Vellora", "");
  const std::string pdf = printThroughDialog("second", postScriptJob("Second", 1));
  EXPECT_NE(encryption(pdf, "reader").find("R = 3"), std::string::npos);
  EXPECT_NE(catalog(pdf, "reader").find("/OpenAction [ 0 /FitH ]"), std::string::npos);
  // Everything is remembered but the title: the document's own.
  EXPECT_EQ(pdfinfo(pdf, "Title", "reader"), "Second");
}

TEST_F(ProfileJobs, OnlyATitleTypedForAProfileComesBackWithIt) {
  // One dialog saves two profiles: "Plain" as the dialog started, "Board"
  // after the user typed a title for it.
  const std::string draft = outDir + kSep + "draft.pdf";
  answers("check: 1028\nclick: 1018\nprofilename: Plain\n"
          "type: 1022 Board minutes\nclick: 1018\nprofilename: Board\n"
          "accept: " + draft + "\n");
  ASSERT_EQ(print(spool(postScriptJob("Draft notes", 1))).exitCode, 0);
  EXPECT_EQ(pdfinfo(draft, "Title"), "Board minutes");

  setUserString(kUserKey, "DefaultProfile", "Board");
  EXPECT_EQ(pdfinfo(printThroughDialog("march", postScriptJob("March meeting", 1)), "Title"),
            "Board minutes");
  setUserString(kUserKey, "DefaultProfile", "Plain");
  EXPECT_EQ(pdfinfo(printThroughDialog("invoice", postScriptJob("Invoice 12", 1)), "Title"),
            "Invoice 12");
}

TEST_F(ProfileJobs, AJobNotToBeRememberedLeavesTheRememberedSettings) {
  setUserNumber(kUserKey, "RememberLast", 1);
  setUserNumber(kUserKey, "ViewZoom", 1);  // Fit Width
  printThroughDialog("first", postScriptJob("First", 1));
  const std::string remembered = storedLastSetting();
  ASSERT_EQ(remembered.size(), kSettingsRecordSize);

  // One job with "Remember settings from last conversion" cleared.
  deleteUserValue("ViewZoom");
  const std::string second = outDir + kSep + "second.pdf";
  answers("check: 1028\ntab: Application\nclear: 1068\naccept: " + second + "\n");
  ASSERT_EQ(print(spool(postScriptJob("Second", 1))).exitCode, 0);
  ASSERT_TRUE(platform::fileExists(second));
  EXPECT_EQ(readStoreNumber(StoreKey::kUser, "RememberLast"), 0);
  EXPECT_TRUE(storedLastSetting() == remembered);

  // Turned on again, the first job's settings are there.
  setUserNumber(kUserKey, "RememberLast", 1);
  const std::string third = printThroughDialog("third", postScriptJob("Third", 1));
  EXPECT_NE(catalog(third, "").find("/OpenAction [ 0 /FitH ]"), std::string::npos);
}

TEST_F(ProfileJobs, PublishedMachineProfilesLeaveTheUsersDefaultForLater) {
  SettingsRecord mine = startingSettings();
  mine.EncryptionLevel = 1;
  setFieldText(mine.EUserPassword, "mine");
  saveProfile("Mine", mine);
  setUserString(kUserKey, "DefaultProfile", "Mine");
  {
    platform::RegKey published;
    ASSERT_EQ(published.create(platform::HKLM, "Software\\Norvale\\Vellora\\Profiles"),
              platform::kRegOk);
    ASSERT_EQ(published.setBinary("Company", settingsImage(startingSettings())), platform::kRegOk);
  }
  // Only the machine's profiles are offered, and none is the default.
  EXPECT_FALSE(encrypted(printThroughDialog("company", postScriptJob("Memo", 1))));
  EXPECT_EQ(readStoreText(StoreKey::kUser, "DefaultProfile"), "Mine");

  // Withdrawn, the user's own default applies again.
  ASSERT_EQ(platform::registry().DeleteTree(platform::HKLM, "Software\\Norvale\\Vellora\\Profiles"),
            platform::kRegOk);
  const std::string own = printThroughDialog("own", postScriptJob("Memo", 1));
  EXPECT_NE(encryption(own, "mine").find("R = 2"), std::string::npos);
}

TEST_F(ProfileJobs, ALockedFolderWithAPercentInItsNameSurvivesAUserProfile) {
  const std::string paper = machine.path("50% paper");
  // (Ghostscript would read the "%" of its output name as a page number.)
  makePdf(machine.path("Letterhead.pdf"), "NORVALE PAPER");
  ASSERT_TRUE(platform::createDirectories(paper));
  ASSERT_TRUE(platform::copyFile(machine.path("Letterhead.pdf"), paper + kSep + "Letterhead.pdf", false));
  machine.setEnv("VELLORA_TEST_PAPER", paper);
  const std::string policy = "Software\\Policies\\Norvale\\Vellora";
  setMachineString(policy, "StationeryPath", "%VELLORA_TEST_PAPER%");
  setMachineNumber(policy, "lk_StationeryPath", 1);
  SettingsRecord letters = startingSettings();
  setFieldText(letters.StationeryName, "Letterhead");
  setFieldText(letters.StationeryPath, machine.path("elsewhere"));
  saveProfile("Letters", letters);
  setUserString(kUserKey, "DefaultProfile", "Letters");

  const std::string pdf = printThroughDialog("letter", postScriptJob("Letter", 1));
  EXPECT_NE(pdfText(pdf).find("NORVALE PAPER"), std::string::npos) << pdfText(pdf);
  EXPECT_TRUE(messages().empty());
}

TEST_F(ProfileJobs, AJobNobodyIsAskedAboutRunsWithTheDefaultProfile) {
  SettingsRecord web = withQuality("Web/Email");
  web.EncryptionLevel = 2;
  setFieldText(web.EOwnerPassword, "boss");
  saveProfile("Web", web);
  setUserString(kUserKey, "DefaultProfile", "Web");
  setUserString(kUserKey, "LastDirectory", outDir);
  machine.unsetEnv("VELLORA_UI_SCRIPT");

  ASSERT_EQ(print(spool(photoJob("Holiday"))).exitCode, 0);
  const std::string pdf = outDir + kSep + "Holiday.pdf";
  EXPECT_NE(encryption(pdf, "boss").find("Supplied password is owner password"), std::string::npos);
  EXPECT_LE(imagePpi(pdf), 75);
  EXPECT_EQ(pdfinfo(pdf, "Title"), "Holiday");
}

TEST_F(ProfileJobs, AnAliasPrintersProfilesAreItsOwn) {
  SettingsRecord secure = startingSettings("Vellora Office");
  secure.EncryptionLevel = 1;
  setFieldText(secure.EUserPassword, "office");
  saveProfile("Secure", secure, "Vellora Office");
  setUserString(kUserKey, "DefaultProfile", "Secure");

  const std::string office = printThroughDialog("office", postScriptJob("Memo", 1), "Vellora Office");
  EXPECT_NE(encryption(office, "office").find("R = 2"), std::string::npos);

  // The product's own printer lists none of them: its job stays open.
  const std::string own = printThroughDialog("own", postScriptJob("Memo", 1), "Vellora");
  EXPECT_EQ(testsupport::run({"qpdf", "--requires-password", own}).exitCode, 2);
  EXPECT_TRUE(valueExists(platform::HKCU, "Software\\Norvale\\Vellora\\Profiles\\Vellora Office",
                          "Secure"));
  EXPECT_FALSE(valueExists(platform::HKCU, "Software\\Norvale\\Vellora\\Profiles", "Secure"));
}

TEST_F(ProfileJobs, WebEmailQualityMakesASmallerPdfThanPrepress) {
  saveProfile("Web", withQuality("Web/Email"));
  saveProfile("Press", withQuality("Prepress"));

  setUserString(kUserKey, "DefaultProfile", "Web");
  const std::string web = printThroughDialog("web", photoJob("Holiday"));
  EXPECT_EQ(readStoreText(StoreKey::kUser, "PDFQuality"), "Web/Email");
  setUserString(kUserKey, "DefaultProfile", "Press");
  const std::string press = printThroughDialog("press", photoJob("Holiday"), "Vellora", kAfterTheLists);

  // "screen" brings a 150 ppi photograph down to about 72 ppi; "prepress"
  // keeps it.
  EXPECT_LE(imagePpi(web), 75);
  EXPECT_EQ(imagePpi(press), 150);
  const std::uint64_t webSize = sizeOf(web), pressSize = sizeOf(press);
  EXPECT_GT(webSize, 0u);
  EXPECT_GT(pressSize, 3 * webSize) << "web " << webSize << " bytes, prepress " << pressSize;
  std::printf("Web/Email %llu bytes, Prepress %llu bytes\n",
              static_cast<unsigned long long>(webSize), static_cast<unsigned long long>(pressSize));
}

TEST_F(ProfileJobs, APresetFileReachesGhostscriptAsTheFileItCameFrom) {
  const std::string folder = product + kSep + "QOptions" + kSep;
  testsupport::writeFile(folder + "Small.joboptions",
                         "<< /DownsampleColorImages true /ColorImageDownsampleType /Bicubic\n"
                         "   /ColorImageResolution 40 /ColorImageDownsampleThreshold 1.0 >> "
                         "setdistillerparams\n");
  // Listed as "Press", a name no file of its own has.
  testsupport::writeFile(folder + "Press.old.joboptions",
                         "<< /DownsampleColorImages true /ColorImageDownsampleType /Bicubic\n"
                         "   /ColorImageResolution 60 /ColorImageDownsampleThreshold 1.0 >> "
                         "setdistillerparams\n");
  saveProfile("Small", withQuality("Small"));
  saveProfile("Press", withQuality("Press"));

  setUserString(kUserKey, "DefaultProfile", "Small");
  EXPECT_EQ(imagePpi(printThroughDialog("small", photoJob("Holiday"), "Vellora", kAfterTheLists)), 40);
  setUserString(kUserKey, "DefaultProfile", "Press");
  EXPECT_EQ(imagePpi(printThroughDialog("press", photoJob("Holiday"))), 60);
  EXPECT_FALSE(platform::fileExists(product + kSep + "vlconv.log"));
}

}  // namespace
}  // namespace e2e
}  // namespace vellora
