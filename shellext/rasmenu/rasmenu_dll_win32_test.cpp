// rasmenu.dll as Explorer uses it: the item at the top of the menu, one
// Rasmere for the selected PDF files, and its registration under the PDF
// program id.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/product.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/stand_in_record.h"
#include "testsupport/win32_shell_extension.h"

namespace {

const CLSID kPdfMenu = {0x8E2D4A91, 0x3C7B, 0x4B0E, {0xA5, 0xF6, 0x19, 0xC8, 0xD2, 0xE7, 0xB3, 0x04}};

class RasmenuDll : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override { ASSERT_TRUE(dll.loaded()) << GetLastError(); }
  testsupport::ExtensionModule dll{RASMENU_DLL, kPdfMenu};
};

TEST_F(RasmenuDll, TheItemComesFirstOnlyForPdfFiles) {
  EXPECT_EQ(dll.menuFor({"C:\\Docs\\notes.txt"}), nullptr);
  IContextMenu* menu = dll.menuFor({"C:\\Docs\\notes.txt", "C:\\Docs\\A.PDF"});
  ASSERT_NE(menu, nullptr);
  HMENU popup = CreatePopupMenu();
  AppendMenuA(popup, MF_STRING, 1, "Open");
  EXPECT_EQ(menu->QueryContextMenu(popup, 1, 300, 400, CMF_NORMAL), 1);
  char text[100] = "";
  GetMenuStringA(popup, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "Open with Rasmere");
  DestroyMenu(popup);
  menu->Release();
}

TEST_F(RasmenuDll, OneRasmereGetsEveryPdfInItsOwnFolder) {
  const std::string folder = machine.path("Programs\\Rasmere");
  ASSERT_TRUE(platform::createDirectories(folder));
  ASSERT_TRUE(platform::copyFile(std::string(VELLORA_STANDIN_DIR) + "\\standin-rasmere.exe",
                                 folder + "\\Rasmere.exe", false));
  platform::RegKey key;
  ASSERT_EQ(key.create(platform::HKLM, vellora::kRasmereKey), platform::kRegOk);
  ASSERT_EQ(key.setString("AppPath", folder), platform::kRegOk);
  machine.setEnv("VELLORA_STANDIN_LOG", machine.path("started"));
  const std::string a = machine.path("a.pdf");
  const std::string b = machine.path("Scans 2024\\B.PDF");
  for (const std::string& file : {a, b}) testsupport::writeFile(file, "x");

  IContextMenu* menu = dll.menuFor({a, machine.path("notes.txt"), b});
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(testsupport::ExtensionModule::invoke(menu, MAKEINTRESOURCEA(0)), S_OK);
  menu->Release();
  std::vector<std::vector<std::string>> record;
  EXPECT_TRUE(testsupport::waitUntil([&] {
    record = testsupport::readRecord(machine.path("started"));
    return record.size() >= 2;
  }));
  ASSERT_EQ(record.size(), 2u);
  ASSERT_EQ(record[0].size(), 3u);
  EXPECT_EQ(record[0][1], a);
  EXPECT_EQ(record[0][2], b);
  EXPECT_EQ(record[1], (std::vector<std::string>{"cwd", folder}));
}

TEST_F(RasmenuDll, RegistersUnderThePdfProgramId) {
  platform::RegKey pdf;
  ASSERT_EQ(pdf.create(platform::HKCR, ".pdf"), platform::kRegOk);
  // No program id for PDF files: nothing to register under.
  ASSERT_EQ(pdf.setString("", ""), platform::kRegOk);
  ASSERT_EQ(dll.registerServer(), E_INVALIDARG);
  ASSERT_EQ(pdf.setString("", "AcroExch.Document"), platform::kRegOk);
  ASSERT_EQ(dll.registerServer(), S_OK);
  platform::RegKey handler;
  std::string clsid;
  ASSERT_EQ(handler.open(platform::HKCR, "AcroExch.Document\\ShellEx\\ContextMenuHandlers\\rasmenu",
                         platform::kRegRead),
            platform::kRegOk);
  ASSERT_EQ(handler.queryString("", &clsid), platform::kRegOk);
  EXPECT_EQ(clsid, "{8E2D4A91-3C7B-4B0E-A5F6-19C8D2E7B304}");
  handler.close();
  ASSERT_EQ(dll.unregisterServer(), S_OK);
  EXPECT_NE(handler.open(platform::HKCR, "AcroExch.Document\\ShellEx\\ContextMenuHandlers\\rasmenu",
                         platform::kRegRead),
            platform::kRegOk);
  EXPECT_EQ(handler.open(platform::HKCR, "AcroExch.Document", platform::kRegRead), platform::kRegOk);
}

}  // namespace
