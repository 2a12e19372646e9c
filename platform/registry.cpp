// The portable front of the registry: the process-wide instance, root names
// and key paths, and the typed helpers of RegKey.
#include "platform/registry.h"

#include <cstring>
#include <mutex>

#include "platform/registry_backend.h"

namespace platform {

namespace {

std::mutex& registryMutex() {
  static std::mutex mutex;
  return mutex;
}

// Owned platform store and the optional replacement, both under registryMutex.
std::unique_ptr<Registry>& platformInstance() {
  static std::unique_ptr<Registry> instance;
  return instance;
}
Registry* gReplacement = nullptr;

// A stand-in that fails every call, so that registry() always has something
// to return even when the platform store cannot be made.
class UnavailableRegistry : public Registry {
 public:
  long Open(RegRoot, const std::string&, RegAccess, RegHandle* key) override {
    if (key) *key = 0;
    return kRegStoreFailure;
  }
  long Create(RegRoot, const std::string&, RegHandle* key) override {
    if (key) *key = 0;
    return kRegStoreFailure;
  }
  long Close(RegHandle) override { return kRegInvalidHandle; }
  long DeleteTree(RegRoot, const std::string&) override { return kRegStoreFailure; }
  long QueryValue(RegHandle, const std::string&, RegType*, std::string*) override {
    return kRegInvalidHandle;
  }
  long SetValue(RegHandle, const std::string&, RegType, const std::string&) override {
    return kRegInvalidHandle;
  }
  long DeleteValue(RegHandle, const std::string&) override { return kRegInvalidHandle; }
  long EnumKey(RegHandle, std::uint32_t, std::string*) override { return kRegInvalidHandle; }
  long EnumValue(RegHandle, std::uint32_t, std::string*, RegType*, std::string*) override {
    return kRegInvalidHandle;
  }
};

char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool sameIgnoringCase(const std::string& a, const char* b) {
  std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
  return true;
}

struct RootSpelling {
  RegRoot root;
  const char* longName;
  const char* shortName;
};

const RootSpelling kRoots[] = {
    {HKLM, "HKEY_LOCAL_MACHINE", "HKLM"},
    {HKCU, "HKEY_CURRENT_USER", "HKCU"},
    {HKCR, "HKEY_CLASSES_ROOT", "HKCR"},
    {HKU, "HKEY_USERS", "HKU"},
};

std::uint32_t littleEndian32(const std::string& bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < bytes.size() && i < 4; ++i)
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  return value;
}

}  // namespace

Registry& registry() {
  std::lock_guard<std::mutex> lock(registryMutex());
  if (gReplacement) return *gReplacement;
  std::unique_ptr<Registry>& instance = platformInstance();
  if (!instance) instance = createPlatformRegistry();
  if (!instance) instance.reset(new UnavailableRegistry);
  return *instance;
}

void setRegistry(Registry* replacement) {
  std::lock_guard<std::mutex> lock(registryMutex());
  gReplacement = replacement;
}

void resetPlatformRegistry() {
  std::lock_guard<std::mutex> lock(registryMutex());
  platformInstance().reset();
}

const char* rootName(RegRoot root) {
  for (const RootSpelling& spelling : kRoots)
    if (spelling.root == root) return spelling.longName;
  return "";
}

bool parseKeyPath(const std::string& full, RegRoot* root, std::string* path) {
  std::string::size_type cut = full.find('\\');
  std::string first = full.substr(0, cut);
  for (const RootSpelling& spelling : kRoots) {
    if (sameIgnoringCase(first, spelling.longName) || sameIgnoringCase(first, spelling.shortName)) {
      if (root) *root = spelling.root;
      if (path) *path = cut == std::string::npos ? std::string() : full.substr(cut + 1);
      return true;
    }
  }
  return false;
}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    other.handle_ = 0;
  }
  return *this;
}

long RegKey::open(RegRoot root, const std::string& path, RegAccess access) {
  close();
  RegHandle handle = 0;
  long status = registry().Open(root, path, access, &handle);
  if (status == kRegOk) handle_ = handle;
  return status;
}

long RegKey::create(RegRoot root, const std::string& path) {
  close();
  RegHandle handle = 0;
  long status = registry().Create(root, path, &handle);
  if (status == kRegOk) handle_ = handle;
  return status;
}

void RegKey::close() {
  if (handle_ != 0) registry().Close(handle_);
  handle_ = 0;
}

long RegKey::query(const std::string& name, RegType* type, std::string* data) const {
  if (!handle_) return kRegInvalidHandle;
  RegType ignoredType;
  std::string ignoredData;
  return registry().QueryValue(handle_, name, type ? type : &ignoredType,
                               data ? data : &ignoredData);
}

long RegKey::queryString(const std::string& name, std::string* text) const {
  RegType type = kRegNone;
  std::string data;
  long status = query(name, &type, &data);
  if (status != kRegOk) return status;
  if (type != kRegSz && type != kRegExpandSz) return kRegInvalidParameter;
  std::string::size_type nul = data.find('\0');
  if (nul != std::string::npos) data.resize(nul);
  if (text) *text = data;
  return kRegOk;
}

long RegKey::queryDword(const std::string& name, std::uint32_t* value) const {
  RegType type = kRegNone;
  std::string data;
  long status = query(name, &type, &data);
  if (status != kRegOk) return status;
  // A string's stored size includes its terminator, as on Windows.
  std::size_t size = data.size() + ((type == kRegSz || type == kRegExpandSz) ? 1 : 0);
  if (size > 4) return kRegMoreData;
  if (value) *value = littleEndian32(data);
  return kRegOk;
}

long RegKey::querySize(const std::string& name, std::uint32_t* size) const {
  RegType type = kRegNone;
  std::string data;
  long status = query(name, &type, &data);
  if (status != kRegOk) return status;
  std::size_t bytes = data.size();
  if (type == kRegSz || type == kRegExpandSz) ++bytes;  // the terminator Windows stores
  if (size) *size = static_cast<std::uint32_t>(bytes);
  return kRegOk;
}

long RegKey::setString(const std::string& name, const std::string& text) const {
  if (!handle_) return kRegInvalidHandle;
  std::string::size_type nul = text.find('\0');
  return registry().SetValue(handle_, name, kRegSz,
                             nul == std::string::npos ? text : text.substr(0, nul));
}

long RegKey::setDword(const std::string& name, std::uint32_t value) const {
  if (!handle_) return kRegInvalidHandle;
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return registry().SetValue(handle_, name, kRegDword, bytes);
}

long RegKey::setBinary(const std::string& name, const std::string& bytes) const {
  if (!handle_) return kRegInvalidHandle;
  return registry().SetValue(handle_, name, kRegBinary, bytes);
}

long RegKey::deleteValue(const std::string& name) const {
  if (!handle_) return kRegInvalidHandle;
  return registry().DeleteValue(handle_, name);
}

long RegKey::enumKey(std::uint32_t index, std::string* name) const {
  if (!handle_) return kRegInvalidHandle;
  std::string ignored;
  return registry().EnumKey(handle_, index, name ? name : &ignored);
}

long RegKey::enumValue(std::uint32_t index, std::string* name, RegType* type,
                       std::string* data) const {
  if (!handle_) return kRegInvalidHandle;
  std::string ignoredName, ignoredData;
  RegType ignoredType;
  return registry().EnumValue(handle_, index, name ? name : &ignoredName,
                              type ? type : &ignoredType, data ? data : &ignoredData);
}

}  // namespace platform
