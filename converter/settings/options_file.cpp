#include "converter/settings/options_file.h"

#include "common/text.h"
#include "platform/profile.h"

namespace vellora {

namespace {

constexpr std::size_t kOptionTextCapacity = kSettingTextCapacity;  // 500-byte buffers
constexpr std::size_t kAutoNamePrefixCapacity = 260;

std::string text(const std::string& file, const std::string& key) {
  return platform::profileString(file, kOptionsSection, key, "", kOptionTextCapacity);
}

bool isTrue(const std::string& file, const std::string& key) {
  return optionIsTrue(text(file, key));
}

int number(const std::string& file, const std::string& key) {
  return platform::profileInt(file, kOptionsSection, key, 0);
}

}  // namespace

bool optionIsTrue(const std::string& value) { return equalsIgnoreCase(value, "true"); }

CommandOptions readCommandOptions(const std::string& optionsFile) {
  CommandOptions options;
  // A key written with an empty value says nothing, as if it were absent.
  options.defaultPath = text(optionsFile, "DefaultPath");
  options.hasDefaultPath = !options.defaultPath.empty();
  options.autoNamePrefix = cut(text(optionsFile, "AutoNamePrefix"), kAutoNamePrefixCapacity);
  options.hasAutoNamePrefix = !options.autoNamePrefix.empty();
  options.autoNameIncr = isTrue(optionsFile, "AutoNameIncr");
  options.suppressDialog = isTrue(optionsFile, "SuppressDialog");
  options.autoEmail = isTrue(optionsFile, "AutoEmail");
  options.postProcess = isTrue(optionsFile, "PostProcess");
  if (options.postProcess) options.postProcessCommand = text(optionsFile, "PostProcessCommand");
  options.autoNameTitle = isTrue(optionsFile, "AutoNameTitle");
  options.autoNameTitleExplicit = isTrue(optionsFile, "AutoNameTitleExplicit");
  options.copyFileNameToClipboard = number(optionsFile, "CopyFileNameToClipboard");

  for (int n = 1;; ++n) {
    const std::string des = format("FileType%dDes", n);
    if (!platform::profileKeyExists(optionsFile, kOptionsSection, des)) break;
    ExtraFileType type;
    type.description = text(optionsFile, des);
    type.extension = text(optionsFile, format("FileType%dExt", n));
    type.pdfOut = number(optionsFile, format("PDFOut%d", n));
    options.fileTypes.push_back(type);
  }

  options.defaultFileType = text(optionsFile, "DefaultFileType");
  options.hasDefaultFileType = !options.defaultFileType.empty();
  options.defaultExtIndex = number(optionsFile, "DefaultExtIndex");
  return options;
}

std::string afterCommand(const std::string& optionsFile, int n) {
  return text(optionsFile, format("AfterCommand%d", n));
}

std::string intCommand(const std::string& optionsFile, int n) {
  return text(optionsFile, format("IntCommand%d", n));
}

}  // namespace vellora
