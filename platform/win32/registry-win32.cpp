// The registry on Windows is the system registry itself: every call goes
// straight to the ANSI registry API, whose status codes are the RegStatus
// numbers already.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "platform/process.h"
#include "platform/registry.h"
#include "platform/registry_backend.h"
#include "platform/win32/windows_api.h"

#include <shlobj.h>
#include <shlwapi.h>

namespace platform {
namespace {

bool rootKey(RegRoot root, HKEY* key) {
  switch (root) {
    case HKLM: *key = HKEY_LOCAL_MACHINE; return true;
    case HKCU: *key = HKEY_CURRENT_USER; return true;
    case HKCR: *key = HKEY_CLASSES_ROOT; return true;
    case HKU: *key = HKEY_USERS; return true;
  }
  return false;
}

HKEY toKey(RegHandle handle) {
  return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(handle));
}

RegHandle toHandle(HKEY key) {
  return static_cast<RegHandle>(reinterpret_cast<std::uintptr_t>(key));
}

bool isStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// The ANSI calls store strings with their terminating NUL; callers see the
// text alone.
void dropTerminator(DWORD type, std::string* data) {
  if (isStringType(type) && !data->empty() && data->back() == '\0') data->pop_back();
}

// Key paths are taken the way the other store reads them: empty parts (a
// leading, trailing or doubled separator) are dropped, which the system
// itself would refuse or read differently.
std::string normalizedPath(const std::string& path) {
  std::string result;
  result.reserve(path.size());
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\\') {
      if (!result.empty() && result.back() != '\\') result.push_back('\\');
    } else {
      result.push_back(path[i]);
    }
  }
  if (!result.empty() && result.back() == '\\') result.pop_back();
  return result;
}

class Win32Registry : public Registry {
 public:
  long Open(RegRoot root, const std::string& path, RegAccess access, RegHandle* key) override {
    if (key == nullptr) return kRegInvalidParameter;
    *key = 0;
    HKEY base;
    if (!rootKey(root, &base)) return kRegInvalidParameter;
    const REGSAM sam = access == kRegWrite ? (KEY_READ | KEY_WRITE) : KEY_READ;
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExA(base, normalizedPath(path).c_str(), 0, sam, &opened);
    if (status == ERROR_SUCCESS) *key = toHandle(opened);
    return status;
  }

  long Create(RegRoot root, const std::string& path, RegHandle* key) override {
    if (key == nullptr) return kRegInvalidParameter;
    *key = 0;
    HKEY base;
    if (!rootKey(root, &base)) return kRegInvalidParameter;
    HKEY created = nullptr;
    const LONG status = RegCreateKeyExA(base, normalizedPath(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_READ | KEY_WRITE, nullptr, &created, nullptr);
    if (status == ERROR_SUCCESS) *key = toHandle(created);
    return status;
  }

  long Close(RegHandle key) override {
    if (key == 0) return kRegInvalidHandle;
    return RegCloseKey(toKey(key));
  }

  long DeleteTree(RegRoot root, const std::string& path) override {
    HKEY base;
    if (!rootKey(root, &base)) return kRegInvalidParameter;
    const std::string key = normalizedPath(path);
    if (key.empty()) return kRegAccessDenied;  // a root is never deleted
    // SHDeleteKeyA removes the key itself along with its subtree (and exists
    // on every system the programs run on, unlike RegDeleteTree).
    return static_cast<long>(SHDeleteKeyA(base, key.c_str()));
  }

  long QueryValue(RegHandle key, const std::string& name, RegType* type,
                  std::string* data) override {
    if (key == 0) return kRegInvalidHandle;
    DWORD valueType = REG_NONE;
    DWORD size = 0;
    LONG status = RegQueryValueExA(toKey(key), name.c_str(), nullptr, &valueType, nullptr, &size);
    std::string bytes;
    // The value may grow between the size query and the read; try again then.
    for (int attempt = 0; status == ERROR_SUCCESS || status == ERROR_MORE_DATA; ++attempt) {
      if (attempt == 8) return kRegMoreData;
      bytes.assign(static_cast<std::size_t>(size) + 2, '\0');
      DWORD got = static_cast<DWORD>(bytes.size());
      status = RegQueryValueExA(toKey(key), name.c_str(), nullptr, &valueType,
                                reinterpret_cast<BYTE*>(&bytes[0]), &got);
      if (status == ERROR_SUCCESS) {
        bytes.resize(got);
        break;
      }
      size = got > size ? got : size * 2 + 16;
    }
    if (status != ERROR_SUCCESS) return status;
    dropTerminator(valueType, &bytes);
    if (type != nullptr) *type = static_cast<RegType>(valueType);
    if (data != nullptr) *data = std::move(bytes);
    return kRegOk;
  }

  long SetValue(RegHandle key, const std::string& name, RegType type,
                const std::string& data) override {
    if (key == 0) return kRegInvalidHandle;
    std::string bytes = data;
    // A caller may hand over the terminator itself, as the system call takes
    // it (a .reg file's hex(2) data does); a second one would read back as
    // part of the text.
    if (isStringType(type) && (bytes.empty() || bytes.back() != '\0')) bytes.push_back('\0');
    return RegSetValueExA(toKey(key), name.c_str(), 0, static_cast<DWORD>(type),
                          reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size()));
  }

  long DeleteValue(RegHandle key, const std::string& name) override {
    if (key == 0) return kRegInvalidHandle;
    return RegDeleteValueA(toKey(key), name.c_str());
  }

  long EnumKey(RegHandle key, std::uint32_t index, std::string* name) override {
    if (key == 0) return kRegInvalidHandle;
    // Key names are at most 255 characters.
    char buffer[256];
    DWORD length = sizeof buffer;
    const LONG status = RegEnumKeyExA(toKey(key), index, buffer, &length, nullptr, nullptr,
                                      nullptr, nullptr);
    if (status == ERROR_SUCCESS && name != nullptr) name->assign(buffer, length);
    return status;
  }

  long EnumValue(RegHandle key, std::uint32_t index, std::string* name, RegType* type,
                 std::string* data) override {
    if (key == 0) return kRegInvalidHandle;
    DWORD maxName = 0;
    DWORD maxData = 0;
    LONG status = RegQueryInfoKeyA(toKey(key), nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, &maxName, &maxData, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return status;
    std::string nameBuffer;
    std::string bytes;
    DWORD valueType = REG_NONE;
    for (int attempt = 0;; ++attempt) {
      if (attempt == 8) return kRegMoreData;
      nameBuffer.assign(static_cast<std::size_t>(maxName) + 1, '\0');
      bytes.assign(static_cast<std::size_t>(maxData) + 2, '\0');
      DWORD nameLength = static_cast<DWORD>(nameBuffer.size());
      DWORD dataLength = static_cast<DWORD>(bytes.size());
      status = RegEnumValueA(toKey(key), index, &nameBuffer[0], &nameLength, nullptr, &valueType,
                             reinterpret_cast<BYTE*>(&bytes[0]), &dataLength);
      if (status == ERROR_SUCCESS) {
        nameBuffer.resize(nameLength);
        bytes.resize(dataLength);
        break;
      }
      if (status != ERROR_MORE_DATA) return status;
      // A value was added or grew while we looked.
      maxName = maxName * 2 + 16;
      maxData = dataLength > maxData ? dataLength : maxData * 2 + 16;
    }
    dropTerminator(valueType, &bytes);
    if (name != nullptr) *name = std::move(nameBuffer);
    if (type != nullptr) *type = static_cast<RegType>(valueType);
    if (data != nullptr) *data = std::move(bytes);
    return kRegOk;
  }
};

#ifdef VELLORA_TEST_HOOKS
// Registry roots of their own for tests. The name travels to the programs
// a test starts in this variable; only the test build reads it at start-up,
// so that nobody can point a shipped program's machine keys (and the
// administrator's locks in them) somewhere else.
const char kTestRootsVariable[] = "VELLORA_TEST_REGISTRY";

struct PredefinedRoot {
  HKEY key;
  const char* name;
};
const PredefinedRoot kPredefinedRoots[] = {
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_USERS, "HKEY_USERS"},
};

std::mutex testRootsLock;

void restoreSystemRoots() {
  for (const PredefinedRoot& root : kPredefinedRoots) RegOverridePredefKey(root.key, nullptr);
}

// Points the process's predefined keys at "<user's hive>\<name>\<root>".
LONG pointRootsAt(const std::string& name) {
  // The keys are made below the real user hive, so every override goes first,
  // and none is set until all keys exist.
  restoreSystemRoots();
  if (name.empty()) return ERROR_SUCCESS;
  HKEY own[sizeof kPredefinedRoots / sizeof kPredefinedRoots[0]] = {};
  LONG status = ERROR_SUCCESS;
  std::size_t made = 0;
  for (; made < sizeof own / sizeof own[0]; ++made) {
    const std::string path = normalizedPath(name) + "\\" + kPredefinedRoots[made].name;
    status = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &own[made], nullptr);
    if (status != ERROR_SUCCESS) break;
  }
  for (std::size_t i = 0; i < made && status == ERROR_SUCCESS; ++i) {
    status = RegOverridePredefKey(kPredefinedRoots[i].key, own[i]);
  }
  // The system keeps a reference of its own to an overriding key.
  for (std::size_t i = 0; i < made; ++i) RegCloseKey(own[i]);
  if (status != ERROR_SUCCESS) restoreSystemRoots();
  return status;
}

// Before main(), so that nothing in the program reads a root first.
const bool inheritedTestRoots = [] {
  std::string name;
  if (getEnvironment(kTestRootsVariable, &name) && !name.empty()) pointRootsAt(name);
  return true;
}();
#endif

}  // namespace

std::unique_ptr<Registry> createPlatformRegistry() { return std::make_unique<Win32Registry>(); }

#ifdef VELLORA_TEST_HOOKS

// The user's folders of a test machine, below the profile folder the
// machine's environment names: the shell reads them from the user's hive,
// which is the machine's own now.
LONG placeShellFolders() {
  std::string profile;
  if (!getEnvironment("USERPROFILE", &profile) || profile.empty()) return ERROR_SUCCESS;
  const std::pair<const char*, const char*> folders[] = {
      {"AppData", "\\AppData\\Roaming"},
      {"Local AppData", "\\AppData\\Local"},
      {"Personal", "\\Documents"},
  };
  HKEY key = nullptr;
  LONG status = RegCreateKeyExA(
      HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
      0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  for (const auto& folder : folders) {
    const std::string path = profile + folder.second;
    SHCreateDirectoryExA(nullptr, path.c_str(), nullptr);
    status = RegSetValueExA(key, folder.first, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                            static_cast<DWORD>(path.size() + 1));
    if (status != ERROR_SUCCESS) break;
  }
  RegCloseKey(key);
  return status;
}

bool useRegistryRootsForTesting(const std::string& name) {
  std::lock_guard<std::mutex> guard(testRootsLock);
  LONG status = pointRootsAt(name);
  if (status == ERROR_SUCCESS && !name.empty()) status = placeShellFolders();
  if (status == ERROR_SUCCESS && !name.empty()) {
    setEnvironment(kTestRootsVariable, name);
  } else {
    unsetEnvironment(kTestRootsVariable);
  }
  resetPlatformRegistry();
  SetLastError(static_cast<DWORD>(status));
  return status == ERROR_SUCCESS;
}

void discardRegistryRootsForTesting(const std::string& name) {
  const std::string path = normalizedPath(name);
  if (path.empty()) return;
  std::lock_guard<std::mutex> guard(testRootsLock);
  SHDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

#endif  // VELLORA_TEST_HOOKS

}  // namespace platform
