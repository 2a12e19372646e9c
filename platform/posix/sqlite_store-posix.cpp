#include "platform/posix/sqlite_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/posix/registry_store.h"
#include "platform/registry.h"

namespace platform {
namespace posix {

namespace {

bool isBusy(int rc) {
  int primary = rc & 0xFF;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

void pauseBeforeRetry(int attempt) { usleep(static_cast<useconds_t>(20000 * (attempt + 1))); }

}  // namespace

long statusFromSqlite(int rc) {
  int primary = rc & 0xFF;
  if (primary == SQLITE_OK || primary == SQLITE_ROW || primary == SQLITE_DONE) return kRegOk;
  if (isBusy(rc)) return kStoreRetry;
  if (primary == SQLITE_READONLY || primary == SQLITE_PERM || primary == SQLITE_AUTH)
    return kRegAccessDenied;
  return kRegStoreFailure;
}

Statement::~Statement() {
  if (stmt_) {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
}

Statement& Statement::bind(int index, sqlite3_int64 value) {
  sqlite3_bind_int64(stmt_, index, value);
  return *this;
}

Statement& Statement::bindText(int index, const std::string& text) {
  sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  return *this;
}

Statement& Statement::bindBlob(int index, const std::string& bytes) {
  // A zero-length blob must still be a blob, not NULL.
  if (bytes.empty())
    sqlite3_bind_zeroblob(stmt_, index, 0);
  else
    sqlite3_bind_blob(stmt_, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
  return *this;
}

std::string Statement::bytes(int column) const {
  const void* data = sqlite3_column_blob(stmt_, column);
  int size = sqlite3_column_bytes(stmt_, column);
  return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
              : std::string();
}

const char* journalModeForFileSystem(unsigned long type) {
  switch (type) {
    case 0x6969UL:      // NFS
    case 0x517BUL:      // SMB
    case 0xFF534D42UL:  // CIFS
    case 0xFE534D42UL:  // SMB2
      return "DELETE";
    default:
      return "WAL";
  }
}

namespace {

std::string parentFolder(const std::string& path) {
  std::string::size_type cut = path.find_last_of('/');
  if (cut == std::string::npos) return ".";
  if (cut == 0) return "/";
  return path.substr(0, cut);
}

bool makeFolders(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  std::string parent = parentFolder(path);
  if (parent != path && !makeFolders(parent)) return false;
  return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

// Whether this process may write the store file. A file without any write
// permission bit counts as read-only even for root, as a read-only file is
// on Windows for an administrator; the folder must take the journal files.
bool storeWritable(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return false;
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  if (access(path.c_str(), W_OK) != 0) return false;
  return access(parentFolder(path).c_str(), W_OK | X_OK) == 0;
}

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS keys("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " parent INTEGER NOT NULL,"
    " name TEXT NOT NULL,"
    " uname TEXT NOT NULL,"
    " protected INTEGER NOT NULL DEFAULT 0,"
    " UNIQUE(parent, uname));"
    "CREATE TABLE IF NOT EXISTS vals("
    " key INTEGER NOT NULL,"
    " name TEXT NOT NULL,"
    " uname TEXT NOT NULL,"
    " seq INTEGER NOT NULL,"
    " type INTEGER NOT NULL,"
    " data BLOB NOT NULL,"
    " PRIMARY KEY(key, uname));"
    "INSERT OR IGNORE INTO keys(id, parent, name, uname) VALUES"
    " (1, 0, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'),"
    " (2, 0, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),"
    " (3, 0, 'HKEY_CLASSES_ROOT', 'HKEY_CLASSES_ROOT'),"
    " (4, 0, 'HKEY_USERS', 'HKEY_USERS');"
    "PRAGMA user_version = 1;";

// A prepared statement from the store's cache, reset when it goes.
// The journal of the store at path, by the file system its folder is on.
std::string journalModeFor(const std::string& path) {
  struct statfs info;
  if (statfs(parentFolder(path).c_str(), &info) != 0) return "WAL";
  return journalModeForFileSystem(static_cast<unsigned long>(info.f_type));
}

// A store only its owner may read (the user's: it holds the scrambled
// passwords): a folder of 0700 and files of 0600, the database made before
// SQLite opens it so that its journal files, which SQLite gives the
// database's permissions, are private from the start. Stores made before
// are tightened.
void keepPrivate(const std::string& path, bool exists) {
  struct stat info;
  const std::string folder = parentFolder(path);
  if (lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
      (info.st_mode & 077) != 0)
    chmod(folder.c_str(), info.st_mode & 0700);
  if (!exists) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) close(fd);
  }
  for (const char* suffix : {"", "-wal", "-shm"}) {
    const std::string file = path + suffix;
    if (lstat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid() &&
        (info.st_mode & 077) != 0)
      chmod(file.c_str(), info.st_mode & 0600);
  }
}

}  // namespace

SqliteStore::SqliteStore(std::string path, bool privateStore, StorePatience patience)
    : path_(std::move(path)), private_(privateStore), patience_(patience) {}

long SqliteStore::forRead(sqlite3** db) {
  long status = connect(false);
  *db = db_;
  if (status == kRegOk && readScopes_ > 0 && !readOpen_ && sqlite3_get_autocommit(db_))
    readOpen_ = sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
  return status;
}

void SqliteStore::endReads() {
  if (readScopes_ > 0 && --readScopes_ == 0) endReadTransaction();
}

long SqliteStore::forWrite(sqlite3** db) {
  long status = connect(true);
  *db = db_;
  if (status == kRegNotFound) return kRegAccessDenied;  // a store we could only read
  if (status != kRegOk) return status;
  return writable_ ? kRegOk : kRegAccessDenied;
}

Statement SqliteStore::prepare(const char* sql) {
  auto found = statements_.find(sql);
  if (found != statements_.end()) return Statement(found->second);
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK)
    return Statement(nullptr);
  statements_[sql] = stmt;
  return Statement(stmt);
}

long SqliteStore::transaction(const std::function<long()>& body) {
  endReadTransaction();
  sqlite3* db = nullptr;
  long status = forWrite(&db);
  if (status != kRegOk) return status;
  for (int attempt = 0; attempt < patience_.attempts; ++attempt) {
    int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
      status = statusFromSqlite(rc);
      if (status == kStoreRetry) {
        pauseBeforeRetry(attempt);
        continue;
      }
      return status;
    }
    status = body();
    if (status == kRegOk) {
      rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
      if (rc == SQLITE_OK) return kRegOk;
      status = statusFromSqlite(rc);
    }
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    if (status != kStoreRetry) return status;
    pauseBeforeRetry(attempt);
  }
  return kRegStoreFailure;
}

long SqliteStore::connect(bool create) {
  if (db_ && pid_ != getpid()) {
    // A connection must not cross fork(): leave the parent's to the parent.
    db_ = nullptr;
    statements_.clear();
    readOpen_ = false;
  }
  if (db_ && (!create || writable_)) return kRegOk;
  if (db_) disconnect();  // read-only until now; the file may have become writable

  struct stat info;
  bool exists = stat(path_.c_str(), &info) == 0;
  if (!exists && !create) return kRegNotFound;
  if (!exists && !makeFolders(parentFolder(path_))) return kRegAccessDenied;
  if (private_ && (create || exists)) keepPrivate(path_, exists);

  bool writable = !exists || storeWritable(path_);
  int flags = writable ? (SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) : SQLITE_OPEN_READONLY;
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path_.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close(db);
    return exists ? kRegStoreFailure : kRegAccessDenied;
  }
  sqlite3_busy_timeout(db, patience_.busyTimeoutMs);
  if (writable) {
    // Keep the journal files when the last writer closes: without them a
    // user who may not write the folder (the machine store of an installed
    // system) could not read a WAL database at all.
    int persist = 1;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
    // ... but empty: frames left in a kept journal would be copied into
    // the database (and synced) again by every process that closes the
    // store last, even one that only read.
    sqlite3_exec(db, "PRAGMA journal_size_limit=0", nullptr, nullptr, nullptr);
  }
  db_ = db;
  writable_ = writable;
  pid_ = getpid();
  long status = kRegOk;
  if (writable)
    status = prepareSchema();
  else
    status = schemaStatus();
  if (status != kRegOk) {
    disconnect();
    return status;
  }
  return kRegOk;
}

long SqliteStore::prepareSchema() {
  // WAL lets readers go on while a job writes, where every writer is a
  // process of this machine; NORMAL syncing keeps every committed
  // transaction across a crash of the process.
  const std::string journal = "PRAGMA journal_mode=" + journalModeFor(path_);
  for (int attempt = 0; attempt < patience_.attempts; ++attempt) {
    int rc = sqlite3_exec(db_, journal.c_str(), nullptr, nullptr, nullptr);
    if (!isBusy(rc)) break;
    pauseBeforeRetry(attempt);
  }
  sqlite3_exec(db_, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
  if (schemaStatus() == kRegOk) return kRegOk;
  for (int attempt = 0; attempt < patience_.attempts; ++attempt) {
    int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
      rc = sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr);
      if (rc == SQLITE_OK) rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
      if (rc == SQLITE_OK) return kRegOk;
      sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    long status = statusFromSqlite(rc);
    if (status != kStoreRetry) return status;
    pauseBeforeRetry(attempt);
  }
  return kRegStoreFailure;
}

long SqliteStore::schemaStatus() {
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db_, "SELECT 1 FROM sqlite_master WHERE type='table' AND name='vals'",
                              -1, &stmt, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
  }
  if (rc == SQLITE_ROW) return kRegOk;
  // Still being made by its first writer: nothing in it yet. A file that is
  // no database is a failure, not an empty store: read as empty, a damaged
  // machine store would drop every lock of the administrator's.
  if (rc == SQLITE_DONE || isBusy(rc)) return kRegNotFound;
  return kRegStoreFailure;
}

void SqliteStore::endReadTransaction() {
  if (readOpen_ && db_ && sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  readOpen_ = false;
}

void SqliteStore::disconnect() {
  readOpen_ = false;  // closing ends it
  for (auto& entry : statements_) sqlite3_finalize(entry.second);
  statements_.clear();
  if (db_) sqlite3_close(db_);
  db_ = nullptr;
  writable_ = false;
}

}  // namespace posix
}  // namespace platform
