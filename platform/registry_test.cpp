#include "platform/registry.h"

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/system.h"
#include "testsupport/fresh_machine.h"

namespace platform {
namespace {

using RegistryTest = testsupport::FreshMachineTest;

const char kKey[] = "Software\\Norvale\\Vellora";

std::vector<std::string> subkeys(RegRoot root, const std::string& path) {
  std::vector<std::string> names;
  RegKey key;
  if (key.open(root, path, kRegRead) != kRegOk) return names;
  std::string name;
  for (std::uint32_t i = 0; key.enumKey(i, &name) == kRegOk; ++i) names.push_back(name);
  return names;
}

std::vector<std::string> valueNames(const RegKey& key) {
  std::vector<std::string> names;
  std::string name;
  for (std::uint32_t i = 0; key.enumValue(i, &name, nullptr, nullptr) == kRegOk; ++i)
    names.push_back(name);
  return names;
}

TEST(RegistryPaths, ParsesRootsInEitherSpellingAndAnyCase) {
  RegRoot root = HKLM;
  std::string path;
  ASSERT_TRUE(parseKeyPath("HKEY_LOCAL_MACHINE\\Software\\Norvale", &root, &path));
  EXPECT_EQ(HKLM, root);
  EXPECT_EQ("Software\\Norvale", path);
  ASSERT_TRUE(parseKeyPath("hkcu\\a", &root, &path));
  EXPECT_EQ(HKCU, root);
  EXPECT_EQ("a", path);
  ASSERT_TRUE(parseKeyPath("Hkey_Classes_Root", &root, &path));
  EXPECT_EQ(HKCR, root);
  EXPECT_EQ("", path);
  ASSERT_TRUE(parseKeyPath("HKU\\.DEFAULT", &root, &path));
  EXPECT_EQ(HKU, root);
  EXPECT_STREQ("HKEY_USERS", rootName(root));

  EXPECT_FALSE(parseKeyPath("HKLM/Software", &root, &path));  // "/" is no separator
  EXPECT_FALSE(parseKeyPath("HKEY_CURRENT_CONFIG\\x", &root, &path));
  EXPECT_FALSE(parseKeyPath("", &root, &path));
  EXPECT_FALSE(parseKeyPath("HKLMX\\a", &root, &path));
}

TEST_F(RegistryTest, NamesMatchWithoutRegardToCaseAndKeepTheirCase) {
  RegKey key;
  ASSERT_EQ(kRegOk, key.create(HKCU, kKey));
  ASSERT_EQ(kRegOk, key.setDword("AutoView", 1));
  ASSERT_EQ(kRegOk, key.setDword("autoview", 2));  // the same value

  RegKey again;
  ASSERT_EQ(kRegOk, again.open(HKCU, "SOFTWARE\\norvale\\VELLORA", kRegRead));
  std::uint32_t value = 0;
  ASSERT_EQ(kRegOk, again.queryDword("AUTOVIEW", &value));
  EXPECT_EQ(2u, value);
  EXPECT_EQ(std::vector<std::string>{"AutoView"}, valueNames(again));
  // A Windows user's hive holds the system's own keys under Software too.
  auto ours = [](const std::string& path) {
    std::vector<std::string> names = subkeys(HKCU, path);
    names.erase(std::remove(names.begin(), names.end(), "Microsoft"), names.end());
    return names;
  };
  EXPECT_EQ(std::vector<std::string>{"Norvale"}, ours("software"));

  // Creating with other letter case finds the existing key.
  RegKey other;
  ASSERT_EQ(kRegOk, other.create(HKCU, "software\\NORVALE\\vellora\\Sub"));
  EXPECT_EQ(std::vector<std::string>{"Norvale"}, ours("Software"));
  EXPECT_EQ(std::vector<std::string>{"Sub"}, subkeys(HKCU, kKey));
}

TEST_F(RegistryTest, ValueTypesAndSizes) {
  RegKey key;
  ASSERT_EQ(kRegOk, key.create(HKLM, kKey));
  ASSERT_EQ(kRegOk, key.setString("AppPath", "C:\\Vellora"));
  ASSERT_EQ(kRegOk, key.setDword("Level", 0x01020304));
  ASSERT_EQ(kRegOk, key.setBinary("Blob", std::string("\x01\x00\x02", 3)));
  ASSERT_EQ(kRegOk, key.setBinary("Empty", ""));
  // A caller handing over the terminator, as the Windows call takes it.
  ASSERT_EQ(kRegOk, registry().SetValue(key.handle(), "Raw", kRegSz, std::string("ab\0", 3)));

  RegType type = kRegNone;
  std::string data;
  ASSERT_EQ(kRegOk, key.query("AppPath", &type, &data));
  EXPECT_EQ(kRegSz, type);
  EXPECT_EQ("C:\\Vellora", data);
  ASSERT_EQ(kRegOk, key.query("Raw", &type, &data));
  EXPECT_EQ("ab", data);
  ASSERT_EQ(kRegOk, key.query("Blob", &type, &data));
  EXPECT_EQ(kRegBinary, type);
  EXPECT_EQ(std::string("\x01\x00\x02", 3), data);
  ASSERT_EQ(kRegOk, key.query("Level", &type, &data));
  EXPECT_EQ(kRegDword, type);
  EXPECT_EQ(std::string("\x04\x03\x02\x01", 4), data);

  std::uint32_t size = 0;
  ASSERT_EQ(kRegOk, key.querySize("AppPath", &size));
  EXPECT_EQ(11u, size);  // with the terminator
  ASSERT_EQ(kRegOk, key.querySize("Level", &size));
  EXPECT_EQ(4u, size);
  ASSERT_EQ(kRegOk, key.querySize("Blob", &size));
  EXPECT_EQ(3u, size);
  ASSERT_EQ(kRegOk, key.querySize("Empty", &size));
  EXPECT_EQ(0u, size);
  EXPECT_EQ(kRegNotFound, key.querySize("Missing", &size));

  std::uint32_t number = 0;
  ASSERT_EQ(kRegOk, key.queryDword("Blob", &number));  // short values read as raw bytes
  EXPECT_EQ(0x020001u, number);
  ASSERT_EQ(kRegOk, key.queryDword("Raw", &number));  // "ab" and its terminator
  EXPECT_EQ(0x6261u, number);
  EXPECT_EQ(kRegMoreData, key.queryDword("AppPath", &number));
  std::string text;
  EXPECT_NE(kRegOk, key.queryString("Level", &text));
  ASSERT_EQ(kRegOk, key.setString("Cut", std::string("one\0two", 7)));
  ASSERT_EQ(kRegOk, key.queryString("Cut", &text));
  EXPECT_EQ("one", text);
}

TEST_F(RegistryTest, EnumerationOrdersAreStable) {
  for (const char* name : {"beta", "Alpha", "gamma", "DELTA"}) {
    RegKey child;
    ASSERT_EQ(kRegOk, child.create(HKLM, std::string(kKey) + "\\" + name));
  }
  std::vector<std::string> expected{"Alpha", "beta", "DELTA", "gamma"};
  EXPECT_EQ(expected, subkeys(HKLM, kKey));
  EXPECT_EQ(expected, subkeys(HKLM, kKey));

  RegKey key;
  ASSERT_EQ(kRegOk, key.create(HKLM, kKey));
  for (const char* name : {"c", "A", "b"}) ASSERT_EQ(kRegOk, key.setDword(name, 1));
  if (platform::runsUnderWine()) {
    // Wine keeps a key's values sorted by name; Windows keeps them in the
    // order they were written.
    EXPECT_EQ((std::vector<std::string>{"A", "b", "c"}), valueNames(key));
    GTEST_SKIP() << "Wine enumerates values by name, not in the order written";
  }
  EXPECT_EQ((std::vector<std::string>{"c", "A", "b"}), valueNames(key));
  ASSERT_EQ(kRegOk, key.setDword("a", 2));  // rewriting keeps the place
  EXPECT_EQ((std::vector<std::string>{"c", "A", "b"}), valueNames(key));
  ASSERT_EQ(kRegOk, key.deleteValue("C"));
  ASSERT_EQ(kRegOk, key.setDword("c", 3));  // written anew: last
  EXPECT_EQ((std::vector<std::string>{"A", "b", "c"}), valueNames(key));
  EXPECT_EQ(kRegNotFound, key.deleteValue("c-missing"));

  std::string name;
  EXPECT_EQ(kRegNoMoreItems, key.enumValue(3, &name, nullptr, nullptr));
  EXPECT_EQ(kRegNoMoreItems, key.enumKey(4, &name));
}

TEST_F(RegistryTest, DeleteTreeRemovesTheWholeSubtreeOnly) {
  const std::string base = "Software\\Tree";
  for (const char* path : {"\\a\\b\\c", "\\a\\b2", "\\a\\b\\c\\d", "\\keep"}) {
    RegKey key;
    ASSERT_EQ(kRegOk, key.create(HKCU, base + path));
    ASSERT_EQ(kRegOk, key.setString("v", path));
  }
  ASSERT_EQ(kRegOk, registry().DeleteTree(HKCU, base + "\\A\\B"));
  EXPECT_EQ(std::vector<std::string>{"b2"}, subkeys(HKCU, base + "\\a"));
  EXPECT_EQ((std::vector<std::string>{"a", "keep"}), subkeys(HKCU, base));

  // Nothing of the old subtree survives under a key of the same name.
  RegKey reborn;
  ASSERT_EQ(kRegOk, reborn.create(HKCU, base + "\\a\\b\\c"));
  EXPECT_TRUE(valueNames(reborn).empty());
  EXPECT_TRUE(subkeys(HKCU, base + "\\a\\b\\c").empty());

  EXPECT_EQ(kRegNotFound, registry().DeleteTree(HKCU, base + "\\missing"));
  EXPECT_NE(kRegOk, registry().DeleteTree(HKCU, ""));
}

TEST_F(RegistryTest, HandleOfADeletedKeyFailsCleanly) {
  RegKey key;
  ASSERT_EQ(kRegOk, key.create(HKLM, "Software\\Doomed"));
  ASSERT_EQ(kRegOk, key.setDword("x", 1));
  ASSERT_EQ(kRegOk, registry().DeleteTree(HKLM, "Software\\Doomed"));

  std::uint32_t value = 0;
  EXPECT_NE(kRegOk, key.queryDword("x", &value));
  EXPECT_NE(kRegOk, key.setDword("y", 2));
  std::string name;
  EXPECT_NE(kRegOk, key.enumValue(0, &name, nullptr, nullptr));
  RegKey gone;
  EXPECT_EQ(kRegNotFound, gone.open(HKLM, "Software\\Doomed", kRegRead));

  RegHandle handle = key.handle();
  key.close();
  EXPECT_EQ(kRegInvalidHandle, registry().Close(handle));
  EXPECT_EQ(kRegInvalidHandle, registry().SetValue(handle, "z", kRegDword, "1234"));
}

TEST_F(RegistryTest, ReadHandlesDoNotWrite) {
  RegKey writer;
  ASSERT_EQ(kRegOk, writer.create(HKLM, kKey));
  RegKey reader;
  ASSERT_EQ(kRegOk, reader.open(HKLM, kKey, kRegRead));
  EXPECT_EQ(kRegAccessDenied, reader.setDword("x", 1));
  EXPECT_EQ(kRegNotFound, reader.open(HKLM, "Software\\Nowhere", kRegWrite));
  EXPECT_FALSE(reader.isOpen());
}

TEST_F(RegistryTest, ThreadsShareTheRegistry) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      RegKey key;
      if (key.create(HKCU, "Software\\Threads") != kRegOk) return;
      for (int i = 0; i < 50; ++i) key.setDword("t" + std::to_string(t) + "_" + std::to_string(i), i);
    });
  }
  for (auto& thread : threads) thread.join();
  RegKey key;
  ASSERT_EQ(kRegOk, key.open(HKCU, "Software\\Threads", kRegRead));
  EXPECT_EQ(200u, valueNames(key).size());
}

}  // namespace
}  // namespace platform
