#include "converter/postscript/output_naming.h"

#include <cstdint>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "converter/settings/settings_keys.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text_encoding.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

const std::string kSep = platform::kPathSeparator;

void setValue(platform::RegRoot root, const std::string& key, const std::string& name,
              const std::string& text) {
  platform::RegKey handle;
  ASSERT_EQ(handle.create(root, key), platform::kRegOk);
  ASSERT_EQ(handle.setString(name, text), platform::kRegOk);
}

void setMachineAutoName(const std::string& folder) {
  platform::RegKey handle;
  ASSERT_EQ(handle.create(platform::HKLM, kMachineKey), platform::kRegOk);
  handle.setDword("autoname", 1);
  handle.setString("autonamepath", folder);
}

std::string folderOf(const std::string& path) { return path.substr(0, path.rfind(kSep)); }

class NamingTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override { platform::createDirectories(out); }
  std::string applyOptions() { return applyNamingOptions(job, options, settings, locks); }
  void touch(const std::string& path) { testsupport::writeFile(path, "x"); }

  std::string out = machine.path("out");
  JobRecord job;
  CommandOptions options;
  SettingsRecord settings{};
  LockTable locks;
};

TEST_F(NamingTest, IncrementNamesWithoutDialogDifferAndShowUserAndTime) {
  options.hasDefaultPath = options.hasAutoNamePrefix = true;
  options.defaultPath = out + kSep;
  options.autoNamePrefix = "Fax";
  options.autoNameIncr = options.suppressDialog = true;
  applyOptions();
  const std::uint64_t before = platform::systemTimeAsFileTime();
  job.defaultExtension = "ps";
  job.defaultFilterIndex = 2;
  ASSERT_TRUE(nameOutput(job, out).nameProduced);
  EXPECT_EQ(job.filterIndex, 2);
  const std::string first = job.outputPath;
  touch(first);
  nameOutput(job, out);
  EXPECT_NE(job.outputPath.str(), first);

  // Folder, prefix, logon name, then the file time's high and low halves.
  const std::uint64_t after = platform::systemTimeAsFileTime();
  const std::string head = out + kSep + "Fax" + platform::userName() + "-";
  for (const std::string& path : {first, job.outputPath.str()}) {
    bool matched = false;
    for (std::uint64_t t : {before, after}) {
      const std::string high =
          std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(t >> 32)));
      matched = matched || (path.compare(0, head.size() + high.size(), head + high) == 0 &&
                            std::regex_match(path.substr(head.size() + high.size()),
                                             std::regex("-?[0-9]+\\.ps")));
    }
    EXPECT_TRUE(matched) << path;
  }

  // Names from a coarse clock repeat; a taken one is asked for again.
  int calls = 0, attempts = 0;
  const std::string free = out + kSep + "free.ps";
  EXPECT_EQ(unusedName([&]() { return ++calls < 3 ? first : free; }, &attempts), free);
  EXPECT_EQ(attempts, 3);
}

TEST_F(NamingTest, RepeatedTitlesCountUpAndLongOnesKeepTheirCounter) {
  options.hasDefaultPath = true;
  options.defaultPath = out + kSep;
  options.suppressDialog = options.autoNameTitle = true;
  applyOptions();
  job.title = "Minutes: May?";
  for (const char* name : {"Minutes_ May_.pdf", "Minutes_ May_1.pdf", "Minutes_ May_2.pdf"}) {
    nameOutput(job, out);
    EXPECT_EQ(job.outputPath.str(), out + kSep + name);
    touch(job.outputPath);
  }
  // Cut to 259 characters, the title gives way so the counter still counts.
  const std::string first = autoNameFromTitle(job, std::string(400, 'a'));
  EXPECT_EQ(first.size(), 259u);
  touch(first);
  const std::string second = autoNameFromTitle(job, std::string(400, 'a'));
  EXPECT_EQ(second.size(), 259u);
  EXPECT_EQ(second.substr(254), "1.pdf");
  // Without a suppressed dialog the name stands alone; ".com" is no exception.
  job.suppressDialog = 0;
  EXPECT_EQ(autoNameFromTitle(job, "Microsoft Word - example.com"), "example");
}

TEST_F(NamingTest, EscapesAndControlCharactersNeverLeaveTheFolder) {
  setMachineAutoName(out);
  for (const std::string title :
       {"..\\057..\\057x", "..\\134..\\134x", "\\134\\134srv\\134share", "/etc/passwd", "a\\000b",
        "a\x01" "b\x7f" "c\t", "..", " . ", "\\056\\056", "Microsoft Word - ..", "x\\012y"}) {
    const std::string path = autoNameFromTitle(job, title);
    const std::string name = path.substr(out.size() + kSep.size());
    EXPECT_EQ(folderOf(path), out) << title;
    EXPECT_EQ(name.find_first_of("/\\"), std::string::npos) << title;
    for (char c : name) EXPECT_TRUE(static_cast<unsigned char>(c) >= 32 && c != 127) << title;
  }
  const std::string lead = platform::kLeadingDotHides ? "__" : "..";
  EXPECT_EQ(autoNameFromTitle(job, "..\\057..\\057x"), out + kSep + lead + "_.._x.pdf");
  // Where a leading dot hides a file, the user would never find the PDF.
  EXPECT_EQ(titleFileName(".bashrc"), platform::kLeadingDotHides ? "_bashrc" : ".bashrc");
  EXPECT_EQ(autoNameFromTitle(job, "a\\000b"), out + kSep + "a_b.pdf");
  EXPECT_EQ(autoNameFromTitle(job, ".."), out + kSep + "__.pdf");
  EXPECT_EQ(autoNameFromTitle(job, "con"), out + kSep + "con_.pdf");
  EXPECT_EQ(titleFileName("COM1.txt report"), "COM1_.txt report");
  EXPECT_EQ(titleFileName("console"), "console");
}

TEST_F(NamingTest, NamesAreTheSystemsTextAndNeverOnlyAnExtension) {
  setMachineAutoName(out);
  // Windows titles arrive as code-page bytes; names are the system's text.
  const std::string resume = platform::kTextIsUtf8 ? "R\xc3\xa9sum\xc3\xa9" : "R\xe9sum\xe9";
  EXPECT_EQ(titleFileName("R\\351sum\\351 \\050final\\051.doc"), resume + " (final)");
  EXPECT_EQ(titleFileName("Caf\xc3\xa9"), platform::kTextIsUtf8 ? "Caf\xc3\xa9" : "Caf\xc3\xa9");
  // Cut to fit, never inside a character.
  std::string long_name = autoNameFromTitle(job, std::string(300, '\xe9'));
  EXPECT_TRUE(!platform::kTextIsUtf8 || platform::isValidUtf8(long_name)) << long_name;

  // Nothing left of the title: the document's name, then "Untitled".
  EXPECT_EQ(autoNameFromTitle(job, ""), out + kSep + "Untitled.pdf");
  job.documentName = "Memo.txt";
  EXPECT_EQ(autoNameFromTitle(job, ""), out + kSep + "Memo.pdf");
}

TEST_F(NamingTest, APrefixStaysInTheFolderAndTheFolderGetsItsSeparator) {
  options.hasDefaultPath = options.hasAutoNamePrefix = true;
  options.defaultPath = out;  // no separator at the end
  options.autoNamePrefix = ".." + kSep + ".." + kSep + "x";
  options.suppressDialog = true;
  applyOptions();
  EXPECT_EQ(job.defaultPath.str(), out + kSep);
  EXPECT_EQ(job.autoNamePrefix.str(), ".._.._x");
  nameOutput(job, out);
  EXPECT_EQ(job.outputPath.str(), out + kSep + ".._.._x.pdf");
  // A folder that does not exist is left as written.
  options.defaultPath = out + kSep + "pre";
  applyOptions();
  EXPECT_EQ(job.defaultPath.str(), out + kSep + "pre");
}

TEST_F(NamingTest, NumberedNamesAreClaimedWhenTheResultIsPlaced) {
  options.hasDefaultPath = true;
  options.defaultPath = out + kSep;
  options.suppressDialog = options.autoNameTitle = true;
  applyOptions();
  job.title = "Minutes";
  nameOutput(job, out);
  EXPECT_EQ(job.nameClaim, kClaimCounter);
  EXPECT_EQ(claimCandidate(job, 1), out + kSep + "Minutes1.pdf");
  EXPECT_EQ(claimCandidate(job, 12), out + kSep + "Minutes12.pdf");

  options.autoNameIncr = true;
  options.hasAutoNamePrefix = true;
  options.autoNamePrefix = "scan";
  applyOptions();
  nameOutput(job, out);
  EXPECT_EQ(job.nameClaim, kClaimUnique);
  EXPECT_EQ(claimCandidate(job, 1).find(out + kSep + "scan" + platform::userName() + "-"), 0u);

  // A name the administrator fixed is replaced, not counted.
  options = CommandOptions{};
  options.suppressDialog = true;
  applyOptions();
  nameOutput(job, out);
  EXPECT_EQ(job.nameClaim, kClaimChosen);
}

TEST_F(NamingTest, DocumentsValuesAreUsedOnce) {
  machine.setEnv("OUTDIR", out);
  setValue(platform::HKLM, kDocumentsKey, "Report", "%OUTDIR%" + kSep + "r.pdf");
  EXPECT_EQ(presetName("report"), out + kSep + "r.pdf");
  EXPECT_EQ(presetName("Report"), "");

  // The user's value is a path: colons and separators stay.
  setValue(platform::HKCU, kDocumentsKey, "Plan.docx", "C:\\Docs" + kSep + "Plan?<v2>*|\".docx");
  EXPECT_EQ(suggestedName("Plan.docx"), "C:\\Docs" + kSep + "Plan__v2____.pdf");
  EXPECT_EQ(suggestedName("Plan.docx"), "");
}

TEST_F(NamingTest, SaveAsNamesEveryJobAndShortNamesGoToTheDialog) {
  setValue(platform::HKLM, kMachineKey, "saveas", out + kSep + "all.pdf");
  for (const char* title : {"one", "two"}) {
    job.title = title;
    EXPECT_TRUE(nameOutput(job, out).nameProduced);
    EXPECT_EQ(job.outputPath.str(), out + kSep + "all.pdf");
    EXPECT_EQ(job.nameChosen, 1);
  }
  setValue(platform::HKLM, kMachineKey, "saveas", "x");
  EXPECT_FALSE(nameOutput(job, out).nameProduced);
  EXPECT_EQ(job.nameChosen, 0);
}

TEST_F(NamingTest, DialogNameFromIncrementThenTitleThenTheUsersDocumentsValue) {
  machine.setEnv("PFX", "Pre");
  options.hasAutoNamePrefix = options.autoNameIncr = true;
  options.autoNamePrefix = "%PFX%";
  applyOptions();
  job.title = "Agenda";
  job.rawTitle = "Agenda.txt";
  EXPECT_EQ(nameOutput(job, out).initialName.find("Pre" + platform::userName() + "-"), 0u);

  job.autoNameTitle = 1;
  EXPECT_EQ(nameOutput(job, out).initialName, "Agenda");
  setValue(platform::HKCU, kDocumentsKey, "agenda.TXT", "D:\\src\\Agenda.txt");
  const NamingResult result = nameOutput(job, out);
  EXPECT_FALSE(result.nameProduced);
  EXPECT_EQ(result.savedName, "D:\\src\\Agenda.pdf");
  EXPECT_EQ(job.outputPath.str(), "D:\\src\\Agenda.pdf");
}

TEST_F(NamingTest, InitialFolderRules) {
  // Options file: the dialog opens the expanded folder; lastDirectory keeps
  // the text as written.
  machine.setEnv("PDFHOME", out);
  options.hasDefaultPath = true;
  options.defaultPath = "%PDFHOME%" + kSep;
  EXPECT_EQ(applyOptions(), out + kSep);
  EXPECT_EQ(job.defaultPath.str(), out + kSep);
  EXPECT_EQ(job.lastDirectory.str(), "%PDFHOME%" + kSep);

  // An unlocked settings DefaultPath wins over it; a locked one does not.
  setFieldText(settings.DefaultPath, machine.path("settings"));
  EXPECT_EQ(applyOptions(), machine.path("settings"));
  EXPECT_EQ(job.lastDirectory.str(), machine.path("settings"));
  locks.set("DefaultPath", 1);
  EXPECT_EQ(applyOptions(), out + kSep);

  // Otherwise the user's last folder when it exists, else the documents folder.
  options = CommandOptions{};
  job.lastDirectory.clear();
  setValue(platform::HKCU, kUserKey, "LastDirectory", out);
  EXPECT_EQ(applyOptions(), out);
  job.lastDirectory = machine.path("gone");
  EXPECT_EQ(applyOptions(), platform::documentsFolder());

  // Title names only while AutoName is unlocked.
  options.autoNameTitle = true;
  locks.set("AutoName", 2);
  applyOptions();
  EXPECT_EQ(job.autoNameTitle, 0);
}

}  // namespace
}  // namespace vellora
