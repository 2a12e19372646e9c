#include "converter/job/startup.h"

#include <memory>

#include <gtest/gtest.h>

#include "converter/job/exception_filter.h"
#include "platform/files.h"
#include "scripted_ui/scripted_ui.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

const std::string kSep = platform::kPathSeparator;

class StartupTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    platform::setUserInterface(&ui);
    spoolFile = machine.path("spool file.ps");
    testsupport::writeFile(spoolFile, "%!PS\n");
  }
  void TearDown() override {
    removeExceptionFilter();
    platform::setUserInterface(nullptr);
    platform::setOsVersionForTesting(nullptr);
  }
  bool start(const std::vector<std::string>& arguments) {
    run = std::make_unique<ConverterRun>();
    exitCode = 12345;
    return startJob(*run, arguments, &exitCode);
  }
  std::string productFolderUnderAppData() const {
    return platform::applicationDataFolder() + kSep + "Vellora";
  }
  static std::string nameOf(const std::string& path) {
    return path.substr(path.find_last_of(kSep) + 1);
  }

  platform::ScriptedUi ui;
  std::unique_ptr<ConverterRun> run;
  int exitCode = 0;
  std::string spoolFile;
};

TEST_F(StartupTest, TooFewArgumentsEndWithMinusOne) {
  EXPECT_FALSE(start({}));
  EXPECT_EQ(exitCode, -1);
  EXPECT_FALSE(start({"3"}));
  EXPECT_EQ(exitCode, -1);
}

TEST_F(StartupTest, TheMonitorsCommandLineFillsTheJob) {
  ASSERT_TRUE(start({"7", spoolFile, "Letter to Ann", "Vellora Office", "x", "42"}));
  const JobRecord& job = run->job;
  EXPECT_EQ(job.pageCount, 7);
  EXPECT_EQ(job.spoolFile.str(), platform::shortPath(spoolFile));  // no blanks on Windows
  EXPECT_EQ(job.documentName.str(), "Letter to Ann");
  EXPECT_EQ(job.printerName.str(), "Vellora Office");
  EXPECT_EQ(job.keepSpoolFile, 0);
  EXPECT_EQ(run->keys.settingsKey.str(), "Software\\Norvale\\Vellora\\Settings\\Vellora Office");
  EXPECT_EQ(run->keys.profilesKey.str(), "Software\\Norvale\\Vellora\\Profiles\\Vellora Office");
  EXPECT_EQ(job.pdfSettingsName.str(), "default");
  EXPECT_EQ(job.messageCaption.str(), "Vellora");
  EXPECT_EQ(job.errorLog.str(), std::string(kJobBanner) + "\nUser interface: " + ui.description() + "\n");
  EXPECT_EQ(job.optionsFile.str(), kSep + "Vellora Office.opt") << "no product folder is set up";
}

TEST_F(StartupTest, UserPostScriptModeAndTheProductPrinterInAnyCase) {
  ASSERT_TRUE(start({"9993", spoolFile}));
  EXPECT_EQ(run->job.pageCount, 1);
  EXPECT_EQ(run->job.keepSpoolFile, 1);
  EXPECT_TRUE(run->job.documentName.empty());
  EXPECT_EQ(run->job.printerName.str(), "Vellora");
  ASSERT_TRUE(start({"2", spoolFile, "doc", "vELLORA"}));
  EXPECT_EQ(run->keys.settingsKey.str(), "Software\\Norvale\\Vellora\\Settings");
  EXPECT_EQ(run->keys.profilesKey.str(), "Software\\Norvale\\Vellora\\Profiles");
}

TEST_F(StartupTest, WorkingFilesGoUnderApplicationDataWhenTheProductFolderIsThere) {
  ASSERT_TRUE(platform::createDirectories(productFolderUnderAppData()));
  ASSERT_TRUE(start({"1", spoolFile}));
  const JobRecord& job = run->job;
  EXPECT_EQ(job.tempDir.str(), productFolderUnderAppData() + kSep + "Temp");
  EXPECT_TRUE(platform::isDirectory(job.tempDir));
  const PathText* files[] = {&job.workFile, &job.utilityOutFile, &job.backupFile};
  const char* prefixes[] = {"vlo", "vlx", "vlt"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(platform::fileExists(*files[i]));
    EXPECT_EQ(files[i]->str().substr(0, job.tempDir.size()), job.tempDir.str());
    EXPECT_EQ(nameOf(*files[i]).substr(0, 3), prefixes[i]);
  }
}

TEST_F(StartupTest, WithoutTheProductFolderTheTemporaryPathServes) {
  // Only one folder level is created: no product folder, no working folder.
  ASSERT_TRUE(start({"1", spoolFile}));
  EXPECT_EQ(run->job.tempDir.str(), platform::tempPath());
  EXPECT_FALSE(platform::fileExists(productFolderUnderAppData()));
  EXPECT_TRUE(platform::fileExists(run->job.workFile));

  platform::OsVersion windows98;
  windows98.platform = platform::kWin32Windows;
  windows98.major = 4;
  windows98.minor = 10;
  platform::setOsVersionForTesting(&windows98);
  ASSERT_TRUE(platform::createDirectories(productFolderUnderAppData()));
  ASSERT_TRUE(start({"1", spoolFile}));
  EXPECT_EQ(run->job.tempDir.str(), platform::tempPath()) << "the 9x family always works there";
}

TEST_F(StartupTest, AFreshMachineWithoutInterpreterSaysSoOnceAndWritesPostScript) {
  ASSERT_TRUE(start({"1", spoolFile}));
  EXPECT_EQ(run->job.interpreterKind, kNoInterpreter);
  ASSERT_EQ(ui.eventsOf("message").size(), 1u);
  EXPECT_EQ(ui.eventsOf("message")[0][2].rfind("A Postscript interpreter was not found", 0), 0u);
  ASSERT_TRUE(start({"1", spoolFile}));
  EXPECT_EQ(ui.eventsOf("message").size(), 1u);
}

}  // namespace
}  // namespace vellora
