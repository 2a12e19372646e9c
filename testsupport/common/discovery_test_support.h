// Test helpers for interpreter discovery: a fresh machine with a scripted
// user interface, and quick ways to register interpreters on it.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/interpreter_location.h"
#include "common/interpreter_names.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "scripted_ui/scripted_ui.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "testsupport/fresh_machine.h"

namespace discoverytest {

inline void addMachineKey(const std::string& key) {
  platform::RegKey handle;
  ASSERT_EQ(handle.create(platform::HKLM, key), platform::kRegOk) << key;
}

inline void setMachineString(const std::string& key, const std::string& name,
                             const std::string& value) {
  platform::RegKey handle;
  ASSERT_EQ(handle.create(platform::HKLM, key), platform::kRegOk) << key;
  ASSERT_EQ(handle.setString(name, value), platform::kRegOk) << key << " " << name;
}

inline std::string joinPath(const std::string& a, const std::string& b) {
  return a + platform::kPathSeparator + b;
}

struct ShownMessage {
  unsigned flags = 0;
  std::string caption;
  std::string text;
};

// Why a test that installs the product's own Ghostscript does not run.
constexpr char kSharedSystemFolder[] =
    "the own Ghostscript lives in the system folder, which every test shares here";

class DiscoveryTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override { platform::setUserInterface(&ui); }
  void TearDown() override {
    platform::setUserInterface(nullptr);
    platform::setOsVersionForTesting(nullptr);
  }

  std::vector<ShownMessage> messages() const {
    std::vector<ShownMessage> shown;
    for (const auto& fields : ui.eventsOf("message")) {
      ShownMessage message;
      if (fields.size() >= 3) {
        message.flags = static_cast<unsigned>(std::strtoul(fields[0].c_str(), nullptr, 16));
        message.caption = fields[1];
        message.text = fields[2];
      }
      shown.push_back(message);
    }
    return shown;
  }

  // An empty file standing in for a program.
  std::string standIn(const std::string& relative) {
    std::string path = machine.path(relative);
    testsupport::writeFile(path, "");
    return path;
  }

  // The product's own Ghostscript under the system folder; false (and
  // nothing written) where that folder is shared by every test.
  bool installOwnGhostscript() {
    if (!machine.ownsSystemFolder()) return false;
    testsupport::writeFile(joinPath(platform::systemFolder(), vellora::OwnGhostscriptRelativePath()),
                           "");
    return true;
  }

  // A Ghostscript distribution registered under one of the vendor roots,
  // with its DLL and console program in `folder` (when `withProgram`).
  std::string registerGhostscript(const std::string& root, const std::string& version,
                                  bool withProgram) {
    std::string folder = machine.path("gs-" + version);
    std::string key = root + "\\" + version;
    setMachineString(key, "GS_DLL", joinPath(folder, vellora::GhostscriptLibraryName()));
    setMachineString(key, "GS_LIB", joinPath(folder, "lib"));
    if (withProgram) testsupport::writeFile(joinPath(folder, vellora::GhostscriptConsoleName()), "");
    return key;
  }

  platform::ScriptedUi ui;
};

}  // namespace discoverytest
