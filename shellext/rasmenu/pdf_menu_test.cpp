// "Open with Rasmere": PDF files only, the item at the top, one Rasmere for
// all files, and the module's registration under the PDF program id.
#include "shellext/rasmenu/shellext.h"

#include <gtest/gtest.h>

#include "common/product.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/stand_in_record.h"

namespace vellora {
namespace {

using platform::HKCR;
using platform::HKLM;

const std::string kClsid = "{8E2D4A91-3C7B-4B0E-A5F6-19C8D2E7B304}";

struct RecordingMenu : platform::MenuSink {
  bool insertItem(unsigned position, unsigned commandId, const std::string& text) override {
    items.push_back(std::to_string(position) + ":" + std::to_string(commandId) + ":" + text);
    return true;
  }
  std::vector<std::string> items;
};

void put(platform::RegRoot root, const std::string& key, const std::string& value) {
  platform::RegKey k;
  ASSERT_EQ(k.create(root, key), platform::kRegOk);
  ASSERT_EQ(k.setString("", value), platform::kRegOk);
}
std::string text(const std::string& key) {
  platform::RegKey k;
  std::string value = "<none>";
  if (k.open(HKCR, key, platform::kRegRead) == platform::kRegOk) k.queryString("", &value);
  return value;
}

TEST(PdfMenu, OnlyPdfFilesAreTakenAndTheItemComesFirst) {
  PdfMenuExtension menu;
  EXPECT_EQ(menu.initialize({"/d/notes.txt", "/d/pdf", "/d/x.pdf.txt"}), platform::kEInvalidArg);
  ASSERT_EQ(menu.initialize({"/d/a.pdf", "/d/notes.txt", "/d/B.PDF", "pdf"}), platform::kSOk);
  EXPECT_EQ(menu.selectedFiles(), (std::vector<std::string>{"/d/a.pdf", "/d/B.PDF"}));

  RecordingMenu built;
  EXPECT_EQ(menu.queryContextMenu(built, 9, 300, 400, platform::kCmfDefaultOnly), 0);
  EXPECT_EQ(menu.queryContextMenu(built, 9, 300, 400, 0), 1);
  EXPECT_EQ(built.items, std::vector<std::string>{"0:300:Open with Rasmere"});

  char help[64];
  ASSERT_EQ(menu.getCommandString(0, platform::kGcsHelpTextA, help, sizeof help), platform::kSOk);
  EXPECT_STREQ(help, "Convert PDF files with Rasmere");
  EXPECT_EQ(menu.getCommandString(0, platform::kGcsVerbA, help, sizeof help), platform::kEInvalidArg);
}

TEST(PdfMenu, FilesThatDoNotFitOneCommandGoToMoreRasmeres) {
  const std::string program = "/opt/Rasmere/rasmere";
  EXPECT_EQ(rasmereCommands(program, {"/d/a b.pdf", "/d/c.pdf"}),
            std::vector<std::string>{program + " \"/d/a b.pdf\" \"/d/c.pdf\""});
  std::vector<std::string> files;
  for (int i = 0; i < 12; ++i) files.push_back("/" + std::string(100, 'a' + i) + ".pdf");
  std::vector<std::string> commands = rasmereCommands(program, files);
  ASSERT_EQ(commands.size(), 2u);
  std::string all;
  for (const std::string& command : commands) {
    EXPECT_LT(command.size(), kRasmereCommandCapacity);
    EXPECT_EQ(command.rfind(program + " \"/", 0), 0u);
    all += command.substr(program.size());
  }
  std::string expected;
  for (const std::string& file : files) expected += " \"" + file + "\"";
  EXPECT_EQ(all, expected);
  // A file whose command alone would fill the whole buffer is left out; one
  // character less still fits.
  const std::string fits = "/" + std::string(kRasmereCommandCapacity - 1 - program.size() - 4, 'f');
  EXPECT_EQ(rasmereCommands(program, {fits}), std::vector<std::string>{program + " \"" + fits + "\""});
  EXPECT_TRUE(rasmereCommands(program, {fits + "f"}).empty());
  EXPECT_EQ(rasmereCommands("/opt/My Rasmere/rasmere", {"/a.pdf"}),
            std::vector<std::string>{"\"/opt/My Rasmere/rasmere\" \"/a.pdf\""});
}

class PdfMenuOnAMachine : public testsupport::FreshMachineTest {};

#if !defined(_WIN32)
TEST_F(PdfMenuOnAMachine, OneRasmereGetsEveryPdfInItsOwnFolder) {
  const std::string folder = machine.path("Programs/Rasmere");
  ASSERT_TRUE(platform::createDirectories(folder));
  ASSERT_TRUE(platform::copyFile(std::string(VELLORA_STANDIN_DIR) + "/standin-rasmere",
                                 folder + "/rasmere", false));
  platform::RegKey key;
  ASSERT_EQ(key.create(HKLM, kRasmereKey), platform::kRegOk);
  ASSERT_EQ(key.setString("AppPath", folder), platform::kRegOk);
  machine.setEnv("VELLORA_STANDIN_LOG", machine.path("started"));
  const std::string a = machine.path("a.pdf");
  const std::string b = machine.path("Scans 2024/B.PDF");
  const std::string notes = machine.path("notes.txt");
  for (const std::string& file : {a, b, notes}) testsupport::writeFile(file, "x");

  // The program the desktop's file managers start does what the menu does.
  testsupport::RunResult result = testsupport::run({VELLORA_RASMENU, a, b, notes});
  EXPECT_EQ(result.exitCode, 0) << result.output;
  std::vector<std::vector<std::string>> record;
  EXPECT_TRUE(testsupport::waitUntil([&] {
    record = testsupport::readRecord(machine.path("started"));
    return record.size() >= 2;
  }));
  ASSERT_EQ(record.size(), 2u);
  EXPECT_EQ(record[0], (std::vector<std::string>{folder + "/rasmere", a, b}));
  EXPECT_EQ(record[1], (std::vector<std::string>{"cwd", folder}));

  EXPECT_EQ(testsupport::run({VELLORA_RASMENU, notes}).exitCode, 1);
}
#endif

TEST_F(PdfMenuOnAMachine, RegistrationGoesUnderThePdfProgramIdAndLeavesItBehind) {
  EXPECT_EQ(updatePdfMenuRegistration(true, "C:\\rasmenu.dll"), platform::kEInvalidArg);
  put(HKCR, ".pdf", "");
  EXPECT_EQ(updatePdfMenuRegistration(true, "C:\\rasmenu.dll"), platform::kEInvalidArg);
  EXPECT_EQ(text("CLSID\\" + kClsid), "<none>");

  put(HKCR, ".pdf", "AcroExch.Document");
  put(HKCR, "AcroExch.Document", "Adobe Acrobat Document");
  ASSERT_EQ(updatePdfMenuRegistration(true, "C:\\rasmenu.dll"), platform::kSOk);
  EXPECT_EQ(text("CLSID\\" + kClsid), "rasmenu ContextMenu Shell Extension");
  EXPECT_EQ(text("CLSID\\" + kClsid + "\\InprocServer32"), "C:\\rasmenu.dll");
  EXPECT_EQ(text("AcroExch.Document\\ShellEx\\ContextMenuHandlers\\rasmenu"), kClsid);
  platform::RegKey approved;
  std::string name;
  ASSERT_EQ(approved.open(HKLM, kApprovedExtensionsKey, platform::kRegRead), platform::kRegOk);
  ASSERT_EQ(approved.queryString(kClsid, &name), platform::kRegOk);
  EXPECT_EQ(name, "rasmenu Shell Extension");

  ASSERT_EQ(updatePdfMenuRegistration(false, "C:\\rasmenu.dll"), platform::kSOk);
  EXPECT_EQ(text("CLSID\\" + kClsid), "<none>");
  EXPECT_EQ(text("AcroExch.Document\\ShellEx\\ContextMenuHandlers\\rasmenu"), "<none>");
  EXPECT_EQ(text("AcroExch.Document"), "Adobe Acrobat Document");
  EXPECT_EQ(text(".pdf"), "AcroExch.Document");
  platform::RegKey classes;
  EXPECT_EQ(classes.open(HKCR, "CLSID", platform::kRegRead), platform::kRegOk);
}

}  // namespace
}  // namespace vellora
