#include "common/interpreter_resolution.h"

#include <string>

#include <gtest/gtest.h>

#include "testsupport/common/discovery_test_support.h"
#include "common/interpreter_discovery.h"
#include "common/interpreter_names.h"
#include "common/interpreter_texts.h"
#include "platform/system.h"

namespace vellora {
namespace {

using discoverytest::addMachineKey;
using discoverytest::joinPath;
using discoverytest::setMachineString;

constexpr const char kJobIncludePath[] = "sys\\kelp\\lib;sys\\kelp\\fonts;";

class Resolution : public discoverytest::DiscoveryTest {
 protected:
  InterpreterResolution resolveStored() {
    return ResolveInterpreter(EnsureInterpreter(), platform::systemFolder(), kJobIncludePath);
  }
  void expectMissingWarning() {
    auto shown = messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, kTextInterpreterMissing);
    EXPECT_EQ(shown[0].caption, "Vellora");
    EXPECT_EQ(shown[0].flags, platform::kMbOk | platform::kMbIconWarning);
  }
};

TEST_F(Resolution, DistillerRunsTheProgramItsAppPathsEntryNames) {
  std::string program = standIn("Acrobat/Distillr/acrodist.exe");
  setMachineString(kDistillerAppPathsKey, "", program);
  addMachineKey("SOFTWARE\\Adobe\\Acrobat Distiller\\7.0");

  InterpreterResolution resolved = resolveStored();
  EXPECT_EQ(resolved.kind, InterpreterKind::Distiller);
  EXPECT_TRUE(resolved.found);
  EXPECT_TRUE(resolved.distiller6Syntax);
  EXPECT_EQ(resolved.executable, program);
  EXPECT_EQ(resolved.includePath, kJobIncludePath);
  EXPECT_TRUE(messages().empty());
}

TEST_F(Resolution, AMissingProgramWarnsAndWritesPostScriptForThisJobOnly) {
  setMachineString(kDistillerAppPathsKey, "", machine.path("nowhere/acrodist.exe"));
  StoreInterpreterLocation("SOFTWARE\\Adobe\\Acrobat Distiller\\5.0");

  InterpreterResolution resolved = resolveStored();
  EXPECT_EQ(resolved.kind, InterpreterKind::NoInterpreter);
  EXPECT_FALSE(resolved.found);
  expectMissingWarning();
  EXPECT_EQ(ReadInterpreterLocation(), "SOFTWARE\\Adobe\\Acrobat Distiller\\5.0");

  // The next job finds the same choice and warns again; an entry of one
  // character is no program either.
  ui.clearEvents();
  standIn("x");
  setMachineString(kDistillerAppPathsKey, "", "x");
  EXPECT_EQ(resolveStored().kind, InterpreterKind::NoInterpreter);
  expectMissingWarning();
}

TEST_F(Resolution, TheWindows9xFamilyIsNotWarned) {
  platform::OsVersion windows98;
  windows98.platform = platform::kWin32Windows;
  windows98.major = 4;
  windows98.minor = 10;
  platform::setOsVersionForTesting(&windows98);
  StoreInterpreterLocation("SOFTWARE\\GNU Ghostscript\\8.15");

  InterpreterResolution resolved = resolveStored();
  EXPECT_EQ(resolved.kind, InterpreterKind::NoInterpreter);
  EXPECT_FALSE(resolved.found);
  EXPECT_TRUE(messages().empty());
}

TEST_F(Resolution, PStillRunsItsProgramFromTheFolderItRegistered) {
  std::string folder = machine.path("PStill");
  standIn(joinPath("PStill", PStillProgramName()));
  setMachineString("SOFTWARE\\GPStill", "", folder);
  StoreInterpreterLocation("SOFTWARE\\GPStill");

  InterpreterResolution resolved = resolveStored();
  EXPECT_EQ(resolved.kind, InterpreterKind::PStill);
  EXPECT_TRUE(resolved.found);
  EXPECT_EQ(resolved.executable, joinPath(folder, PStillProgramName()));
  EXPECT_EQ(resolved.includePath, kJobIncludePath);

  // Without a folder the program would be looked for at the root.
  setMachineString("SOFTWARE\\GPStill", "", "");
  EXPECT_EQ(resolveStored().kind, InterpreterKind::NoInterpreter);
  expectMissingWarning();
}

TEST_F(Resolution, TheOwnGhostscriptIsNamedRelativeToTheSystemFolder) {
  if (!installOwnGhostscript()) GTEST_SKIP() << discoverytest::kSharedSystemFolder;
  InterpreterResolution resolved = resolveStored();
  EXPECT_EQ(resolved.kind, InterpreterKind::OwnGhostscript);
  EXPECT_TRUE(resolved.found);
  EXPECT_EQ(resolved.executable, OwnGhostscriptRelativePath());
  EXPECT_EQ(resolved.includePath, kJobIncludePath);

  // Checked against the job's own system folder.
  InterpreterResolution elsewhere =
      ResolveInterpreter({InterpreterKind::OwnGhostscript, false}, machine.path("other"), "");
  EXPECT_EQ(elsewhere.kind, InterpreterKind::NoInterpreter);
}

TEST_F(Resolution, AVendorGhostscriptIsFoundBesideItsLibrary) {
  registerGhostscript("SOFTWARE\\AFPL Ghostscript", "8.14", true);
  std::string folder = machine.path("gs-8.14");
  EXPECT_EQ(GhostscriptDirectoryOf("SOFTWARE\\AFPL Ghostscript\\8.14"),
            folder + platform::kPathSeparator);

  InterpreterResolution resolved = resolveStored();
  EXPECT_EQ(resolved.kind, InterpreterKind::Ghostscript);
  EXPECT_TRUE(resolved.found);
  EXPECT_EQ(resolved.executable, joinPath(folder, GhostscriptConsoleName()));
  EXPECT_EQ(resolved.includePath, "\"" + joinPath(folder, "lib") + "\"");
}

TEST_F(Resolution, TheMakersPackageIsFoundThroughItsProgramValue) {
  std::string program = standIn(joinPath("pkg", GhostscriptConsoleName()));
  const std::string key = "SOFTWARE\\Norvale\\GPL Ghostscript\\9.05";
  setMachineString(key, "GS_EXE", program);
  setMachineString(key, "GS_DLL", "unused");
  setMachineString(key, "GS_LIB", "a;b");
  StoreInterpreterLocation(key);

  EXPECT_EQ(GhostscriptDirectory(), machine.path("pkg") + platform::kPathSeparator);
  EXPECT_EQ(GhostscriptLibPath(), "a;b");
  InterpreterResolution resolved = resolveStored();
  EXPECT_EQ(resolved.kind, InterpreterKind::Ghostscript);
  EXPECT_TRUE(resolved.found);
  EXPECT_EQ(resolved.executable, program);
  EXPECT_EQ(resolved.includePath, "\"a;b\"");
}

TEST_F(Resolution, AGhostscriptValueShorterThanItsFileNameGivesNoDirectory) {
  const std::string key = "SOFTWARE\\GNU Ghostscript\\8.15";
  setMachineString(key, "GS_DLL", "x");
  StoreInterpreterLocation(key);
  EXPECT_EQ(GhostscriptDirectory(), "");
  InterpreterResolution resolved = resolveStored();
  EXPECT_EQ(resolved.kind, InterpreterKind::NoInterpreter);
  expectMissingWarning();
}

TEST_F(Resolution, AnUnknownLocationResolvesNothing) {
  StoreInterpreterLocation("SOFTWARE\\Somebody\\Else");
  InterpreterResolution resolved = resolveStored();
  EXPECT_EQ(resolved.kind, InterpreterKind::UnknownInterpreter);
  EXPECT_EQ(resolved.executable, "");
  EXPECT_EQ(resolved.includePath, kJobIncludePath);
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(ReadInterpreterLocation(), "SOFTWARE\\Somebody\\Else");
}

}  // namespace
}  // namespace vellora
