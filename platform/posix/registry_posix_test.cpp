#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/posix/machine_root.h"
#include "platform/posix/registry_store.h"
#include "platform/posix/user_policies.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "testsupport/fresh_machine.h"

namespace platform {
namespace {

const char kWriterVariable[] = "VELLORA_TEST_REGISTRY_WRITER";
const char kReaderVariable[] = "VELLORA_TEST_REGISTRY_READER";
const char kStreamKey[] = "Software\\Stream";
const unsigned kNobody = 65534;

// Started with VELLORA_TEST_REGISTRY_READER=name (as root), this binary turns
// into an unprivileged user and reads HKLM\Software\Stream: exit 0 when the
// value reads and writing is refused.
void readAsAnotherUser(const std::string& name) {
  if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(10);
  RegKey key;
  if (key.open(HKLM, kStreamKey, kRegRead) != kRegOk) _exit(11);
  std::string text;
  if (key.queryString(name, &text) != kRegOk || text != "data of " + name) _exit(12);
  if (key.open(HKLM, kStreamKey, kRegWrite) != kRegAccessDenied) _exit(13);
  _exit(0);
}

// This test binary doubles as the writer process of the concurrency cases:
// started with VELLORA_TEST_REGISTRY_WRITER=prefix:count it writes values
// prefix0 .. prefix<count-1> into HKLM\Software\Stream and exits before any
// test runs.
struct WriterMode {
  WriterMode() {
    if (const char* name = std::getenv(kReaderVariable)) readAsAnotherUser(name);
    const char* spec = std::getenv(kWriterVariable);
    if (!spec) return;
    std::string text = spec;
    std::string::size_type colon = text.find(':');
    std::string prefix = text.substr(0, colon);
    long count = colon == std::string::npos ? 0 : std::atol(text.c_str() + colon + 1);
    RegKey key;
    if (key.create(HKLM, kStreamKey) != kRegOk) _exit(3);
    for (long i = 0; i < count; ++i) {
      std::string name = prefix + std::to_string(i);
      if (key.setString(name, "data of " + name) != kRegOk) _exit(4);
    }
    _exit(0);
  }
} writerMode;

std::string selfPath() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

bool startWriter(ChildProcess* child, const std::string& prefix, long count) {
  setEnvironment(kWriterVariable, prefix + ":" + std::to_string(count));
  StartOptions options;
  bool started = child->start(quoteArgument(selfPath()), options);
  unsetEnvironment(kWriterVariable);
  return started;
}

// How many of prefix0, prefix1, ... are present, each with its right data.
long presentInOrder(const std::string& prefix, long limit) {
  RegKey key;
  if (key.open(HKLM, kStreamKey, kRegRead) != kRegOk) return 0;
  long n = 0;
  for (; n < limit; ++n) {
    std::string name = prefix + std::to_string(n), text;
    if (key.queryString(name, &text) != kRegOk || text != "data of " + name) break;
  }
  return n;
}

using RegistryStoreTest = testsupport::FreshMachineTest;

TEST_F(RegistryStoreTest, StoresLiveWhereTheMachineRootSays) {
  EXPECT_EQ(machine.root() + "/registry/machine.db", posix::machineStorePath());
  EXPECT_EQ(machine.home() + "/.config/vellora/registry.db", posix::userStorePath());
  machine.setEnv("XDG_CONFIG_HOME", machine.path("cfg"));
  EXPECT_EQ(machine.path("cfg") + "/vellora/registry.db", posix::userStorePath());
  machine.setEnv("XDG_CONFIG_HOME", "relative/ignored");
  EXPECT_EQ(machine.home() + "/.config/vellora", posix::userConfigFolder());
  machine.unsetEnv("VELLORA_ROOT");
  if (geteuid() == 0) {
    EXPECT_EQ(posix::systemMachineRoot(), posix::machineRoot());
  }
}

TEST(MachineRoot, TheOverrideThenTheSystemFolderForRootOrAnInstalledSystemThenHome) {
  EXPECT_EQ("/srv/vellora", posix::chooseMachineRoot("/srv/vellora/", true, true, "/home/ann"));
  EXPECT_EQ(posix::systemMachineRoot(), posix::chooseMachineRoot("", true, false, "/home/ann"));
  EXPECT_EQ(posix::systemMachineRoot(), posix::chooseMachineRoot("", false, true, "/home/ann"));
  EXPECT_EQ("/home/ann/.vellora", posix::chooseMachineRoot("", false, false, "/home/ann/"));
}

TEST_F(RegistryStoreTest, ReadingAMissingStoreCreatesNothing) {
  // A machine root inside a folder nobody may write.
  std::string locked = machine.path("locked");
  ASSERT_TRUE(createDirectory(locked));
  machine.setEnv("VELLORA_ROOT", locked + "/root");
  chmod(locked.c_str(), 0555);
  resetPlatformRegistry();

  RegKey key;
  EXPECT_EQ(kRegNotFound, key.open(HKLM, "Software\\Norvale\\Vellora", kRegRead));
  ASSERT_EQ(kRegOk, key.open(HKLM, "", kRegRead));
  std::string name;
  EXPECT_EQ(kRegNoMoreItems, key.enumKey(0, &name));
  EXPECT_EQ(kRegNotFound, key.query("x", nullptr, nullptr));
  EXPECT_EQ(kRegNotFound, registry().DeleteTree(HKCU, "Software"));
  EXPECT_FALSE(fileExists(locked + "/root"));
  EXPECT_FALSE(fileExists(posix::userConfigFolder()));
  chmod(locked.c_str(), 0755);

  // The first write makes the user store, without touching the machine's.
  ASSERT_EQ(kRegOk, key.create(HKCU, "Software\\First"));
  EXPECT_TRUE(fileExists(posix::userStorePath()));
  EXPECT_FALSE(fileExists(locked + "/root"));
}

TEST_F(RegistryStoreTest, TheUsersStoreIsPrivate) {
  auto modeOf = [](const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0u;
  };
  RegKey key;
  ASSERT_EQ(kRegOk, key.create(HKCU, "Software\\Norvale\\Vellora"));
  ASSERT_EQ(kRegOk, key.setString("EUserPassword", "scrambled"));
  const std::string store = posix::userStorePath();
  EXPECT_EQ(modeOf(posix::userConfigFolder()), 0700u);
  for (const char* suffix : {"", "-wal", "-shm"})
    EXPECT_EQ(modeOf(store + suffix), 0600u) << suffix;

  // A store made readable by an older version is closed up when next opened.
  key.close();
  resetPlatformRegistry();
  for (const char* suffix : {"", "-wal", "-shm"}) chmod((store + suffix).c_str(), 0644);
  chmod(posix::userConfigFolder().c_str(), 0755);
  ASSERT_EQ(kRegOk, key.open(HKCU, "Software\\Norvale\\Vellora", kRegRead));
  std::string text;
  EXPECT_EQ(kRegOk, key.queryString("EUserPassword", &text));
  EXPECT_EQ(modeOf(posix::userConfigFolder()), 0700u);
  for (const char* suffix : {"", "-wal", "-shm"})
    EXPECT_EQ(modeOf(store + suffix), 0600u) << suffix;
}

TEST_F(RegistryStoreTest, ProtectedKeysAreReadOnlyForUsers) {
  const std::string policy = "Software\\Policies\\Norvale\\Vellora";
  {
    RegKey key;
    ASSERT_EQ(kRegOk, key.create(HKLM, policy + "\\Inner"));
    ASSERT_EQ(kRegOk, key.setDword("lk_PDFLevel", 1));
  }
  RegKey unrelated;
  ASSERT_EQ(kRegOk, unrelated.create(HKLM, "Software\\Open"));
  ASSERT_EQ(kRegOk, posix::setKeyProtected(HKLM, policy, true));
  EXPECT_TRUE(posix::isKeyProtected(HKLM, policy + "\\INNER"));
  EXPECT_FALSE(posix::isKeyProtected(HKLM, "Software\\Policies"));
  EXPECT_EQ(kRegNotFound, posix::setKeyProtected(HKLM, "Software\\Missing", true));

  machine.setEnv("VELLORA_USER_RIGHTS", "user");
  resetPlatformRegistry();
  RegKey key;
  EXPECT_EQ(kRegAccessDenied, key.open(HKLM, policy, kRegWrite));
  EXPECT_EQ(kRegAccessDenied, key.open(HKLM, policy + "\\inner", kRegWrite));
  EXPECT_EQ(kRegAccessDenied, key.create(HKLM, policy + "\\Inner\\New"));
  EXPECT_EQ(kRegAccessDenied, registry().DeleteTree(HKLM, "Software\\Policies"));
  EXPECT_EQ(kRegAccessDenied, posix::setKeyProtected(HKLM, policy, false));
  ASSERT_EQ(kRegOk, key.open(HKLM, policy + "\\Inner", kRegRead));
  std::uint32_t lock = 0;
  ASSERT_EQ(kRegOk, key.queryDword("lk_PDFLevel", &lock));
  EXPECT_EQ(1u, lock);
  EXPECT_EQ(kRegOk, key.open(HKLM, "Software\\Open", kRegWrite));
  EXPECT_EQ(kRegOk, key.create(HKLM, "Software\\Policies\\Other"));

  machine.setEnv("VELLORA_USER_RIGHTS", "admin");
  ASSERT_EQ(kRegOk, key.open(HKLM, policy + "\\Inner", kRegWrite));
  ASSERT_EQ(kRegOk, posix::setKeyProtected(HKLM, policy, false));
  machine.setEnv("VELLORA_USER_RIGHTS", "user");
  EXPECT_EQ(kRegOk, key.open(HKLM, policy + "\\Inner", kRegWrite));
}

TEST_F(RegistryStoreTest, AUsersPoliciesAreTheAdministratorsNotInTheUsersOwnStore) {
  const std::string policy = "Software\\Policies\\Norvale\\Vellora";
  const std::string mine = posix::userSid(geteuid()) + "\\" + policy;
  {
    RegKey key;
    ASSERT_EQ(kRegOk, key.create(HKCU, policy));
    ASSERT_EQ(kRegOk, key.setDword("lk_PDFLevel", 1));
  }
  EXPECT_FALSE(fileExists(posix::userStorePath())) << "kept in the machine store";
  EXPECT_TRUE(posix::isKeyProtected(HKCU, policy));
  EXPECT_FALSE(posix::isKeyProtected(HKCU, "Software\\Norvale"));
  RegKey key;
  std::uint32_t lock = 0;
  ASSERT_EQ(kRegOk, key.open(HKU, mine, kRegRead));
  ASSERT_EQ(kRegOk, key.queryDword("LK_PDFLEVEL", &lock));
  EXPECT_EQ(1u, lock);
  // The user's own store is the user's to keep or lose.
  ASSERT_EQ(kRegOk, key.create(HKCU, "Software\\Norvale\\Vellora"));
  ASSERT_EQ(kRegOk, key.setDword("lk_PDFLevel", 0));
  key.close();
  resetPlatformRegistry();
  for (const char* suffix : {"", "-wal", "-shm"}) unlink((posix::userStorePath() + suffix).c_str());

  machine.setEnv("VELLORA_USER_RIGHTS", "user");
  resetPlatformRegistry();
  lock = 0;
  ASSERT_EQ(kRegOk, key.open(HKCU, "software\\POLICIES\\Norvale\\Vellora", kRegRead));
  ASSERT_EQ(kRegOk, key.queryDword("lk_PDFLevel", &lock));
  EXPECT_EQ(1u, lock);
  EXPECT_EQ(kRegAccessDenied, key.open(HKCU, policy, kRegWrite));
  EXPECT_EQ(kRegAccessDenied, key.create(HKCU, policy + "\\New"));
  EXPECT_EQ(kRegAccessDenied, key.create(HKCU, "Software\\Policies\\Other"));
  EXPECT_EQ(kRegAccessDenied, registry().DeleteTree(HKCU, "Software\\Policies"));
  EXPECT_EQ(kRegAccessDenied, key.open(HKU, mine, kRegWrite));
  EXPECT_EQ(kRegAccessDenied, key.create(HKU, posix::userSid(12345) + "\\Software\\Policies\\X"));
  EXPECT_EQ(kRegAccessDenied, registry().DeleteTree(HKU, mine));
  EXPECT_EQ(kRegAccessDenied, registry().DeleteTree(HKU, posix::userSid(geteuid()) + "\\software"));
  EXPECT_EQ(kRegAccessDenied, registry().DeleteTree(HKU, posix::userSid(geteuid())));
  EXPECT_EQ(kRegOk, key.create(HKCU, "Software\\Norvale\\Vellora")) << "one's own keys stay one's own";
  EXPECT_EQ(kRegOk, key.create(HKU, posix::userSid(12345) + "\\Software\\Other"));
  key.close();
  EXPECT_EQ(kRegOk, registry().DeleteTree(HKU, posix::userSid(12345))) << "holds no policies";

  machine.setEnv("VELLORA_USER_RIGHTS", "admin");
  EXPECT_EQ(kRegOk, registry().DeleteTree(HKCU, "Software\\Policies"));
  EXPECT_EQ(kRegNotFound, key.open(HKU, mine, kRegRead));
}

TEST(UserPolicies, TheKeysOfAUsersPoliciesAndTheirSid) {
  EXPECT_EQ("S-1-22-1-1001", posix::userSid(1001));
  std::string sid;
  ASSERT_TRUE(posix::userSidOf(userName(), &sid));
  EXPECT_EQ(posix::userSid(geteuid()), sid);
  EXPECT_FALSE(posix::userSidOf("no-such-user-vl", &sid));
  EXPECT_FALSE(posix::userSidOf("", &sid));

  EXPECT_TRUE(posix::isUserPolicyPath({"SOFTWARE", "policies"}));
  EXPECT_TRUE(posix::isUserPolicyPath({"Software", "Policies", "Norvale"}));
  EXPECT_FALSE(posix::isUserPolicyPath({"Software"}));
  EXPECT_FALSE(posix::isUserPolicyPath({"Software", "PoliciesX"}));
  EXPECT_FALSE(posix::isUserPolicyPath({"Policies", "Software"}));
  EXPECT_TRUE(posix::isUsersPolicyPath({"S-1-22-1-5", "Software", "Policies", "X"}));
  EXPECT_FALSE(posix::isUsersPolicyPath({"Software", "Policies"}));
  EXPECT_FALSE(posix::isUsersPolicyPath({}));
}

TEST_F(RegistryStoreTest, AReadOnlyStoreFileRefusesWrites) {
  {
    RegKey key;
    ASSERT_EQ(kRegOk, key.create(HKLM, "Software\\Norvale\\Vellora"));
    ASSERT_EQ(kRegOk, key.setString("AppPath", "/opt/vellora"));
  }
  resetPlatformRegistry();  // closes the store, folding the journal in
  ASSERT_EQ(0, chmod(posix::machineStorePath().c_str(), 0444));

  RegKey key;
  EXPECT_EQ(kRegAccessDenied, key.open(HKLM, "Software\\Norvale\\Vellora", kRegWrite));
  EXPECT_EQ(kRegAccessDenied, key.create(HKLM, "Software\\Norvale\\Other"));
  EXPECT_EQ(kRegAccessDenied, registry().DeleteTree(HKLM, "Software\\Norvale"));
  ASSERT_EQ(kRegOk, key.open(HKLM, "Software\\Norvale\\Vellora", kRegRead));
  std::string text;
  ASSERT_EQ(kRegOk, key.queryString("appPath", &text));
  EXPECT_EQ("/opt/vellora", text);
  EXPECT_EQ(kRegOk, key.create(HKCU, "Software\\Norvale\\Vellora"));  // another store

  // Once writable again, the same process may write.
  ASSERT_EQ(0, chmod(posix::machineStorePath().c_str(), 0644));
  EXPECT_EQ(kRegOk, key.create(HKLM, "Software\\Norvale\\Other"));
}

TEST_F(RegistryStoreTest, UsersReadAStoreTheyMayNotWrite) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to start a process as another user";
  {
    RegKey key;
    ASSERT_EQ(kRegOk, key.create(HKLM, kStreamKey));
    ASSERT_EQ(kRegOk, key.setString("seen", "data of seen"));
  }
  resetPlatformRegistry();  // the last connection closes, as after an install
  for (const std::string& folder : {machine.base(), machine.root(), machine.root() + "/registry"})
    ASSERT_EQ(0, chmod(folder.c_str(), 0755));

  setEnvironment(kReaderVariable, "seen");
  ChildProcess reader;
  bool started = reader.start(quoteArgument(selfPath()), StartOptions());
  unsetEnvironment(kReaderVariable);
  ASSERT_TRUE(started);
  ASSERT_EQ(kWaitDone, reader.wait(30000));
  EXPECT_EQ(0, reader.exitCode());
}

TEST_F(RegistryStoreTest, ReadsBetweenBeginAndEndSeeOneStateWhileOthersWrite) {
  {
    RegKey key;
    ASSERT_EQ(kRegOk, key.create(HKLM, kStreamKey));
    ASSERT_EQ(kRegOk, key.setString("before", "data of before"));
  }
  RegistryReads reads;
  RegKey key;
  ASSERT_EQ(kRegOk, key.open(HKLM, kStreamKey, kRegRead));
  EXPECT_EQ(kRegNotFound, key.query("w0", nullptr, nullptr));
  ChildProcess writer;
  ASSERT_TRUE(startWriter(&writer, "w", 1));
  ASSERT_EQ(kWaitDone, writer.wait(30000));
  ASSERT_EQ(0, writer.exitCode());
  // Still the state of the first read, whatever was written since...
  EXPECT_EQ(kRegNotFound, key.query("w0", nullptr, nullptr));
  EXPECT_EQ(0, presentInOrder("w", 1));
  EXPECT_EQ(kRegOk, key.query("before", nullptr, nullptr));
  // ... until this process writes: the write goes through, and the reads
  // after it see the store as it is now.
  RegKey writable;
  ASSERT_EQ(kRegOk, writable.create(HKLM, kStreamKey));
  ASSERT_EQ(kRegOk, writable.setString("mine", "data of mine"));
  EXPECT_EQ(1, presentInOrder("w", 1));
  EXPECT_EQ(kRegOk, key.query("mine", nullptr, nullptr));
}

TEST_F(RegistryStoreTest, TheLastToCloseAStoreLeavesItsJournalEmpty) {
  {
    RegKey key;
    ASSERT_EQ(kRegOk, key.create(HKLM, kStreamKey));
    ASSERT_EQ(kRegOk, key.setString("seen0", "data of seen0"));
  }
  resetPlatformRegistry();
  const std::string store = posix::machineStorePath();
  struct stat journal, before, after;
  ASSERT_EQ(0, ::stat((store + "-wal").c_str(), &journal));
  EXPECT_EQ(0, journal.st_size);
  // So a process that only reads finds nothing to fold in when it closes:
  // the database file is not written again.
  ASSERT_EQ(0, ::stat(store.c_str(), &before));
  sleepMilliseconds(20);
  EXPECT_EQ(1, presentInOrder("seen", 1));
  resetPlatformRegistry();
  ASSERT_EQ(0, ::stat(store.c_str(), &after));
  EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
  EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
}

TEST_F(RegistryStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
  {
    RegKey key;  // the store exists before the race, as on an installed machine
    ASSERT_EQ(kRegOk, key.create(HKLM, kStreamKey));
  }
  const long kCount = 500;
  ChildProcess first, second;
  ASSERT_TRUE(startWriter(&first, "a", kCount));
  ASSERT_TRUE(startWriter(&second, "b", kCount));
  // Reading while they write must not disturb them either.
  while (first.running() || second.running()) {
    presentInOrder("a", kCount);
    sleepMilliseconds(20);
  }
  ASSERT_EQ(kWaitDone, first.wait(60000));
  ASSERT_EQ(kWaitDone, second.wait(60000));
  EXPECT_EQ(0, first.exitCode());
  EXPECT_EQ(0, second.exitCode());
  EXPECT_EQ(kCount, presentInOrder("a", kCount));
  EXPECT_EQ(kCount, presentInOrder("b", kCount));
}

// A store of this machine keeps a write-ahead log; one on a file system
// that several machines share (a home that two print servers mount) keeps
// the rollback journal, whose locks those machines share.
TEST_F(RegistryStoreTest, AStoreKeepsTheJournalItsFileSystemAllows) {
  RegKey key;
  ASSERT_EQ(kRegOk, key.create(HKCU, kStreamKey));
  ASSERT_EQ(kRegOk, key.setString("v", "x"));
  key.close();
  const std::string header = testsupport::readFile(posix::userStorePath()).substr(0, 20);
  ASSERT_EQ(20u, header.size());
  EXPECT_EQ(2, header[18]) << "write-ahead log";
  for (unsigned long shared : {0x6969UL, 0x517BUL, 0xFF534D42UL, 0xFE534D42UL})
    EXPECT_STREQ("DELETE", posix::journalModeForFileSystem(shared)) << std::hex << shared;
  for (unsigned long local : {0xEF53UL, 0x01021994UL, 0x58465342UL, 0x9123683EUL})  // ext4, tmpfs, xfs, btrfs
    EXPECT_STREQ("WAL", posix::journalModeForFileSystem(local)) << std::hex << local;
}

TEST_F(RegistryStoreTest, AProcessKilledWhileWritingLeavesAReadableStore) {
  ChildProcess writer;
  ASSERT_TRUE(startWriter(&writer, "k", 10000000));
  long seen = 0;
  for (int i = 0; i < 500 && seen < 200; ++i) {
    sleepMilliseconds(10);
    seen = presentInOrder("k", 1000000);
  }
  writer.kill();
  ASSERT_EQ(kWaitDone, writer.wait(10000));
  ASSERT_GT(seen, 0) << "the writer never wrote";

  resetPlatformRegistry();
  long present = presentInOrder("k", 10000000);
  EXPECT_GE(present, seen);
  RegKey key;
  ASSERT_EQ(kRegOk, key.open(HKLM, kStreamKey, kRegRead));
  for (long i = present + 1; i < present + 5; ++i)  // writes were in order: nothing beyond a gap
    EXPECT_EQ(kRegNotFound, key.query("k" + std::to_string(i), nullptr, nullptr));
  ASSERT_EQ(kRegOk, key.create(HKLM, kStreamKey));
  EXPECT_EQ(kRegOk, key.setDword("after", 1));

  sqlite3* db = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open_v2(posix::machineStorePath().c_str(), &db,
                                       SQLITE_OPEN_READONLY, nullptr));
  sqlite3_stmt* check = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr));
  ASSERT_EQ(SQLITE_ROW, sqlite3_step(check));
  EXPECT_STREQ("ok", reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
  sqlite3_finalize(check);
  sqlite3_close(db);
}

}  // namespace
}  // namespace platform
