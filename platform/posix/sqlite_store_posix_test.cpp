#include "platform/posix/sqlite_store.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "testsupport/fresh_machine.h"

namespace platform {
namespace posix {
namespace {

using Clock = std::chrono::steady_clock;

unsigned modeOf(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0u;
}

long insertRow(SqliteStore& store, const char* name) {
  Statement insert = store.prepare("INSERT INTO keys(parent, name, uname) VALUES(1, ?1, ?1)");
  if (!insert.valid()) return kRegStoreFailure;
  insert.bindText(1, name);
  int rc = insert.step();
  return rc == SQLITE_DONE ? kRegOk : statusFromSqlite(rc);
}

// Another process's connection that holds the store's write lock.
class WriteLock {
 public:
  explicit WriteLock(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK)
      held_ = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  ~WriteLock() {
    release();
    sqlite3_close(db_);
  }
  bool held() const { return held_; }
  void release() {
    if (held_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    held_ = false;
  }

 private:
  sqlite3* db_ = nullptr;
  bool held_ = false;
};

class SqliteStoreTest : public testsupport::FreshMachineTest {
 protected:
  std::string path = machine.path("stores/test.db");
};

TEST_F(SqliteStoreTest, ABusyStoreIsWaitedForThenGivenUpWithinBounds) {
  StorePatience patience;
  patience.busyTimeoutMs = 150;
  patience.attempts = 3;
  SqliteStore store(path, false, patience);
  ASSERT_EQ(kRegOk, store.transaction([&] { return insertRow(store, "first"); }));

  // Let go while the store waits: the write goes through once.
  {
    WriteLock other(path);
    ASSERT_TRUE(other.held());
    std::atomic<bool> letGo{false};
    std::thread releaser([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
      other.release();
      letGo = true;
    });
    int runs = 0;
    long status = store.transaction([&] {
      ++runs;
      return insertRow(store, "second");
    });
    releaser.join();
    EXPECT_EQ(kRegOk, status);
    EXPECT_EQ(1, runs);
    EXPECT_TRUE(letGo);
  }

  // Held throughout: a failure after every attempt waited, not a hang and
  // not a write behind the holder's back.
  WriteLock other(path);
  ASSERT_TRUE(other.held());
  int runs = 0;
  const Clock::time_point start = Clock::now();
  long status = store.transaction([&] {
    ++runs;
    return insertRow(store, "third");
  });
  const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  EXPECT_EQ(kRegStoreFailure, status);
  EXPECT_EQ(0, runs);
  EXPECT_GE(waited.count(), 3 * 150);
  EXPECT_LT(waited.count(), 3000);
  other.release();

  sqlite3* db = nullptr;
  ASSERT_EQ(kRegOk, store.forRead(&db));
  Statement count = store.prepare("SELECT COUNT(*) FROM keys WHERE parent=1");
  ASSERT_TRUE(count.valid());
  ASSERT_EQ(SQLITE_ROW, count.step());
  EXPECT_EQ(2, count.integer(0));
}

TEST_F(SqliteStoreTest, ABodyAskingForAnotherTryRunsAgainAndAFailureRollsBack) {
  SqliteStore store(path, false);
  int runs = 0;
  EXPECT_EQ(kRegOk, store.transaction([&] {
    long status = insertRow(store, "kept");
    return ++runs < 2 ? kStoreRetry : status;
  }));
  EXPECT_EQ(2, runs);
  EXPECT_EQ(kRegAccessDenied, store.transaction([&] {
    insertRow(store, "dropped");
    return kRegAccessDenied;
  }));
  sqlite3* db = nullptr;
  ASSERT_EQ(kRegOk, store.forRead(&db));
  Statement names = store.prepare("SELECT name FROM keys WHERE parent=1 ORDER BY name");
  ASSERT_EQ(SQLITE_ROW, names.step());
  EXPECT_EQ("kept", names.bytes(0));
  EXPECT_EQ(SQLITE_DONE, names.step());
}

TEST_F(SqliteStoreTest, APrivateStoreIsItsOwnersOnlyAndAnotherIsLeftReadable) {
  const mode_t previous = ::umask(022);
  {
    SqliteStore shared(machine.path("machine/shared.db"), false);
    ASSERT_EQ(kRegOk, shared.transaction([&] { return insertRow(shared, "x"); }));
    EXPECT_EQ(0644u, modeOf(machine.path("machine/shared.db")));
    EXPECT_EQ(0755u, modeOf(machine.path("machine")));
  }
  // A lax store of an older version is closed up by merely reading it.
  {
    SqliteStore lax(path, false);
    ASSERT_EQ(kRegOk, lax.transaction([&] { return insertRow(lax, "x"); }));
  }
  ASSERT_EQ(0644u, modeOf(path));
  ASSERT_EQ(0755u, modeOf(machine.path("stores")));
  {
    SqliteStore mine(path, true);
    sqlite3* db = nullptr;
    ASSERT_EQ(kRegOk, mine.forRead(&db));
  }
  EXPECT_EQ(0600u, modeOf(path));
  EXPECT_EQ(0700u, modeOf(machine.path("stores")));

  // A link in the store's place is not followed to change another file.
  const std::string elsewhere = machine.path("elsewhere.txt");
  testsupport::writeFile(elsewhere, "someone else's");
  ASSERT_EQ(0, ::chmod(elsewhere.c_str(), 0644));
  const std::string linked = machine.path("linked/user.db");
  ASSERT_EQ(0, ::mkdir(machine.path("linked").c_str(), 0700));
  ASSERT_EQ(0, ::symlink(elsewhere.c_str(), linked.c_str()));
  {
    SqliteStore mine(linked, true);
    sqlite3* db = nullptr;
    mine.forRead(&db);
  }
  EXPECT_EQ(0644u, modeOf(elsewhere));
  ::umask(previous);
}

TEST_F(SqliteStoreTest, ADamagedStoreIsAFailureAndIsLeftAsItWas) {
  const std::string garbage(8192, 'x');
  testsupport::writeFile(path, garbage);
  {
    SqliteStore store(path, false);
    sqlite3* db = nullptr;
    EXPECT_EQ(kRegStoreFailure, store.forRead(&db));
    EXPECT_EQ(kRegStoreFailure, store.forWrite(&db));
    int runs = 0;
    EXPECT_EQ(kRegStoreFailure, store.transaction([&] { return ++runs, kRegOk; }));
    EXPECT_EQ(0, runs);
  }
  EXPECT_EQ(garbage, testsupport::readFile(path));

  // Also for a process that may only read it: not an empty store.
  ASSERT_EQ(0, ::chmod(path.c_str(), 0444));
  SqliteStore reader(path, false);
  sqlite3* db = nullptr;
  EXPECT_EQ(kRegStoreFailure, reader.forRead(&db));
}

TEST_F(SqliteStoreTest, AMissingStoreIsMadeOnlyForWriting) {
  SqliteStore store(path, false);
  sqlite3* db = nullptr;
  EXPECT_EQ(kRegNotFound, store.forRead(&db));
  EXPECT_EQ(0u, modeOf(path));
  EXPECT_EQ(0u, modeOf(machine.path("stores")));
  EXPECT_EQ(kRegOk, store.forWrite(&db));
  EXPECT_EQ(kRegOk, store.forRead(&db));
}

}  // namespace
}  // namespace posix
}  // namespace platform
