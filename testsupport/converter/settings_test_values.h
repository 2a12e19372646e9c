// Registry set-up shared by the settings tests.
#pragma once

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "platform/registry.h"

namespace vellora {
namespace testvalues {

inline void putRaw(platform::RegRoot root, const std::string& path, const std::string& name,
                   platform::RegType type, const std::string& data) {
  platform::RegKey key;
  ASSERT_EQ(key.create(root, path), platform::kRegOk) << path;
  ASSERT_EQ(platform::registry().SetValue(key.handle(), name, type, data), platform::kRegOk);
}

inline void put(platform::RegRoot root, const std::string& path, const std::string& name,
                const std::string& text) {
  putRaw(root, path, name, platform::kRegSz, text);
}

inline void put(platform::RegRoot root, const std::string& path, const std::string& name,
                std::uint32_t value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
  putRaw(root, path, name, platform::kRegDword, bytes);
}

inline bool keyExists(platform::RegRoot root, const std::string& path) {
  platform::RegKey key;
  return key.open(root, path, platform::kRegRead) == platform::kRegOk;
}

}  // namespace testvalues
}  // namespace vellora
