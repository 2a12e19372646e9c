// The registry: hierarchical keys holding typed values, shaped after the
// Windows registry so that callers read the same on every platform.
//
// Semantics every backend keeps:
//  - key and value names are matched without regard to letter case; a key or
//    value keeps the case it was created with;
//  - opening for writing fails with kRegAccessDenied when the caller may not
//    write the key (administrator locks rely on this);
//  - subkeys enumerate in case-insensitive name order, values in the order
//    they were first written; both orders are stable while nothing changes;
//  - the default value of a key has the empty name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

enum RegRoot { HKLM, HKCU, HKCR, HKU };

// Value types, numbered as the Windows API numbers them.
enum RegType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
};

// Status codes, numbered as the Windows API numbers them.
enum RegStatus : long {
  kRegOk = 0,
  kRegNotFound = 2,
  kRegAccessDenied = 5,
  kRegInvalidHandle = 6,
  kRegInvalidParameter = 87,
  kRegMoreData = 234,
  kRegNoMoreItems = 259,
  kRegStoreFailure = 1009,  // the backing store is unusable
};

enum RegAccess { kRegRead, kRegWrite };

// Opaque key handle; 0 is never a valid handle.
using RegHandle = std::uint64_t;

class Registry {
 public:
  virtual ~Registry() = default;

  // Opens an existing key. kRegWrite fails with kRegAccessDenied when the
  // caller may not write the key.
  virtual long Open(RegRoot root, const std::string& path, RegAccess access, RegHandle* key) = 0;
  // Opens a key for writing, creating it and any missing parents.
  virtual long Create(RegRoot root, const std::string& path, RegHandle* key) = 0;
  virtual long Close(RegHandle key) = 0;
  // Deletes a key with its whole subtree. Deleting a root is refused.
  virtual long DeleteTree(RegRoot root, const std::string& path) = 0;

  // Reads a value; data receives the raw bytes (a REG_SZ's bytes without its
  // terminating NUL).
  virtual long QueryValue(RegHandle key, const std::string& name, RegType* type,
                          std::string* data) = 0;
  virtual long SetValue(RegHandle key, const std::string& name, RegType type,
                        const std::string& data) = 0;
  virtual long DeleteValue(RegHandle key, const std::string& name) = 0;
  // kRegNoMoreItems past the last entry.
  virtual long EnumKey(RegHandle key, std::uint32_t index, std::string* name) = 0;
  virtual long EnumValue(RegHandle key, std::uint32_t index, std::string* name, RegType* type,
                         std::string* data) = 0;

  // Between these, reads see each store as it stood at the first of them,
  // and a store kept in a database is read in one transaction rather than
  // one per call. A write in between ends that view (the reads after it see
  // the write and what others wrote meanwhile). Pairs nest. A store whose
  // every read stands on its own (the Windows registry) ignores them.
  virtual void BeginReads() {}
  virtual void EndReads() {}
};

// The process's registry. Tests may swap in their own; nullptr restores the
// platform's own store.
Registry& registry();
void setRegistry(Registry* replacement);

// Drops the platform's own store so that the next registry() call opens it
// afresh (tests that change the machine root between cases).
void resetPlatformRegistry();

#ifdef VELLORA_TEST_HOOKS
// Tests: gives this process, and the programs it starts, registry roots of
// their own, named by `name` (a key path such as "Software\\Tests\\T1"),
// or the platform's own roots again when `name` is empty; the open store is
// dropped either way; false when the roots cannot be made. On POSIX the stores follow the machine root and the
// home folder in the environment, so only the store is dropped. On Windows
// the four roots become keys below the user's real hive, and the user's
// folders (application data, documents) lie below the USERPROFILE folder of
// the environment; the programs started see them only in the test build,
// which honours the name they inherit.
bool useRegistryRootsForTesting(const std::string& name);
// Deletes the roots that useRegistryRootsForTesting(name) made, once no
// process uses them any more.
void discardRegistryRootsForTesting(const std::string& name);
#endif

// Names of the roots as .reg files and tools spell them: "HKEY_LOCAL_MACHINE".
const char* rootName(RegRoot root);
// Parses "HKEY_LOCAL_MACHINE\\a\\b" or "HKLM\\a\\b" into root and path.
bool parseKeyPath(const std::string& full, RegRoot* root, std::string* path);

// BeginReads / EndReads of the process's registry for the lifetime of the
// object: many reads (a job's settings) as one. The registry must not be
// swapped or reset meanwhile.
class RegistryReads {
 public:
  RegistryReads() : registry_(registry()) { registry_.BeginReads(); }
  ~RegistryReads() { registry_.EndReads(); }
  RegistryReads(const RegistryReads&) = delete;
  RegistryReads& operator=(const RegistryReads&) = delete;

 private:
  Registry& registry_;
};

// A key opened for the lifetime of the object.
class RegKey {
 public:
  RegKey() = default;
  ~RegKey() { close(); }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& other) noexcept : handle_(other.handle_) { other.handle_ = 0; }
  RegKey& operator=(RegKey&& other) noexcept;

  long open(RegRoot root, const std::string& path, RegAccess access);
  long create(RegRoot root, const std::string& path);
  void close();
  bool isOpen() const { return handle_ != 0; }
  RegHandle handle() const { return handle_; }

  long query(const std::string& name, RegType* type, std::string* data) const;
  // A REG_SZ (or REG_EXPAND_SZ) value cut at its first NUL.
  long queryString(const std::string& name, std::string* text) const;
  // A REG_DWORD value; other types of four bytes or fewer read as their raw
  // little-endian bytes.
  long queryDword(const std::string& name, std::uint32_t* value) const;
  // Size in bytes of the value's data, as the Windows API reports it (a
  // string's size counts its terminating NUL).
  long querySize(const std::string& name, std::uint32_t* size) const;

  long setString(const std::string& name, const std::string& text) const;
  long setDword(const std::string& name, std::uint32_t value) const;
  long setBinary(const std::string& name, const std::string& bytes) const;
  long deleteValue(const std::string& name) const;

  long enumKey(std::uint32_t index, std::string* name) const;
  long enumValue(std::uint32_t index, std::string* name, RegType* type, std::string* data) const;

 private:
  RegHandle handle_ = 0;
};

}  // namespace platform
