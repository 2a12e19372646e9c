#include "tools/vlreg/reg_file.h"
#include "platform/text_encoding.h"

#include <string>

#include <gtest/gtest.h>

#include "testsupport/fresh_machine.h"

namespace vlreg {

using namespace platform;
namespace {

using RegFileTest = testsupport::FreshMachineTest;

std::string value(RegRoot root, const std::string& path, const std::string& name,
                  RegType* type = nullptr) {
  RegKey key;
  std::string data;
  if (key.open(root, path, kRegRead) != kRegOk || key.query(name, type, &data) != kRegOk)
    return "<missing>";
  return data;
}

std::string utf16le(const std::u16string& text) {
  std::string bytes("\xFF\xFE", 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

TEST_F(RegFileTest, ImportsEveryKindOfLine) {
  const std::string text =
      "REGEDIT4\r\n"
      "\r\n"
      "; a comment\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Norvale\\Vellora]\r\n"
      "\"AppPath\"=\"C:\\\\Program Files\\\\Vellora\"\r\n"
      "@=\"the \\\"default\\\"\"  ; the key's own\r\n"
      "\"Level\"=dword:0000001F ; thirty-one\r\n"
      "\"Blob\"=hex:01,02,\\\r\n"
      "  ff,00\r\n"
      "\"Expand\"=hex(2):25,54,45,4d,50,25,00\r\n"
      "\"Multi\" = hex(7):61,00,62,00,00\r\n"
      "\"Empty\"=hex:\r\n"
      "[hkcu\\Software\\Norvale]\n"
      "\"User\"=\"yes\"\n";
  RegFileResult result = importRegText(registry(), text);
  ASSERT_TRUE(result.ok) << result.line << ": " << result.message;
  EXPECT_EQ(2, result.keys);
  EXPECT_EQ(8, result.values);

  const std::string key = "Software\\Norvale\\Vellora";
  RegType type = kRegNone;
  EXPECT_EQ("C:\\Program Files\\Vellora", value(HKLM, key, "apppath", &type));
  EXPECT_EQ(kRegSz, type);
  EXPECT_EQ("the \"default\"", value(HKLM, key, ""));
  EXPECT_EQ(std::string("\x1f\0\0\0", 4), value(HKLM, key, "Level", &type));
  EXPECT_EQ(kRegDword, type);
  EXPECT_EQ(std::string("\x01\x02\xff\x00", 4), value(HKLM, key, "Blob", &type));
  EXPECT_EQ(kRegBinary, type);
  EXPECT_EQ("%TEMP%", value(HKLM, key, "Expand", &type));
  EXPECT_EQ(kRegExpandSz, type);
  EXPECT_EQ(std::string("a\0b\0\0", 5), value(HKLM, key, "Multi", &type));
  EXPECT_EQ(kRegMultiSz, type);
  EXPECT_EQ("", value(HKLM, key, "Empty"));
  EXPECT_EQ("yes", value(HKCU, "Software\\Norvale", "User"));
}

TEST_F(RegFileTest, ImportsVersion5InUtf16AndUtf8) {
  std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_CURRENT_USER\\Software\\T]\r\n"
      u"\"Name\"=\"caf\u00e9 \u20ac\"\r\n"
      u"\"Wide\"=hex(2):25,00,41,00,25,00,00,00\r\n";
  RegFileResult result = importRegText(registry(), utf16le(text));
  ASSERT_TRUE(result.ok) << result.line << ": " << result.message;
  // The system's own encoding: UTF-8 here, the ANSI code page on Windows.
  const std::string cafe = textFromUtf8("caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(cafe, value(HKCU, "Software\\T", "Name"));
  EXPECT_EQ("%A%", value(HKCU, "Software\\T", "Wide"));

  // The same text as UTF-8 with its mark, and as a Windows ANSI file,
  // stores the same bytes.
  result = importRegText(registry(),
                         "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n"
                         "[HKEY_CURRENT_USER\\Software\\T]\n\"U8\"=\"caf\xC3\xA9 \xE2\x82\xAC\"\n");
  ASSERT_TRUE(result.ok) << result.line << ": " << result.message;
  EXPECT_EQ(cafe, value(HKCU, "Software\\T", "U8"));
  result = importRegText(registry(), "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\T]\n"
                                     "\"Ansi\"=\"caf\xE9 \x80\"\n");
  ASSERT_TRUE(result.ok) << result.line << ": " << result.message;
  EXPECT_EQ(cafe, value(HKCU, "Software\\T", "Ansi"));
}

TEST_F(RegFileTest, DeletesKeysAndValues) {
  ASSERT_TRUE(importRegText(registry(),
                            "REGEDIT4\n[HKLM\\Software\\D\\Sub\\Deep]\n\"x\"=\"1\"\n"
                            "[HKLM\\Software\\D]\n\"a\"=\"1\"\n\"b\"=\"2\"\n")
                  .ok);
  RegFileResult result = importRegText(registry(),
                                       "REGEDIT4\n[-HKLM\\Software\\D\\Sub]\n\"ignored\"=\"x\"\n"
                                       "[-HKLM\\Software\\NeverThere]\n"
                                       "[HKLM\\Software\\D]\n\"a\"=-\n\"zz\"=-\n");
  ASSERT_TRUE(result.ok) << result.line << ": " << result.message;
  RegKey key;
  EXPECT_EQ(kRegNotFound, key.open(HKLM, "Software\\D\\Sub", kRegRead));
  EXPECT_EQ("<missing>", value(HKLM, "Software\\D", "a"));
  EXPECT_EQ("2", value(HKLM, "Software\\D", "b"));
}

TEST_F(RegFileTest, ABadLineStopsWithItsNumber) {
  const std::string text =
      "REGEDIT4\n"
      "\n"
      "[HKEY_CURRENT_USER\\Software\\Bad]\n"
      "\"before\"=dword:00000001\n"
      "\"bin\"=hex:01,\\\n"
      "  02\n"
      "\"broken\"=dword:xyz\n"
      "\"after\"=dword:00000002\n";
  RegFileResult result = importRegText(registry(), text);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(7, result.line);
  EXPECT_FALSE(result.message.empty());
  EXPECT_EQ(std::string("\1\0\0\0", 4), value(HKCU, "Software\\Bad", "before"));
  EXPECT_EQ("\x01\x02", value(HKCU, "Software\\Bad", "bin"));
  EXPECT_EQ("<missing>", value(HKCU, "Software\\Bad", "after"));

  for (const char* bad : {"\"orphan\"=\"x\"", "[HKEY_NOWHERE\\x]", "[HKCU\\x", "[HKCU\\x]\n\"v\"=hex:1g",
                          "[HKCU\\x]\n\"v\"=qword:1", "[HKCU\\x]\n\"v\"=\"open", "[HKCU\\x]\nname=1",
                          "[HKCU\\x]\n\"v\"=\"s\" tail", "[HKCU\\x]\n\"v\"=dword:123456789"}) {
    std::string body = bad;
    result = importRegText(registry(), "REGEDIT4\n" + body + "\n");
    EXPECT_FALSE(result.ok) << bad;
    EXPECT_EQ(body.find('\n') == std::string::npos ? 2 : 3, result.line) << bad;
  }
  result = importRegText(registry(), "[HKCU\\x]\n");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(1, result.line);
}

TEST_F(RegFileTest, ExportsAsRegeditDoes) {
  RegKey key;
  ASSERT_EQ(kRegOk, key.create(HKCU, "Software\\Norvale\\Export"));
  // Written in name order: the values export in the order they enumerate,
  // which is the order written on Windows and name order under Wine.
  std::string blob;
  for (int i = 0; i < 30; ++i) blob.push_back(static_cast<char>(i));
  ASSERT_EQ(kRegOk, key.setString("", "d"));
  ASSERT_EQ(kRegOk, key.setBinary("Data", blob));
  ASSERT_EQ(kRegOk, registry().SetValue(key.handle(), "e", kRegExpandSz, "%X%"));
  ASSERT_EQ(kRegOk, key.setString("Lines", "one\ntwo"));
  ASSERT_EQ(kRegOk, key.setDword("n", 31));
  ASSERT_EQ(kRegOk, key.setString("Path", "C:\\a \"b\""));
  RegKey child;
  ASSERT_EQ(kRegOk, child.create(HKCU, "Software\\Norvale\\Export\\Child"));

  std::string text;
  ASSERT_TRUE(exportRegText(registry(), HKCU, "software\\norvale\\export", &text));
  const std::string expected =
      "REGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Norvale\\Export]\r\n"
      "@=\"d\"\r\n"
      "\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
      "  16,17,18,19,1a,1b,1c,1d\r\n"
      "\"e\"=hex(2):25,58,25,00\r\n"
      "\"Lines\"=hex(1):6f,6e,65,0a,74,77,6f,00\r\n"
      "\"n\"=dword:0000001f\r\n"
      "\"Path\"=\"C:\\\\a \\\"b\\\"\"\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Norvale\\Export\\Child]\r\n"
      "\r\n";
  EXPECT_EQ(expected, text);
  EXPECT_FALSE(exportRegText(registry(), HKCU, "Software\\Missing", &text));
}

TEST_F(RegFileTest, ExportAndImportRoundTrip) {
  RegKey key;
  ASSERT_EQ(kRegOk, key.create(HKLM, "Software\\Round\\B"));
  std::string blob;
  for (int i = 0; i < 300; ++i) blob.push_back(static_cast<char>(i * 7));
  ASSERT_EQ(kRegOk, key.setBinary("Long", blob));
  ASSERT_EQ(kRegOk, key.setString("Quote\"d\\", "\\\\server\\share"));
  ASSERT_EQ(kRegOk, registry().SetValue(key.handle(), "Multi", kRegMultiSz, std::string("x\0y\0\0", 5)));
  ASSERT_EQ(kRegOk, registry().SetValue(key.handle(), "Short", kRegDword, std::string("\1", 1)));
  ASSERT_EQ(kRegOk, key.create(HKLM, "Software\\Round\\a\\deep"));
  ASSERT_EQ(kRegOk, key.setDword("d", 0xFFFFFFFF));

  std::string file = machine.path("round.reg");
  ASSERT_TRUE(exportRegFile(registry(), HKLM, "Software\\Round", file));
  std::string first = testsupport::readFile(file);
  for (std::string::size_type start = 0, end; (end = first.find("\r\n", start)) != std::string::npos;
       start = end + 2)
    EXPECT_LE(end - start, 80u) << first.substr(start, end - start);

  ASSERT_EQ(kRegOk, registry().DeleteTree(HKLM, "Software\\Round"));
  RegFileResult result = importRegFile(registry(), file);
  ASSERT_TRUE(result.ok) << result.line << ": " << result.message;
  std::string second;
  ASSERT_TRUE(exportRegText(registry(), HKLM, "Software\\Round", &second));
  EXPECT_EQ(first, second);
  EXPECT_EQ(blob, value(HKLM, "Software\\Round\\B", "long"));
  EXPECT_EQ(std::string("\1", 1), value(HKLM, "Software\\Round\\B", "Short"));
}

}  // namespace
}  // namespace vlreg
