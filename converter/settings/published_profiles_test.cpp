// Administrators publish machine profiles as .reg files: one exported from
// one machine with vlreg imports on another and loads there.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "converter/settings/profiles.h"
#include "platform/registry.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

testsupport::RunResult vlreg(const std::vector<std::string>& arguments) {
  std::vector<std::string> command = {VLREG_PATH};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return testsupport::run(command, 30000);
}

TEST(PublishedProfiles, AnExportedMachineProfileImportsAndLoadsOnAnotherMachine) {
  const std::string profilesKey = std::string("HKLM\\") + kDefaultProfilesKey;
  SettingsRecord published{};
  std::string exported;
  {
    testsupport::FreshMachine first;
    LoadedSettings settings;
    LoadSettings(SelectPrinterKeys("Vellora"), "/opt/vellora", &settings);
    published = settings.record;
    published.EncryptionLevel = 2;
    setFieldText(published.EUserPassword, "pa\"ss\\word");
    setFieldText(published.EOwnerPassword, "admin");
    published.PDFLevel = 2;
    published.ViewZoom = 1;
    setFieldText(published.PDFAuthor, "Finance department");
    // Typed for the profile: marked so, the mark travels with it.
    setFieldText(published.PDFTitle, "Company document");
    setProfileTitleChosen(published, true);
    platform::RegKey key;
    ASSERT_EQ(key.create(platform::HKLM, kDefaultProfilesKey), platform::kRegOk);
    ASSERT_EQ(key.setBinary("Company standard", settingsImage(published)), platform::kRegOk);
    key.close();

    const std::string file = first.path("profiles.reg");
    testsupport::RunResult result = vlreg({"export", profilesKey, file});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    exported = testsupport::readFile(file);
  }
  ASSERT_NE(exported.find("\"Company standard\"=hex:"), std::string::npos);

  testsupport::FreshMachine second;
  const std::string file = second.path("profiles.reg");
  testsupport::writeFile(file, exported);
  testsupport::RunResult result = vlreg({"import", file});
  ASSERT_EQ(result.exitCode, 0) << result.output;

  ProfileJob job;
  job.keys = SelectPrinterKeys("Vellora");
  job.installDir = "/opt/vellora";
  job.title = "Budget";
  ProfileNames list = listProfiles(job.keys);
  EXPECT_TRUE(list.machineMode);
  EXPECT_EQ(list.names, (std::vector<std::string>{"Company standard"}));
  LoadedSettings settings;
  LoadSettings(job.keys, job.installDir, &settings);
  ASSERT_EQ(LoadProfile(job, "Company standard", &settings), 1);
  EXPECT_EQ(std::memcmp(&settings.record, &published, sizeof published), 0);
  EXPECT_EQ(fieldText(settings.record.EUserPassword), "pa\"ss\\word");
  EXPECT_EQ(fieldText(settings.record.PDFTitle), "Company document");
}

}  // namespace
}  // namespace vellora
