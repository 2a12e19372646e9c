// The profile controls of the Save PDF dialog, acted on as a user would.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "converter/settings/profiles.h"
#include "converter/settings/store_access.h"
#include "testsupport/converter/save_dialog_test_fixture.h"

namespace vellora {
namespace {

class ProfileControlsTest : public SaveDialogTest {
 protected:
  void userProfile(const std::string& name, const std::string& author) {
    LoadedSettings settings;
    LoadSettings(run->keys, product, &settings);
    setFieldText(settings.record.PDFAuthor, author);
    ASSERT_EQ(SaveProfile(run->keys, name, settings.record), 1);
  }
  testsupport::ControlRecord control(const std::string& moment, int id) {
    return last(moment).control(kSaveCustomDialog, id);
  }
};

TEST_F(ProfileControlsTest, AnEmptyMachineProfilesKeyOffersNothingAndLocksTheButtons) {
  userProfile("Mine", "my author");
  platform::RegKey machineProfiles;
  ASSERT_EQ(machineProfiles.create(platform::HKLM, kDefaultProfilesKey), platform::kRegOk);
  machineProfiles.close();
  script({"check: 1028", "cancel:"});
  runDialog();
  EXPECT_EQ(control("check: 1028", kProfileList).entries,
            (std::vector<std::string>{"Select profile..."}));
  EXPECT_EQ(control("check: 1028", kProfileList).selection, 0);
  EXPECT_TRUE(control("check: 1028", kProfileList).enabled());
  for (int button : {kSaveProfileButton, kDeleteProfileButton, kDefaultProfileButton})
    EXPECT_EQ(control("check: 1028", button).state, "disabled") << button;
}

TEST_F(ProfileControlsTest, ChooseMakeDefaultDeleteAndSaveThroughTheDialog) {
  userProfile("Work", "work author");
  userProfile("Home", "home author");
  script({"check: 1028", "choose: 1026 Home", "click: 1017", "message: yes",
          "choose: 1026 Work", "click: 1064", "message: yes", "tab: General",
          "type: 1024 typed author", "click: 1018", "profilename: Travel",
          "accept: " + out("profiled.pdf")});
  ASSERT_TRUE(runDialog().accepted);

  // Choosing "Home" loaded it: the General page shows its author.
  EXPECT_EQ(last("choose: 1026 Home").control(kGeneralPageDialog, kAuthorEdit).text,
            "home author");
  EXPECT_EQ(readStoreText(StoreKey::kUser, "DefaultProfile"), "Home");
  const std::vector<std::string> asked = messages();
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0], "Use \"Home\" as your default profile?");
  EXPECT_EQ(asked[1], "Permanently Delete saved profile \"Work\" ?");
  // After the delete the list is refilled and the default applied again.
  EXPECT_EQ(control("click: 1064", kProfileList).entries,
            (std::vector<std::string>{"Select profile...", "Home"}));
  EXPECT_EQ(control("click: 1064", kProfileList).selection, 1);

  // Saved under the new name and selected in the list; the settings in the
  // dialog stay what the user typed, default profile or not.
  EXPECT_EQ(listProfiles(run->keys).names, (std::vector<std::string>{"Home", "Travel"}));
  EXPECT_EQ(control("click: 1018", kProfileList).text, "Travel");
  EXPECT_EQ(fieldText(run->settings.record.PDFAuthor), "typed author");
  ProfileJob job{run->keys, product, "Quarterly Report"};
  LoadedSettings fresh;
  LoadSettings(run->keys, product, &fresh);
  ASSERT_EQ(LoadProfile(job, "Travel", &fresh), 1);
  EXPECT_EQ(fieldText(fresh.record.PDFAuthor), "typed author");
}

}  // namespace
}  // namespace vellora
