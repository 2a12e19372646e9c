#include "converter/backends/utility_commands.h"

#include "converter/settings/presets.h"
#include "platform/files.h"
#include "platform/process.h"

namespace vellora {

namespace {

const char* text(const std::string& s) { return s.c_str(); }

}  // namespace

std::string utilityProgram(const JobRecord& job) {
  return job.installDir.str() + platform::kPathSeparator + "vlutil" + platform::kExeSuffix;
}

std::string quotedArgument(const std::string& value) {
  return platform::quoteArgumentAlways(value);
}

std::string examineCommand(const JobRecord& job) { return examineFileCommand(job, job.outputPath); }

std::string examineFileCommand(const JobRecord& job, const std::string& path) {
  return formatCut(kUtilityCommandCapacity, "%s i %s", text(quotedArgument(utilityProgram(job))),
                   text(quotedArgument(platform::shortPath(path))));
}

std::string joinCommand(const JobRecord& job, const SettingsRecord& settings,
                        const std::string& first, const std::string& second) {
  std::string info[4] = {fieldText(settings.PDFTitle), fieldText(settings.PDFSubject),
                         fieldText(settings.PDFKeywords), fieldText(settings.PDFAuthor)};
  // A command cut at its capacity would lose the password and garble the
  // arguments; long document information gives way instead, longest first.
  for (;;) {
    std::string command =
        format("%s c %s %s %s %s %s %s %s %s", text(quotedArgument(utilityProgram(job))),
               text(quotedArgument(platform::shortPath(first))),
               text(quotedArgument(platform::shortPath(second))),
               text(quotedArgument(platform::shortPath(job.utilityOutFile))),
               text(quotedArgument(info[0])), text(quotedArgument(info[1])),
               text(quotedArgument(info[2])), text(quotedArgument(info[3])),
               text(quotedArgument(job.existingFilePassword)));
    if (command.size() < kUtilityCommandCapacity) return command;
    std::string* longest = &info[0];
    for (std::string& field : info)
      if (field.size() > longest->size()) longest = &field;
    if (longest->empty()) return cut(command, kUtilityCommandCapacity);
    std::size_t excess = command.size() - (kUtilityCommandCapacity - 1);
    longest->resize(longest->size() > excess ? longest->size() - excess : 0);
  }
}

std::string stationeryCommand(const JobRecord& job, const SettingsRecord& settings) {
  const std::string folder = fieldText(settings.StationeryPath);
  const std::string name = fieldText(settings.StationeryName);
  // The list showed "Letter" for "Letter.old.pdf" too: apply the file the
  // name came from.
  std::string stationeryFile = stationeryFileFor(folder, name);
  if (stationeryFile.empty()) stationeryFile = cut(name + ".pdf", kNameCapacity);
  std::string stationeryPath = folder + platform::kPathSeparator + stationeryFile;
  const char* command = settings.StationeryWatermark == 1 ? "w" : "b";
  return formatCut(kUtilityCommandCapacity, "%s %s %s %s %s",
                   text(quotedArgument(utilityProgram(job))), command,
                   text(quotedArgument(platform::shortPath(job.workFile))),
                   text(quotedArgument(stationeryPath)),
                   text(quotedArgument(platform::shortPath(job.utilityOutFile))));
}

std::string permissionDigits(const SettingsRecord& settings) {
  // A permission is given or not: any value an administrator may have stored
  // other than 0 (2, a "dword:ffffffff") allows, and stays one digit.
  const std::int32_t values[] = {settings.EAllowPrinting,      settings.EAllowModifyContent,
                                 settings.EAllowCopyPaste,     settings.EAllowModifyAnnotations,
                                 settings.EAllowFillIn,        settings.EAllowScreenReading,
                                 settings.EAllowAssembly,      settings.EAllowDegradedPrinting};
  std::string digits;
  for (std::int32_t value : values) digits += value != 0 ? '1' : '0';
  return digits;
}

std::string encryptCommand(const JobRecord& job, const SettingsRecord& settings) {
  const char* bits = settings.EncryptionLevel == 1 ? "40" : "128";
  return formatCut(kUtilityCommandCapacity, "%s e %s %s %s %s %s %s",
                   text(quotedArgument(utilityProgram(job))),
                   text(quotedArgument(platform::shortPath(job.workFile))),
                   text(quotedArgument(platform::shortPath(job.utilityOutFile))),
                   text(quotedArgument(fieldText(settings.EUserPassword))),
                   text(quotedArgument(fieldText(settings.EOwnerPassword))),
                   text(permissionDigits(settings)), bits);
}

std::string finishCommand(const JobRecord& job, const std::string& producer) {
  return formatCut(kUtilityCommandCapacity, "%s f %s %s %s",
                   text(quotedArgument(utilityProgram(job))),
                   text(quotedArgument(platform::shortPath(job.workFile))),
                   text(quotedArgument(platform::shortPath(job.utilityOutFile))),
                   text(quotedArgument(producer)));
}

std::string titleCommand(const JobRecord& job, const std::string& path) {
  return formatCut(kUtilityCommandCapacity, "%s t %s %s", text(quotedArgument(utilityProgram(job))),
                   text(quotedArgument(platform::shortPath(path))),
                   text(quotedArgument(platform::shortPath(job.utilityOutFile))));
}

}  // namespace vellora
