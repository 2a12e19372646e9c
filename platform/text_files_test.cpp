#include <gtest/gtest.h>

#include "platform/files.h"
#include "testsupport/fresh_machine.h"

namespace {

using testsupport::readFile;
using testsupport::textFile;
using testsupport::writeFile;

class TextFiles : public testsupport::FreshMachineTest {
 protected:
  std::vector<std::string> lines(const std::string& bytes) {
    std::string path = machine.path("in.txt");
    writeFile(path, bytes);
    platform::TextReader reader;
    EXPECT_TRUE(reader.open(path));
    std::vector<std::string> out;
    std::string line;
    while (reader.readLine(&line)) out.push_back(line);
    return out;
  }
  std::string all(const std::string& bytes) {
    std::string path = machine.path("in.txt");
    writeFile(path, bytes);
    platform::TextReader reader;
    EXPECT_TRUE(reader.open(path));
    return reader.readAll();
  }
};

using Lines = std::vector<std::string>;

TEST_F(TextFiles, LineEndsAndLastLine) {
  EXPECT_EQ(lines(""), Lines{});
  EXPECT_EQ(lines("a\r\nb\nc"), (Lines{"a", "b", "c"}));
  EXPECT_EQ(lines("a\r\n\r\n"), (Lines{"a", ""}));
  EXPECT_EQ(lines("\n"), (Lines{""}));
  // A lone CR is no line end and stays in the text.
  EXPECT_EQ(lines("a\rb\r\r\n"), (Lines{"a\rb\r"}));
}

TEST_F(TextFiles, CtrlZEndsTheFile) {
  EXPECT_EQ(lines("one\r\ntwo\x1aignored\r\nmore\r\n"), (Lines{"one", "two"}));
  EXPECT_EQ(lines("\x1a" "after"), Lines{});
  EXPECT_EQ(all("x\r\ny\x1az"), "x\ny");
}

TEST_F(TextFiles, CrLfSplitAcrossTheReadBuffer) {
  std::string first(4095, 'a');
  EXPECT_EQ(lines(first + "\r\nb"), (Lines{first, "b"}));
  std::string longLine(10000, 'x');
  EXPECT_EQ(lines(longLine + "\r\n" + longLine), (Lines{longLine, longLine}));
  EXPECT_EQ(all(first + "\r\n\r\nz"), first + "\n\nz");
}

TEST_F(TextFiles, ReadAllAfterSomeLines) {
  std::string path = machine.path("mixed.txt");
  writeFile(path, "head\r\nbody 1\r\nbody 2");
  platform::TextReader reader;
  ASSERT_TRUE(reader.open(path));
  std::string line;
  ASSERT_TRUE(reader.readLine(&line));
  EXPECT_EQ(line, "head");
  EXPECT_EQ(reader.readAll(), "body 1\nbody 2");
  EXPECT_FALSE(reader.readLine(&line));
}

TEST_F(TextFiles, MissingFileDoesNotOpen) {
  platform::TextReader reader;
  EXPECT_FALSE(reader.open(machine.path("nothing.txt")));
  std::string line;
  EXPECT_FALSE(reader.readLine(&line));
}

TEST_F(TextFiles, OutputModesAndWholeFileHelpers) {
  std::string text = machine.path("t.txt");
  ASSERT_TRUE(platform::writeTextFile(text, "a\nb"));
  EXPECT_EQ(readFile(text), textFile("a\nb"));

  std::string bin = machine.path("b.bin");
  const std::string bytes("\0\r\n\x1a\xff", 5);
  ASSERT_TRUE(platform::writeBinaryFile(bin, bytes));
  std::string back;
  ASSERT_TRUE(platform::readBinaryFile(bin, &back));
  EXPECT_EQ(back, bytes);
  EXPECT_FALSE(platform::readBinaryFile(machine.path("missing"), &back));
  EXPECT_FALSE(platform::writeBinaryFile(machine.path("no/such/dir/x"), bytes));

  // Truncates what was there.
  ASSERT_TRUE(platform::writeBinaryFile(bin, "z"));
  EXPECT_EQ(readFile(bin), "z");
}

TEST_F(TextFiles, AppendFileToCopiesBytesExactly) {
  std::string part = machine.path("part");
  std::string big(100000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  writeFile(part, big);
  std::string outPath = machine.path("out");
  platform::OutputFile out;
  ASSERT_TRUE(out.create(outPath, platform::OutputFile::kBinary));
  ASSERT_TRUE(out.write("head"));
  ASSERT_TRUE(platform::appendFileTo(part, out));
  EXPECT_FALSE(platform::appendFileTo(machine.path("missing"), out));
  ASSERT_TRUE(out.close());
  EXPECT_FALSE(out.isOpen());
  EXPECT_EQ(readFile(outPath), "head" + big);
}

}  // namespace
