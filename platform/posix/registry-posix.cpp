// The POSIX registry: two SQLite databases standing in for the Windows
// registry hives. The machine store holds HKLM, HKCR and HKU, the user store
// HKCU (paths in machine_root.h), except HKCU\Software\Policies, which is the
// administrator's and lives in the machine store (user_policies.h).
//
// Several converter jobs run at once and write the same store, so every write
// is its own IMMEDIATE transaction on a WAL journal (a rollback journal on a
// file system several machines share) with a busy timeout and retries; a
// process killed mid-write leaves the last committed state.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/machine_root.h"
#include "platform/posix/registry_store.h"
#include "platform/posix/user_policies.h"
#include "platform/registry.h"
#include "platform/registry_backend.h"
#include "platform/system.h"

namespace platform {
namespace posix {

namespace {

// Internal: the transaction met a lock it could not wait out; start it again.
constexpr long kRetry = -1;
constexpr int kBusyTimeoutMs = 8000;
constexpr int kTransactionAttempts = 6;
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;

// Fixed ids of the root keys, the same in both stores.
sqlite3_int64 rootId(RegRoot root) { return static_cast<sqlite3_int64>(root) + 1; }

std::string foldName(const std::string& name) {
  // Windows orders and matches names by their upper-case form.
  std::string folded = name;
  for (char& c : folded)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return folded;
}

// The components of a key path; empty components (doubled, leading or
// trailing backslashes) are skipped as the Windows calls tolerate them.
bool splitPath(const std::string& path, std::vector<std::string>* parts) {
  parts->clear();
  std::string current;
  for (char c : path) {
    if (c == '\\') {
      if (!current.empty()) parts->push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts->push_back(current);
  for (const std::string& part : *parts)
    if (part.size() > kMaxKeyNameLength) return false;
  return true;
}

// Where a key lives: the root of its store and the path from there, and
// whether only an administrator may change it (a user's policies).
struct Place {
  RegRoot root = HKLM;
  std::vector<std::string> parts;
  bool administratorsOnly = false;
};

bool placeOf(RegRoot root, const std::string& path, Place* place) {
  if (root < HKLM || root > HKU || !splitPath(path, &place->parts)) return false;
  place->root = root;
  if (root == HKCU && isUserPolicyPath(place->parts)) {
    place->root = HKU;
    place->parts.insert(place->parts.begin(), userSid(geteuid()));
  }
  place->administratorsOnly = place->root == HKU && isUsersPolicyPath(place->parts);
  return true;
}

bool isBusy(int rc) {
  int primary = rc & 0xFF;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

long statusFromSqlite(int rc) {
  int primary = rc & 0xFF;
  if (primary == SQLITE_OK || primary == SQLITE_ROW || primary == SQLITE_DONE) return kRegOk;
  if (isBusy(rc)) return kRetry;
  if (primary == SQLITE_READONLY || primary == SQLITE_PERM || primary == SQLITE_AUTH)
    return kRegAccessDenied;
  return kRegStoreFailure;
}

void pauseBeforeRetry(int attempt) { usleep(static_cast<useconds_t>(20000 * (attempt + 1))); }

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
class Statement {
 public:
  explicit Statement(sqlite3_stmt* stmt) : stmt_(stmt) {}
  ~Statement() {
    if (stmt_) {
      sqlite3_reset(stmt_);
      sqlite3_clear_bindings(stmt_);
    }
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool valid() const { return stmt_ != nullptr; }
  Statement& bind(int index, sqlite3_int64 value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
  }
  Statement& bindText(int index, const std::string& text) {
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& bindBlob(int index, const std::string& bytes) {
    // A zero-length blob must still be a blob, not NULL.
    if (bytes.empty())
      sqlite3_bind_zeroblob(stmt_, index, 0);
    else
      sqlite3_bind_blob(stmt_, index, bytes.data(), static_cast<int>(bytes.size()),
                        SQLITE_TRANSIENT);
    return *this;
  }
  int step() { return sqlite3_step(stmt_); }
  sqlite3_int64 integer(int column) const { return sqlite3_column_int64(stmt_, column); }
  std::string bytes(int column) const {
    const void* data = sqlite3_column_blob(stmt_, column);
    int size = sqlite3_column_bytes(stmt_, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
                : std::string();
  }

 private:
  sqlite3_stmt* stmt_;
};

}  // namespace

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

// One database file and this process's connection to it.
class Store {
 public:
  Store(std::string path, bool privateStore)
      : path_(std::move(path)), private_(privateStore) {}
  ~Store() { disconnect(); }
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // For reading: kRegOk with a connection, kRegNotFound when the store does
  // not exist yet (nothing is created), kRegStoreFailure when it is unusable.
  long forRead(sqlite3** db) {
    long status = connect(false);
    *db = db_;
    if (status == kRegOk && readScopes_ > 0 && !readOpen_ && sqlite3_get_autocommit(db_))
      readOpen_ = sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    return status;
  }
  // Reads between these share one read transaction, begun by the first of
  // them (see Registry::BeginReads).
  void beginReads() { ++readScopes_; }
  void endReads() {
    if (readScopes_ > 0 && --readScopes_ == 0) endReadTransaction();
  }
  // For writing: creates the folder and the database when missing;
  // kRegAccessDenied when this process may not write the store.
  long forWrite(sqlite3** db) {
    long status = connect(true);
    *db = db_;
    if (status == kRegNotFound) return kRegAccessDenied;  // a store we could only read
    if (status != kRegOk) return status;
    return writable_ ? kRegOk : kRegAccessDenied;
  }
  sqlite3* connection() const { return db_; }

  Statement prepare(const char* sql) {
    auto found = statements_.find(sql);
    if (found != statements_.end()) return Statement(found->second);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK)
      return Statement(nullptr);
    statements_[sql] = stmt;
    return Statement(stmt);
  }

  // Runs body inside BEGIN IMMEDIATE ... COMMIT, again from the start when
  // another process holds the store longer than the busy timeout.
  template <typename Body>
  long transaction(Body body) {
    endReadTransaction();
    sqlite3* db = nullptr;
    long status = forWrite(&db);
    if (status != kRegOk) return status;
    for (int attempt = 0; attempt < kTransactionAttempts; ++attempt) {
      int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
      if (rc != SQLITE_OK) {
        status = statusFromSqlite(rc);
        if (status == kRetry) {
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
      if (status != kRetry) return status;
      pauseBeforeRetry(attempt);
    }
    return kRegStoreFailure;
  }

 private:
  long connect(bool create) {
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
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
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
    else if (!hasSchema())
      status = kRegNotFound;  // still being made by its first writer: nothing in it yet
    if (status != kRegOk) {
      disconnect();
      return status;
    }
    return kRegOk;
  }

  long prepareSchema() {
    // WAL lets readers go on while a job writes, where every writer is a
    // process of this machine; NORMAL syncing keeps every committed
    // transaction across a crash of the process.
    const std::string journal = "PRAGMA journal_mode=" + journalModeFor(path_);
    for (int attempt = 0; attempt < kTransactionAttempts; ++attempt) {
      int rc = sqlite3_exec(db_, journal.c_str(), nullptr, nullptr, nullptr);
      if (!isBusy(rc)) break;
      pauseBeforeRetry(attempt);
    }
    sqlite3_exec(db_, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    if (hasSchema()) return kRegOk;
    for (int attempt = 0; attempt < kTransactionAttempts; ++attempt) {
      int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
      if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) return kRegOk;
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
      }
      long status = statusFromSqlite(rc);
      if (status != kRetry) return status;
      pauseBeforeRetry(attempt);
    }
    return kRegStoreFailure;
  }

  bool hasSchema() {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, "SELECT 1 FROM sqlite_master WHERE type='table' AND name='vals'",
                           -1, &stmt, nullptr) != SQLITE_OK)
      return false;
    bool found = sqlite3_step(stmt) == SQLITE_ROW;
    sqlite3_finalize(stmt);
    return found;
  }

  void endReadTransaction() {
    if (readOpen_ && db_ && sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
      sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    readOpen_ = false;
  }

  void disconnect() {
    readOpen_ = false;  // closing ends it
    for (auto& entry : statements_) sqlite3_finalize(entry.second);
    statements_.clear();
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
    writable_ = false;
  }

  std::string path_;
  bool private_ = false;
  sqlite3* db_ = nullptr;
  bool writable_ = false;
  pid_t pid_ = 0;
  std::map<const char*, sqlite3_stmt*> statements_;
  int readScopes_ = 0;
  bool readOpen_ = false;
};

struct HandleEntry {
  RegRoot root;
  sqlite3_int64 id;
  RegAccess access;
};

// Handles are unique across instances, so a handle kept past
// resetPlatformRegistry() is refused rather than mistaken for a new one.
std::atomic<RegHandle> gNextHandle{1};

}  // namespace

class PosixRegistry : public Registry {
 public:
  PosixRegistry() : machine_(machineStorePath(), false), user_(userStorePath(), true) {}

  long Open(RegRoot root, const std::string& path, RegAccess access, RegHandle* key) override;
  long Create(RegRoot root, const std::string& path, RegHandle* key) override;
  long Close(RegHandle key) override;
  long DeleteTree(RegRoot root, const std::string& path) override;
  long QueryValue(RegHandle key, const std::string& name, RegType* type,
                  std::string* data) override;
  long SetValue(RegHandle key, const std::string& name, RegType type,
                const std::string& data) override;
  long DeleteValue(RegHandle key, const std::string& name) override;
  long EnumKey(RegHandle key, std::uint32_t index, std::string* name) override;
  long EnumValue(RegHandle key, std::uint32_t index, std::string* name, RegType* type,
                 std::string* data) override;
  void BeginReads() override {
    std::lock_guard<std::mutex> lock(mutex_);
    machine_.beginReads();
    user_.beginReads();
  }
  void EndReads() override {
    std::lock_guard<std::mutex> lock(mutex_);
    machine_.endReads();
    user_.endReads();
  }

  long setProtected(RegRoot root, const std::string& path, bool isProtected);
  bool isProtected(RegRoot root, const std::string& path);

 private:
  Store& storeFor(RegRoot root) { return root == HKCU ? user_ : machine_; }

  // Walks a path from the root: the key's id, and whether the key or any
  // ancestor is protected.
  long resolve(Store& store, RegRoot root, const std::vector<std::string>& parts,
               sqlite3_int64* id, bool* anyProtected);
  long keyState(Store& store, sqlite3_int64 id, bool* exists, bool* isProtected);
  bool subtreeHasProtected(Store& store, sqlite3_int64 id, long* status);
  // Whether a key below HKEY_USERS holds a user's policies.
  bool holdsUsersPolicies(Store& store, const std::vector<std::string>& parts, long* status);
  long lookup(RegHandle key, HandleEntry* entry);
  RegHandle addHandle(RegRoot root, sqlite3_int64 id, RegAccess access);

  std::mutex mutex_;
  Store machine_;
  Store user_;
  std::map<RegHandle, HandleEntry> handles_;
};

long PosixRegistry::resolve(Store& store, RegRoot root, const std::vector<std::string>& parts,
                            sqlite3_int64* id, bool* anyProtected) {
  bool protectedSeen = false;
  sqlite3_int64 current = rootId(root);
  {
    bool exists = false, isProt = false;
    long status = keyState(store, current, &exists, &isProt);
    if (status != kRegOk) return status;
    protectedSeen = isProt;
  }
  for (const std::string& part : parts) {
    Statement find = store.prepare("SELECT id, protected FROM keys WHERE parent=?1 AND uname=?2");
    if (!find.valid()) return kRegStoreFailure;
    find.bind(1, current).bindText(2, foldName(part));
    int rc = find.step();
    if (rc == SQLITE_DONE) return kRegNotFound;
    if (rc != SQLITE_ROW) return statusFromSqlite(rc);
    current = find.integer(0);
    if (find.integer(1)) protectedSeen = true;
  }
  *id = current;
  if (anyProtected) *anyProtected = protectedSeen;
  return kRegOk;
}

long PosixRegistry::keyState(Store& store, sqlite3_int64 id, bool* exists, bool* isProtected) {
  Statement state = store.prepare("SELECT protected FROM keys WHERE id=?1");
  if (!state.valid()) return kRegStoreFailure;
  state.bind(1, id);
  int rc = state.step();
  *exists = rc == SQLITE_ROW;
  *isProtected = *exists && state.integer(0) != 0;
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return statusFromSqlite(rc);
  return kRegOk;
}

bool PosixRegistry::subtreeHasProtected(Store& store, sqlite3_int64 id, long* status) {
  Statement check = store.prepare(
      "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "
      "SELECT keys.id FROM keys JOIN sub ON keys.parent = sub.id) "
      "SELECT 1 FROM keys WHERE id IN sub AND protected <> 0 LIMIT 1");
  if (!check.valid()) {
    *status = kRegStoreFailure;
    return false;
  }
  check.bind(1, id);
  int rc = check.step();
  *status = (rc == SQLITE_ROW || rc == SQLITE_DONE) ? kRegOk : statusFromSqlite(rc);
  return rc == SQLITE_ROW;
}

bool PosixRegistry::holdsUsersPolicies(Store& store, const std::vector<std::string>& parts,
                                       long* status) {
  *status = kRegOk;
  if (parts.empty() || parts.size() >= 3) return false;  // the policies' own keys are marked
  static const char* const kPoliciesKey[] = {"Software", "Policies"};
  std::vector<std::string> policies = parts;
  for (std::size_t i = parts.size(); i < 3; ++i) policies.push_back(kPoliciesKey[i - 1]);
  if (!isUsersPolicyPath(policies)) return false;
  sqlite3_int64 id = 0;
  long st = resolve(store, HKU, policies, &id, nullptr);
  if (st == kRegNotFound) return false;
  *status = st;
  return st == kRegOk;
}

long PosixRegistry::lookup(RegHandle key, HandleEntry* entry) {
  auto found = handles_.find(key);
  if (found == handles_.end()) return kRegInvalidHandle;
  *entry = found->second;
  return kRegOk;
}

RegHandle PosixRegistry::addHandle(RegRoot root, sqlite3_int64 id, RegAccess access) {
  RegHandle handle = gNextHandle.fetch_add(1);
  handles_[handle] = HandleEntry{root, id, access};
  return handle;
}

long PosixRegistry::Open(RegRoot root, const std::string& path, RegAccess access,
                         RegHandle* key) {
  if (!key) return kRegInvalidParameter;
  *key = 0;
  Place place;
  if (!placeOf(root, path, &place)) return kRegInvalidParameter;
  root = place.root;
  const std::vector<std::string>& parts = place.parts;
  std::lock_guard<std::mutex> lock(mutex_);
  Store& store = storeFor(root);
  sqlite3* db = nullptr;
  long status = store.forRead(&db);
  if (status == kRegNotFound && parts.empty()) {
    // The roots always exist, even before anything was stored; writing one
    // needs the store itself.
    if (access == kRegWrite) status = store.forWrite(&db);
    if (status == kRegNotFound || status == kRegOk) {
      *key = addHandle(root, rootId(root), access);
      return kRegOk;
    }
  }
  if (status != kRegOk) return status;
  sqlite3_int64 id = 0;
  bool isProt = false;
  status = resolve(store, root, parts, &id, &isProt);
  if (status == kRegNotFound && parts.empty()) {
    id = rootId(root);  // a store from before the root rows: still a root
    status = kRegOk;
  }
  if (status != kRegOk) return status;
  if (access == kRegWrite) {
    // The store exists by now, so this creates nothing.
    status = store.forWrite(&db);
    if (status != kRegOk) return status;
    if ((isProt || place.administratorsOnly) && !isAdministrator()) return kRegAccessDenied;
  }
  *key = addHandle(root, id, access);
  return kRegOk;
}

long PosixRegistry::Create(RegRoot root, const std::string& path, RegHandle* key) {
  if (!key) return kRegInvalidParameter;
  *key = 0;
  Place place;
  if (!placeOf(root, path, &place)) return kRegInvalidParameter;
  root = place.root;
  const std::vector<std::string>& parts = place.parts;
  std::lock_guard<std::mutex> lock(mutex_);
  Store& store = storeFor(root);
  sqlite3_int64 id = 0;
  long status = store.transaction([&]() -> long {
    bool exists = false, isProt = false;
    sqlite3_int64 current = rootId(root);
    long st = keyState(store, current, &exists, &isProt);
    if (st != kRegOk) return st;
    bool protectedSeen = isProt || place.administratorsOnly;
    bool admin = isAdministrator();
    for (const std::string& part : parts) {
      if (protectedSeen && !admin) return kRegAccessDenied;
      std::string folded = foldName(part);
      Statement find =
          store.prepare("SELECT id, protected FROM keys WHERE parent=?1 AND uname=?2");
      if (!find.valid()) return kRegStoreFailure;
      find.bind(1, current).bindText(2, folded);
      int rc = find.step();
      if (rc == SQLITE_ROW) {
        current = find.integer(0);
        if (find.integer(1)) protectedSeen = true;
        continue;
      }
      if (rc != SQLITE_DONE) return statusFromSqlite(rc);
      Statement insert = store.prepare("INSERT INTO keys(parent, name, uname) VALUES(?1, ?2, ?3)");
      if (!insert.valid()) return kRegStoreFailure;
      insert.bind(1, current).bindText(2, part).bindText(3, folded);
      rc = insert.step();
      if (rc != SQLITE_DONE) return statusFromSqlite(rc);
      current = sqlite3_last_insert_rowid(store.connection());
    }
    if (protectedSeen && !admin) return kRegAccessDenied;
    id = current;
    return kRegOk;
  });
  if (status != kRegOk) return status;
  *key = addHandle(root, id, kRegWrite);
  return kRegOk;
}

long PosixRegistry::Close(RegHandle key) {
  std::lock_guard<std::mutex> lock(mutex_);
  return handles_.erase(key) ? kRegOk : kRegInvalidHandle;
}

long PosixRegistry::DeleteTree(RegRoot root, const std::string& path) {
  Place place;
  if (!placeOf(root, path, &place)) return kRegInvalidParameter;
  root = place.root;
  const std::vector<std::string>& parts = place.parts;
  if (parts.empty()) return kRegAccessDenied;
  std::lock_guard<std::mutex> lock(mutex_);
  Store& store = storeFor(root);
  sqlite3* db = nullptr;
  long status = store.forRead(&db);
  if (status != kRegOk) return status;  // no store: nothing to delete
  sqlite3_int64 id = 0;
  status = resolve(store, root, parts, &id, nullptr);
  if (status != kRegOk) return status;
  return store.transaction([&]() -> long {
    sqlite3_int64 target = 0;
    bool isProt = false;
    long st = resolve(store, root, parts, &target, &isProt);
    if (st != kRegOk) return st;
    if (!isAdministrator()) {
      if (isProt || place.administratorsOnly) return kRegAccessDenied;
      if (root == HKU && holdsUsersPolicies(store, parts, &st)) return kRegAccessDenied;
      if (st != kRegOk) return st;
      bool below = subtreeHasProtected(store, target, &st);
      if (st != kRegOk) return st;
      if (below) return kRegAccessDenied;
    }
    std::vector<sqlite3_int64> ids;
    {
      Statement collect = store.prepare(
          "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "
          "SELECT keys.id FROM keys JOIN sub ON keys.parent = sub.id) SELECT id FROM sub");
      if (!collect.valid()) return kRegStoreFailure;
      collect.bind(1, target);
      int rc;
      while ((rc = collect.step()) == SQLITE_ROW) ids.push_back(collect.integer(0));
      if (rc != SQLITE_DONE) return statusFromSqlite(rc);
    }
    for (sqlite3_int64 each : ids) {
      Statement values = store.prepare("DELETE FROM vals WHERE key=?1");
      if (!values.valid()) return kRegStoreFailure;
      values.bind(1, each);
      int rc = values.step();
      if (rc != SQLITE_DONE) return statusFromSqlite(rc);
      Statement keyRow = store.prepare("DELETE FROM keys WHERE id=?1");
      if (!keyRow.valid()) return kRegStoreFailure;
      keyRow.bind(1, each);
      rc = keyRow.step();
      if (rc != SQLITE_DONE) return statusFromSqlite(rc);
    }
    return kRegOk;
  });
}

long PosixRegistry::QueryValue(RegHandle key, const std::string& name, RegType* type,
                               std::string* data) {
  std::lock_guard<std::mutex> lock(mutex_);
  HandleEntry entry;
  long status = lookup(key, &entry);
  if (status != kRegOk) return status;
  Store& store = storeFor(entry.root);
  sqlite3* db = nullptr;
  status = store.forRead(&db);
  if (status != kRegOk) return status;
  Statement query = store.prepare("SELECT type, data FROM vals WHERE key=?1 AND uname=?2");
  if (!query.valid()) return kRegStoreFailure;
  query.bind(1, entry.id).bindText(2, foldName(name));
  int rc = query.step();
  if (rc == SQLITE_ROW) {
    if (type) *type = static_cast<RegType>(query.integer(0));
    if (data) *data = query.bytes(1);
    return kRegOk;
  }
  if (rc != SQLITE_DONE) return kRegStoreFailure;
  bool exists = false, isProt = false;
  status = keyState(store, entry.id, &exists, &isProt);
  if (status != kRegOk) return kRegStoreFailure;
  return exists ? kRegNotFound : kRegInvalidHandle;
}

long PosixRegistry::SetValue(RegHandle key, const std::string& name, RegType type,
                             const std::string& data) {
  if (name.size() > kMaxValueNameLength) return kRegInvalidParameter;
  std::lock_guard<std::mutex> lock(mutex_);
  HandleEntry entry;
  long status = lookup(key, &entry);
  if (status != kRegOk) return status;
  if (entry.access != kRegWrite) return kRegAccessDenied;
  std::string stored = data;
  // Strings are kept without their terminator; callers may pass one.
  if ((type == kRegSz || type == kRegExpandSz) && !stored.empty() && stored.back() == '\0')
    stored.pop_back();
  Store& store = storeFor(entry.root);
  return store.transaction([&]() -> long {
    bool exists = false, isProt = false;
    long st = keyState(store, entry.id, &exists, &isProt);
    if (st != kRegOk) return st;
    if (!exists) return kRegInvalidHandle;
    // A rewritten value keeps its place in the order and the case of its name.
    Statement upsert = store.prepare(
        "INSERT INTO vals(key, name, uname, seq, type, data) VALUES(?1, ?2, ?3, "
        "(SELECT IFNULL(MAX(seq), 0) + 1 FROM vals WHERE key=?1), ?4, ?5) "
        "ON CONFLICT(key, uname) DO UPDATE SET type=excluded.type, data=excluded.data");
    if (!upsert.valid()) return kRegStoreFailure;
    upsert.bind(1, entry.id).bindText(2, name).bindText(3, foldName(name));
    upsert.bind(4, static_cast<sqlite3_int64>(type)).bindBlob(5, stored);
    int rc = upsert.step();
    return rc == SQLITE_DONE ? kRegOk : statusFromSqlite(rc);
  });
}

long PosixRegistry::DeleteValue(RegHandle key, const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  HandleEntry entry;
  long status = lookup(key, &entry);
  if (status != kRegOk) return status;
  if (entry.access != kRegWrite) return kRegAccessDenied;
  Store& store = storeFor(entry.root);
  return store.transaction([&]() -> long {
    bool exists = false, isProt = false;
    long st = keyState(store, entry.id, &exists, &isProt);
    if (st != kRegOk) return st;
    if (!exists) return kRegInvalidHandle;
    Statement remove = store.prepare("DELETE FROM vals WHERE key=?1 AND uname=?2");
    if (!remove.valid()) return kRegStoreFailure;
    remove.bind(1, entry.id).bindText(2, foldName(name));
    int rc = remove.step();
    if (rc != SQLITE_DONE) return statusFromSqlite(rc);
    return sqlite3_changes(store.connection()) > 0 ? kRegOk : kRegNotFound;
  });
}

long PosixRegistry::EnumKey(RegHandle key, std::uint32_t index, std::string* name) {
  std::lock_guard<std::mutex> lock(mutex_);
  HandleEntry entry;
  long status = lookup(key, &entry);
  if (status != kRegOk) return status;
  Store& store = storeFor(entry.root);
  sqlite3* db = nullptr;
  status = store.forRead(&db);
  if (status == kRegNotFound) return kRegNoMoreItems;
  if (status != kRegOk) return status;
  Statement query =
      store.prepare("SELECT name FROM keys WHERE parent=?1 ORDER BY uname LIMIT 1 OFFSET ?2");
  if (!query.valid()) return kRegStoreFailure;
  query.bind(1, entry.id).bind(2, static_cast<sqlite3_int64>(index));
  int rc = query.step();
  if (rc == SQLITE_ROW) {
    if (name) *name = query.bytes(0);
    return kRegOk;
  }
  if (rc != SQLITE_DONE) return kRegStoreFailure;
  bool exists = false, isProt = false;
  if (keyState(store, entry.id, &exists, &isProt) != kRegOk) return kRegStoreFailure;
  return exists || entry.id == rootId(entry.root) ? kRegNoMoreItems : kRegInvalidHandle;
}

long PosixRegistry::EnumValue(RegHandle key, std::uint32_t index, std::string* name,
                              RegType* type, std::string* data) {
  std::lock_guard<std::mutex> lock(mutex_);
  HandleEntry entry;
  long status = lookup(key, &entry);
  if (status != kRegOk) return status;
  Store& store = storeFor(entry.root);
  sqlite3* db = nullptr;
  status = store.forRead(&db);
  if (status == kRegNotFound) return kRegNoMoreItems;
  if (status != kRegOk) return status;
  Statement query = store.prepare(
      "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY seq LIMIT 1 OFFSET ?2");
  if (!query.valid()) return kRegStoreFailure;
  query.bind(1, entry.id).bind(2, static_cast<sqlite3_int64>(index));
  int rc = query.step();
  if (rc == SQLITE_ROW) {
    if (name) *name = query.bytes(0);
    if (type) *type = static_cast<RegType>(query.integer(1));
    if (data) *data = query.bytes(2);
    return kRegOk;
  }
  if (rc != SQLITE_DONE) return kRegStoreFailure;
  bool exists = false, isProt = false;
  if (keyState(store, entry.id, &exists, &isProt) != kRegOk) return kRegStoreFailure;
  return exists || entry.id == rootId(entry.root) ? kRegNoMoreItems : kRegInvalidHandle;
}

long PosixRegistry::setProtected(RegRoot root, const std::string& path, bool isProtected) {
  Place place;
  if (!placeOf(root, path, &place)) return kRegInvalidParameter;
  root = place.root;
  const std::vector<std::string>& parts = place.parts;
  // Changing who may write a key is an administrator's act, as editing an ACL is.
  if (!isAdministrator()) return kRegAccessDenied;
  std::lock_guard<std::mutex> lock(mutex_);
  Store& store = storeFor(root);
  sqlite3* db = nullptr;
  long status = store.forRead(&db);
  if (status != kRegOk) return status;
  return store.transaction([&]() -> long {
    sqlite3_int64 id = 0;
    long st = resolve(store, root, parts, &id, nullptr);
    if (st != kRegOk) return st;
    Statement update = store.prepare("UPDATE keys SET protected=?2 WHERE id=?1");
    if (!update.valid()) return kRegStoreFailure;
    update.bind(1, id).bind(2, isProtected ? 1 : 0);
    int rc = update.step();
    return rc == SQLITE_DONE ? kRegOk : statusFromSqlite(rc);
  });
}

bool PosixRegistry::isProtected(RegRoot root, const std::string& path) {
  Place place;
  if (!placeOf(root, path, &place)) return false;
  root = place.root;
  const std::vector<std::string>& parts = place.parts;
  std::lock_guard<std::mutex> lock(mutex_);
  Store& store = storeFor(root);
  sqlite3* db = nullptr;
  if (store.forRead(&db) != kRegOk) return false;
  sqlite3_int64 id = 0;
  bool isProt = false;
  return resolve(store, root, parts, &id, &isProt) == kRegOk && (isProt || place.administratorsOnly);
}

namespace {

// The protection calls act on the platform's own store even while a test has
// swapped another registry in.
template <typename Action>
auto withPlatformStore(Action action) -> decltype(action(std::declval<PosixRegistry&>())) {
  if (auto* own = dynamic_cast<PosixRegistry*>(&registry())) return action(*own);
  PosixRegistry separate;
  return action(separate);
}

}  // namespace

long setKeyProtected(RegRoot root, const std::string& path, bool isProtected) {
  return withPlatformStore(
      [&](PosixRegistry& store) { return store.setProtected(root, path, isProtected); });
}

bool isKeyProtected(RegRoot root, const std::string& path) {
  return withPlatformStore([&](PosixRegistry& store) { return store.isProtected(root, path); });
}

}  // namespace posix

std::unique_ptr<Registry> createPlatformRegistry() {
  return std::unique_ptr<Registry>(new posix::PosixRegistry);
}

#ifdef VELLORA_TEST_HOOKS
bool useRegistryRootsForTesting(const std::string&) {
  resetPlatformRegistry();
  return true;
}

void discardRegistryRootsForTesting(const std::string&) {
  // The stores live in the test's machine root and home folder, which go
  // with them.
}
#endif

}  // namespace platform
