// A fresh machine with Vellora set up on it, for tests that run the real
// vlconv program: the product folder with the PDF utility, the host's
// Ghostscript registered, the user's working folder, and the scripted user
// interface wired to files the test reads back.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/ghostscript_registration.h"
#include "common/interpreter_names.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "scripted_ui/scripted_ui.h"
#include "testsupport/dialog_record.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace e2e {

const std::string kSep = platform::kPathSeparator;

// A PostScript job as a Windows PostScript driver writes one, with one line
// of text per page.
inline std::string postScriptJob(const std::string& titleLine, int pages) {
  std::string ps = "%!PS-Adobe-3.0\n";
  if (!titleLine.empty()) ps += "%%Title: " + titleLine + "\n";
  ps += "%%Pages: " + std::to_string(pages) + "\n%%EndComments\n";
  for (int page = 1; page <= pages; ++page) {
    ps += "%%Page: " + std::to_string(page) + " " + std::to_string(page) + "\n";
    ps += "/Helvetica findfont 24 scalefont setfont 72 700 moveto (Page " + std::to_string(page) +
          ") show showpage\n";
  }
  ps += "%%EOF\n";
  return ps;
}

// vlconv's exit code -1 as the process status shows it (POSIX keeps the low
// eight bits).
inline bool exitedWithMinusOne(const testsupport::RunResult& result) {
  return result.exitCode == -1 || result.exitCode == 255;
}

class VlconvTest : public testsupport::FreshMachineTest {
 protected:
  // Fixtures whose jobs go to another interpreter, or to none, register no
  // Ghostscript.
  explicit VlconvTest(bool withGhostscript = true) : withGhostscript_(withGhostscript) {}

  void SetUp() override {
    product = machine.root() + kSep + "Programs" + kSep + "Vellora";
    ASSERT_TRUE(platform::createDirectories(product));
    ASSERT_TRUE(platform::copyFile(VLUTIL_PATH, product + kSep + "vlutil" + platform::kExeSuffix,
                                   false));
    setMachineString("SOFTWARE\\Norvale\\Vellora", "AppPath", product);
    ASSERT_TRUE(platform::createDirectories(workFolder()));
    outDir = machine.path("out");
    ASSERT_TRUE(platform::createDirectories(outDir));
    machine.setEnv("VELLORA_UI_SCRIPT", machine.path("ui-script"));
    machine.setEnv("VELLORA_UI_LOG", machine.path("ui-record"));
    testsupport::writeFile(machine.path("ui-script"), "");
    if (!withGhostscript_) return;
    if (FindProgramOnPath(GhostscriptConsoleName()).empty()) {
      GTEST_SKIP() << "no " << GhostscriptConsoleName() << " on PATH to register";
    }
    std::string log;
    ASSERT_EQ(RegisterHostGhostscript(&log), 0) << log;
  }

  // The user's working folder, under application data.
  std::string workFolder() const {
    return platform::applicationDataFolder() + kSep + "Vellora" + kSep + "Temp";
  }
  std::vector<std::string> filesLeftInWorkFolder() const {
    std::vector<std::string> names;
    platform::listDirectory(workFolder(), "*", &names);
    std::vector<std::string> left;
    for (const std::string& name : names)
      if (name != "vlconv.log") left.push_back(name);
    return left;
  }

  void setMachineString(const std::string& key, const std::string& name,
                        const std::string& value) {
    platform::RegKey k;
    ASSERT_EQ(k.create(platform::HKLM, key), platform::kRegOk);
    ASSERT_EQ(k.setString(name, value), platform::kRegOk);
  }
  void setMachineNumber(const std::string& key, const std::string& name, std::uint32_t value) {
    platform::RegKey k;
    ASSERT_EQ(k.create(platform::HKLM, key), platform::kRegOk);
    ASSERT_EQ(k.setDword(name, value), platform::kRegOk);
  }
  void setUserNumber(const std::string& key, const std::string& name, std::uint32_t value) {
    platform::RegKey k;
    ASSERT_EQ(k.create(platform::HKCU, key), platform::kRegOk);
    ASSERT_EQ(k.setDword(name, value), platform::kRegOk);
  }
  void setUserString(const std::string& key, const std::string& name, const std::string& value) {
    platform::RegKey k;
    ASSERT_EQ(k.create(platform::HKCU, key), platform::kRegOk);
    ASSERT_EQ(k.setString(name, value), platform::kRegOk);
  }
  bool valueExists(platform::RegRoot root, const std::string& key, const std::string& name) {
    platform::RegKey k;
    if (k.open(root, key, platform::kRegRead) != platform::kRegOk) return false;
    platform::RegType type;
    std::string data;
    return k.query(name, &type, &data) == platform::kRegOk;
  }

  // The options file of a printer.
  void options(const std::string& printer, const std::string& lines) {
    testsupport::writeFile(product + kSep + printer + ".opt", "[CommandOptions]\n" + lines);
  }
  // Answers for the scripted user interface.
  void answers(const std::string& lines) { testsupport::writeFile(machine.path("ui-script"), lines); }

  std::string spool(const std::string& content, const std::string& name = "") {
    std::string path = machine.path(name.empty() ? "spool" + std::to_string(++spools) + ".tmp" : name);
    testsupport::writeFile(path, content);
    return path;
  }

  testsupport::RunResult vlconv(const std::vector<std::string>& arguments) {
    std::vector<std::string> command = {VLCONV_PATH};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return testsupport::run(command);
  }
  // A job printed to a printer with the page count and document name given.
  testsupport::RunResult print(const std::string& spoolFile, const std::string& printer = "Vellora",
                               int pages = 1, const std::string& document = "Document") {
    return vlconv({std::to_string(pages), spoolFile, document, printer});
  }

  // What the user was shown, by kind, each event split into its fields.
  std::vector<std::vector<std::string>> shown(const std::string& kind) const {
    std::vector<std::vector<std::string>> events;
    for (auto& fields : testsupport::recordEvents(testsupport::readFile(machine.path("ui-record"))))
      if (fields[0] == kind) {
        fields.erase(fields.begin());
        events.push_back(fields);
      }
    return events;
  }
  // The texts of the message boxes shown, in order.
  std::vector<std::string> messages() const {
    std::vector<std::string> texts;
    for (const auto& event : shown("message"))
      if (event.size() >= 3) texts.push_back(event[2]);
    return texts;
  }

  // One field of pdfinfo's report ("Title", "Pages", ...), blanks trimmed.
  std::string pdfinfo(const std::string& pdf, const std::string& field,
                      const std::string& password = "") {
    std::vector<std::string> command = {"pdfinfo"};
    if (!password.empty()) {
      command.push_back("-upw");
      command.push_back(password);
    }
    command.push_back(pdf);
    testsupport::RunResult result = testsupport::run(command);
    std::string key = "\n" + field + ":";
    std::string text = "\n" + result.output;
    std::string::size_type at = text.find(key);
    if (at == std::string::npos) return std::string();
    std::string::size_type begin = text.find_first_not_of(' ', at + key.size());
    std::string::size_type end = text.find('\n', begin);
    return text.substr(begin, end - begin);
  }
  // The text the PDF shows, page breaks as form feeds.
  std::string pdfText(const std::string& pdf, const std::string& password = "") {
    std::vector<std::string> command = {"pdftotext"};
    if (!password.empty()) {
      command.push_back("-upw");
      command.push_back(password);
    }
    command.push_back(pdf);
    command.push_back("-");
    return testsupport::run(command).output;
  }

  std::string product;
  std::string outDir;
  int spools = 0;

 private:
  bool withGhostscript_;
};

}  // namespace e2e
}  // namespace vellora
