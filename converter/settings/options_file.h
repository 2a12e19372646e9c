// The printer's options file ("<product folder>/<printer>.opt"), section
// "CommandOptions": what an administrator fixes for one printer.
#pragma once

#include <string>
#include <vector>

#include "converter/job/job_record.h"

namespace vellora {

constexpr const char kOptionsSection[] = "CommandOptions";

// The keys as written in the file; texts are not yet expanded (the naming and
// delivery steps decide what to expand).
struct CommandOptions {
  bool hasDefaultPath = false;
  std::string defaultPath;
  bool hasAutoNamePrefix = false;
  std::string autoNamePrefix;       // at most 259 characters
  bool autoNameIncr = false;        // "true", letter case ignored
  bool suppressDialog = false;
  bool autoEmail = false;
  bool postProcess = false;
  std::string postProcessCommand;   // read only when postProcess
  bool autoNameTitle = false;       // as written; the AutoName lock decides whether it counts
  bool autoNameTitleExplicit = false;
  int copyFileNameToClipboard = 0;
  std::vector<ExtraFileType> fileTypes;  // FileType1Des/Ext, PDFOut1, ... while FileType%dDes exists
  bool hasDefaultFileType = false;
  std::string defaultFileType;
  int defaultExtIndex = 0;
};

// Reads the section; a missing file gives the defaults above.
CommandOptions readCommandOptions(const std::string& optionsFile);

// "AfterCommand%d" and "IntCommand%d" of extra type n (numbered from 1), 500
// bytes at most.
std::string afterCommand(const std::string& optionsFile, int n);
std::string intCommand(const std::string& optionsFile, int n);

// Whether an options-file text means true.
bool optionIsTrue(const std::string& text);

}  // namespace vellora
