#include <string>

#include <gtest/gtest.h>

#include "common/ghostscript_registration.h"
#include "common/interpreter_names.h"
#include "common/interpreter_resolution.h"
#include "platform/registry.h"
#include "testsupport/fresh_machine.h"

namespace {

using Vlgsreg = testsupport::FreshMachineTest;

TEST_F(Vlgsreg, RegistersTheGhostscriptOnPathForTheFreshMachine) {
  std::string host = vellora::FindProgramOnPath(vellora::GhostscriptConsoleName());
  if (host.empty()) GTEST_SKIP() << "no Ghostscript on PATH";

  testsupport::RunResult result = testsupport::run({VLGSREG_PROGRAM});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("Ghostscript registered"), std::string::npos) << result.output;

  // The tool wrote the store of this machine; read it afresh.
  platform::resetPlatformRegistry();
  platform::RegKey root;
  ASSERT_EQ(root.open(platform::HKLM, "SOFTWARE\\Norvale\\GPL Ghostscript", platform::kRegRead),
            platform::kRegOk);
  std::string version;
  ASSERT_EQ(root.enumKey(0, &version), platform::kRegOk);
  std::string key = "SOFTWARE\\Norvale\\GPL Ghostscript\\" + version;
  EXPECT_EQ(vellora::GhostscriptDirectoryOf(key) + vellora::GhostscriptConsoleName(), host);
}

TEST_F(Vlgsreg, FailsClearlyOnABadCommandLine) {
  testsupport::RunResult missing = testsupport::run({VLGSREG_PROGRAM, machine.path("nowhere")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.output.find("No such program"), std::string::npos) << missing.output;
  EXPECT_NE(missing.output.find("not registered"), std::string::npos) << missing.output;

  testsupport::RunResult extra = testsupport::run({VLGSREG_PROGRAM, "a", "b"});
  EXPECT_EQ(extra.exitCode, 1);
  EXPECT_NE(extra.output.find("usage: vlgsreg [path-to-gs]"), std::string::npos) << extra.output;

  testsupport::RunResult help = testsupport::run({VLGSREG_PROGRAM, "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.output.find("usage: vlgsreg [path-to-gs]"), std::string::npos) << help.output;

  platform::resetPlatformRegistry();
  platform::RegKey root;
  EXPECT_NE(root.open(platform::HKLM, "SOFTWARE\\Norvale\\GPL Ghostscript", platform::kRegRead),
            platform::kRegOk);
}

}  // namespace
