#include "converter/settings/options_file.h"

#include <string>

#include <gtest/gtest.h>

#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

class OptionsFile : public testsupport::FreshMachineTest {
 protected:
  std::string write(const std::string& body) {
    std::string file = machine.path("Vellora.opt");
    testsupport::writeFile(file, body);
    return file;
  }
};

TEST_F(OptionsFile, ReadsTheKeyTable) {
  const std::string file = write(
      "[Other]\r\nAutoEmail=true\r\n"
      "[CommandOptions]\r\n"
      "DefaultPath=%TEMP%\\out\r\n"
      "AutoNamePrefix=Scan\r\n"
      "AutoNameIncr=TRUE\r\n"
      "SuppressDialog=yes\r\n"
      "PostProcess=False\r\n"
      "PostProcessCommand=viewer.exe\r\n"
      "AutoNameTitle=true\r\n"
      "AutoNameTitleExplicit=tRuE\r\n"
      "CopyFileNameToClipboard=2\r\n"
      "DefaultFileType=tif\r\n"
      "DefaultExtIndex=3\r\n");
  CommandOptions options = readCommandOptions(file);
  EXPECT_TRUE(options.hasDefaultPath);
  EXPECT_EQ(options.defaultPath, "%TEMP%\\out");  // expanding is up to the user of it
  EXPECT_EQ(options.autoNamePrefix, "Scan");
  EXPECT_TRUE(options.autoNameIncr);
  EXPECT_FALSE(options.suppressDialog);
  EXPECT_FALSE(options.autoEmail);  // only its own section counts
  EXPECT_FALSE(options.postProcess);
  EXPECT_EQ(options.postProcessCommand, "");
  EXPECT_TRUE(options.autoNameTitle);
  EXPECT_TRUE(options.autoNameTitleExplicit);
  EXPECT_EQ(options.copyFileNameToClipboard, 2);
  EXPECT_EQ(options.defaultFileType, "tif");
  EXPECT_EQ(options.defaultExtIndex, 3);

  const std::string withCommand = write(
      "[CommandOptions]\nPostProcess=true\nPostProcessCommand=viewer.exe\n"
      "AutoNamePrefix=" + std::string(300, 'p') + "\nDefaultPath=" + std::string(600, 'd') + "\n");
  options = readCommandOptions(withCommand);
  EXPECT_TRUE(options.postProcess);
  EXPECT_EQ(options.postProcessCommand, "viewer.exe");
  EXPECT_EQ(options.autoNamePrefix, std::string(259, 'p'));
  EXPECT_EQ(options.defaultPath, std::string(499, 'd'));
}

TEST_F(OptionsFile, FileTypesRunWhileTheirDescriptionExists) {
  const std::string file = write(
      "[CommandOptions]\n"
      "FileType1Des=TIFF Images (*.tif)\nFileType1Ext=*.tif\nPDFOut1=1\n"
      "FileType2Des=PNG\nFileType2Ext=*.png\n"
      "FileType4Des=Never read\nFileType4Ext=*.x\n"
      "AfterCommand1=convert \"%s\"\nIntCommand2=-sDEVICE=png16m\n");
  CommandOptions options = readCommandOptions(file);
  ASSERT_EQ(options.fileTypes.size(), 2u);
  EXPECT_EQ(options.fileTypes[0].description, "TIFF Images (*.tif)");
  EXPECT_EQ(options.fileTypes[0].extension, "*.tif");
  EXPECT_EQ(options.fileTypes[0].pdfOut, 1);
  EXPECT_EQ(options.fileTypes[1].description, "PNG");
  EXPECT_EQ(options.fileTypes[1].pdfOut, 0);
  EXPECT_EQ(afterCommand(file, 1), "convert \"%s\"");
  EXPECT_EQ(intCommand(file, 2), "-sDEVICE=png16m");
  EXPECT_EQ(intCommand(file, 1), "");

  CommandOptions none = readCommandOptions(machine.path("missing.opt"));
  EXPECT_FALSE(none.hasDefaultPath);
  EXPECT_TRUE(none.fileTypes.empty());
}

}  // namespace
}  // namespace vellora
