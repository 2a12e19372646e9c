// Files, folders and temporary names, with the semantics the converter was
// designed around (Windows' unique temporary names, find-first existence,
// text-mode reading).
#pragma once

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

// The last error of the calling thread, as the platform numbers it (Windows
// error codes there, errno values here). Every function below that fails sets it.
int lastError();
void setLastError(int code);
// The system's message text for an error code, at most 255 characters.
std::string errorText(int code);

// Creates a new empty file in dir named prefix (its first three characters at
// most), four hexadecimal digits and ".tmp", never reusing an existing name,
// and returns 0 with its path; safe when several processes create names in the
// same folder at once. Returns the error code on failure.
int createTempFile(const std::string& dir, const std::string& prefix, std::string* path);

// The short (8.3) form of an existing path; the path itself where the platform
// has no short names or the path does not exist.
std::string shortPath(const std::string& path);

// Copies a file. With failIfExists a present target makes the copy fail.
bool copyFile(const std::string& from, const std::string& to, bool failIfExists);
bool deleteFile(const std::string& path);
// Find-first semantics: true when a file or folder of exactly this name exists.
bool fileExists(const std::string& path);
bool isDirectory(const std::string& path);
// Whether an existing file can be opened for reading and writing while no
// one else has it open exclusively (false when another program holds it
// locked or the caller may not write it).
bool canOpenExclusively(const std::string& path);
// Creates one folder level; its parent must exist.
bool createDirectory(const std::string& path);
// Creates a folder and any missing parents (used by installers and tools).
bool createDirectories(const std::string& path);
bool fileSize(const std::string& path, std::uint64_t* size);
// Removes a folder and everything below it (tests and tools).
bool removeTree(const std::string& path);
// Names of the entries of a folder matching a pattern with "*" and "?"
// (letter case ignored), in no particular order.
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
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool create(const std::string& path, Mode mode);
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

}  // namespace platform
