// The POSIX registry: two SQLite databases standing in for the Windows
// registry hives. The machine store holds HKLM, HKCR and HKU, the user store
// HKCU (paths in machine_root.h), except HKCU\Software\Policies, which is the
// administrator's and lives in the machine store (user_policies.h).
//
// Several converter jobs run at once and write the same store, so every write
// is its own transaction of the store (sqlite_store.h), which waits out the
// others within bounds; a process killed mid-write leaves the last committed
// state.
#include <unistd.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/machine_root.h"
#include "platform/posix/registry_store.h"
#include "platform/posix/sqlite_store.h"
#include "platform/posix/user_policies.h"
#include "platform/registry.h"
#include "platform/registry_backend.h"
#include "platform/system.h"

namespace platform {
namespace posix {

namespace {

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
  SqliteStore& storeFor(RegRoot root) { return root == HKCU ? user_ : machine_; }

  // Walks a path from the root: the key's id, and whether the key or any
  // ancestor is protected.
  long resolve(SqliteStore& store, RegRoot root, const std::vector<std::string>& parts,
               sqlite3_int64* id, bool* anyProtected);
  long keyState(SqliteStore& store, sqlite3_int64 id, bool* exists, bool* isProtected);
  bool subtreeHasProtected(SqliteStore& store, sqlite3_int64 id, long* status);
  // Whether a key below HKEY_USERS holds a user's policies.
  bool holdsUsersPolicies(SqliteStore& store, const std::vector<std::string>& parts, long* status);
  long lookup(RegHandle key, HandleEntry* entry);
  // The key behind a handle and its store: for reading connected (or
  // kRegNotFound while the store does not exist); for writing only when the
  // handle was opened for it. The caller holds mutex_.
  long storeOfHandle(RegHandle key, RegAccess access, HandleEntry* entry, SqliteStore** store);
  // What an enumeration past the last item answers: the end of the list for
  // a key that still exists, otherwise that the handle is stale.
  long endOfList(SqliteStore& store, const HandleEntry& entry);
  RegHandle addHandle(RegRoot root, sqlite3_int64 id, RegAccess access);

  std::mutex mutex_;
  SqliteStore machine_;
  SqliteStore user_;
  std::map<RegHandle, HandleEntry> handles_;
};

long PosixRegistry::resolve(SqliteStore& store, RegRoot root, const std::vector<std::string>& parts,
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

long PosixRegistry::keyState(SqliteStore& store, sqlite3_int64 id, bool* exists, bool* isProtected) {
  Statement state = store.prepare("SELECT protected FROM keys WHERE id=?1");
  if (!state.valid()) return kRegStoreFailure;
  state.bind(1, id);
  int rc = state.step();
  *exists = rc == SQLITE_ROW;
  *isProtected = *exists && state.integer(0) != 0;
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return statusFromSqlite(rc);
  return kRegOk;
}

bool PosixRegistry::subtreeHasProtected(SqliteStore& store, sqlite3_int64 id, long* status) {
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

bool PosixRegistry::holdsUsersPolicies(SqliteStore& store, const std::vector<std::string>& parts,
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

long PosixRegistry::storeOfHandle(RegHandle key, RegAccess access, HandleEntry* entry,
                                  SqliteStore** store) {
  long status = lookup(key, entry);
  if (status != kRegOk) return status;
  if (access == kRegWrite && entry->access != kRegWrite) return kRegAccessDenied;
  *store = &storeFor(entry->root);
  if (access == kRegWrite) return kRegOk;  // its transaction connects for writing
  sqlite3* db = nullptr;
  return (*store)->forRead(&db);
}

long PosixRegistry::endOfList(SqliteStore& store, const HandleEntry& entry) {
  bool exists = false, isProt = false;
  if (keyState(store, entry.id, &exists, &isProt) != kRegOk) return kRegStoreFailure;
  return exists || entry.id == rootId(entry.root) ? kRegNoMoreItems : kRegInvalidHandle;
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
  SqliteStore& store = storeFor(root);
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
  SqliteStore& store = storeFor(root);
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
  SqliteStore& store = storeFor(root);
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
  SqliteStore* found = nullptr;
  long status = storeOfHandle(key, kRegRead, &entry, &found);
  if (status != kRegOk) return status;
  SqliteStore& store = *found;
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
  SqliteStore* found = nullptr;
  long status = storeOfHandle(key, kRegWrite, &entry, &found);
  if (status != kRegOk) return status;
  SqliteStore& store = *found;
  std::string stored = data;
  // Strings are kept without their terminator; callers may pass one.
  if ((type == kRegSz || type == kRegExpandSz) && !stored.empty() && stored.back() == '\0')
    stored.pop_back();
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
  SqliteStore* found = nullptr;
  long status = storeOfHandle(key, kRegWrite, &entry, &found);
  if (status != kRegOk) return status;
  SqliteStore& store = *found;
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
  SqliteStore* found = nullptr;
  long status = storeOfHandle(key, kRegRead, &entry, &found);
  if (status == kRegNotFound) return kRegNoMoreItems;
  if (status != kRegOk) return status;
  SqliteStore& store = *found;
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
  return endOfList(store, entry);
}

long PosixRegistry::EnumValue(RegHandle key, std::uint32_t index, std::string* name,
                              RegType* type, std::string* data) {
  std::lock_guard<std::mutex> lock(mutex_);
  HandleEntry entry;
  SqliteStore* found = nullptr;
  long status = storeOfHandle(key, kRegRead, &entry, &found);
  if (status == kRegNotFound) return kRegNoMoreItems;
  if (status != kRegOk) return status;
  SqliteStore& store = *found;
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
  return endOfList(store, entry);
}

long PosixRegistry::setProtected(RegRoot root, const std::string& path, bool isProtected) {
  Place place;
  if (!placeOf(root, path, &place)) return kRegInvalidParameter;
  root = place.root;
  const std::vector<std::string>& parts = place.parts;
  // Changing who may write a key is an administrator's act, as editing an ACL is.
  if (!isAdministrator()) return kRegAccessDenied;
  std::lock_guard<std::mutex> lock(mutex_);
  SqliteStore& store = storeFor(root);
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
  SqliteStore& store = storeFor(root);
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
