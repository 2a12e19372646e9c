// Whole jobs through the real vlconv showing its real GTK windows on an X
// server of the test's own, driven step by step as a user would drive
// them; and jobs whose desktop fails them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "testsupport/converter/vlconv_test_support.h"
#include "converter/ui/dialog_ids.h"
#include "platform/process.h"
#include "testsupport/dialog_record.h"
#include "testsupport/private_display.h"

namespace vellora {
namespace e2e {
namespace {

const std::string kModule =
    std::string(VLCONV_PATH).substr(0, std::string(VLCONV_PATH).find_last_of('/')) + "/vlgtk.so";

struct Picture {
  int width = 0;
  int height = 0;
  int colours = 0;
};

// Size and number of distinct colours of a PNG file (ImageMagick).
Picture picture(const std::string& path) {
  Picture p;
  auto shown = testsupport::run({"identify", "-format", "%w %h %k", path});
  if (shown.exitCode == 0) std::sscanf(shown.output.c_str(), "%d %d %d", &p.width, &p.height, &p.colours);
  return p;
}

class DesktopJobs : public VlconvTest {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_PRIVATE_DISPLAY();
    if (!platform::fileExists(kModule)) GTEST_SKIP() << "the desktop module was not built";
    if (testsupport::run({"identify", "-version"}).exitCode != 0)
      GTEST_SKIP() << "ImageMagick is not installed";
    VlconvTest::SetUp();
    machine.unsetEnv("VELLORA_UI_SCRIPT");
    ASSERT_TRUE(display.start()) << display.startError();
    machine.setEnv("VELLORA_DESKTOP_SCRIPT", machine.path("desktop-script"));
    machine.setEnv("VELLORA_DESKTOP_SHOTS", shots());
  }

  void drive(const std::string& lines) { testsupport::writeFile(machine.path("desktop-script"), lines); }
  std::string shots() const {
    // A current set for the README: VELLORA_SCREENSHOTS_TO names its folder.
    std::string wanted;
    if (platform::getEnvironment("VELLORA_SCREENSHOTS_TO", &wanted) && !wanted.empty()) return wanted;
    return machine.path("shots");
  }
  std::string log() { return testsupport::readFile(product + kSep + "vlconv.log"); }
  std::string record() { return testsupport::readFile(machine.path("ui-record")); }
  std::vector<testsupport::DialogSnapshot> snapshots() {
    return testsupport::dialogSnapshots(testsupport::recordEvents(record()));
  }

  // The screenshots taken, by name, each checked against the size the
  // window had and for showing more than a blank window.
  std::map<std::string, Picture> screenshots() {
    std::map<std::string, Picture> taken;
    for (const auto& shot : shown("screenshot")) {
      if (shot.size() < 4) continue;
      std::string name = shot[1].substr(shot[1].find_last_of('/') + 1);
      name = name.substr(0, name.size() - 4);
      Picture p = picture(shot[1]);
      EXPECT_EQ(p.width, std::atoi(shot[2].c_str())) << name;
      EXPECT_EQ(p.height, std::atoi(shot[3].c_str())) << name;
      EXPECT_GT(p.colours, 20) << name << " looks blank";
      taken[name] = p;
    }
    return taken;
  }

  // The window's size as the dialog's handle gave it at a snapshot.
  static std::pair<int, int> placed(const testsupport::DialogSnapshot& snapshot) {
    return {snapshot.width, snapshot.height};
  }

  testsupport::PrivateDisplay display;
};

TEST_F(DesktopJobs, APrintedJobIsSavedThroughTheRealDialogWithTheChosenSettings) {
  std::string pdf = outDir + kSep + "annual.pdf";
  setUserString("SOFTWARE\\Norvale\\Vellora", "LastDirectory", outDir);
  for (const char* earlier : {"Minutes March.pdf", "Minutes April.pdf", "Budget 2008.pdf"})
    testsupport::writeFile(outDir + kSep + earlier, "%PDF-1.4\n");
  // "wait:" first: a user sees the quality list filled before choosing.
  drive("wait:\n"
        "name: annual.pdf\n"
        "screenshot: savepdf-compact\n"
        "choose: 1005 Printing\n"
        "check: 1028\n"
        "screenshot: savepdf-general\n"
        "type: 1022 Annual Figures\n"
        "type: 1024 Ann Clerk\n"
        "tab: Security\n"
        "click: 128/1026\n"
        "type: 1030 viewing\n"
        "type: 1031 changing\n"
        "check: 1032\n"
        "screenshot: savepdf-security\n"
        "tab: Display\n"
        "choose: 1078 Fit Width\n"
        "wait:\n"
        "screenshot: savepdf-display\n"
        "tab: Application\n"
        "screenshot: savepdf-application\n"
        "accept: " + pdf + "\n");
  auto result = print(spool(postScriptJob("Quarterly", 3)), "Vellora", 3);
  ASSERT_EQ(result.exitCode, 0) << result.output << log();
  ASSERT_TRUE(platform::fileExists(pdf)) << log() << record();
  EXPECT_EQ(record().find("refused"), std::string::npos) << record();

  EXPECT_EQ(pdfinfo(pdf, "Title", "viewing"), "Annual Figures");
  EXPECT_EQ(pdfinfo(pdf, "Author", "viewing"), "Ann Clerk");
  EXPECT_EQ(pdfinfo(pdf, "Pages", "viewing"), "3");
  std::string security =
      testsupport::run({"qpdf", "--show-encryption", "--password=changing", pdf}).output;
  EXPECT_NE(security.find("R = 3"), std::string::npos) << security;
  EXPECT_NE(security.find("print high resolution: allowed"), std::string::npos) << security;
  EXPECT_NE(security.find("modify anything: not allowed"), std::string::npos) << security;
  std::string catalog = testsupport::run({"qpdf", "--password=changing", "--json=2",
                                          "--json-key=qpdf", pdf}).output;
  EXPECT_NE(catalog.find("/FitH"), std::string::npos);

  // Each screenshot is its window at the size the dialog had then; the
  // expanded dialog shows the option pages below the compact form's rows.
  std::map<std::string, Picture> taken = screenshots();
  for (const char* name : {"savepdf-compact", "savepdf-general", "savepdf-security",
                           "savepdf-display", "savepdf-application", "progress"})
    EXPECT_EQ(taken.count(name), 1u) << name;
  auto all = snapshots();
  auto compact = testsupport::lastSnapshot(all, kSaveCustomDialog, "screenshot: savepdf-compact");
  auto expanded = testsupport::lastSnapshot(all, kSaveCustomDialog, "screenshot: savepdf-general");
  EXPECT_EQ(std::make_pair(taken["savepdf-compact"].width, taken["savepdf-compact"].height), placed(compact));
  EXPECT_EQ(std::make_pair(taken["savepdf-general"].width, taken["savepdf-general"].height), placed(expanded));
  EXPECT_GT(expanded.height, compact.height + 250);
  EXPECT_EQ(expanded.width, compact.width);
  EXPECT_EQ(expanded.icon, kDialogIcon);
  // The progress window: borderless, its banner and bar, about three times
  // as wide as high (210 x 67 dialog units).
  EXPECT_GT(taken["progress"].width, 2 * taken["progress"].height);
  auto progress = shown("progress");
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress[0], (std::vector<std::string>{"range", "0", "3"}));
}

TEST_F(DesktopJobs, TheFileExistsPasswordAndMessageWindowsAreAnsweredOnScreen) {
  // An encrypted PDF the new job is appended to.
  std::string existing = outDir + kSep + "Ledger.pdf";
  std::string plain = machine.path("plain.pdf");
  testsupport::writeFile(machine.path("old.ps"),
                         "%!PS\n/Helvetica findfont 20 scalefont setfont 72 700 moveto (Old 1) show showpage\n");
  ASSERT_EQ(testsupport::run({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite",
                              "-sOutputFile=" + plain, machine.path("old.ps")}).exitCode, 0);
  ASSERT_EQ(testsupport::run({"qpdf", "--encrypt", "secret", "owner", "256", "--", plain, existing}).exitCode, 0);
  setUserNumber("SOFTWARE\\Norvale\\Vellora", "EncryptionLevel", 1);

  // The first Save is refused at the password question (No), the second
  // goes on (Yes); the file-exists window is asked both times; the
  // password window comes when the file is joined.
  drive("wait:\n"
        "check: 1028\n"
        "click: 1018\n"
        "screenshot: profilename\n"
        "profilename: Ledger profile\n"
        "accept: " + existing + "\n"
        "fileexists: Append\n"
        "message: no\n"
        "accept: " + existing + "\n"
        "screenshot: fileexists\n"
        "fileexists: Append\n"
        "message: yes\n"
        "screenshot: password\n"
        "password: secret\n");
  auto result = print(spool(postScriptJob("Ledger", 1)), "Vellora", 1);
  ASSERT_EQ(result.exitCode, 0) << result.output << log() << record();

  auto answered = shown("message");
  ASSERT_EQ(answered.size(), 2u) << record();
  EXPECT_EQ(answered[0][2].compare(0, 37, "You have chosen to use PDF encryption"), 0);
  EXPECT_EQ(answered[0][3], "no");
  EXPECT_EQ(answered[1][3], "yes");
  auto windows = shown("window");
  int fileExistsShown = 0, passwordShown = 0;
  for (const auto& w : windows) {
    if (w[0] == "close" && w[1] == std::to_string(kFileExistsDialog)) {
      ++fileExistsShown;
      EXPECT_EQ(w[2], "2") << "Append";
    }
    if (w[0] == "close" && w[1] == std::to_string(kPasswordDialog)) ++passwordShown;
    if (w[0] == "close" && w[1] == std::to_string(kProfileNameDialog)) {
      EXPECT_EQ(w[2], "1");
    }
  }
  EXPECT_EQ(fileExistsShown, 2);
  EXPECT_EQ(passwordShown, 1);

  // The old page, then the new one, in a 40-bit document.
  std::string text = pdfText(existing);
  EXPECT_LT(text.find("Old 1"), text.find("Page 1")) << text;
  EXPECT_NE(testsupport::run({"qpdf", "--show-encryption", existing}).output.find("R = 2"),
            std::string::npos);

  // The profile was named in its window and stored under that name.
  auto all = snapshots();
  EXPECT_TRUE(valueExists(platform::HKCU, "Software\\Norvale\\Vellora\\Profiles", "Ledger profile"));

  std::map<std::string, Picture> taken = screenshots();
  EXPECT_EQ(taken.count("profilename"), 1u);
  auto question = testsupport::lastSnapshot(all, kFileExistsDialog, "screenshot: fileexists");
  EXPECT_EQ(std::make_pair(taken["fileexists"].width, taken["fileexists"].height), placed(question));
  EXPECT_EQ(taken.count("password"), 1u);
}

// Runs vlconv on a one-page job and, once its Save dialog is on the screen,
// ends the X server under it.
testsupport::RunResult printAndLoseTheDisplay(const std::string& spoolFile, const std::string& record,
                                              testsupport::PrivateDisplay& display) {
  testsupport::RunResult result;
  platform::ChildProcess child;
  platform::StartOptions options;
  if (!child.start(platform::quoteArgument(VLCONV_PATH) + " 1 " + platform::quoteArgument(spoolFile) +
                       " Budget Vellora",
                   options)) {
    result.output = "cannot start vlconv";
    return result;
  }
  for (int i = 0; i < 300 && testsupport::readFile(record).find("mapped\t101") == std::string::npos; ++i)
    platform::sleepMilliseconds(100);
  display.stop();
  if (child.wait(60000) != platform::kWaitDone) {
    child.kill();
    child.wait(platform::kWaitForever);
    result.output = "vlconv hung once its display was gone";
    return result;
  }
  result.exitCode = child.exitCode();
  return result;
}

TEST_F(DesktopJobs, ADisplayThatGoesAwayMidDialogLeavesTheJobSavedWithoutIt) {
  setUserString("SOFTWARE\\Norvale\\Vellora", "LastDirectory", outDir);
  testsupport::writeFile(outDir + kSep + "Budget.pdf", "the user's own file");
  drive("wait:\npause: 30000\n");
  std::string job = spool(postScriptJob("Budget", 1));
  auto result = printAndLoseTheDisplay(job, machine.path("ui-record"), display);
  ASSERT_EQ(result.exitCode, 0) << result.output << log();
  std::string pdf = outDir + kSep + "Budget1.pdf";
  ASSERT_TRUE(platform::fileExists(pdf)) << log();
  EXPECT_EQ(pdfinfo(pdf, "Pages"), "1");
  EXPECT_EQ(testsupport::readFile(outDir + kSep + "Budget.pdf"), "the user's own file");
  EXPECT_NE(log().find("User interface: gtk: the desktop on the display " + display.name()),
            std::string::npos)
      << log();
  EXPECT_NE(log().find("No Save PDF dialog was shown: none: the desktop went away (the connection "
                       "to the display " + display.name() + " was lost)"),
            std::string::npos)
      << log();
  EXPECT_FALSE(platform::fileExists(job));
  EXPECT_TRUE(filesLeftInWorkFolder().empty());
}

TEST_F(DesktopJobs, AModuleOrDisplayThatCannotBeHadLeavesTheJobSavedWithoutADialog) {
  setUserString("SOFTWARE\\Norvale\\Vellora", "LastDirectory", outDir);
  testsupport::writeFile(machine.path("broken.so"), "not a shared library");
  machine.setEnv("VELLORA_DESKTOP_MODULE", machine.path("broken.so"));
  auto first = print(spool(postScriptJob("Minutes", 1)), "Vellora", 1);
  ASSERT_EQ(first.exitCode, 0) << first.output;
  EXPECT_TRUE(platform::fileExists(outDir + kSep + "Minutes.pdf"));
  EXPECT_NE(log().find("none: no desktop user interface and no script (VELLORA_UI_SCRIPT): the "
                       "desktop module " + machine.path("broken.so") + " could not be loaded"),
            std::string::npos)
      << log();

  // The module loads, but the display named cannot be opened.
  machine.unsetEnv("VELLORA_DESKTOP_MODULE");
  machine.setEnv("DISPLAY", ":9999");
  auto second = print(spool(postScriptJob("Minutes", 1)), "Vellora", 1);
  ASSERT_EQ(second.exitCode, 0) << second.output;
  EXPECT_TRUE(platform::fileExists(outDir + kSep + "Minutes1.pdf"));
  EXPECT_NE(log().find("the display :9999 could not be opened (DISPLAY=:9999)"), std::string::npos)
      << log();
}

}  // namespace
}  // namespace e2e
}  // namespace vellora
