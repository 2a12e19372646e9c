// Reading and writing single values of the settings keys, with the rules
// every settings read follows: a missing or unreadable value is 0 or empty,
// a failed write is silent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace vellora {

// Stored texts longer than this count as missing (the largest buffer the
// settings are read into holds 780 bytes).
constexpr std::size_t kStoredTextLimit = 779;

// A number setting. A REG_DWORD of four bytes reads as itself; a value of any
// other type reads as its raw little-endian bytes when its data (a string's
// terminator counted, as Windows stores it) fits in four bytes, and counts as
// missing otherwise. False when missing.
bool readNumberValue(const platform::RegKey& key, const std::string& name, std::int32_t* value);
// A text setting: REG_SZ or REG_EXPAND_SZ (not expanded), cut at its first
// NUL. Any other type, and a text longer than kStoredTextLimit, counts as
// missing. False when missing.
bool readTextValue(const platform::RegKey& key, const std::string& name, std::string* text);

// Opens a key for writing, creating it (and its parents) when missing.
bool openForWriting(platform::RegRoot root, const std::string& path, platform::RegKey* key);

// Direct accessors of UserKey (HKEY_CURRENT_USER) and MachineKey
// (HKEY_LOCAL_MACHINE), outside the lookup chain.
enum class StoreKey { kUser, kMachine };

// The value, or `missing` when the key or value cannot be read.
std::int32_t readStoreNumber(StoreKey where, const std::string& name, std::int32_t missing = 0);
// The text, or an empty text.
std::string readStoreText(StoreKey where, const std::string& name);
// Whether the number exists (readable as a number).
bool storeNumberExists(StoreKey where, const std::string& name);
// Writes open the key for writing and create it when missing; a failure is
// not reported.
void writeStoreNumber(StoreKey where, const std::string& name, std::int32_t value);
void writeStoreText(StoreKey where, const std::string& name, const std::string& text);
void deleteStoreValue(StoreKey where, const std::string& name);

}  // namespace vellora
