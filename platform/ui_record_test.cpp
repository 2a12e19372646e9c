#include "platform/ui_record.h"

#include <gtest/gtest.h>

#include "testsupport/fresh_machine.h"

namespace {

TEST(UiRecord, EscapesRoundTrip) {
  for (const std::string text : {"", "plain", "a\\b", "\\n literal", "tab\there\nand\\t", "\\"}) {
    EXPECT_EQ(platform::unescapeRecordField(platform::escapeRecordField(text)), text);
    EXPECT_EQ(platform::escapeRecordField(text).find_first_of("\t\n"), std::string::npos);
  }
  EXPECT_EQ(platform::escapeRecordField("a\\\n\t"), "a\\\\\\n\\t");
  EXPECT_EQ(platform::recordLine({"text", "a\tb", ""}), "text\ta\\tb\t");
}

class UiRecordFile : public testsupport::FreshMachineTest {};

TEST_F(UiRecordFile, LinesAreAppendedAndAnUnwritableFileIsReported) {
  const std::string path = machine.path("record");
  EXPECT_TRUE(platform::appendRecordLine(path, "one"));
  EXPECT_TRUE(platform::appendRecordLine(path, "two"));
  EXPECT_EQ(testsupport::readFile(path), "one\ntwo\n");
  EXPECT_FALSE(platform::appendRecordLine(machine.path("no-such-folder/record"), "three"));
}

}  // namespace
