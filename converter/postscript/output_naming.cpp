#include "converter/postscript/output_naming.h"

#include <cstdint>

#include "common/text.h"
#include "converter/job/job_helpers.h"
#include "converter/postscript/spool_title.h"
#include "converter/settings/expand_environment.h"
#include "converter/settings/settings_keys.h"
#include "converter/settings/store_access.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text_encoding.h"

namespace vellora {

namespace {

constexpr std::size_t kLogonNameLength = 100;
// File times of two jobs started within one tick of a coarse system clock are
// equal; a taken name is tried again this many times, a millisecond apart.
constexpr int kUniqueNameAttempts = 1000;
// Numbered names are counted up at most this far; a folder where all are
// taken (or where every name reads as taken) ends the count.
constexpr int kCounterLimit = 10000;
constexpr char kUntitled[] = "Untitled";

bool machineAutoName() { return readStoreNumber(StoreKey::kMachine, "autoname") == 1; }

bool isControl(unsigned char c) { return c < 32 || c == 127; }

// Characters a file name must not hold: the reserved ones of Windows names
// (both separators among them) and control characters.
char fileNameChar(unsigned char c) {
  switch (c) {
    case '"': case '*': case '/': case ':': case '<': case '>': case '?': case '\\': case '|':
      return '_';
    default:
      return isControl(c) ? '_' : static_cast<char>(c);
  }
}

bool onlyDotsAndBlanks(const std::string& name) {
  return name.find_first_not_of(". ") == std::string::npos;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices on Windows whatever
// extension follows; writing a PDF there loses it.
bool isDeviceName(const std::string& word) {
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  for (const char* device : kDevices)
    if (equalsIgnoreCase(word, device)) return true;
  if (word.size() == 4 && word[3] >= '1' && word[3] <= '9') {
    const std::string stem = word.substr(0, 3);
    return equalsIgnoreCase(stem, "COM") || equalsIgnoreCase(stem, "LPT");
  }
  return false;
}

// The name with its tail (counter and extension) kept whole: when everything
// does not fit in 259 characters the title part gives way (never inside a
// character), so that the numbered names stay different from each other.
std::string fitName(const std::string& head, const std::string& name, const std::string& tail) {
  const std::size_t limit = kAutoNameCapacity - 1;
  if (head.size() + name.size() + tail.size() <= limit) return head + name + tail;
  const std::size_t fixed = head.size() + tail.size();
  const std::size_t room = fixed < limit ? limit - fixed : 0;
  const std::string whole = head + name.substr(0, platform::textCutPoint(name, room)) + tail;
  return whole.substr(0, platform::textCutPoint(whole, limit));
}

std::string numberedName(const std::string& head, const std::string& name, const std::string& ext,
                         int number) {
  return fitName(head, name, (number > 0 ? std::to_string(number) : std::string()) + "." + ext);
}

// The name while no file of it exists, else the next numbered one; counting
// stops at the limit (the name then stays taken and claiming it fails).
std::string countedName(const std::string& head, const std::string& name, const std::string& ext) {
  std::string candidate = numberedName(head, name, ext, 0);
  for (int n = 1; n <= kCounterLimit && platform::fileExists(candidate); ++n) {
    std::string next = numberedName(head, name, ext, n);
    if (next == candidate) break;  // the folder and prefix alone fill the name
    candidate = next;
  }
  return candidate;
}

// A prefix is part of a file name: a separator in it would lead elsewhere.
std::string prefixFileName(const std::string& prefix) {
  std::string name;
  for (char c : prefix) name += fileNameChar(static_cast<unsigned char>(c));
  return name;
}

// Where numbered title names go: the folder and prefix, with the unique
// number of an incrementing prefix fixed once per job.
std::string titleNameHead(const JobRecord& job) {
  if (job.autoNameIncrement) return job.defaultPath.str() + uniqueName(job.autoNamePrefix) + "-";
  return job.defaultPath.str() + job.autoNamePrefix.str();
}

// The title's file name, or the document's, or "Untitled": a name is never
// only its extension (a hidden ".pdf").
std::string nameForTitle(const JobRecord& job, const std::string& title) {
  std::string name = titleFileName(title);
  if (name.empty()) name = titleFileName(job.documentName);
  if (name.empty()) name = kUntitled;
  return name;
}

void deleteDocumentsValue(platform::RegRoot root, const std::string& name) {
  platform::RegKey key;
  if (key.open(root, kDocumentsKey, platform::kRegWrite) == platform::kRegOk) key.deleteValue(name);
}

std::string incrementName(const JobRecord& job) {
  return unusedName([&job]() {
    return formatCut(kPathCapacity, "%s%s.%s", job.defaultPath.c_str(),
                     uniqueName(job.autoNamePrefix).c_str(), job.defaultExtension.c_str());
  });
}

}  // namespace

std::string unusedName(const std::function<std::string()>& candidate, int* attempts) {
  std::string name = candidate();
  int tries = 1;
  while (platform::fileExists(name) && tries < kUniqueNameAttempts) {
    platform::sleepMilliseconds(1);
    name = candidate();
    ++tries;
  }
  if (attempts) *attempts = tries;
  return name;
}

std::string titleFileName(const std::string& title) {
  const std::string work = title.substr(0, platform::textCutPoint(title, kTitleWorkCapacity - 1));
  std::string name;
  for (std::size_t i = applicationPrefixLength(work); i < work.size(); ++i) {
    unsigned char code = static_cast<unsigned char>(work[i]);
    if (octalEscapeAt(work, i, &code)) i += 3;
    // Decoded characters are replaced like typed ones: an escaped slash or
    // backslash must not become a separator, a NUL must not end the name.
    name += fileNameChar(code);
  }
  // The escapes are bytes of the Windows code page the document was printed
  // from; the name must be text of this system's file names.
  name = cutTitleExtension(platform::textFromAnsi(name), false);

  // "." and ".." (and names Windows trims to them) would leave the folder.
  if (!name.empty() && onlyDotsAndBlanks(name)) name.assign(name.size(), '_');
  // A document titled ".bashrc" must not become a hidden file the user
  // cannot find.
  if (platform::kLeadingDotHides)
    for (std::size_t i = 0; i < name.size() && name[i] == '.'; ++i) name[i] = '_';

  std::string::size_type wordEnd = name.find('.');
  if (wordEnd == std::string::npos) wordEnd = name.size();
  while (wordEnd > 0 && name[wordEnd - 1] == ' ') --wordEnd;
  if (isDeviceName(name.substr(0, wordEnd))) name.insert(wordEnd, "_");
  return name;
}

std::string uniqueName(const std::string& prefix) {
  const std::uint64_t now = platform::systemTimeAsFileTime();
  const std::int32_t high = static_cast<std::int32_t>(static_cast<std::uint32_t>(now >> 32));
  const std::int32_t low = static_cast<std::int32_t>(static_cast<std::uint32_t>(now & 0xFFFFFFFFu));
  const std::string user = cut(platform::userName(), kLogonNameLength + 1);
  return format("%s%s-%d%d", prefix.c_str(), user.c_str(), static_cast<int>(high),
                static_cast<int>(low));
}

std::string autoNameFromTitle(const JobRecord& job, const std::string& title) {
  const std::string name = nameForTitle(job, title);
  const std::string& ext = job.defaultExtension;

  if (machineAutoName()) {
    const std::string folder =
        expandEnvironment(readRegistryString(platform::HKLM, kMachineKey, "autonamepath"));
    return fitName(folder + platform::kPathSeparator, name, "." + ext);
  }
  if (!job.suppressDialog) return name.substr(0, platform::textCutPoint(name, kAutoNameCapacity - 1));
  return countedName(titleNameHead(job), name, ext);
}

std::string pdfOutputName(const std::string& path) {
  return endsWithIgnoreCase(path, ".pdf") ? path : path + ".pdf";
}

std::string claimCandidate(const JobRecord& job, int attempt) {
  if (job.nameClaim == kClaimCounter)
    return numberedName(job.claimHead, job.claimName, job.claimExtension, attempt);
  if (job.nameClaim == kClaimUnique)
    return formatCut(kPathCapacity, "%s%s.%s", job.claimHead.c_str(),
                     uniqueName(job.autoNamePrefix).c_str(), job.claimExtension.c_str());
  return job.outputPath;
}

std::string presetName(const std::string& title) {
  std::string value = readRegistryString(platform::HKLM, kDocumentsKey, title);
  if (!value.empty())
    deleteDocumentsValue(platform::HKLM, title);
  else
    value = readRegistryString(platform::HKLM, kMachineKey, "saveas");
  return cut(expandEnvironment(value), kPresetNameCapacity);
}

std::string suggestedName(const std::string& rawTitle) {
  std::string value = readRegistryString(platform::HKCU, kDocumentsKey, rawTitle);
  if (value.empty()) return std::string();
  deleteDocumentsValue(platform::HKCU, rawTitle);

  // The value is a path: colons and the separators stay.
  const char separator = platform::kPathSeparator[0];
  std::string name = cut(value, kTitleWorkCapacity);
  for (char& c : name) {
    const unsigned char code = static_cast<unsigned char>(c);
    if (c == separator || c == ':' || c == '\\') continue;
    c = fileNameChar(code);
  }
  name = cutTitleExtension(name, false);
  return formatCut(kAutoNameCapacity, "%s.pdf", name.c_str());
}

std::string applyNamingOptions(JobRecord& job, const CommandOptions& options,
                               const SettingsRecord& settings, const LockTable& locks) {
  std::string folder;
  if (options.hasDefaultPath) {
    job.lastDirectory = options.defaultPath;
    job.defaultPath = expandEnvironment(options.defaultPath);
    // Names are made as folder + name: a folder written without its
    // separator would put "outReport.pdf" beside it instead of into it.
    if (!job.defaultPath.empty() && !endsWithIgnoreCase(job.defaultPath, platform::kPathSeparator) &&
        platform::isDirectory(job.defaultPath))
      job.defaultPath = job.defaultPath.str() + platform::kPathSeparator;
    // The folder the dialog opens, and the one a job saved without asking
    // goes to, is a real folder: "%HOME%/Documents/" as written would be a
    // folder named "%HOME%" below wherever the converter happens to run.
    folder = job.defaultPath.str();
  } else {
    if (job.lastDirectory.empty())
      job.lastDirectory = readRegistryString(platform::HKCU, kUserKey, "LastDirectory");
    if (!job.lastDirectory.empty() && platform::fileExists(job.lastDirectory))
      folder = job.lastDirectory;
    else
      folder = platform::documentsFolder();
  }
  const std::string settingsPath = fieldText(settings.DefaultPath);
  if (!settingsPath.empty() && locks.of("DefaultPath") == 0) {
    job.lastDirectory = settingsPath;
    folder = job.lastDirectory;
  }

  if (options.hasAutoNamePrefix)
    job.autoNamePrefix = prefixFileName(expandEnvironment(options.autoNamePrefix));
  job.autoNameIncrement = options.autoNameIncr ? 1 : 0;
  job.suppressDialog = options.suppressDialog ? 1 : 0;
  job.autoNameTitleExplicit = options.autoNameTitleExplicit ? 1 : 0;
  if (locks.of("AutoName") == 0) job.autoNameTitle = options.autoNameTitle ? 1 : 0;
  return folder;
}

NamingResult nameOutput(JobRecord& job, const std::string& initialFolder) {
  NamingResult result;
  result.initialFolder = initialFolder;
  const std::string& ext = job.defaultExtension;

  job.outputPath.clear();
  job.nameClaim = kClaimChosen;
  if (machineAutoName()) job.outputPath = autoNameFromTitle(job, job.title);
  if (job.outputPath.size() < 2) job.outputPath = presetName(job.title);
  if (job.suppressDialog) {
    if (job.autoNameIncrement) {
      job.outputPath = incrementName(job);
      job.nameClaim = kClaimUnique;
      job.claimHead = job.defaultPath.str();
      job.claimExtension = ext;
    } else if (job.autoNameTitle && job.autoNameTitleExplicit) {
      job.outputPath = job.title.str();
    } else if (job.autoNameTitle && !machineAutoName()) {
      job.nameClaim = kClaimCounter;
      job.claimHead = titleNameHead(job);
      job.claimName = nameForTitle(job, job.title);
      job.claimExtension = ext;
      job.outputPath = countedName(job.claimHead, job.claimName, ext);
    } else if (job.autoNameTitle) {
      job.outputPath = autoNameFromTitle(job, job.title);
    } else
      job.outputPath = formatCut(kPathCapacity, "%s%s.%s", job.defaultPath.c_str(),
                                 job.autoNamePrefix.c_str(), ext.c_str());
  }

  if (job.outputPath.size() >= 2) {
    result.nameProduced = true;
    result.initialName = job.outputPath;
    job.nameChosen = 1;
    job.filterIndex = job.defaultFilterIndex;
    return result;
  }

  job.nameChosen = 0;
  std::string name = job.outputPath;
  if (job.autoNameIncrement) name = uniqueName(job.autoNamePrefix);
  if (job.autoNameTitle)
    name = job.autoNameTitleExplicit ? job.title.str() : autoNameFromTitle(job, job.title);
  result.savedName = suggestedName(job.rawTitle);
  if (!result.savedName.empty()) name = result.savedName;
  job.outputPath = name;
  result.initialName = job.outputPath;
  return result;
}

}  // namespace vellora
