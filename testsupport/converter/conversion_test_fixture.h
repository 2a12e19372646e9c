// A job set up for a conversion as start-up and the pipeline leave it: a
// working folder with its temporary work file, a spool file, the scripted
// user interface recording what is shown.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "converter/job/job_record.h"
#include "converter/settings/settings_record.h"
#include "platform/files.h"
#include "scripted_ui/scripted_ui.h"
#include "platform/ui.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/stand_in_record.h"

namespace vellora {

class ConversionTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    platform::setUserInterface(&ui);
    std::memset(settings.get(), 0, sizeof(SettingsRecord));
    job->messageCaption = "Vellora";
    job->tempDir = machine.path("work");
    ASSERT_TRUE(platform::createDirectory(job->tempDir));
    std::string work;
    ASSERT_EQ(platform::createTempFile(job->tempDir, "vlo", &work), 0);
    job->workFile = work;
    job->spoolFile = machine.path("spool.ps");
    job->outputPath = machine.path("out.pdf");
    job->pageCount = 1;
    job->pdfSettingsName = "default";
  }
  void TearDown() override { platform::setUserInterface(nullptr); }

  static std::string standin(const std::string& name) {
    return std::string(VELLORA_STANDIN_DIR) + platform::kPathSeparator + name + platform::kExeSuffix;
  }

  std::string log() const { return job->errorLog.str(); }
  bool logHas(const std::string& text) const { return log().find(text) != std::string::npos; }

  // The positions the progress bar was set to, and its range.
  std::vector<int> positions() const {
    std::vector<int> result;
    for (const auto& event : ui.eventsOf("progress"))
      if (event.size() == 2 && event[0] == "position") result.push_back(std::stoi(event[1]));
    return result;
  }
  std::vector<std::string> progressRanges() const {
    std::vector<std::string> result;
    for (const auto& event : ui.eventsOf("progress"))
      if (event.size() == 3 && event[0] == "range") result.push_back(event[1] + ".." + event[2]);
    return result;
  }

  // The lines a stand-in recorded, each split at its tabs.
  std::vector<std::vector<std::string>> recorded() const {
    return testsupport::readRecord(recordFile());
  }
  // The page count qpdf reports (qpdf warns about the duplicated /Type key
  // the viewer pdfmark leaves in the catalog; the warning is no count).
  static int pageCountOf(const std::string& pdf) {
    const std::string output = testsupport::run({"qpdf", "--show-npages", pdf}).output;
    std::size_t start = 0;
    while (start < output.size()) {
      std::size_t end = output.find('\n', start);
      if (end == std::string::npos) end = output.size();
      const std::string line = output.substr(start, end - start);
      if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
        return std::stoi(line);
      start = end + 1;
    }
    return -1;
  }

  std::string recordFile() const { return machine.path("standin.log"); }
  void recordStandins() { machine.setEnv("VELLORA_STANDIN_LOG", recordFile()); }

  platform::ScriptedUi ui;
  std::unique_ptr<JobRecord> job{new JobRecord};
  std::unique_ptr<SettingsRecord> settings{new SettingsRecord};
};

}  // namespace vellora
