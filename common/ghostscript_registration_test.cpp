#include "common/ghostscript_registration.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport/common/discovery_test_support.h"
#include "common/interpreter_discovery.h"
#include "common/interpreter_names.h"
#include "common/interpreter_registry.h"
#include "common/interpreter_resolution.h"
#include "common/text.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/system.h"

namespace vellora {
namespace {

using discoverytest::joinPath;

TEST(GhostscriptVersionKeyName, KeepsTheFirstTwoNumericParts) {
  EXPECT_EQ(GhostscriptVersionKeyName("10.00.0\n"), "10.00");
  EXPECT_EQ(GhostscriptVersionKeyName(" 9.56.1\r\n"), "9.56");
  EXPECT_EQ(GhostscriptVersionKeyName("9.05"), "9.05");
  EXPECT_EQ(GhostscriptVersionKeyName("10"), "10");
  EXPECT_EQ(GhostscriptVersionKeyName("10.02rc1"), "10.02");
  EXPECT_EQ(GhostscriptVersionKeyName("GPL Ghostscript"), "");
  EXPECT_EQ(GhostscriptVersionKeyName(""), "");
}

TEST(ParseGhostscriptSearchPath, JoinsTheIndentedLinesOfTheBlock) {
  const std::string sep = platform::kPathListSeparator;
  // Shaped as "gs -h" prints it, with the platform's list separator.
  const std::string help =
      "Available devices:\n   pdfwrite ps2write\n"
      "Search path:\n"
      "   /g/Resource/Init " + sep + "\n"
      "   /g/lib " + sep + " /g/fonts " + sep + "\n"
      "   /usr/share/fonts\r\n"
      "Ghostscript is also using fontconfig to search for font files\n"
      "   /not/part/of/it\n";
  EXPECT_EQ(ParseGhostscriptSearchPath(help),
            "/g/Resource/Init" + sep + "/g/lib" + sep + "/g/fonts" + sep + "/usr/share/fonts");
  EXPECT_EQ(ParseGhostscriptSearchPath("Usage: gs [switches]\n"), "");
}

using Registration = discoverytest::DiscoveryTest;

TEST_F(Registration, FindsProgramsOnPathInOrder) {
  standIn(joinPath("one", "tool"));
  standIn(joinPath("two", "tool"));
  platform::createDirectories(machine.path(joinPath("zero", "tool")));  // a folder is no program
  machine.setEnv("PATH", machine.path("zero") + platform::kPathListSeparator +
                             platform::kPathListSeparator + machine.path("two") +
                             platform::kPathListSeparator + machine.path("one"));
  EXPECT_EQ(FindProgramOnPath("tool"), machine.path(joinPath("two", "tool")));
  EXPECT_EQ(FindProgramOnPath("other"), "");
}

TEST_F(Registration, RefusesAProgramItCouldNotFindAgain) {
  std::string log;
  EXPECT_EQ(RegisterHostGhostscript(&log, machine.path("missing")), 1);
  EXPECT_NE(log.find("No such program"), std::string::npos) << log;

  // The converter finds the program by dropping its expected name from the
  // stored path, so any other name would never resolve.
  std::string renamed = standIn("gs-renamed");
  log.clear();
  EXPECT_EQ(RegisterHostGhostscript(&log, renamed), 1);
  EXPECT_NE(log.find("must be named " + GhostscriptConsoleName()), std::string::npos) << log;

  machine.setEnv("PATH", machine.path("empty"));
  log.clear();
  EXPECT_EQ(RegisterHostGhostscript(&log), 1);
  EXPECT_NE(log.find("found on PATH"), std::string::npos) << log;
  EXPECT_EQ(ListInterpreters(), std::vector<std::string>{kTextNoneFound});
}

TEST_F(Registration, TheHostGhostscriptBecomesTheFreshMachinesInterpreter) {
  std::string host = FindProgramOnPath(GhostscriptConsoleName());
  if (host.empty()) GTEST_SKIP() << "no Ghostscript on PATH";

  std::string log;
  ASSERT_EQ(RegisterHostGhostscript(&log), 0) << log;

  InterpreterResolution resolved = ResolveInterpreter(EnsureInterpreter(), platform::systemFolder(),
                                                      "job include path");
  EXPECT_TRUE(messages().empty());
  std::string location = ReadInterpreterLocation();
  EXPECT_TRUE(startsWithIgnoreCase(location, "SOFTWARE\\Norvale\\GPL Ghostscript\\")) << location;
  EXPECT_EQ(resolved.kind, InterpreterKind::Ghostscript);
  ASSERT_TRUE(resolved.found);
  EXPECT_EQ(resolved.executable, host);
  std::string libPath = GhostscriptLibPath();
  EXPECT_NE(libPath.find("Resource"), std::string::npos) << libPath;
  EXPECT_EQ(resolved.includePath, "\"" + libPath + "\"");

  // The resolved program with the resolved library path makes a real PDF.
  std::string ps = machine.path("job.ps");
  std::string pdf = machine.path("job.pdf");
  testsupport::writeFile(ps,
                         "%!PS\n/Helvetica findfont 24 scalefont setfont\n"
                         "72 720 moveto (Vellora) show showpage\n");
  std::string commandLine = platform::quoteArgument(resolved.executable) +
                            " -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -I" + resolved.includePath +
                            " " + platform::quoteArgument("-sOutputFile=" + pdf) + " " +
                            platform::quoteArgument(ps);
  platform::ChildProcess gs;
  platform::StartOptions options;
  options.captureOutput = true;
  ASSERT_TRUE(gs.start(commandLine, options)) << commandLine;
  char buffer[4096];
  std::string output;
  int n;
  while ((n = gs.readOutput(buffer, sizeof buffer)) > 0) output.append(buffer, n);
  ASSERT_EQ(gs.wait(120000), platform::kWaitDone);
  EXPECT_EQ(gs.exitCode(), 0) << output;
  testsupport::RunResult pages = testsupport::run({"qpdf", "--show-npages", pdf});
  EXPECT_EQ(pages.exitCode, 0) << pages.output;
  EXPECT_EQ(pages.output, "1\n");
}

TEST_F(Registration, RecordsTheHostLibraryAndRewritesItsKeyOnASecondRun) {
  std::string host = FindProgramOnPath(GhostscriptConsoleName());
  if (host.empty()) GTEST_SKIP() << "no Ghostscript on PATH";
  std::string log;
  ASSERT_EQ(RegisterHostGhostscript(&log, host), 0) << log;
  ASSERT_EQ(RegisterHostGhostscript(&log, host), 0) << log;

  std::vector<std::string> versions = MachineSubkeys(kNorvaleGhostscriptRoot);
  ASSERT_EQ(versions.size(), 1u);
  const std::string key = std::string(kNorvaleGhostscriptRoot) + "\\" + versions[0];
  EXPECT_EQ(ReadMachineString(key, "GS_EXE"), host);
  std::string library = FindGhostscriptLibrary(host);
  EXPECT_EQ(ReadMachineString(key, "GS_DLL"), library);
  if (!library.empty()) {
    EXPECT_TRUE(endsWithIgnoreCase(library, GhostscriptLibraryName()));
  }
}

}  // namespace
}  // namespace vellora
