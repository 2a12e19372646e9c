#include "converter/backends/utility_commands.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/process.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

// The utility's path as the commands name it on this platform.
const std::string kVlutil =
    std::string("/opt/vellora") + platform::kPathSeparator + "vlutil" + platform::kExeSuffix;

class UtilityCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(&settings, 0, sizeof settings);
    job.installDir = "/opt/vellora";
    job.outputPath = "/home/ann/Documents/report.pdf";
    job.workFile = "/tmp/w/vlo1A2B.tmp";
    job.backupFile = "/tmp/w/vlt3C4D.tmp";
    job.utilityOutFile = "/tmp/w/vlx5E6F.tmp";
  }
  JobRecord job;
  SettingsRecord settings;
};

TEST_F(UtilityCommandsTest, ExamineAndJoinCommandsQuoteEveryPath) {
  EXPECT_EQ(examineCommand(job),
            "\"" + kVlutil + "\" "
            "i \"/home/ann/Documents/report.pdf\"");

  setFieldText(settings.PDFTitle, "Report");
  setFieldText(settings.PDFSubject, "Q3");
  setFieldText(settings.PDFKeywords, "money, time");
  setFieldText(settings.PDFAuthor, "Ann");
  job.existingFilePassword = "s3cret";
  // Prepending puts the new document (workFile) before the existing one.
  EXPECT_EQ(joinCommand(job, settings, job.workFile, job.backupFile),
            "\"" + kVlutil + "\" "
            "c \"/tmp/w/vlo1A2B.tmp\" \"/tmp/w/vlt3C4D.tmp\" "
            "\"/tmp/w/vlx5E6F.tmp\" \"Report\" \"Q3\" \"money, time\" \"Ann\" \"s3cret\"");
}

TEST_F(UtilityCommandsTest, QuotesAndTrailingBackslashesInTextsCannotSplitArguments) {
  setFieldText(settings.PDFTitle, "The \"big\" plan");
  setFieldText(settings.PDFAuthor, "C:\\Users\\");
  job.existingFilePassword = "pa\"ss";
  std::string command = joinCommand(job, settings, job.backupFile, job.workFile);
  std::vector<std::string> args = platform::splitCommandLine(command);
  ASSERT_EQ(args.size(), 10u);
  EXPECT_EQ(args[1], "c");
  EXPECT_EQ(args[5], "The \"big\" plan");
  EXPECT_EQ(args[8], "C:\\Users\\");
  EXPECT_EQ(args[9], "pa\"ss");
}

TEST_F(UtilityCommandsTest, LongDocumentInformationGivesWayBeforeThePassword) {
  setFieldText(settings.PDFTitle, std::string(499, 't'));
  setFieldText(settings.PDFSubject, std::string(254, 's'));
  setFieldText(settings.PDFKeywords, std::string(499, 'k'));
  setFieldText(settings.PDFAuthor, std::string(254, 'a'));
  job.existingFilePassword = "kept";
  std::string command = joinCommand(job, settings, job.backupFile, job.workFile);
  EXPECT_LT(command.size(), kUtilityCommandCapacity);
  std::vector<std::string> args = platform::splitCommandLine(command);
  ASSERT_EQ(args.size(), 10u);
  EXPECT_EQ(args[9], "kept");
  EXPECT_EQ(args[4], "/tmp/w/vlx5E6F.tmp");
}

TEST_F(UtilityCommandsTest, StationeryCommandFollowsTheWatermarkSetting) {
  setFieldText(settings.StationeryName, "Letterhead");
  setFieldText(settings.StationeryPath, "/opt/vellora/Stationery");
  EXPECT_EQ(stationeryCommand(job, settings),
            "\"" + kVlutil + "\" "
            "b \"/tmp/w/vlo1A2B.tmp\" "
            "\"/opt/vellora/Stationery" + std::string(platform::kPathSeparator) +
                "Letterhead.pdf\" \"/tmp/w/vlx5E6F.tmp\"");
  settings.StationeryWatermark = 1;
  EXPECT_EQ(stationeryCommand(job, settings).substr(kVlutil.size() + 2, 3), " w ");
}

TEST_F(UtilityCommandsTest, StationeryCommandNamesTheFileTheListedNameCameFrom) {
  testsupport::FreshMachine machine;
  const std::string folder = machine.path("Stationery");
  testsupport::writeFile(folder + platform::kPathSeparator + "Letterhead.old.pdf", "%PDF-1.4\n");
  setFieldText(settings.StationeryName, "Letterhead");
  setFieldText(settings.StationeryPath, folder);
  EXPECT_NE(stationeryCommand(job, settings).find("Stationery" + std::string(platform::kPathSeparator) + "Letterhead.old.pdf\""),
            std::string::npos);
}

TEST_F(UtilityCommandsTest, EncryptionCommandCarriesPasswordsDigitsAndLevel) {
  settings.EAllowPrinting = 1;
  settings.EAllowCopyPaste = 1;
  EXPECT_EQ(permissionDigits(settings), "10100000");
  settings.EncryptionLevel = 1;
  EXPECT_EQ(encryptCommand(job, settings),
            "\"" + kVlutil + "\" "
            "e \"/tmp/w/vlo1A2B.tmp\" \"/tmp/w/vlx5E6F.tmp\" \"\" \"\" "
            "10100000 40");
  settings.EncryptionLevel = 2;
  setFieldText(settings.EUserPassword, "view");
  setFieldText(settings.EOwnerPassword, "change");
  settings.EAllowDegradedPrinting = 1;
  settings.EAllowModifyAnnotations = 1;
  EXPECT_EQ(encryptCommand(job, settings),
            "\"" + kVlutil + "\" "
            "e \"/tmp/w/vlo1A2B.tmp\" \"/tmp/w/vlx5E6F.tmp\" \"view\" "
            "\"change\" 10110001 128");

  // Whatever an administrator stored, a permission is one digit: anything
  // but 0 allows (a refused digit would leave the document unencrypted).
  settings.EAllowPrinting = 2;
  settings.EAllowFillIn = -1;
  settings.EAllowAssembly = 0x31;  // a REG_SZ "1" read as a number
  EXPECT_EQ(permissionDigits(settings), "10111011");
}

}  // namespace
}  // namespace vellora
