// Files, folders and temporary names, with the semantics the converter was
// designed around (Windows' unique temporary names, find-first existence,
// text-mode reading).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// The platform's spelling of things the converter builds paths and command
// lines from.
extern const char kPathSeparator[];   // "\\" or "/"
extern const char kExeSuffix[];       // ".exe" or ""
extern const char kLineEnd[];         // what a text-mode "\n" is stored as: "\r\n" or "\n"
extern const char kPathListSeparator[];  // ";" or ":" (interpreter library paths)
// How long a path the buffers that hold short (8.3) paths take. Where the
// platform has short names a path is shortened to fit MAX_PATH; where it has
// none a path cannot be made shorter, so those buffers take any path the
// other path buffers take.
extern const std::size_t kShortPathCapacity;
// Whether a file name starting with "." is hidden from the user's file
// manager (POSIX), so that a name made from a title must not start with one.
extern const bool kLeadingDotHides;

// The last error of the calling thread, as the platform numbers it (Windows
// error codes there, errno values here). Every function below that fails sets it.
int lastError();
void setLastError(int code);
// The system's message text for an error code, at most 255 characters.
std::string errorText(int code);
// Whether an error code says that a file which had to be new already exists.
bool isFileExistsError(int code);

// Creates a new empty file in dir named prefix (its first three characters at
// most), four hexadecimal digits and ".tmp", never reusing an existing name,
// and returns 0 with its path; safe when several processes create names in the
// same folder at once. The file is created exclusively, never through a
// symbolic link, and only its owner may read it. Returns the error code on
// failure.
int createTempFile(const std::string& dir, const std::string& prefix, std::string* path);

// The path made absolute, with links in its folders resolved and, where
// file names ignore letter case, in one case: two spellings of one file give
// one text. The file itself need not exist.
std::string canonicalPath(const std::string& path);

// The short (8.3) form of an existing path; the path itself where the platform
// has no short names or the path does not exist.
std::string shortPath(const std::string& path);
// The long form of an existing path, as its user named it (the inverse of
// shortPath); the path itself where there is none.
std::string longPath(const std::string& path);

// Copies a file. With failIfExists a present target makes the copy fail; a
// target that is replaced keeps its permissions.
bool copyFile(const std::string& from, const std::string& to, bool failIfExists);
bool deleteFile(const std::string& path);
// Find-first semantics: true when a file or folder of exactly this name exists.
bool fileExists(const std::string& path);
bool isDirectory(const std::string& path);
// True for a plain file: not a folder, device, pipe, socket or symbolic link.
bool isRegularFile(const std::string& path);
// Whether an existing file can be opened for reading and writing while no
// one else has it open exclusively (false when another program holds it
// locked or the caller may not write it).
bool canOpenExclusively(const std::string& path);
// Creates one folder level; its parent must exist.
bool createDirectory(const std::string& path);
// Creates one folder level that only its owner may enter, or makes an
// existing folder of the caller's own private. False when the folder cannot
// be made, is not a folder, or belongs to someone else.
bool createPrivateDirectory(const std::string& path);
// Creates a folder and any missing parents (used by installers and tools).
bool createDirectories(const std::string& path);
bool fileSize(const std::string& path, std::uint64_t* size);
// Removes a folder and everything below it (tests and tools).
bool removeTree(const std::string& path);
// Names of the entries of a folder matching a pattern with "*" and "?"
// (letter case ignored; see platform/wildcard.h), in no particular order.
bool listDirectory(const std::string& dir, const std::string& pattern,
                   std::vector<std::string>* names);

// Known folders. None of them ends with a separator except tempPath(), which
// always does, as the Windows call it stands for.
std::string applicationDataFolder();
std::string documentsFolder();
std::string windowsFolder();
std::string systemFolder();
std::string printerDriverFolder();
std::string tempPath();
std::string currentDirectory();

// Line-by-line text-mode reading: a CR LF pair reads as "\n", a byte 26
// (Ctrl-Z) ends the file, a last line without "\n" is still a line.
class TextReader {
 public:
  TextReader() = default;
  ~TextReader();
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;

  bool open(const std::string& path);
  // The next line without its line end; false at the end of the file.
  bool readLine(std::string* line);
  // The rest of the file, line ends given as "\n".
  std::string readAll();
  void close();

 private:
  bool fill();
  std::FILE* file_ = nullptr;
  bool ended_ = false;
  char buffer_[4096];
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
};

// A file written from the start (truncating). In text mode every "\n" is
// stored as the platform's line end (CR LF on Windows).
class OutputFile {
 public:
  enum Mode { kText, kBinary };
  // kTruncate opens what is there (or creates it); kNewPrivate creates the
  // file exclusively, never through a symbolic link, readable by its owner
  // only, and fails when anything exists at the path.
  enum Creation { kTruncate, kNewPrivate };
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool create(const std::string& path, Mode mode, Creation creation = kTruncate);
  bool write(const std::string& data);
  bool write(const char* data, std::size_t size);
  // Flushes and closes; false when any write or the close failed.
  bool close();
  bool isOpen() const { return file_ != nullptr; }

 private:
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

// Whole-file helpers on top of the two classes.
bool writeTextFile(const std::string& path, const std::string& text);
bool readBinaryFile(const std::string& path, std::string* bytes);
bool writeBinaryFile(const std::string& path, const std::string& bytes);

// Byte-for-byte copy of `from` appended to an open output file.
bool appendFileTo(const std::string& from, OutputFile& out);

// The backend's exclusive, private creation behind OutputFile::kNewPrivate:
// an open stream in the given fopen mode, or nullptr (lastError() set).
std::FILE* openNewPrivateFile(const std::string& path, bool binary);

// Putting a finished file where the user expects it, in one step. A copy of
// the source is written beside the target (in the same folder, so that the
// last step is a rename within one volume) and flushed to disk; only then is
// it moved to the target's name. Whoever looks at the target sees the old
// file or the whole new one, never a part, and a process that dies on the
// way leaves the target as it was.
class FilePlacement {
 public:
  FilePlacement() = default;
  ~FilePlacement();  // deletes a copy that was never placed
  FilePlacement(const FilePlacement&) = delete;
  FilePlacement& operator=(const FilePlacement&) = delete;

  // A fresh name for the copy, beside target (beside the file a symbolic
  // link at target names). Nothing is created yet, so that the caller can
  // note the name first (a job that dies leaves only noted names behind).
  static std::string copyNameFor(const std::string& target);
  // Writes the copy of source at copyPath (created exclusively, readable by
  // its owner only until it is placed) and flushes it to disk.
  bool prepare(const std::string& source, const std::string& copyPath);
  // Moves the copy to target; fails with the file-exists error (and changes
  // nothing) when anything exists at target, even something that appeared a
  // moment ago. The new file gets the permissions a new file gets.
  bool placeNew(const std::string& target);
  // Moves the copy over target, replacing it whole; the replaced file's
  // permissions stay. A symbolic link at target stays and the file it names
  // is replaced.
  bool placeReplacing(const std::string& target);
  const std::string& copyPath() const { return copy_; }

 private:
  std::string copy_;
  bool placed_ = false;
};

// Holds a named lock that other processes of the same user wait for. The
// lock lives in a small file of its own (a lock file), so it never touches
// the file it stands for; it is let go when released or when the process
// ends in any way.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  FileLock(FileLock&& other) noexcept
      : state_(other.state_), removeWhenReleased_(other.removeWhenReleased_) {
    other.state_ = nullptr;
  }
  FileLock& operator=(FileLock&& other) noexcept {
    if (this != &other) {
      release();
      state_ = other.state_;
      removeWhenReleased_ = other.removeWhenReleased_;
      other.state_ = nullptr;
    }
    return *this;
  }

  // Takes the lock of lockPath (creating the lock file, readable by its
  // owner only), waiting while another process holds it. With
  // removeWhenReleased the lock file goes when the holder lets go (lock
  // files that only serialise); without it the file stays with its content
  // (a lease whose content tells who owned what).
  bool acquire(const std::string& lockPath, bool removeWhenReleased);
  // The same without waiting: false at once when someone holds it, and
  // false when the lock file does not exist (it is not created).
  bool tryAcquireExisting(const std::string& lockPath);
  // Appends text to the held lock file and flushes it.
  bool append(const std::string& text);
  // The held lock file's content.
  bool readAll(std::string* text);
  // Lets go; with removeFile the lock file is deleted first.
  void release(bool removeFile);
  void release() { release(removeWhenReleased_); }
  bool held() const;

 private:
  struct State;
  State* state_ = nullptr;
  bool removeWhenReleased_ = false;
};

}  // namespace platform
