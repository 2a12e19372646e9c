#include "converter/settings/presets.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

class PresetsTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    installDir = machine.path("Vellora");
    ASSERT_TRUE(platform::createDirectories(installDir));
    job.installDir = installDir;
    job.pdfSettingsName = "default";
  }
  void presetFile(const std::string& name) {
    testsupport::writeFile(installDir + sep + "QOptions" + sep + name, "<< >> setdistillerparams\n");
  }
  std::string presetPath(const std::string& name) {
    return installDir + sep + "QOptions" + sep + name;
  }
  std::string choose(const PresetList& presets, int index, const std::string& quality) {
    SettingsRecord settings{};
    setFieldText(settings.PDFQuality, quality);
    ChoosePresetArgument(job, presets, index, settings);
    return job.pdfSettingsName.str();
  }

  std::string sep = platform::kPathSeparator;
  std::string installDir;
  JobRecord job;
};

TEST_F(PresetsTest, WithoutPresetFilesTheBuiltInKeywordsAreUsed) {
  PresetList presets = PresetScan(installDir);  // no QOptions folder at all
  EXPECT_EQ(presets.count(), 0);
  EXPECT_EQ(presetListTexts(presets),
            (std::vector<std::string>{"Standard", "Web/Email", "Printing", "Prepress"}));
  EXPECT_EQ(choose(presets, 2, "Printing"), "printer");
  EXPECT_EQ(job.presetFilesInUse, 0);
  EXPECT_EQ(choose(presets, 1, ""), "screen");
  EXPECT_EQ(choose(presets, 3, ""), "prepress");
  // The list may still be loading (-1), or a stored index may be stale: the
  // settings' own quality decides.
  EXPECT_EQ(choose(presets, -1, ""), "default");
  EXPECT_EQ(choose(presets, 7, "Nonsense"), "default");
  EXPECT_EQ(choose(presets, -1, "Web/Email"), "screen");
  EXPECT_EQ(choose(presets, 9, "prepress"), "prepress");

  // A folder with other files only is no different.
  testsupport::writeFile(presetPath("readme.txt"), "x");
  EXPECT_EQ(PresetScan(installDir).count(), 0);
}

TEST_F(PresetsTest, EveryShownPresetHandsOverTheFileItCameFrom) {
  presetFile("Screen.joboptions");
  presetFile("Press.old.joboptions");
  PresetList presets = PresetScan(installDir);
  ASSERT_EQ(presets.count(), 2);
  EXPECT_EQ(presetListTexts(presets), (std::vector<std::string>{"Press", "Screen"}));

  // The interpreter is handed the short form of the path (no blanks on Windows).
  std::string chosen = choose(presets, 0, "Press");
  EXPECT_EQ(job.presetFilesInUse, 1);
  EXPECT_EQ(chosen, platform::shortPath(presetPath("Press.old.joboptions")));
  EXPECT_TRUE(platform::fileExists(chosen));

  EXPECT_EQ(choose(presets, 1, "Screen"), platform::shortPath(presetPath("Screen.joboptions")));
  // The name decides when the list's index does not show it (a profile's
  // stored quality with the list still loading)...
  EXPECT_EQ(choose(presets, -1, "Screen"), platform::shortPath(presetPath("Screen.joboptions")));
  // ...and a name no file has falls back to the listed entry, never to a
  // file that is not there.
  EXPECT_EQ(choose(presets, 1, ""), platform::shortPath(presetPath("Screen.joboptions")));
  EXPECT_EQ(choose(presets, 9, "Gone"), platform::shortPath(presetPath("Press.old.joboptions")));
  presetFile("Standard.joboptions");
  EXPECT_EQ(choose(PresetScan(installDir), 0, ""), platform::shortPath(presetPath("Standard.joboptions")));
}

TEST_F(PresetsTest, ListsKeepTwentyFilesInNameOrder) {
  for (int i = 0; i < 25; ++i) presetFile("Preset" + std::string(i < 10 ? "0" : "") +
                                          std::to_string(i) + ".joboptions");
  platform::createDirectories(presetPath("Folder.joboptions"));
  PresetList presets = PresetScan(installDir);
  ASSERT_EQ(presets.count(), 20);
  EXPECT_EQ(presets.files.front().shown, "Preset00");
  EXPECT_EQ(presets.files.back().shown, "Preset19");

  std::string folder = machine.path("stationery");
  testsupport::writeFile(folder + sep + "memo.pdf", "%PDF-1.4\n");
  testsupport::writeFile(folder + sep + "Letter.old.pdf", "%PDF-1.4\n");
  testsupport::writeFile(folder + sep + "notes.txt", "x");
  std::vector<ScannedFile> stationery = StationeryScan(folder, installDir);
  ASSERT_EQ(stationery.size(), 2u);
  EXPECT_EQ(stationery[0].shown, "Letter");
  EXPECT_EQ(stationery[1].shown, "memo");
  EXPECT_EQ(stationeryFileFor(folder, "Letter"), "Letter.old.pdf");
  testsupport::writeFile(folder + sep + "Letter.pdf", "%PDF-1.4\n");
  EXPECT_EQ(stationeryFileFor(folder, "Letter"), "Letter.pdf");
  EXPECT_EQ(stationeryFileFor(folder, "Invoice"), "");

  // Without a folder of its own the product's stationery is listed; none at all
  // gives an empty list.
  EXPECT_TRUE(StationeryScan("", installDir).empty());
  testsupport::writeFile(installDir + sep + "Stationery" + sep + "Draft.pdf", "%PDF-1.4\n");
  ASSERT_EQ(StationeryScan("", installDir).size(), 1u);
  EXPECT_EQ(StationeryScan("", installDir)[0].fileName, "Draft.pdf");
}

TEST(PresetNames, LongNamesAreCutAtTheirLimits) {
  testsupport::FreshMachine machine;
  const std::string sep = platform::kPathSeparator;
  const std::string install = machine.path("Vellora");
  // The longest names a file system takes (255 bytes) still list within bounds.
  testsupport::writeFile(install + sep + "QOptions" + sep + std::string(244, 'q') + ".joboptions", "");
  testsupport::writeFile(install + sep + "Stationery" + sep + std::string(251, 's') + ".pdf", "");
  PresetList presets = PresetScan(install);
  ASSERT_EQ(presets.count(), 1);
  EXPECT_EQ(presets.files[0].shown, std::string(243, 'q'));
  std::vector<ScannedFile> stationery = StationeryScan("", install);
  ASSERT_EQ(stationery.size(), 1u);
  EXPECT_EQ(stationery[0].shown, std::string(250, 's'));
}

}  // namespace
}  // namespace vellora
