// vlmenu.dll as Explorer uses it: loaded, asked for its class factory, its
// objects filled from a drop of files, asked for their menu and invoked, and
// registered through its own exports.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/product.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/stand_in_record.h"
#include "testsupport/win32_shell_extension.h"

// COM interfaces have no virtual destructor; the outer object below lives
// on the stack.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

namespace {

const CLSID kConvertMenu = {0x5B1E7C42, 0x9A3D, 0x4F68, {0xB2, 0xC1, 0x7E, 0x04, 0xD9, 0xA3, 0x6F, 0x15}};
const CLSID kOtherClass = {0x5B1E7C42, 0x9A3D, 0x4F68, {0xB2, 0xC1, 0x7E, 0x04, 0xD9, 0xA3, 0x6F, 0x16}};
const std::string kClassKey = "CLSID\\{5B1E7C42-9A3D-4F68-B2C1-7E04D9A36F15}";

// An object that aggregates the extension and counts the references its
// inner object passes on to it.
class Outer : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  ULONG references = 1;
};

std::string text(const std::string& key, const std::string& name) {
  platform::RegKey k;
  std::string value = "<none>";
  if (k.open(platform::HKCR, key, platform::kRegRead) == platform::kRegOk) k.queryString(name, &value);
  return value;
}

class VlmenuDll : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override { ASSERT_TRUE(dll.loaded()) << GetLastError(); }
  testsupport::ExtensionModule dll{VLMENU_DLL, kConvertMenu};
};

TEST_F(VlmenuDll, TheFactoryMakesObjectsAloneOrAggregated) {
  void* none = nullptr;
  EXPECT_EQ(dll.getClassObject(kOtherClass, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(none, nullptr);

  Outer outer;
  IUnknown* refused = nullptr;
  EXPECT_EQ(dll.factory->CreateInstance(&outer, IID_IContextMenu, reinterpret_cast<void**>(&refused)),
            CLASS_E_NOAGGREGATION);
  IUnknown* inner = nullptr;
  ASSERT_EQ(dll.factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
  IContextMenu* menu = nullptr;
  ASSERT_EQ(inner->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
  // The interfaces count their references on the outer object.
  EXPECT_EQ(outer.references, 2u);
  menu->Release();
  EXPECT_EQ(outer.references, 1u);
  IUnknown* unknown = nullptr;
  EXPECT_EQ(inner->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&unknown)), E_NOINTERFACE);
  EXPECT_EQ(dll.canUnloadNow(), S_FALSE);
  inner->Release();
  EXPECT_EQ(dll.canUnloadNow(), S_OK);
  dll.factory->LockServer(TRUE);
  EXPECT_EQ(dll.canUnloadNow(), S_FALSE);
  dll.factory->LockServer(FALSE);
  EXPECT_EQ(dll.canUnloadNow(), S_OK);
}

TEST_F(VlmenuDll, OneItemWithItsHelpText) {
  EXPECT_EQ(dll.menuFor({}), nullptr);
  IContextMenu* menu = dll.menuFor({"C:\\Docs\\a.doc"});
  ASSERT_NE(menu, nullptr);
  HMENU popup = CreatePopupMenu();
  ASSERT_NE(popup, nullptr);
  AppendMenuA(popup, MF_STRING, 1, "Open");
  EXPECT_EQ(menu->QueryContextMenu(popup, 1, 100, 200, CMF_DEFAULTONLY), 0);
  EXPECT_EQ(GetMenuItemCount(popup), 1);
  EXPECT_EQ(menu->QueryContextMenu(popup, 1, 100, 200, CMF_NORMAL), 1);
  ASSERT_EQ(GetMenuItemCount(popup), 2);
  char text[100] = "";
  GetMenuStringA(popup, 1, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "Convert with Vellora");
  EXPECT_EQ(GetMenuItemID(popup, 1), 100u);
  DestroyMenu(popup);

  wchar_t help[100] = L"";
  ASSERT_EQ(menu->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(help), 100), S_OK);
  EXPECT_STREQ(help, L"Select this option to convert the selected file to PDF.");
  char verb[100];
  EXPECT_EQ(menu->GetCommandString(0, GCS_VERBA, nullptr, verb, 100), E_INVALIDARG);
  EXPECT_EQ(menu->GetCommandString(1, GCS_HELPTEXTA, nullptr, verb, 100), E_INVALIDARG);
  menu->Release();
}

TEST_F(VlmenuDll, ThreeFilesStartTheDropProgramThreeTimes) {
  const std::string product = machine.path("Programs\\Vellora");
  ASSERT_TRUE(platform::createDirectories(product));
  ASSERT_TRUE(platform::copyFile(std::string(VELLORA_STANDIN_DIR) + "\\standin-recorder.exe",
                                 product + "\\Vellora.exe", false));
  platform::RegKey key;
  ASSERT_EQ(key.create(platform::HKLM, vellora::kProductKey), platform::kRegOk);
  ASSERT_EQ(key.setString("AppPath", product), platform::kRegOk);
  machine.setEnv("VELLORA_STANDIN_LOG", machine.path("started"));
  const std::vector<std::string> files = {machine.path("one.doc"), machine.path("two.ps"),
                                          machine.path("my letter.doc")};
  IContextMenu* menu = dll.menuFor(files);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(testsupport::ExtensionModule::invoke(menu, "convert"), E_INVALIDARG);
  EXPECT_EQ(testsupport::ExtensionModule::invoke(menu, MAKEINTRESOURCEA(0)), S_OK);
  menu->Release();

  std::vector<std::vector<std::string>> runs;
  EXPECT_TRUE(testsupport::waitUntil([&] {
    runs = testsupport::readRecord(machine.path("started"));
    return runs.size() >= 3;
  }));
  // Each run got one path as its command line, unquoted: the C runtime
  // splits the one with a blank.
  std::vector<std::string> paths;
  for (const auto& run : runs) {
    std::string joined;
    for (std::size_t i = 1; i < run.size(); ++i) joined += (i > 1 ? " " : "") + run[i];
    paths.push_back(joined);
  }
  std::sort(paths.begin(), paths.end());
  std::vector<std::string> expected = files;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(paths, expected);
}

TEST_F(VlmenuDll, RegistersAndUnregistersThroughItsExports) {
  platform::RegKey all;
  ASSERT_EQ(all.create(platform::HKCR, "*"), platform::kRegOk);
  ASSERT_EQ(dll.registerServer(), S_OK);
  EXPECT_EQ(text(kClassKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(text(kClassKey + "\\InprocServer32", ""), dll.path());
  EXPECT_EQ(text("*\\ShellEx\\ContextMenuHandlers\\vlmenu", ""),
            "{5B1E7C42-9A3D-4F68-B2C1-7E04D9A36F15}");
  ASSERT_EQ(dll.unregisterServer(), S_OK);
  EXPECT_EQ(text(kClassKey, ""), "<none>");
  EXPECT_EQ(text("*\\ShellEx\\ContextMenuHandlers\\vlmenu", ""), "<none>");
}

}  // namespace
