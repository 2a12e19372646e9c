// Runs the vlreg program itself on a fresh machine.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/system.h"
#include "testsupport/fresh_machine.h"

namespace {

using testsupport::RunResult;
using testsupport::textFile;  // what a program prints in text mode

class VlregTest : public testsupport::FreshMachineTest {
 protected:
  RunResult vlreg(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), VLREG_PATH);
    return testsupport::run(arguments, 30000);
  }
};

const char kKey[] = "HKLM\\Software\\Norvale\\Vellora";

TEST_F(VlregTest, SetQueryExportDeleteImport) {
  // Written in name order, the order Wine lists values in (Windows lists
  // them in the order written).
  EXPECT_EQ(0, vlreg({"set", kKey, "@", "sz", "default"}).exitCode);
  EXPECT_EQ(0, vlreg({"set", kKey, "AppPath", "sz", "/opt/vellora"}).exitCode);
  EXPECT_EQ(0, vlreg({"set", kKey, "Blob", "binary", "00ff10"}).exitCode);
  EXPECT_EQ(0, vlreg({"set", kKey, "Level", "dword", "0x1f"}).exitCode);
  EXPECT_EQ(0, vlreg({"set", kKey, "Path", "expand_sz", "%TEMP%\\x"}).exitCode);
  EXPECT_EQ(0, vlreg({"set", std::string(kKey) + "\\Settings", "PDFLevel", "dword", "2"}).exitCode);

  RunResult listed = vlreg({"query", "hkey_local_machine\\software\\norvale\\vellora"});
  EXPECT_EQ(0, listed.exitCode);
  EXPECT_EQ(textFile("@\tREG_SZ\tdefault\nAppPath\tREG_SZ\t/opt/vellora\nBlob\tREG_BINARY\t00ff10\n"
                     "Level\tREG_DWORD\t31\nPath\tREG_EXPAND_SZ\t%TEMP%\\x\n"),
            listed.output);
  EXPECT_EQ(textFile("31\n"), vlreg({"query", kKey, "level"}).output);
  EXPECT_EQ(textFile("Settings\n"), vlreg({"keys", kKey}).output);

  // The program and this process share the store.
  platform::RegKey key;
  ASSERT_EQ(platform::kRegOk, key.open(platform::HKLM, "Software\\Norvale\\Vellora", platform::kRegRead));
  std::string text;
  ASSERT_EQ(platform::kRegOk, key.queryString("AppPath", &text));
  EXPECT_EQ("/opt/vellora", text);
  key.close();

  std::string file = machine.path("saved.reg");
  ASSERT_EQ(0, vlreg({"export", "HKLM\\Software\\Norvale", file}).exitCode);
  EXPECT_EQ(0, vlreg({"delete", kKey, "Blob"}).exitCode);
  EXPECT_EQ(1, vlreg({"query", kKey, "Blob"}).exitCode);
  EXPECT_EQ(0, vlreg({"delete", "HKLM\\Software\\Norvale"}).exitCode);
  EXPECT_EQ(1, vlreg({"query", kKey}).exitCode);
  EXPECT_EQ(1, vlreg({"delete", kKey}).exitCode);

  ASSERT_EQ(0, vlreg({"import", file}).exitCode);
  EXPECT_EQ(listed.output, vlreg({"query", kKey}).output);
  EXPECT_EQ(textFile("2\n"),
            vlreg({"query", std::string(kKey) + "\\Settings", "PDFLevel"}).output);
}

TEST_F(VlregTest, BadInputAndUsage) {
  std::string file = machine.path("bad.reg");
  testsupport::writeFile(file, "REGEDIT4\r\n[HKCU\\Software\\X]\r\n\"a\"=dword:zz\r\n");
  RunResult result = vlreg({"import", file});
  EXPECT_EQ(1, result.exitCode);
  EXPECT_NE(std::string::npos, result.output.find("line 3:")) << result.output;

  EXPECT_EQ(1, vlreg({"set", "HKCU\\X", "n", "dword", "4294967296"}).exitCode);
  EXPECT_EQ(1, vlreg({"set", "HKCU\\X", "n", "binary", "abc"}).exitCode);
  EXPECT_EQ(1, vlreg({"query", "HKXX\\Software"}).exitCode);
  EXPECT_EQ(1, vlreg({"import", machine.path("missing.reg")}).exitCode);
  EXPECT_EQ(2, vlreg({}).exitCode);
  EXPECT_EQ(2, vlreg({"frobnicate"}).exitCode);
  EXPECT_EQ(2, vlreg({"set", "HKCU\\X", "n", "qword", "1"}).exitCode);
  EXPECT_EQ(2, vlreg({"query"}).exitCode);
  RunResult help = vlreg({"--help"});
  EXPECT_EQ(0, help.exitCode);
  EXPECT_NE(std::string::npos, help.output.find("usage: vlreg"));
}

#ifndef _WIN32
TEST_F(VlregTest, ProtectedKeysRefuseUsers) {
  ASSERT_EQ(0, vlreg({"set", "HKLM\\Software\\Policies\\Norvale", "lk_AutoName", "dword", "1"}).exitCode);
  ASSERT_EQ(0, vlreg({"protect", "HKLM\\Software\\Policies"}).exitCode);
  machine.setEnv("VELLORA_USER_RIGHTS", "user");
  RunResult denied = vlreg({"set", "HKLM\\Software\\Policies\\Norvale", "lk_AutoName", "dword", "0"});
  EXPECT_EQ(1, denied.exitCode);
  EXPECT_NE(std::string::npos, denied.output.find("access denied")) << denied.output;
  EXPECT_EQ(1, vlreg({"unprotect", "HKLM\\Software\\Policies"}).exitCode);
  EXPECT_EQ(textFile("1\n"),
            vlreg({"query", "HKLM\\Software\\Policies\\Norvale", "lk_AutoName"}).output);
  machine.setEnv("VELLORA_USER_RIGHTS", "admin");
  EXPECT_EQ(0, vlreg({"unprotect", "HKLM\\Software\\Policies"}).exitCode);
  machine.setEnv("VELLORA_USER_RIGHTS", "user");
  EXPECT_EQ(0, vlreg({"set", "HKLM\\Software\\Policies\\Norvale", "lk_AutoName", "dword", "0"}).exitCode);
}
#endif

#ifndef _WIN32
// An administrator sets one user's policies (here the user running the test,
// whose store this process reads); everything else of that user's
// HKEY_CURRENT_USER is out of reach.
TEST_F(VlregTest, AnAdministratorSetsTheUsersPoliciesForThem) {
  const std::string user = platform::userName();
  const std::string policy = "HKCU\\Software\\Policies\\Norvale\\Vellora";
  ASSERT_EQ(0, vlreg({"--user", user, "set", policy, "lk_PDFAuthor", "dword", "1"}).exitCode);
  ASSERT_EQ(0, vlreg({"--user", user, "set", policy, "PDFAuthor", "sz", "Records Office"}).exitCode);
  platform::RegKey key;
  ASSERT_EQ(platform::kRegOk, key.open(platform::HKCU, "Software\\Policies\\Norvale\\Vellora",
                                       platform::kRegRead));
  std::string author;
  ASSERT_EQ(platform::kRegOk, key.queryString("PDFAuthor", &author));
  EXPECT_EQ("Records Office", author);
  key.close();
  EXPECT_EQ(textFile("Records Office\n"), vlreg({"--user", user, "query", policy, "PDFAuthor"}).output);

  // A user's policies travel as .reg files of HKEY_CURRENT_USER.
  const std::string file = machine.path("alice.reg");
  ASSERT_EQ(0, vlreg({"--user", user, "export", policy, file}).exitCode);
  EXPECT_NE(std::string::npos,
            testsupport::readFile(file).find("[HKEY_CURRENT_USER\\Software\\Policies\\Norvale\\Vellora]"));
  ASSERT_EQ(0, vlreg({"--user", user, "delete", "HKCU\\Software\\Policies"}).exitCode);
  EXPECT_EQ(1, vlreg({"query", policy}).exitCode);
  ASSERT_EQ(0, vlreg({"--user", user, "import", file}).exitCode);
  EXPECT_EQ(textFile("1\n"), vlreg({"query", policy, "lk_PDFAuthor"}).output);

  RunResult own = vlreg({"--user", user, "set", "HKCU\\Software\\Norvale\\Vellora", "x", "dword", "1"});
  EXPECT_EQ(1, own.exitCode);
  EXPECT_NE(std::string::npos, own.output.find("only HKCU\\Software\\Policies")) << own.output;
  EXPECT_EQ(1, vlreg({"--user", user, "protect", policy}).exitCode);
  RunResult nobody = vlreg({"--user", "no-such-user-vl", "query", policy});
  EXPECT_EQ(1, nobody.exitCode);
  EXPECT_NE(std::string::npos, nobody.output.find("no user named")) << nobody.output;

  // Without administrator rights they are only read.
  machine.setEnv("VELLORA_USER_RIGHTS", "user");
  RunResult denied = vlreg({"set", policy, "lk_PDFAuthor", "dword", "0"});
  EXPECT_EQ(1, denied.exitCode);
  EXPECT_NE(std::string::npos, denied.output.find("access denied")) << denied.output;
  EXPECT_EQ(1, vlreg({"--user", user, "delete", policy}).exitCode);
  EXPECT_EQ(textFile("1\n"), vlreg({"query", policy, "lk_PDFAuthor"}).output);
}
#endif

// The file was written by "vlreg export" on Linux; the Windows build must
// read it the same and write the same bytes back.
TEST_F(VlregTest, ImportsAnExportOfTheOtherSystemAndExportsTheSameBytes) {
  const std::string exported = std::string(VLREG_TESTDATA) + "/settings-exported-on-linux.reg";
  const std::string key = "HKCU\\Software\\Norvale\\Vellora\\Settings";
  ASSERT_EQ(0, vlreg({"import", exported}).exitCode);
  EXPECT_EQ(textFile("@\tREG_SZ\tOffice defaults\n"
                     "AutoSaveDirectory\tREG_SZ\tC:\\Users\\ann\\Documents\\PDF \"drafts\"\\\n"
                     "Blob\tREG_BINARY\t000102030405060708090a0b0c0d0e0f"
                     "101112131415161718191a1b1c1d1e1fff\n"
                     "PDFLevel\tREG_DWORD\t4\n"
                     "Tmp\tREG_EXPAND_SZ\t%TEMP%\\vellora\n"),
            vlreg({"query", key + "\\Office"}).output);
  EXPECT_EQ(textFile("Draft\n"), vlreg({"query", key + "\\Office\\Watermark", "Text"}).output);

  const std::string again = machine.path("again.reg");
  ASSERT_EQ(0, vlreg({"export", key, again}).exitCode);
  EXPECT_EQ(testsupport::readFile(exported), testsupport::readFile(again));
}

}  // namespace
