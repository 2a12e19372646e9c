// The Linux desktop's "Convert with Vellora" and "Open with Rasmere": the
// entries the set-up installs validate, and each file manager's way of
// starting them hands over the selected paths as the menus on Windows do.
#include <algorithm>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/process.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/stand_in_record.h"

#if !defined(_WIN32)

#include "testsupport/posix/file_modes.h"

namespace {

using Runs = std::vector<std::vector<std::string>>;

class DesktopEntries : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    // A product folder whose name needs quoting in every format.
    product = machine.path("My Programs/Vellora $HOME's");
    data = machine.path("data");
    ASSERT_TRUE(platform::createDirectories(product));
    const std::string recorder = std::string(VELLORA_STANDIN_DIR) + "/standin-recorder";
    ASSERT_TRUE(platform::copyFile(recorder, product + "/vellora", false));
    ASSERT_TRUE(platform::copyFile(recorder, product + "/rasmenu", false));
    machine.setEnv("XDG_DATA_HOME", data);
    machine.setEnv("VELLORA_STANDIN_LOG", machine.path("started"));
    testsupport::RunResult installed =
        testsupport::run({std::string(VELLORA_SOURCE_DIR) + "/scripts/install-desktop-entries", product});
    ASSERT_EQ(installed.exitCode, 0) << installed.output;
    for (const char* name : {"a.pdf", "b c.pdf", "notes.txt"})
      testsupport::writeFile(machine.path(std::string("docs/") + name), "x");
  }
  Runs startedBy(const std::string& program, std::size_t count) {
    Runs runs;
    testsupport::waitUntil([&] {
      runs = testsupport::recordedBy(machine.path("started"), program);
      return runs.size() >= count;
    });
    std::sort(runs.begin(), runs.end());
    return runs;
  }
  // The Exec values of an entry, the main one first.
  std::vector<std::string> execLines(const std::string& file) {
    std::vector<std::string> lines;
    const std::string text = testsupport::readFile(file);
    std::string::size_type at = 0;
    while ((at = text.find("\nExec=", at)) != std::string::npos) {
      at += 6;
      lines.push_back(text.substr(at, text.find('\n', at) - at));
    }
    return lines;
  }
  std::string doc(const std::string& name) { return machine.path("docs/" + name); }

  std::string product;
  std::string data;
};

TEST_F(DesktopEntries, ApplicationEntriesValidateAndTheirActionsRunTheSameCommand) {
  const std::string vellora = data + "/applications/vellora.desktop";
  const std::string rasmere = data + "/applications/vellora-rasmere.desktop";
  testsupport::RunResult validation = testsupport::run({"desktop-file-validate", vellora, rasmere});
  EXPECT_EQ(validation.exitCode, 0) << validation.output;
  EXPECT_EQ(validation.output, "");
  for (const std::string& entry : {vellora, rasmere}) {
    std::vector<std::string> exec = execLines(entry);
    ASSERT_EQ(exec.size(), 2u) << entry;
    EXPECT_EQ(exec[0], exec[1]);
  }
  EXPECT_NE(testsupport::readFile(vellora).find("\nName=Convert with Vellora\n"), std::string::npos);
  EXPECT_NE(testsupport::readFile(rasmere).find("\nName=Open with Rasmere\n"), std::string::npos);
}

TEST_F(DesktopEntries, ConvertRunsOncePerFileAndRasmereOnceForAll) {
  ASSERT_EQ(testsupport::run({"gio", "launch", data + "/applications/vellora.desktop", doc("a.pdf"),
                              doc("b c.pdf")}).exitCode, 0);
  EXPECT_EQ(startedBy("vellora", 2), (Runs{{product + "/vellora", doc("a.pdf")},
                                           {product + "/vellora", doc("b c.pdf")}}));
  ASSERT_EQ(testsupport::run({"gio", "launch", data + "/applications/vellora-rasmere.desktop",
                              doc("a.pdf"), doc("b c.pdf")}).exitCode, 0);
  EXPECT_EQ(startedBy("rasmenu", 1), (Runs{{product + "/rasmenu", doc("a.pdf"), doc("b c.pdf")}}));
}

TEST_F(DesktopEntries, NautilusScriptsGetNamesInTheFolderShown) {
  platform::StartOptions inDocs;
  inDocs.currentDirectory = machine.path("docs");
  for (const char* script : {"Convert with Vellora", "Open with Rasmere"}) {
    const std::string path = data + "/nautilus/scripts/" + script;
    const int bits = testsupport::posix::permissionBits(path);
    ASSERT_NE(bits, -1);
    EXPECT_TRUE(bits & 0100);  // the owner may run it
    platform::ChildProcess run;
    ASSERT_TRUE(run.start(platform::quoteArgument(path) + " a.pdf \"b c.pdf\" " + doc("notes.txt"), inDocs));
    ASSERT_EQ(run.wait(10000), platform::kWaitDone);
    EXPECT_EQ(run.exitCode(), 0) << script;
  }
  EXPECT_EQ(startedBy("vellora", 3), (Runs{{product + "/vellora", doc("a.pdf")},
                                           {product + "/vellora", doc("b c.pdf")},
                                           {product + "/vellora", doc("notes.txt")}}));
  EXPECT_EQ(startedBy("rasmenu", 1),
            (Runs{{product + "/rasmenu", doc("a.pdf"), doc("b c.pdf"), doc("notes.txt")}}));
}

TEST_F(DesktopEntries, DolphinServiceMenusNameTheirTypesAndPrograms) {
  const std::string all = testsupport::readFile(data + "/kio/servicemenus/vellora.desktop");
  const std::string pdf = testsupport::readFile(data + "/kio/servicemenus/vellora-rasmere.desktop");
  EXPECT_NE(all.find("MimeType=all/allfiles;\n"), std::string::npos);
  EXPECT_NE(pdf.find("MimeType=application/pdf;\n"), std::string::npos);
  // The same Exec values as the validated application entries.
  EXPECT_EQ(execLines(data + "/kio/servicemenus/vellora.desktop")[0],
            execLines(data + "/applications/vellora.desktop")[0]);
  EXPECT_EQ(execLines(data + "/kio/servicemenus/vellora-rasmere.desktop")[0],
            execLines(data + "/applications/vellora-rasmere.desktop")[0]);
}

}  // namespace

#endif
