#include "converter/backends/interpreter_arguments.h"

#include <cstring>

#include "common/text.h"
#include "platform/files.h"
#include "platform/process.h"

namespace vellora {

// One argument of the command file: Ghostscript runs every argument after
// "-c" as a separate piece of PostScript, so the procedure has to stay in
// one quoted argument; it holds no double quote and no backslash, which the
// argument file reader would take for its own.
const char kPageProgressHook[] =
    "4 dict begin "
    "/vlprev currentpagedevice /EndPage get def "
    "currentglobal true setglobal /vlcount [0] def setglobal "
    "<< /EndPage { //vlprev exec dup { "
    "//vlcount 0 2 copy get 1 add put "
    "(Page      ) dup length string copy dup 9 10 put "
    "//vlcount 0 get 10000 mod 4 string cvs "
    "1 index exch dup length 9 exch sub exch putinterval "
    "print flush } if } >> setpagedevice "
    "end";

namespace {

// Ghostscript 10 no longer knows ".setpdfwrite" (it only ever tuned memory
// use for pdfwrite); the page hook takes its place after "save pop".
std::string pdfwriteSetup() { return std::string("-c save pop \"") + kPageProgressHook + "\""; }

bool isConvertedType(const JobRecord& job, int number) {
  std::size_t index = static_cast<std::size_t>(number - 1);
  if (index < job.extraFileTypes.size() && job.extraFileTypes[index].pdfOut == 1) return true;
  if (index < job.convertedTypeFlags.size() && job.convertedTypeFlags[index] == 1) return true;
  return false;
}

// Ghostscript reads a quote inside an argument of its argument file as a
// plain character, so '-I"a:b"' would search '"a' and 'b"', and a blank in
// the path would split it: the quoted library path of an installed
// Ghostscript goes around the whole argument instead.
std::string includeArgument(const std::string& includePath) {
  if (includePath.size() > 2 && includePath.front() == '"' && includePath.back() == '"')
    return "\"-I" + includePath.substr(1, includePath.size() - 2) + "\"";
  return "-I" + includePath;
}

std::string ghostscriptText(const JobRecord& job, const SettingsRecord& settings) {
  const int minor = settings.PDFLevel + 2;
  const std::string setup = pdfwriteSetup();
  const std::string include = includeArgument(job.includePath);
  const char* includePath = include.c_str();
  const char* fonts = job.fontsDir.c_str();
  const char* work = job.workFile.c_str();
  const char* preset = job.pdfSettingsName.c_str();
  const char* params = job.paramsFile.c_str();
  const char* prologue = job.prologueFile.c_str();
  const char* spool = job.spoolFile.c_str();
  const char* epilogue = job.epilogueFile.c_str();

  if (job.interpreterKind == kOwnGhostscript) {
    if (!job.presetFilesInUse)
      return formatCut(kCommandFileCapacity,
                       "%s\n-sDEVICE=pdfwrite\n-r300\n-dNOPAUSE\n-dBATCH\n-dNOGC\n"
                       "-dCompatibilityLevel=1.%d\n-dPDFSETTINGS=/%s\n-sFONTPATH=\"%s\"\n"
                       "-sOutputFile=\"%s\"\n-q\n%s\n-f \"%s\" \"%s\" \"%s\" \"%s\"",
                       includePath, minor, preset, fonts, work, setup.c_str(), params, prologue,
                       spool, epilogue);
    return formatCut(kCommandFileCapacity,
                     "%s\n-sDEVICE=pdfwrite\n-r300\n-dNOPAUSE\n-dBATCH\n-dNOGC\n"
                     "-dCompatibilityLevel=1.%d\n-sFONTPATH=\"%s\"\n-sOutputFile=\"%s\"\n-q\n"
                     "%s\n-f \"%s\" \"%s\" \"%s\" \"%s\" \"%s\"",
                     includePath, minor, fonts, work, setup.c_str(), preset, params, prologue,
                     spool, epilogue);
  }
  if (!job.presetFilesInUse)
    return formatCut(kCommandFileCapacity,
                     "%s\n-sDEVICE=pdfwrite\n-r300\n-dNOPAUSE\n-dNOGC\n-dBATCH\n"
                     "-dCompatibilityLevel=1.%d\n-sOutputFile=\"%s\"\n-q\n-dPDFSETTINGS=/%s\n"
                     "-sFONTPATH=\"%s\"\n%s\n-f \"%s\" \"%s\" \"%s\" \"%s\"",
                     includePath, minor, work, preset, fonts, setup.c_str(), params, prologue,
                     spool, epilogue);
  return formatCut(kCommandFileCapacity,
                   "%s\n-sDEVICE=pdfwrite\n-r300\n-dNOPAUSE\n-dNOGC\n-dBATCH\n"
                   "-dCompatibilityLevel=1.%d\n-sOutputFile=\"%s\"\n-q\n-sFONTPATH=\"%s\"\n"
                   "%s\n-f \"%s\" \"%s\" \"%s\" \"%s\" \"%s\"",
                   includePath, minor, work, fonts, setup.c_str(), preset, params, prologue, spool,
                   epilogue);
}

std::string pstillText(const JobRecord& job, const SettingsRecord& settings) {
  return formatCut(kCommandFileCapacity,
                   "-m Xusesrctransp -c -c -i -K -p -t -2 -a 4 -l 1 -R 0 -d 200 -v -M "
                   "forcepdflevel=1%d\n-i -p -C -f -g -2 -c\n-T %s\n-o \"%s\"\n\"%s\" \"%s\" \"%s\"",
                   settings.PDFLevel + 2, job.tempDir.c_str(), job.workFile.c_str(),
                   job.paramsFile.c_str(), job.prologueFile.c_str(), job.spoolFile.c_str());
}

std::string extraTypeText(const JobRecord& job, const std::string& intCommandText) {
  return formatCut(kCommandFileCapacity,
                   "%s\n%s\n-dNOPAUSE\n-dBATCH\n-sOutputFile=\"%s\"\n-q\n-f \"%s\" \"%s\"",
                   includeArgument(job.includePath).c_str(), cut(intCommandText, kSettingTextCapacity).c_str(),
                   job.outputPath.c_str(), job.paramsFile.c_str(), job.spoolFile.c_str());
}

// PostScript of a PDF job, written where the utility's results go (a file
// of the job's that is free until the PDF is post-processed, which
// PostScript output never is).
std::string postScriptFromPdfText(const JobRecord& job) {
  return formatCut(kCommandFileCapacity,
                   "%s\n-sDEVICE=ps2write\n-dNOPAUSE\n-dBATCH\n-sOutputFile=\"%s\"\n-q\n%s\n-f \"%s\"",
                   includeArgument(job.includePath).c_str(), job.utilityOutFile.c_str(),
                   pdfwriteSetup().c_str(), job.spoolFile.c_str());
}

bool isGhostscript(int kind) { return kind == kOwnGhostscript || kind == kGhostscript; }

ArgumentSet pdfArgumentSet(const JobRecord& job) {
  if (job.filterIndex == 2)
    return isGhostscript(job.foundInterpreterKind) ? ArgumentSet::kPostScriptFromPdf
                                                   : ArgumentSet::kPdfAsItCame;
  return isGhostscript(job.interpreterKind) ? ArgumentSet::kGhostscript : ArgumentSet::kPdfAsItCame;
}

std::string distillerCommandLine(const JobRecord& job) {
  const char* exe = job.interpreterExe.c_str();
  if (!job.presetFilesInUse)
    return formatCut(kCommandLineCapacity, "\"%s\" /V /N /Q /O \"%s\" \"%s\"", exe,
                     job.outputPath.c_str(), job.spoolFile.c_str());
  if (job.distiller6Syntax)
    return formatCut(kCommandLineCapacity,
                     "\"%s\" --nosecurity --deletelog:on /V /N /Q /J \"%s\" /O \"%s\" "
                     "\"%s\",\"%s\",\"%s\"",
                     exe, job.pdfSettingsName.c_str(), job.outputPath.c_str(),
                     job.prologueFile.c_str(), job.epilogueFile.c_str(), job.spoolFile.c_str());
  return formatCut(kCommandLineCapacity, "\"%s\" /V /N /Q /O \"%s\" /J \"%s\" \"%s\" \"%s\" \"%s\"",
                   exe, job.outputPath.c_str(), job.pdfSettingsName.c_str(),
                   job.prologueFile.c_str(), job.epilogueFile.c_str(), job.spoolFile.c_str());
}

std::string commandFileCommandLine(const JobRecord& job, int kind, const std::string& commandFile) {
  // The program's path is quoted when it must be: a short path never holds a
  // blank, but where there are no short paths a folder such as "Program
  // Files" would split it.
  // The own Ghostscript is named relative to the system folder.
  if (kind == kOwnGhostscript)
    return formatCut(kCommandLineCapacity, "%s  @\"%s\"",
                     platform::quoteArgument(job.systemDir.str() + platform::kPathSeparator +
                                             job.interpreterExe.str())
                         .c_str(),
                     commandFile.c_str());
  return formatCut(kCommandLineCapacity, "%s @\"%s\"",
                   platform::quoteArgument(job.interpreterExe).c_str(), commandFile.c_str());
}

}  // namespace

int interpreterTypeNumber(const JobRecord& job) {
  if (job.filterIndex < 3) return 0;
  int number = job.filterIndex - 2;
  return isConvertedType(job, number) ? 0 : number;
}

ArgumentSet argumentSetFor(const JobRecord& job) {
  if (interpreterTypeNumber(job) > 0) return ArgumentSet::kExtraType;
  if (job.pdfJob) return pdfArgumentSet(job);
  switch (job.interpreterKind) {
    case kDistiller:
      return ArgumentSet::kDistiller;
    case kOwnGhostscript:
    case kGhostscript:
      return ArgumentSet::kGhostscript;
    case kPStill:
      return ArgumentSet::kPStill;
    case kNoInterpreter:
      return ArgumentSet::kConcatenation;
    default:
      return ArgumentSet::kNone;
  }
}

bool usesCommandFile(ArgumentSet set) {
  return set == ArgumentSet::kGhostscript || set == ArgumentSet::kPStill ||
         set == ArgumentSet::kExtraType || set == ArgumentSet::kPostScriptFromPdf;
}

bool judgesExitStatus(ArgumentSet set) {
  return set == ArgumentSet::kGhostscript || set == ArgumentSet::kExtraType ||
         set == ArgumentSet::kPostScriptFromPdf;
}

std::string commandFilePath(const std::string& tempDir, const std::string& workFile) {
  const std::size_t sepLength = std::strlen(platform::kPathSeparator);
  bool endsWithSeparator = tempDir.size() >= sepLength &&
                           tempDir.compare(tempDir.size() - sepLength, sepLength,
                                           platform::kPathSeparator) == 0;
  // Jobs of one user share the working folder and may run at once: each
  // names its command file after its own work file ("vlo1A2B.tmp" gives
  // "vl1A2B.cmd"), whose name no other running job can hold.
  std::string name = "vl.cmd";
  std::string::size_type slash = workFile.find_last_of(platform::kPathSeparator);
  std::string workName = slash == std::string::npos ? workFile : workFile.substr(slash + 1);
  std::string::size_type dot = workName.rfind('.');
  if (workName.size() > 3 && dot != std::string::npos && dot > 3)
    name = "vl" + workName.substr(3, dot - 3) + ".cmd";
  return cut(tempDir + (endsWithSeparator ? "" : platform::kPathSeparator) + name,
             shortPathCapacity());
}

InterpreterArguments buildInterpreterArguments(const JobRecord& job, const SettingsRecord& settings,
                                               const std::string& intCommandText,
                                               const std::string& commandFile) {
  InterpreterArguments arguments;
  arguments.set = argumentSetFor(job);
  switch (arguments.set) {
    case ArgumentSet::kGhostscript:
      arguments.commandFileText = ghostscriptText(job, settings);
      break;
    case ArgumentSet::kPStill:
      arguments.commandFileText = pstillText(job, settings);
      break;
    case ArgumentSet::kExtraType:
      arguments.commandFileText = extraTypeText(job, intCommandText);
      break;
    case ArgumentSet::kDistiller:
      arguments.commandLine = distillerCommandLine(job);
      break;
    case ArgumentSet::kPostScriptFromPdf:
      arguments.commandFileText = postScriptFromPdfText(job);
      break;
    case ArgumentSet::kConcatenation:
    case ArgumentSet::kNone:
    case ArgumentSet::kPdfAsItCame:
      break;
  }
  // PostScript output set the job's kind to -1; the Ghostscript found at
  // start-up makes it.
  const int kind = arguments.set == ArgumentSet::kPostScriptFromPdf ? job.foundInterpreterKind
                                                                    : job.interpreterKind;
  if (usesCommandFile(arguments.set))
    arguments.commandLine = commandFileCommandLine(job, kind, commandFile);
  return arguments;
}

}  // namespace vellora
