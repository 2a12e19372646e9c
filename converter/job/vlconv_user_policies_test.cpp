// A lock an administrator sets for one user holds against that user: real
// accounts made by the test, the real vlreg and vlconv run as each of them.
#ifndef _WIN32
#include <memory>

#include "common/installer_interpreter.h"
#include "testsupport/converter/vlconv_test_support.h"
#include "testsupport/posix/file_modes.h"
#include "platform/posix/machine_root.h"
#include "testsupport/system_user.h"

namespace vellora {
namespace e2e {
namespace {

const char kPolicyKey[] = "HKCU\\Software\\Policies\\Norvale\\Vellora";
const char kUserKey[] = "HKCU\\Software\\Norvale\\Vellora";

class UserPolicies : public VlconvTest {
 protected:
  void SetUp() override {
    if (!testsupport::SystemUser::canMakeAccounts()) GTEST_SKIP() << "needs root to make accounts";
    VlconvTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // As on an installed system: the interpreter chosen at the install,
    // every user reads the machine, its administrator alone writes it.
    ASSERT_EQ(0, InstallerSelectInterpreter());
    for (const std::string& folder : {machine.base(), machine.root(), machine.root() + "/registry"})
      ASSERT_TRUE(testsupport::posix::setPermissionBits(folder, 0755)) << folder;
    options("Vellora", "DefaultPath=%HOME%/Documents/\nSuppressDialog=true\nAutoNameTitle=true\n");
    testsupport::writeFile(machine.path("job.ps"), postScriptJob("", 1));
    ASSERT_TRUE(testsupport::posix::setPermissionBits(machine.path("job.ps"), 0644));
  }

  std::unique_ptr<testsupport::SystemUser> account() {
    std::unique_ptr<testsupport::SystemUser> user(new testsupport::SystemUser(machine.path("users")));
    EXPECT_TRUE(user->created()) << user->error();
    if (user->created()) {
      EXPECT_EQ(0, user->run({"mkdir", user->home() + "/Documents"}).exitCode);
    }
    return user;
  }

  testsupport::RunResult vlreg(const testsupport::SystemUser* as, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), VLREG_PATH);
    return as ? as->run(arguments) : testsupport::run(arguments);
  }

  // A job the user prints; the author its PDF got.
  std::string authorOfJob(const testsupport::SystemUser& user, const std::string& title) {
    const std::string spool = user.home() + "/" + title + ".spool";
    EXPECT_EQ(0, user.run({"cp", machine.path("job.ps"), spool}).exitCode);
    testsupport::RunResult job = user.run({VLCONV_PATH, "1", spool, title, "Vellora"});
    EXPECT_EQ(0, job.exitCode) << job.output;
    const std::string pdf = user.home() + "/Documents/" + title + ".pdf";
    EXPECT_TRUE(platform::fileExists(pdf)) << job.output;
    return pdfinfo(pdf, "Author");
  }
};

TEST_F(UserPolicies, ALockSetForAUserHoldsWhateverTheUserDoesToTheirOwnStore) {
  auto alice = account();
  auto bob = account();
  ASSERT_TRUE(alice->created() && bob->created());
  for (const auto* user : {alice.get(), bob.get()}) {
    const std::string own = user == alice.get() ? "Alice" : "Bob";
    ASSERT_EQ(0, vlreg(user, {"set", kUserKey, "PDFAuthor", "sz", own}).exitCode);
  }
  // The administrator locks the author for alice alone.
  ASSERT_EQ(0, vlreg(nullptr, {"--user", alice->name(), "set", kPolicyKey, "lk_PDFAuthor", "dword", "1"})
                   .exitCode);
  ASSERT_EQ(0, vlreg(nullptr, {"--user", alice->name(), "set", kPolicyKey, "PDFAuthor", "sz",
                               "Records Office"})
                   .exitCode);

  EXPECT_EQ("Records Office", authorOfJob(*alice, "First"));
  EXPECT_EQ("Bob", authorOfJob(*bob, "Other")) << "the lock is alice's, not everyone's";

  // Alice can read her policies but not change them, neither through the
  // store nor by writing the machine's file.
  EXPECT_EQ("1\n", vlreg(alice.get(), {"query", kPolicyKey, "lk_PDFAuthor"}).output);
  testsupport::RunResult refused = vlreg(alice.get(), {"set", kPolicyKey, "lk_PDFAuthor", "dword", "0"});
  EXPECT_EQ(1, refused.exitCode);
  EXPECT_NE(std::string::npos, refused.output.find("access denied")) << refused.output;
  EXPECT_EQ(1, vlreg(alice.get(), {"delete", kPolicyKey}).exitCode);
  EXPECT_EQ(1, vlreg(alice.get(), {"--user", alice->name(), "set", kPolicyKey, "lk_PDFAuthor", "dword", "0"})
                   .exitCode);
  EXPECT_NE(0, alice->run({"test", "-w", platform::posix::machineStorePath()}).exitCode);

  // Her own store, edited with an SQLite tool to hold policies of her
  // choosing where they used to be read, or deleted: the lock stays.
  const std::string store = alice->home() + "/.config/vellora/registry.db";
  testsupport::RunResult edited = alice->run(
      {"sqlite3", store,
       "INSERT INTO keys(parent,name,uname) SELECT id,'Policies','POLICIES' FROM keys"
       " WHERE parent=2 AND uname='SOFTWARE';"
       "INSERT INTO keys(parent,name,uname) VALUES(last_insert_rowid(),'Norvale','NORVALE');"
       "INSERT INTO keys(parent,name,uname) VALUES(last_insert_rowid(),'Vellora','VELLORA');"
       "INSERT INTO vals(key,name,uname,seq,type,data)"
       " VALUES(last_insert_rowid(),'lk_PDFAuthor','LK_PDFAUTHOR',1,4,x'00000000');"
       "INSERT INTO vals(key,name,uname,seq,type,data) SELECT key,'PDFAuthor','PDFAUTHOR',2,1,"
       "CAST('Alice' AS BLOB) FROM vals WHERE uname='LK_PDFAUTHOR';"});
  ASSERT_EQ(0, edited.exitCode) << edited.output;
  EXPECT_EQ("Records Office", authorOfJob(*alice, "Second"));
  ASSERT_EQ(0, alice->run({"rm", "-rf", alice->home() + "/.config/vellora"}).exitCode);
  EXPECT_EQ("Records Office", authorOfJob(*alice, "Third"));
}

}  // namespace
}  // namespace e2e
}  // namespace vellora
#endif
