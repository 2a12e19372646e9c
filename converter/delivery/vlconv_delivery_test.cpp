// The viewer step of whole jobs: the configured viewer, the options file's
// post-process command, and the desktop's opener on systems of version 6.
#include <gtest/gtest.h>

#include "testsupport/converter/vlconv_test_support.h"
#include "platform/process.h"
#include "platform/system.h"

namespace vellora {
namespace e2e {
namespace {

const std::string kRecorder =
    std::string(VELLORA_STANDIN_DIR) + kSep + "standin-recorder" + platform::kExeSuffix;
// The desktop opens documents through the shell's association on Windows,
// through xdg-open on Linux.
const bool kWindowsShell = std::string(platform::kExeSuffix) == ".exe";
const char kLinuxMailWays[] =
    "xdg-email and Thunderbird are the ways of Linux; Windows mails through Simple MAPI, then Outlook";
const char kPassedOver[] =
    "a system of version 6 (Wine reports Windows 7) passes the viewer and the command over for the desktop";

class DeliveryJobs : public VlconvTest {
 protected:
  void SetUp() override {
    VlconvTest::SetUp();
    machine.setEnv("VELLORA_STANDIN_LOG", machine.path("started"));
    // The desktop opener, as a test double that notes what it was asked.
    if (kWindowsShell) {
      ASSERT_TRUE(platform::copyFile(kRecorder, opener(), false));
      setClassString(".pdf", "VelloraTest.Pdf");
      setClassString("VelloraTest.Pdf\\shell\\open\\command", "\"" + opener() + "\" \"%1\"");
    } else {
      std::string bin = machine.path("bin");
      testsupport::writeFile(bin + kSep + "xdg-open",
                             "#!/bin/sh\nprintf 'xdg-open\\t%s\\n' \"$1\" >> '" +
                                 machine.path("started") + "'\n");
      testsupport::run({"chmod", "+x", bin + kSep + "xdg-open"});
      std::string path;
      platform::getEnvironment("PATH", &path);
      machine.setEnv("PATH", bin + ":" + path);
    }
    options("Vellora", "DefaultPath=" + outDir + kSep +
                           "\nSuppressDialog=true\nAutoNameTitle=true\n" + extraOptions());
  }
  virtual std::string extraOptions() { return ""; }

  void setClassString(const std::string& key, const std::string& value) {
    platform::RegKey k;
    ASSERT_EQ(k.create(platform::HKCR, key), platform::kRegOk);
    ASSERT_EQ(k.setString("", value), platform::kRegOk);
  }
  // A program and its argument as the stand-ins record them (a backslash
  // written twice).
  static std::string recorded(const std::string& program, const std::string& argument) {
    std::string line;
    for (char c : program + "\t" + argument) line += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return line + "\n";
  }
  // The program the shell opens PDF files with (Windows).
  std::string opener() const { return machine.path("opener") + platform::kExeSuffix; }
  // What the desktop opener records for a document.
  std::string opened(const std::string& document) const {
    return recorded(kWindowsShell ? opener() : std::string("xdg-open"), document);
  }
  // Systems of version 6 pass the viewer and the post-process command over
  // for the desktop's opener.
  static bool version6() { return platform::osVersion().major == 6; }

  // The programs started for the job, each as its arguments joined by tabs;
  // they run detached, so wait for them a little.
  std::string started(std::size_t lines) {
    std::string text;
    for (int i = 0; i < 100; ++i) {
      text = testsupport::readFile(machine.path("started"));
      std::size_t count = 0;
      for (char c : text) count += c == '\n';
      if (count >= lines) break;
      platform::sleepMilliseconds(50);
    }
    return text;
  }
  std::uint32_t autoLaunch() {
    platform::RegKey key;
    std::uint32_t value = 99;
    if (key.open(platform::HKCU, "SOFTWARE\\Norvale\\Vellora", platform::kRegRead) ==
        platform::kRegOk)
      key.queryDword("AutoLaunch", &value);
    return value;
  }
};

TEST_F(DeliveryJobs, AConfiguredViewerOpensTheResult) {
  if (version6()) GTEST_SKIP() << kPassedOver;
  setMachineString("SOFTWARE\\Norvale\\Vellora", "ViewerPath", kRecorder);
  setMachineNumber("SOFTWARE\\Norvale\\Vellora", "autoview", 1);
  ASSERT_EQ(print(spool(postScriptJob("Viewed", 1))).exitCode, 0);
  EXPECT_EQ(started(1), recorded(kRecorder, outDir + kSep + "Viewed.pdf"));
}

TEST_F(DeliveryJobs, AViewerInAFolderWithABlankIsStartedWhole) {
  if (version6()) GTEST_SKIP() << kPassedOver;
  const std::string viewer = machine.path("Program Files") + kSep + "viewer" + platform::kExeSuffix;
  platform::createDirectories(machine.path("Program Files"));
  ASSERT_TRUE(platform::copyFile(kRecorder, viewer, false));
  setMachineString("SOFTWARE\\Norvale\\Vellora", "ViewerPath", viewer);
  setMachineNumber("SOFTWARE\\Norvale\\Vellora", "autoview", 1);
  ASSERT_EQ(print(spool(postScriptJob("Spaced", 1))).exitCode, 0);
  EXPECT_EQ(started(1), recorded(viewer, outDir + kSep + "Spaced.pdf"));
}

TEST_F(DeliveryJobs, WithoutViewingNothingStartsAndAutoLaunchIsCleared) {
  setMachineString("SOFTWARE\\Norvale\\Vellora", "ViewerPath", kRecorder);
  ASSERT_EQ(print(spool(postScriptJob("Quiet", 1))).exitCode, 0);
  platform::sleepMilliseconds(200);
  EXPECT_EQ(testsupport::readFile(machine.path("started")), "");
  EXPECT_EQ(autoLaunch(), 0u);
}

TEST_F(DeliveryJobs, OnVersion6TheViewerIsPassedOverForTheDesktopOpener) {
  setMachineString("SOFTWARE\\Norvale\\Vellora", "ViewerPath", kRecorder);
  setMachineNumber("SOFTWARE\\Norvale\\Vellora", "autoview", 1);
  machine.setEnv("VELLORA_OS_VERSION", "Vista");
  ASSERT_EQ(print(spool(postScriptJob("Shell", 1))).exitCode, 0);
  EXPECT_EQ(started(1), opened(outDir + kSep + "Shell.pdf"));
  EXPECT_EQ(autoLaunch(), 1u);
  EXPECT_TRUE(shown("forward").empty());
}

TEST_F(DeliveryJobs, WithoutTheDesktopsOpenerTheUserIsToldAndTheFileStays) {
  setMachineNumber("SOFTWARE\\Norvale\\Vellora", "autoview", 1);
  testsupport::RunResult result;
  if (kWindowsShell) {
    // The program the shell's association names is gone.
    platform::deleteFile(opener());
    result = print(spool(postScriptJob("Unopened", 1)));
  } else {
    // No xdg-open anywhere on the converter's PATH.
    platform::deleteFile(machine.path("bin") + kSep + "xdg-open");
    std::string path;
    platform::getEnvironment("PATH", &path);
    platform::setEnvironment("PATH", machine.path("bin"));
    result = print(spool(postScriptJob("Unopened", 1)));
    platform::setEnvironment("PATH", path);
  }
  ASSERT_EQ(result.exitCode, 0);
  EXPECT_EQ(pdfinfo(outDir + kSep + "Unopened.pdf", "Pages"), "1");
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].rfind("Vellora could not start the PDF viewer.", 0), 0u);
}

TEST_F(DeliveryJobs, TheDesktopOpensTheResultAndTheReadersWindowsComeForward) {
  if (version6()) GTEST_SKIP() << "a system of version 6 (Wine reports Windows 7) brings no window forward";
  setMachineNumber("SOFTWARE\\Norvale\\Vellora", "autoview", 1);
  ASSERT_EQ(print(spool(postScriptJob("Opened", 1))).exitCode, 0);
  EXPECT_EQ(started(1), opened(outDir + kSep + "Opened.pdf"));
  EXPECT_EQ(shown("forward"), std::vector<std::vector<std::string>>{{"AdobeAcrobat"}});
}

class PostProcessJobs : public DeliveryJobs {
  std::string extraOptions() override {
    return "PostProcess=true\nPostProcessCommand=%VELLORA_TEST_RECORDER%\n";
  }
};

TEST_F(PostProcessJobs, TheCommandGetsTheFinishedFile) {
  if (version6()) GTEST_SKIP() << kPassedOver;
  machine.setEnv("VELLORA_TEST_RECORDER", kRecorder);
  ASSERT_EQ(print(spool(postScriptJob("Processed", 2))).exitCode, 0);
  EXPECT_EQ(started(1), recorded(kRecorder, outDir + kSep + "Processed.pdf"));
}

TEST_F(PostProcessJobs, AMissingCommandIsReportedAndTheFileStays) {
  if (version6()) GTEST_SKIP() << kPassedOver;
  machine.setEnv("VELLORA_TEST_RECORDER", machine.path("no such program"));
  ASSERT_EQ(print(spool(postScriptJob("Kept", 1))).exitCode, 0);
  EXPECT_TRUE(platform::fileExists(outDir + kSep + "Kept.pdf"));
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].rfind("Vellora could not start the PDF viewer.", 0), 0u);
}

class EmailJobs : public DeliveryJobs {
 protected:
  void SetUp() override {
    DeliveryJobs::SetUp();
    setUserNumber("SOFTWARE\\Norvale\\Vellora", "autoemail", 1);
  }
  // The job runs with only the test's own programs on PATH, so that no mail
  // program of this machine is found.
  testsupport::RunResult printAlone(const std::string& spoolFile) {
    std::string path;
    platform::getEnvironment("PATH", &path);
    platform::setEnvironment("PATH", machine.path("bin"));
    testsupport::RunResult result = print(spoolFile);
    platform::setEnvironment("PATH", path);
    return result;
  }
  // A mail composer that records its arguments, one per line.
  void composer(const std::string& name, int exitCode) {
    std::string program = machine.path("bin") + kSep + name;
    testsupport::writeFile(program, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" +
                                        machine.path(name + ".args") + "'; done\nexit " +
                                        std::to_string(exitCode) + "\n");
    testsupport::run({"/bin/chmod", "+x", program});
  }
};

TEST_F(EmailJobs, TheFinishedPdfIsAttachedWithTheTitleAsSubject) {
  if (kWindowsShell) GTEST_SKIP() << "on Windows the message goes through Simple MAPI, which no test program receives";
  composer("xdg-email", 0);
  const std::string title = "Caf\xc3\xa9 \"menu\", spring";
  ASSERT_EQ(printAlone(spool(postScriptJob(title, 1))).exitCode, 0);
  // The name leaves out what a Windows file name cannot hold; the subject
  // keeps the title as it is.
  std::string pdf = outDir + kSep + "Caf\xc3\xa9 _menu_, spring.pdf";
  EXPECT_EQ(pdfinfo(pdf, "Pages"), "1");
  EXPECT_EQ(testsupport::readFile(machine.path("xdg-email.args")),
            "--subject\n" + title + "\n--attach\n" + pdf + "\n");
  EXPECT_TRUE(messages().empty());
}

TEST_F(EmailJobs, WhenXdgEmailFindsNoMailProgramThunderbirdIsAsked) {
  if (kWindowsShell) GTEST_SKIP() << kLinuxMailWays;
  composer("xdg-email", 3);  // no mail program found
  composer("thunderbird", 0);
  ASSERT_EQ(printAlone(spool(postScriptJob("Second way", 1))).exitCode, 0);
  std::string pdf = outDir + kSep + "Second way.pdf";
  EXPECT_EQ(pdfinfo(pdf, "Pages"), "1");
  const std::string asked = testsupport::readFile(machine.path("thunderbird.args"));
  EXPECT_EQ(asked.rfind("-compose\nsubject=Second%20way,attachment=/", 0), 0u) << asked;
  EXPECT_NE(asked.find("/Second%20way.pdf\n"), std::string::npos) << asked;
  EXPECT_TRUE(messages().empty());

  // A composer that took the message is the only one.
  platform::deleteFile(machine.path("thunderbird.args"));
  composer("xdg-email", 0);
  ASSERT_EQ(printAlone(spool(postScriptJob("One way", 1))).exitCode, 0);
  EXPECT_FALSE(platform::fileExists(machine.path("thunderbird.args")));
}

TEST_F(EmailJobs, WithoutAMailProgramTheUserIsToldAndTheJobStands) {
  if (kWindowsShell) GTEST_SKIP() << kLinuxMailWays;
  composer("xdg-email", 4);
  composer("thunderbird", 1);
  ASSERT_EQ(printAlone(spool(postScriptJob("Unsent", 2))).exitCode, 0);
  EXPECT_EQ(pdfinfo(outDir + kSep + "Unsent.pdf", "Pages"), "2");
  EXPECT_NE(testsupport::readFile(machine.path("thunderbird.args")), "") << "both ways tried";
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0], "Failed sending email attachment.");
  EXPECT_EQ(shown("message")[0][0], "0x40") << "information icon";
}

}  // namespace
}  // namespace e2e
}  // namespace vellora
