// The converter's one job record: the paths of the run, names, title, the
// error log, message buffers and the job's flags. One exists per process,
// zeroed at start; every part of the converter reads and writes it directly.
// Capacities are those the behaviour depends on: a longer value is cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/text.h"

namespace vellora {

constexpr std::size_t kPathCapacity = 780;
// Paths the system would shorten to their 8.3 form: at most this many
// characters where it has short names, else as long as any path.
std::size_t shortPathCapacity();
constexpr std::size_t kNameCapacity = 255;
constexpr std::size_t kTitleCapacity = 1000;
constexpr std::size_t kMessageCapacity = 1000;
constexpr std::size_t kSettingTextCapacity = 500;
constexpr std::size_t kErrorLogCapacity = 10000;

using PathText = Bounded<kPathCapacity>;
using NameText = Bounded<kNameCapacity>;

// The conversion error log. It lives in a fixed buffer rather than a
// std::string so that the crash handler can append to it without allocating.
class ErrorLog {
 public:
  static constexpr std::size_t kCapacity = kErrorLogCapacity;

  ErrorLog() { clear(); }
  void clear() {
    length_ = 0;
    for (char& c : text_) c = '\0';
  }
  // Appends, keeping at most kCapacity - 1 characters in all.
  void append(const char* text, std::size_t size);
  void append(const std::string& text) { append(text.data(), text.size()); }
  std::string str() const { return std::string(text_, length_); }
  const char* data() const { return text_; }
  std::size_t size() const { return length_; }

 private:
  char text_[kCapacity];
  std::size_t length_ = 0;
};

// One extra output type of the options file ("FileType%dDes", "FileType%dExt",
// "PDFOut%d").
struct ExtraFileType {
  std::string description;
  std::string extension;  // as written, e.g. "*.tif"
  int pdfOut = 0;         // 1: a PDF is made first and converted afterwards
};

// Interpreter kinds.
enum InterpreterKindValue {
  kDistiller = 0,
  kOwnGhostscript = 1,
  kGhostscript = 2,
  kPStill = 3,
  kNoInterpreter = -1,
  kUnknownInterpreter = -3,
};

struct JobRecord {
  // Paths (short paths once the file exists).
  PathText spoolFile;
  PathText outputPath;
  PathText workFile;        // "vlo": the interpreter's result
  PathText utilityOutFile;  // "vlx": what the utility writes
  PathText backupFile;      // "vlt": the previous file at outputPath
  PathText prologueFile;
  PathText epilogueFile;
  PathText commandFile;
  PathText installDir;
  Bounded<261> systemDir;
  PathText fontsDir;
  PathText tempDir;
  Bounded<261> interpreterExe;
  PathText includePath;
  PathText optionsFile;
  PathText lastDirectory;
  PathText defaultPath;
  PathText convertTarget;
  PathText paramsFile;

  // Names and texts.
  NameText printerName;
  PathText documentName;
  Bounded<kTitleCapacity> title;
  Bounded<kTitleCapacity> rawTitle;
  PathText pdfSettingsName;
  ErrorLog errorLog;
  Bounded<kMessageCapacity> messageText;
  Bounded<100> messageCaption;
  Bounded<kMessageCapacity> captionText;  // the second loader's buffer
  Bounded<260> autoNamePrefix;
  PathText postProcessCommand;
  NameText existingFilePassword;  // typed in the password dialog
  std::string defaultExtension = "pdf";

  // Numbers and flags.
  int pageCount = 0;
  int keepSpoolFile = 0;
  int interpreterKind = kNoInterpreter;
  int interpreterFound = 0;
  int existingFileMode = 0;  // 0 none, 1 replace, 2 append, 3 prepend
  int postScriptOnly = 0;
  int conversionFailed = 0;
  int viewAfterConversion = 0;
  int autoEmail = 0;
  int suppressDialog = 0;
  int autoNameIncrement = 0;
  int autoNameTitle = 0;
  int autoNameTitleExplicit = 0;
  int copyNameToClipboard = 0;
  int distiller6Syntax = 0;
  int defaultFilterIndex = 1;
  int filterIndex = 1;
  std::vector<ExtraFileType> extraFileTypes;
  std::vector<int> convertedTypeFlags;  // one per extra type
  int backupMade = 0;
  // Set when the backup could not be put back: it then stays where it is so
  // that the previous document is never lost.
  int keepBackup = 0;
  int pdfReaderInstalled = 0;
  int presetFilesInUse = 0;
  // The second write test of the pipeline failed: view with the PDF
  // reader's own program instead of the shell.
  int viewWithReaderProgram = 0;
  // Whether the Save dialog (or an automatic rule) produced a name.
  int nameChosen = 0;
  // How the result claims its name when it is put in place. A name made
  // with a counter or a unique number is only chosen when the job is named;
  // jobs running at once may choose the same one, and the one that places
  // its result first gets it while the others move on to the next name.
  // kClaimChosen: the name as it stands, replacing a file there.
  int nameClaim = 0;
  std::string claimHead;       // folder and prefix of numbered names
  std::string claimName;       // the title part
  std::string claimExtension;  // without its dot
  // The interpreter wrote outputPath itself (Distiller, interpreter types);
  // every other result leaves the user's file alone until it replaces it.
  int outputWritten = 0;
  // The spool file is a PDF: Ghostscript runs it as it is, and without
  // Ghostscript it is handed on as it came.
  int pdfJob = 0;
  // The interpreter found at start-up. Choosing PostScript output sets
  // interpreterKind to -1; a PDF job still needs Ghostscript to make it.
  int foundInterpreterKind = kNoInterpreter;
};

enum NameClaim {
  kClaimChosen = 0,
  kClaimCounter = 1,  // claimHead + claimName + [n] + "." + claimExtension
  kClaimUnique = 2,   // a fresh uniqueName of the prefix per attempt
};

}  // namespace vellora
