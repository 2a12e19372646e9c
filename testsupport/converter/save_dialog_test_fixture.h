// The Save PDF dialog run in-process as the job driver runs it, on a fresh
// machine, with the scripted user interface acting out a script and
// recording every snapshot.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "converter/job/converter_run.h"
#include "converter/job/pipeline.h"
#include "converter/settings/load_settings.h"
#include "converter/ui/dialog_ids.h"
#include "converter/ui/save_pdf_dialog.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "scripted_ui/scripted_ui.h"
#include "testsupport/dialog_record.h"
#include "testsupport/fresh_machine.h"

namespace vellora {

class SaveDialogTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    platform::setUserInterface(&ui);
    product = machine.path("product");
    outDir = machine.path("out");
    ASSERT_TRUE(platform::createDirectories(product));
    ASSERT_TRUE(platform::createDirectories(outDir));
    JobRecord& job = run->job;
    job.messageCaption = "Vellora";
    job.installDir = product;
    job.tempDir = machine.path("work");
    ASSERT_TRUE(platform::createDirectories(job.tempDir));
    for (PathText* file : {&job.workFile, &job.utilityOutFile, &job.backupFile}) {
      std::string path;
      ASSERT_EQ(platform::createTempFile(job.tempDir, "vlt", &path), 0);
      *file = path;
    }
    job.interpreterKind = kGhostscript;
    job.title = "Quarterly Report";
    job.pdfSettingsName = "default";
  }
  void TearDown() override { platform::setUserInterface(nullptr); }

  void setNumber(platform::RegRoot root, const std::string& key, const std::string& name,
                 std::uint32_t value) {
    platform::RegKey k;
    ASSERT_EQ(k.create(root, key), platform::kRegOk);
    ASSERT_EQ(k.setDword(name, value), platform::kRegOk);
  }
  void setText(platform::RegRoot root, const std::string& key, const std::string& name,
               const std::string& value) {
    platform::RegKey k;
    ASSERT_EQ(k.create(root, key), platform::kRegOk);
    ASSERT_EQ(k.setString(name, value), platform::kRegOk);
  }
  std::int64_t userNumber(const std::string& name) {
    platform::RegKey k;
    std::uint32_t value = 0;
    if (k.open(platform::HKCU, "SOFTWARE\\Norvale\\Vellora", platform::kRegRead) != platform::kRegOk ||
        k.queryDword(name, &value) != platform::kRegOk)
      return -1;
    return value;
  }

  void script(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) ui.addScriptLine(line);
  }

  // Loads the settings as the job driver does, then runs the dialog.
  SaveDialogResult runDialog(const std::string& initialName = "Quarterly Report") {
    LoadSettings(run->keys, product, &run->settings);
    applyFileTypeOptions(run->job, run->options);
    SaveDialogSetup setup;
    setup.initialFolder = outDir;
    setup.initialName = initialName;
    setup.savedName = savedName;
    run->job.outputPath = initialName;
    return runSavePdfDialog(*run, setup);
  }

  std::vector<testsupport::DialogSnapshot> snapshots() const {
    return testsupport::dialogSnapshots(testsupport::recordEvents(ui.events()));
  }
  testsupport::DialogSnapshot last(const std::string& moment = "") const {
    return testsupport::lastSnapshot(snapshots(), kSaveCustomDialog, moment);
  }
  std::vector<std::string> messages() const {
    std::vector<std::string> texts;
    for (const auto& event : ui.eventsOf("message")) texts.push_back(event[2]);
    return texts;
  }

  std::string out(const std::string& name) const {
    return outDir + platform::kPathSeparator + name;
  }

  platform::ScriptedUi ui;
  std::unique_ptr<ConverterRun> run{new ConverterRun};
  std::string product;
  std::string outDir;
  // The name proposed for the document by another component.
  std::string savedName;
};

}  // namespace vellora
