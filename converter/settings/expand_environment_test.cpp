#include "converter/settings/expand_environment.h"

#include <string>

#include <gtest/gtest.h>

#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

class ExpandEnvironment : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    machine.setEnv("VLTEST_DIR", "/data");
    machine.unsetEnv("VLTEST_NOPE");
  }
};

TEST_F(ExpandEnvironment, NamesAnywhereAndUnknownNamesBare) {
  EXPECT_EQ(expandEnvironment("%VLTEST_DIR%\\out"), "/data\\out");
  EXPECT_EQ(expandEnvironment("out\\%vltest_dir%"), "out\\/data");
  EXPECT_EQ(expandEnvironment("%VLTEST_NOPE%\\out"), "VLTEST_NOPE\\out");
  EXPECT_EQ(expandEnvironment("plain"), "plain");
}

TEST_F(ExpandEnvironment, RunsOfPercentAreOneSplit) {
  EXPECT_EQ(expandEnvironment(""), "");
  EXPECT_EQ(expandEnvironment("%%%"), "");
  EXPECT_EQ(expandEnvironment("a%%VLTEST_DIR%%b"), "a/datab");
  // Pieces alternate, so a name right after a name is literal.
  EXPECT_EQ(expandEnvironment("%VLTEST_DIR%%VLTEST_DIR%"), "/dataVLTEST_DIR");
}

TEST_F(ExpandEnvironment, CutsTo259Characters) {
  machine.setEnv("VLTEST_LONG", std::string(300, 'L'));
  EXPECT_EQ(expandEnvironment("%VLTEST_LONG%\\x"), std::string(259, 'L'));
  EXPECT_EQ(expandEnvironment(std::string(258, 'a') + "%VLTEST_DIR%"), std::string(258, 'a') + "/");
}

}  // namespace
}  // namespace vellora
