// One SQLite database file of the registry and this process's connection to
// it: opening (and making) the file, keeping a user's store private, the
// journal its file system allows, read transactions shared by a series of
// reads, and write transactions that wait out other processes within bounds.
// What the tables mean is the key API's (registry-posix.cpp).
#pragma once

#include <sqlite3.h>
#include <sys/types.h>

#include <functional>
#include <map>
#include <string>

namespace platform {
namespace posix {

// A status for a transaction's body to return when the store was busy: the
// transaction starts again from the beginning.
constexpr long kStoreRetry = -1;

// The registry status of an SQLite result: kRegOk for the good ones,
// kStoreRetry while another process holds the store, kRegAccessDenied when
// the file may not be written, kRegStoreFailure otherwise.
long statusFromSqlite(int rc);

// A prepared statement from the store's cache, reset when it goes.
class Statement {
 public:
  explicit Statement(sqlite3_stmt* stmt) : stmt_(stmt) {}
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool valid() const { return stmt_ != nullptr; }
  Statement& bind(int index, sqlite3_int64 value);
  Statement& bindText(int index, const std::string& text);
  Statement& bindBlob(int index, const std::string& bytes);
  int step() { return sqlite3_step(stmt_); }
  sqlite3_int64 integer(int column) const { return sqlite3_column_int64(stmt_, column); }
  std::string bytes(int column) const;

 private:
  sqlite3_stmt* stmt_;
};

// How long a write waits for other processes: each attempt waits up to the
// busy timeout for the lock, and a transaction that still meets one starts
// again, up to the number of attempts, then fails with kRegStoreFailure.
struct StorePatience {
  int busyTimeoutMs = 8000;
  int attempts = 6;
};

class SqliteStore {
 public:
  // A private store (a user's: it holds the scrambled passwords) is kept
  // readable by its owner only.
  SqliteStore(std::string path, bool privateStore, StorePatience patience = StorePatience());
  ~SqliteStore() { disconnect(); }
  SqliteStore(const SqliteStore&) = delete;
  SqliteStore& operator=(const SqliteStore&) = delete;

  // For reading: kRegOk with a connection, kRegNotFound when the store does
  // not exist yet (nothing is created), kRegStoreFailure when it is unusable.
  long forRead(sqlite3** db);
  // Reads between these share one read transaction, begun by the first of
  // them (see Registry::BeginReads).
  void beginReads() { ++readScopes_; }
  void endReads();
  // For writing: creates the folder and the database when missing;
  // kRegAccessDenied when this process may not write the store.
  long forWrite(sqlite3** db);
  sqlite3* connection() const { return db_; }

  // An invalid statement when the SQL does not prepare.
  Statement prepare(const char* sql);

  // Runs body inside BEGIN IMMEDIATE ... COMMIT, again from the start when
  // another process holds the store longer than the busy timeout (body
  // returns kStoreRetry for that too). Any other status than kRegOk from
  // body rolls back and is returned.
  long transaction(const std::function<long()>& body);

 private:
  long connect(bool create);
  long prepareSchema();
  // kRegOk when the tables are there, kRegNotFound while they are not yet,
  // kRegStoreFailure when the file is no database.
  long schemaStatus();
  void endReadTransaction();
  void disconnect();

  std::string path_;
  bool private_ = false;
  StorePatience patience_;
  sqlite3* db_ = nullptr;
  bool writable_ = false;
  pid_t pid_ = 0;
  std::map<const char*, sqlite3_stmt*> statements_;
  int readScopes_ = 0;
  bool readOpen_ = false;
};

}  // namespace posix
}  // namespace platform
