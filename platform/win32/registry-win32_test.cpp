#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/registry_backend.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

// Every case works below a key of its own in the current user's hive.
const char kBase[] = "Software\\Norvale\\Vellora Backend Tests";

class Win32RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store_ = createPlatformRegistry();
    store_->DeleteTree(HKCU, kBase);
    ASSERT_EQ(kRegOk, store_->Create(HKCU, std::string(kBase) + "\\Case", &key_));
  }
  void TearDown() override {
    if (key_ != 0) store_->Close(key_);
    EXPECT_EQ(kRegOk, store_->DeleteTree(HKCU, kBase));
  }

  std::unique_ptr<Registry> store_;
  RegHandle key_ = 0;
};

TEST_F(Win32RegistryTest, StringsLoseTheirTerminatorOnReadAndGetItOnWrite) {
  ASSERT_EQ(kRegOk, store_->SetValue(key_, "Name", kRegSz, "text"));
  RegType type = kRegNone;
  std::string data;
  ASSERT_EQ(kRegOk, store_->QueryValue(key_, "Name", &type, &data));
  EXPECT_EQ(kRegSz, type);
  EXPECT_EQ("text", data);

  // Other programs read the value with the system's own calls and expect
  // the terminator stored with it.
  HKEY raw = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kBase) + "\\Case").c_str(),
                                         0, KEY_READ, &raw));
  char stored[16] = {'?', '?', '?', '?', '?', '?'};
  DWORD size = sizeof stored;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(raw, "Name", nullptr, nullptr,
                                            reinterpret_cast<BYTE*>(stored), &size));
  RegCloseKey(raw);
  EXPECT_EQ(5u, size);
  EXPECT_EQ('\0', stored[4]);
}

TEST_F(Win32RegistryTest, BinaryDataAndEmptyStringsComeBackExactly) {
  const std::string bytes("\x00\x01\xff\x00", 4);
  ASSERT_EQ(kRegOk, store_->SetValue(key_, "Blob", kRegBinary, bytes));
  ASSERT_EQ(kRegOk, store_->SetValue(key_, "", kRegSz, ""));
  RegType type = kRegNone;
  std::string data;
  ASSERT_EQ(kRegOk, store_->QueryValue(key_, "blob", &type, &data));  // any letter case
  EXPECT_EQ(kRegBinary, type);
  EXPECT_EQ(bytes, data);
  ASSERT_EQ(kRegOk, store_->QueryValue(key_, "", &type, &data));
  EXPECT_EQ(kRegSz, type);
  EXPECT_EQ("", data);
}

TEST_F(Win32RegistryTest, LongValuesAreReadWhole) {
  const std::string text(70000, 'x');
  ASSERT_EQ(kRegOk, store_->SetValue(key_, "Long", kRegSz, text));
  std::string data;
  ASSERT_EQ(kRegOk, store_->QueryValue(key_, "Long", nullptr, &data));
  EXPECT_EQ(text, data);
  std::string name;
  RegType type = kRegNone;
  ASSERT_EQ(kRegOk, store_->EnumValue(key_, 0, &name, &type, &data));
  EXPECT_EQ("Long", name);
  EXPECT_EQ(text, data);
}

TEST_F(Win32RegistryTest, EnumeratesKeysAndValuesThenReportsTheEnd) {
  RegHandle child = 0;
  ASSERT_EQ(kRegOk, store_->Create(HKCU, std::string(kBase) + "\\Case\\beta", &child));
  store_->Close(child);
  ASSERT_EQ(kRegOk, store_->Create(HKCU, std::string(kBase) + "\\Case\\Alpha", &child));
  store_->Close(child);
  ASSERT_EQ(kRegOk, store_->SetValue(key_, "Second", kRegDword, std::string("\x02\0\0\0", 4)));

  std::vector<std::string> keys;
  std::string name;
  for (std::uint32_t i = 0; store_->EnumKey(key_, i, &name) == kRegOk; ++i) keys.push_back(name);
  EXPECT_EQ((std::vector<std::string>{"Alpha", "beta"}), keys);
  EXPECT_EQ(kRegNoMoreItems, store_->EnumKey(key_, 2, &name));

  RegType type = kRegNone;
  std::string data;
  ASSERT_EQ(kRegOk, store_->EnumValue(key_, 0, &name, &type, &data));
  EXPECT_EQ("Second", name);
  EXPECT_EQ(kRegDword, type);
  EXPECT_EQ(kRegNoMoreItems, store_->EnumValue(key_, 1, &name, &type, &data));
}

TEST_F(Win32RegistryTest, PathsWithStraySeparatorsNameTheSameKey) {
  RegHandle key = 0;
  ASSERT_EQ(kRegOk, store_->Open(HKCU, "\\" + std::string(kBase) + "\\\\Case\\", kRegRead, &key));
  store_->Close(key);
  EXPECT_EQ(kRegNotFound, store_->Open(HKCU, std::string(kBase) + "\\Missing", kRegRead, &key));
  EXPECT_EQ(0u, key);
}

TEST_F(Win32RegistryTest, DeletesSubtreesButNeverARoot) {
  RegHandle deep = 0;
  ASSERT_EQ(kRegOk, store_->Create(HKCU, std::string(kBase) + "\\Gone\\a\\b", &deep));
  ASSERT_EQ(kRegOk, store_->SetValue(deep, "v", kRegSz, "x"));
  store_->Close(deep);
  EXPECT_EQ(kRegOk, store_->DeleteTree(HKCU, std::string(kBase) + "\\Gone"));
  RegHandle key = 0;
  EXPECT_EQ(kRegNotFound, store_->Open(HKCU, std::string(kBase) + "\\Gone", kRegRead, &key));
  EXPECT_EQ(kRegAccessDenied, store_->DeleteTree(HKCU, ""));
  EXPECT_EQ(kRegAccessDenied, store_->DeleteTree(HKCU, "\\"));
}

TEST_F(Win32RegistryTest, MissingValuesAndClosedHandlesFailWithTheirCodes) {
  std::string data;
  EXPECT_EQ(kRegNotFound, store_->QueryValue(key_, "Nothing", nullptr, &data));
  EXPECT_EQ(kRegNotFound, store_->DeleteValue(key_, "Nothing"));
  EXPECT_EQ(kRegInvalidHandle, store_->QueryValue(0, "Nothing", nullptr, &data));
}

}  // namespace
}  // namespace platform
