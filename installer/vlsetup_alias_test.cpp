// Alias printers and the small commands, through the real vlsetup.
#include <algorithm>

#include "testsupport/installer/vlsetup_test_support.h"

namespace vellora {
namespace installertest {
namespace {

class Aliases : public VlsetupTest {};

TEST_F(Aliases, PendingNamesWaitForTheProductPrinterAndStopAtTheFirstGap) {
  SKIP_LONG_SCENARIO_WHEN_SANITIZED();
  // Before anything is installed: the alias command has nothing to copy.
  testsupport::RunResult early = vlsetup("alias:Early");
  EXPECT_EQ(0, early.exitCode);
  EXPECT_EQ((std::vector<std::string>{"Vellora Alias Generator", "Successfully created printer alias"}),
            messages().at(0));
  EXPECT_FALSE(hasQueue("Early"));

  setPendingAlias(1, "Alias1");
  setPendingAlias(3, "Alias3");
  // regadd with no product printer keeps the names; it writes no log.
  EXPECT_EQ(0, vlsetup("regadd").exitCode);
  EXPECT_TRUE(pendingAlias(1));
  EXPECT_FALSE(platform::fileExists(machine.root() + "/Windows/vlinst.log"));

  // The first installation creates the waiting name; the gap at 2 stops it.
  ASSERT_EQ(0, vlsetup(INSTALLATION_FILES).exitCode);
  EXPECT_TRUE(hasQueue("Alias1"));
  EXPECT_FALSE(pendingAlias(1));
  EXPECT_FALSE(hasQueue("Alias3"));
  EXPECT_TRUE(pendingAlias(3));
  EXPECT_NE(std::string::npos,
            installLog().find("Attempting to install virtual printer alias: Alias1\nCompleted with extended code: 0\n"))
      << installLog();
}

TEST_F(Aliases, NamesCupsRefusesFailTheCommandAndAnAliasStartsWithTheProductPrintersOptions) {
  SKIP_LONG_SCENARIO_WHEN_SANITIZED();
  // Options kept apart from the programs, as a system-wide package keeps them.
  const std::string options = machine.path("etc");
  ASSERT_TRUE(platform::createDirectories(options));
  platform::RegKey key;
  ASSERT_EQ(platform::kRegOk, key.create(platform::HKLM, kProductKey));
  ASSERT_EQ(platform::kRegOk, key.setString(kOptionsPathValue, options));
  const std::string productOptions = "[CommandOptions]\nDefaultPath=%HOME%/Documents/\n";
  testsupport::writeFile(options + "/Vellora.opt", productOptions);
  // A refused pending name is logged by the install that tries it and
  // waits for the next run; the names after it are made and close up.
  setPendingAlias(1, "Bad Name");
  setPendingAlias(2, "Good");
  setPendingAlias(3, "Bad/Too");
  ASSERT_EQ(0, vlsetup(INSTALLATION_FILES).exitCode);
  EXPECT_NE(std::string::npos,
            installLog().find("Attempting to install virtual printer alias: Bad Name\n"
                              "Error installing print driver [1801]: The printer name is invalid.\n\n"
                              "Kept the printer alias Bad Name for the next run\n"
                              "Attempting to install virtual printer alias: Good\n"
                              "Options file of the alias: " +
                              options + "/Good.opt\n"
                              "Attempting to install virtual printer alias: Bad/Too\n"))
      << installLog();
  EXPECT_TRUE(hasQueue("Good"));
  EXPECT_EQ("Bad Name", pendingAliasName(1));
  EXPECT_EQ("Bad/Too", pendingAliasName(2));
  EXPECT_FALSE(pendingAlias(3));
  // The next run tries them again.
  EXPECT_EQ(0, vlsetup("regadd").exitCode);
  EXPECT_EQ("Bad Name", pendingAliasName(1));
  EXPECT_EQ("Bad/Too", pendingAliasName(2));
  EXPECT_EQ("", pendingAliasName(3));

  // aa: says nothing; alias: says how it went.
  EXPECT_EQ(0, vlsetup("aa:Quiet").exitCode);
  EXPECT_TRUE(hasQueue("Quiet"));
  EXPECT_TRUE(messages().empty());
  // The alias has its own copy of the product printer's options, beside them.
  EXPECT_EQ(productOptions, testsupport::readFile(options + "/Quiet.opt"));
  EXPECT_FALSE(platform::fileExists(product + "/Quiet.opt"));
  // Made again, it keeps the file its administrator changed.
  testsupport::writeFile(options + "/Quiet.opt", "[CommandOptions]\nAutoNamePrefix=Q-\n");
  EXPECT_EQ(0, vlsetup("alias:Quiet").exitCode) << "an existing printer (1802) is success";
  EXPECT_EQ("[CommandOptions]\nAutoNamePrefix=Q-\n", testsupport::readFile(options + "/Quiet.opt"));

  // (The other characters CUPS refuses are the spooler tests'.)
  for (const std::string& bad : {std::string("Two Words"), std::string(300, 'n')}) {
    testsupport::RunResult result = vlsetup("aa:" + bad);
    EXPECT_EQ(255, result.exitCode) << bad;
  }
  testsupport::RunResult shown = vlsetup("alias:Tab\tName");
  EXPECT_EQ(255, shown.exitCode);
  EXPECT_EQ((std::vector<std::string>{"Vellora Alias Generator", "Printer alias creation failed!"}),
            messages().back());
  EXPECT_EQ((std::vector<std::string>{"Good", "Quiet", "Vellora"}), [&] {
    std::vector<std::string> names = queues();
    std::sort(names.begin(), names.end());
    return names;
  }());
}

TEST_F(Aliases, TheSmallCommandsAndACommandLineThatIsAFolder) {
  EXPECT_EQ(0, vlsetup("echo").exitCode);
  EXPECT_EQ(0, vlsetup("findint").exitCode) << "the host's Ghostscript is registered";
  // "remove " is no command: a full install from a folder of that name
  // (as the command line has it: an argument with a blank comes quoted, as
  // it would be typed on Windows).
  testsupport::RunResult notRemove = vlsetup("remove ");
  EXPECT_EQ(255, notRemove.exitCode);
  EXPECT_EQ(0u, installLog().find("*****************************\n*  Vellora 2.5 Install log  *\n"
                                  "*****************************\n\nTemp Path: \"remove \"\n"))
      << installLog();
  // A command line of 300 characters is cut to the folder buffer's 259.
  const std::string longFolder = "/" + std::string(299, 'f');
  EXPECT_EQ(255, vlsetup(longFolder).exitCode);
  EXPECT_NE(std::string::npos, installLog().find("Temp Path: " + longFolder.substr(0, 259) + "\n"));
  EXPECT_EQ(std::string::npos, installLog().find(longFolder.substr(0, 260)));
}

}  // namespace
}  // namespace installertest
}  // namespace vellora
