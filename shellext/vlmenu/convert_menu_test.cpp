// "Convert with Vellora": the menu item, its help text, its command, the
// module's registration and lock count.
#include "shellext/vlmenu/convert_menu.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "common/product.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/stand_in_record.h"

#if !defined(_WIN32)
#include "platform/posix/registry_store.h"
#endif

namespace vellora {
namespace {

using platform::HKCR;
using platform::HKLM;

const std::string kClsid = "{5B1E7C42-9A3D-4F68-B2C1-7E04D9A36F15}";
const std::string kClassKey = "CLSID\\" + kClsid;
const std::string kHandlerKey = "*\\ShellEx\\ContextMenuHandlers\\vlmenu";

struct RecordingMenu : platform::MenuSink {
  bool insertItem(unsigned position, unsigned commandId, const std::string& text) override {
    items.push_back(std::to_string(position) + ":" + std::to_string(commandId) + ":" + text);
    return true;
  }
  std::vector<std::string> items;
};

std::string text(platform::RegRoot root, const std::string& key, const std::string& name) {
  platform::RegKey k;
  std::string value = "<none>";
  if (k.open(root, key, platform::kRegRead) == platform::kRegOk) k.queryString(name, &value);
  return value;
}
bool keyExists(platform::RegRoot root, const std::string& key) {
  platform::RegKey k;
  return k.open(root, key, platform::kRegRead) == platform::kRegOk;
}
void put(platform::RegRoot root, const std::string& key, const std::string& name,
         const std::string& value) {
  platform::RegKey k;
  ASSERT_EQ(k.create(root, key), platform::kRegOk);
  ASSERT_EQ(k.setString(name, value), platform::kRegOk);
}

TEST(ConvertMenu, OneItemUnlessOnlyTheDefaultIsWanted) {
  ConvertMenuExtension menu;
  ASSERT_EQ(menu.initialize({"/docs/a.doc"}), platform::kSOk);
  RecordingMenu built;
  EXPECT_EQ(menu.queryContextMenu(built, 4, 7000, 7999, platform::kCmfDefaultOnly), 0);
  EXPECT_TRUE(built.items.empty());
  EXPECT_EQ(menu.queryContextMenu(built, 4, 7000, 7000, 0x10), 1);
  EXPECT_EQ(built.items, std::vector<std::string>{"4:7000:Convert with Vellora"});
}

TEST(ConvertMenu, HelpTextOnlyAndNeverPastTheBuffer) {
  ConvertMenuExtension menu;
  char narrow[100];
  ASSERT_EQ(menu.getCommandString(0, platform::kGcsHelpTextA, narrow, sizeof narrow), platform::kSOk);
  EXPECT_STREQ(narrow, "Select this option to convert the selected file to PDF.");
  std::uint16_t wide[12];
  wide[11] = 0xBEEF;
  ASSERT_EQ(menu.getCommandString(0, platform::kGcsHelpTextW, wide, 8), platform::kSOk);
  EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(wide)), u"Select ");
  EXPECT_EQ(wide[11], 0xBEEF);
  char small[6];
  menu.getCommandString(0, platform::kGcsHelpTextA, small, sizeof small);
  EXPECT_STREQ(small, "Selec");

  for (unsigned flags : {platform::kGcsVerbA, platform::kGcsVerbW, platform::kGcsValidateA})
    EXPECT_EQ(menu.getCommandString(0, flags, narrow, sizeof narrow), platform::kEInvalidArg) << flags;
  EXPECT_EQ(menu.getCommandString(1, platform::kGcsHelpTextA, narrow, sizeof narrow),
            platform::kEInvalidArg);
}

TEST(ConvertMenu, EverySelectedItemIsTakenCutToItsBuffer) {
  ConvertMenuExtension menu;
  EXPECT_EQ(menu.initialize({}), platform::kEInvalidArg);
  const std::string deep(300, 'd');
  ASSERT_EQ(menu.initialize({"/docs", "/docs/a.txt", "/" + deep}), platform::kSOk);
  ASSERT_EQ(menu.selectedFiles().size(), 3u);
  EXPECT_EQ(menu.selectedFiles()[0], "/docs");
  EXPECT_EQ(menu.selectedFiles()[2], "/" + deep.substr(0, 258));
  // A second selection replaces the first.
  ASSERT_EQ(menu.initialize({"/docs/b.txt"}), platform::kSOk);
  EXPECT_EQ(menu.selectedFiles(), std::vector<std::string>{"/docs/b.txt"});
}

TEST(ConvertMenu, ObjectsHoldTheModule) {
  const long before = platform::moduleLockCount();
  {
    ConvertMenuExtension one;
    ConvertMenuExtension two;
    EXPECT_EQ(platform::moduleLockCount(), before + 2);
    EXPECT_EQ(platform::canUnloadModule(), platform::kSFalse);
  }
  EXPECT_EQ(platform::moduleLockCount(), before);
  if (before == 0) {
    EXPECT_EQ(platform::canUnloadModule(), platform::kSOk);
  }
  EXPECT_STREQ(platform::inprocServerClass().clsid, kClsid.c_str());
}

class ConvertMenuOnAMachine : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    // Every Windows machine has the key of all file types.
    platform::RegKey all;
    ASSERT_EQ(all.create(HKCR, "*"), platform::kRegOk);
  }
};

#if !defined(_WIN32)
TEST_F(ConvertMenuOnAMachine, ThreeSelectedFilesStartTheDropProgramThreeTimes) {
  // The real drop program, which hands PostScript files to a recording
  // converter.
  const std::string product = machine.path("Programs/Vellora");
  ASSERT_TRUE(platform::createDirectories(product));
  ASSERT_TRUE(platform::copyFile(VELLORA_DROP_PROGRAM, product + "/vellora", false));
  ASSERT_TRUE(platform::copyFile(std::string(VELLORA_STANDIN_DIR) + "/standin-recorder",
                                 product + "/vlconv", false));
  put(HKLM, kProductKey, "AppPath", product);
  machine.setEnv("VELLORA_STANDIN_LOG", machine.path("started"));
  const std::vector<std::string> files = {machine.path("one.ps"), machine.path("my job.ps"),
                                          machine.path("three.PS")};
  for (const std::string& file : files) testsupport::writeFile(file, "%!PS\n");

  ConvertMenuExtension menu;
  ASSERT_EQ(menu.initialize(files), platform::kSOk);
  EXPECT_EQ(menu.invokeCommand(reinterpret_cast<std::uintptr_t>("convert")), platform::kEInvalidArg);
  EXPECT_EQ(menu.invokeCommand(1), platform::kEInvalidArg);
  ASSERT_EQ(menu.invokeCommand(0), platform::kSOk);

  std::vector<std::vector<std::string>> runs;
  EXPECT_TRUE(testsupport::waitUntil([&] {
    runs = testsupport::recordedBy(machine.path("started"), "vlconv");
    return runs.size() >= 3;
  }));
  std::vector<std::string> converted;
  for (const auto& run : runs) {
    ASSERT_EQ(run.size(), 3u);
    EXPECT_EQ(run[1], "9993");
    converted.push_back(run[2]);
  }
  std::sort(converted.begin(), converted.end());
  std::vector<std::string> expected = files;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(converted, expected);

  // What the drop program gets is the path as it stands, without quotes: a
  // program that splits its command line sees the path in two pieces.
  ASSERT_TRUE(platform::copyFile(std::string(VELLORA_STANDIN_DIR) + "/standin-recorder",
                                 product + "/vellora", false));
  ASSERT_EQ(menu.initialize({files[1]}), platform::kSOk);
  ASSERT_EQ(menu.invokeCommand(0), platform::kSOk);
  EXPECT_TRUE(testsupport::waitUntil([&] {
    runs = testsupport::recordedBy(machine.path("started"), "vellora");
    return !runs.empty();
  }));
  EXPECT_EQ(runs.at(0), (std::vector<std::string>{product + "/vellora", machine.path("my"), "job.ps"}));
}

// The shell takes the program's path in a buffer of 260: a path that would
// fill it (Windows would cut it and start another file) starts nothing, one
// character less starts the program.
TEST_F(ConvertMenuOnAMachine, AProgramPathThatWouldFillTheShellsBufferStartsNothing) {
  auto productOfPathSize = [&](std::size_t programSize) {
    std::string folder = machine.path(std::to_string(programSize));
    folder += "/" + std::string(programSize - folder.size() - 1 - std::string("/vellora").size(), 'p');
    EXPECT_TRUE(platform::createDirectories(folder));
    EXPECT_TRUE(platform::copyFile(std::string(VELLORA_STANDIN_DIR) + "/standin-recorder",
                                   folder + "/vellora", false));
    EXPECT_EQ((folder + "/vellora").size(), programSize);
    return folder;
  };
  const std::string tooLong = productOfPathSize(kShellPathCapacity);
  const std::string fits = productOfPathSize(kShellPathCapacity - 1);
  machine.setEnv("VELLORA_STANDIN_LOG", machine.path("started"));
  const std::string file = machine.path("one.ps");
  testsupport::writeFile(file, "%!PS\n");

  ConvertMenuExtension menu;
  ASSERT_EQ(menu.initialize({file}), platform::kSOk);
  put(HKLM, kProductKey, "AppPath", tooLong);
  EXPECT_EQ(menu.invokeCommand(0), platform::kSOk);
  put(HKLM, kProductKey, "AppPath", fits);
  EXPECT_EQ(menu.invokeCommand(0), platform::kSOk);
  std::vector<std::vector<std::string>> runs;
  EXPECT_TRUE(testsupport::waitUntil([&] {
    runs = testsupport::recordedBy(machine.path("started"), "vellora");
    return !runs.empty();
  }));
  // The refused one was asked for first; a moment more shows it did not start.
  EXPECT_FALSE(testsupport::waitUntil([&] {
    runs = testsupport::recordedBy(machine.path("started"), "vellora");
    return runs.size() > 1;
  }, 500));
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0], (std::vector<std::string>{fits + "/vellora", file}));
}
#endif

TEST_F(ConvertMenuOnAMachine, RegistrationWritesTheClassTheHandlerAndTheApproval) {
  put(HKCR, kClassKey + "\\Stale", "", "from an old version");
  ASSERT_EQ(updateConvertMenuRegistration(true, "C:\\Vellora\\vlmenu.dll"), platform::kSOk);
  EXPECT_FALSE(keyExists(HKCR, kClassKey + "\\Stale"));
  EXPECT_EQ(text(HKCR, kClassKey, ""), "vlmenu ContextMenu Shell Extension");
  EXPECT_EQ(text(HKCR, kClassKey + "\\InprocServer32", ""), "C:\\Vellora\\vlmenu.dll");
  EXPECT_EQ(text(HKCR, kClassKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(text(HKCR, kHandlerKey, ""), kClsid);
  EXPECT_EQ(text(HKLM, kApprovedExtensionsKey, kClsid), "vlmenu Shell Extension");
}

TEST_F(ConvertMenuOnAMachine, UnregistrationRemovesOnlyTheHandlersOwnEntries) {
  put(HKCR, "CLSID\\{00000000-0000-0000-0000-000000000001}", "", "another class");
  put(HKCR, "*\\ShellEx\\ContextMenuHandlers\\other", "", "{other}");
  put(HKLM, kApprovedExtensionsKey, "{other}", "other Shell Extension");
  ASSERT_EQ(updateConvertMenuRegistration(true, "/x/vlmenu.dll"), platform::kSOk);
  ASSERT_EQ(updateConvertMenuRegistration(false, "/x/vlmenu.dll"), platform::kSOk);

  EXPECT_FALSE(keyExists(HKCR, kClassKey));
  EXPECT_FALSE(keyExists(HKCR, kHandlerKey));
  EXPECT_EQ(text(HKLM, kApprovedExtensionsKey, kClsid), "<none>");
  EXPECT_TRUE(keyExists(HKCR, "CLSID\\{00000000-0000-0000-0000-000000000001}"));
  EXPECT_TRUE(keyExists(HKCR, "*\\ShellEx\\ContextMenuHandlers\\other"));
  EXPECT_EQ(text(HKLM, kApprovedExtensionsKey, "{other}"), "other Shell Extension");
  // Unregistering twice is no error.
  EXPECT_EQ(updateConvertMenuRegistration(false, "/x/vlmenu.dll"), platform::kSOk);
}

TEST_F(ConvertMenuOnAMachine, TheFileTypeTokenAndTheSystemFamilyDecideWhere) {
  platform::OsVersion windows98;
  windows98.platform = platform::kWin32Windows;
  windows98.major = 4;
  windows98.minor = 10;
  platform::setOsVersionForTesting(&windows98);
  put(HKCR, "*", "", "AllFiles");
  ASSERT_EQ(updateConvertMenuRegistration(true, "C:\\vlmenu.dll"), platform::kSOk);
  EXPECT_EQ(text(HKCR, "AllFiles\\ShellEx\\ContextMenuHandlers\\vlmenu", ""), kClsid);
  EXPECT_FALSE(keyExists(HKLM, kApprovedExtensionsKey));
  // A default value too long for its buffer, or an empty one, reads as
  // none: "*" itself.
  for (const std::string& unusable : {std::string(40, 'x'), std::string()}) {
    put(HKCR, "*", "", unusable);
    platform::registry().DeleteTree(HKCR, kHandlerKey);
    ASSERT_EQ(updateConvertMenuRegistration(true, "C:\\vlmenu.dll"), platform::kSOk);
    EXPECT_TRUE(keyExists(HKCR, kHandlerKey));
  }
  EXPECT_FALSE(keyExists(HKCR, "ShellEx"));
}

#if !defined(_WIN32)
TEST_F(ConvertMenuOnAMachine, WithoutWriteAccessToAllFileTypesNothingIsRegistered) {
  ASSERT_EQ(platform::posix::setKeyProtected(HKCR, "*", true), platform::kRegOk);
  machine.setEnv("VELLORA_USER_RIGHTS", "user");
  platform::resetPlatformRegistry();
  EXPECT_EQ(updateConvertMenuRegistration(true, "C:\\vlmenu.dll"), platform::kEInvalidArg);
  EXPECT_FALSE(keyExists(HKCR, kClassKey));
}
#endif

}  // namespace
}  // namespace vellora
