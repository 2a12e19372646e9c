#include "converter/settings/store_access.h"

#include "converter/settings/settings_keys.h"

namespace vellora {

using platform::RegKey;
using platform::RegType;

bool readNumberValue(const RegKey& key, const std::string& name, std::int32_t* value) {
  RegType type = platform::kRegNone;
  std::string data;
  if (!key.isOpen() || key.query(name, &type, &data) != platform::kRegOk) return false;
  std::size_t stored = data.size();
  if (type == platform::kRegSz || type == platform::kRegExpandSz) ++stored;  // its terminator
  if (stored > 4) return false;
  std::uint32_t bytes = 0;
  for (std::size_t i = 0; i < data.size() && i < 4; ++i)
    bytes |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
  if (value) *value = static_cast<std::int32_t>(bytes);
  return true;
}

bool readTextValue(const RegKey& key, const std::string& name, std::string* text) {
  RegType type = platform::kRegNone;
  std::string data;
  if (!key.isOpen() || key.query(name, &type, &data) != platform::kRegOk) return false;
  if (type != platform::kRegSz && type != platform::kRegExpandSz) return false;
  if (data.size() > kStoredTextLimit) return false;
  std::string::size_type nul = data.find('\0');
  if (nul != std::string::npos) data.resize(nul);
  if (text) *text = data;
  return true;
}

bool openForWriting(platform::RegRoot root, const std::string& path, RegKey* key) {
  if (key->open(root, path, platform::kRegWrite) == platform::kRegOk) return true;
  return key->create(root, path) == platform::kRegOk;
}

namespace {

platform::RegRoot rootOf(StoreKey where) {
  return where == StoreKey::kUser ? kUserRoot : kMachineRoot;
}

const char* pathOf(StoreKey where) { return where == StoreKey::kUser ? kUserKey : kMachineKey; }

bool openForReading(StoreKey where, RegKey* key) {
  return key->open(rootOf(where), pathOf(where), platform::kRegRead) == platform::kRegOk;
}

}  // namespace

std::int32_t readStoreNumber(StoreKey where, const std::string& name, std::int32_t missing) {
  RegKey key;
  std::int32_t value = 0;
  if (openForReading(where, &key) && readNumberValue(key, name, &value)) return value;
  return missing;
}

std::string readStoreText(StoreKey where, const std::string& name) {
  RegKey key;
  std::string text;
  if (openForReading(where, &key) && readTextValue(key, name, &text)) return text;
  return std::string();
}

bool storeNumberExists(StoreKey where, const std::string& name) {
  RegKey key;
  return openForReading(where, &key) && readNumberValue(key, name, nullptr);
}

void writeStoreNumber(StoreKey where, const std::string& name, std::int32_t value) {
  RegKey key;
  if (openForWriting(rootOf(where), pathOf(where), &key))
    key.setDword(name, static_cast<std::uint32_t>(value));
}

void writeStoreText(StoreKey where, const std::string& name, const std::string& text) {
  RegKey key;
  if (openForWriting(rootOf(where), pathOf(where), &key)) key.setString(name, text);
}

void deleteStoreValue(StoreKey where, const std::string& name) {
  RegKey key;
  if (key.open(rootOf(where), pathOf(where), platform::kRegWrite) == platform::kRegOk)
    key.deleteValue(name);
}

}  // namespace vellora
