#include <string>

#include <gtest/gtest.h>

#include "platform/profile.h"
#include "testsupport/fresh_machine.h"

namespace {

class Profile : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    file = machine.path("Vellora.opt");
    testsupport::writeFile(file,
                           "; options for the Vellora printer\r\n"
                           "[CommandOptions]\r\n"
                           "  AutoName = 1  \r\n"
                           "Prefix=Report \r\n"
                           "autoname=2\r\n"
                           "Quoted=\"  padded \"\r\n"
                           "Single='x'\r\n"
                           "Half=\"open\r\n"
                           "Number=-12abc\r\n"
                           "Plus=+7\r\n"
                           "Word=abc\r\n"
                           "Empty=\r\n"
                           "Path=C:\\a=b\\c.pdf\r\n" +
                           std::string("Nul=out\0junk\r\n", 14) +
                           "; Hidden=1\r\n"
                           "NoEquals\r\n"
                           "[ Other ]\r\n"
                           "Prefix=other\r\n"
                           "[commandoptions]\r\n"
                           "Late=1\r\n"
                           "Prefix=second section\r\n");
  }
  std::string get(const std::string& section, const std::string& key,
                  std::size_t capacity = 500) {
    return platform::profileString(file, section, key, "dflt", capacity);
  }
  std::string file;
};

TEST_F(Profile, NamesIgnoreCaseAndBlanksAreTrimmed) {
  EXPECT_EQ(get("commandoptions", "AUTONAME"), "1");  // the first definition wins
  EXPECT_EQ(get("CommandOptions", "Prefix"), "Report");
  EXPECT_EQ(get("other", "prefix"), "other");
  EXPECT_EQ(get("CommandOptions", "Path"), "C:\\a=b\\c.pdf");
}

TEST_F(Profile, QuotesComeOffOnlyInMatchingPairs) {
  EXPECT_EQ(get("CommandOptions", "Quoted"), "  padded ");
  EXPECT_EQ(get("CommandOptions", "Single"), "x");
  EXPECT_EQ(get("CommandOptions", "Half"), "\"open");
}

TEST_F(Profile, MissingPiecesGiveTheDefault) {
  EXPECT_EQ(platform::profileString(machine.path("none.opt"), "CommandOptions", "Prefix", "d", 10),
            "d");
  EXPECT_EQ(get("NoSection", "Prefix"), "dflt");
  EXPECT_EQ(get("CommandOptions", "Missing"), "dflt");
  EXPECT_EQ(get("CommandOptions", "Hidden"), "dflt");    // commented out
  EXPECT_EQ(get("CommandOptions", "NoEquals"), "dflt");  // not a key
  // Only the first section of a name is searched.
  EXPECT_EQ(get("CommandOptions", "Late"), "dflt");
  EXPECT_TRUE(platform::profileKeyExists(file, "CommandOptions", "Empty"));
  EXPECT_FALSE(platform::profileKeyExists(file, "CommandOptions", "Late"));
  EXPECT_EQ(get("CommandOptions", "Empty"), "");
}

TEST_F(Profile, AValueEndsAtANul) {
  EXPECT_EQ(get("CommandOptions", "Nul"), "out");
}

TEST_F(Profile, ValuesAreCutToTheCapacity) {
  EXPECT_EQ(get("CommandOptions", "Prefix", 4), "Rep");
  EXPECT_EQ(get("CommandOptions", "Prefix", 1), "");
  EXPECT_EQ(get("CommandOptions", "Missing", 3), "df");
}

TEST_F(Profile, IntegersReadLeadingDigits) {
  EXPECT_EQ(platform::profileInt(file, "CommandOptions", "AutoName", 9), 1);
  EXPECT_EQ(platform::profileInt(file, "CommandOptions", "Number", 9), -12);
  EXPECT_EQ(platform::profileInt(file, "CommandOptions", "Plus", 9), 7);
  EXPECT_EQ(platform::profileInt(file, "CommandOptions", "Word", 9), 0);
  EXPECT_EQ(platform::profileInt(file, "CommandOptions", "Empty", 9), 9);
  EXPECT_EQ(platform::profileInt(file, "CommandOptions", "Missing", -3), -3);
}

}  // namespace
