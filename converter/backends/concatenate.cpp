#include "converter/backends/concatenate.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "converter/job/job_helpers.h"
#include "converter/job/run_log.h"
#include "converter/ui/small_windows.h"
#include "converter/ui/string_table.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/ui.h"

namespace vellora {

namespace {

constexpr std::size_t kCopyBlock = 65536;
// Progress bars count in 16 bits; longer spool files are shown in coarser units.
constexpr std::uint64_t kMaximumRange = 65535;
constexpr int kFinalPause = 700;

class SpoolFile {
 public:
  explicit SpoolFile(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {}
  ~SpoolFile() {
    if (file_) std::fclose(file_);
  }
  SpoolFile(const SpoolFile&) = delete;
  SpoolFile& operator=(const SpoolFile&) = delete;
  std::FILE* get() const { return file_; }

 private:
  std::FILE* file_;
};

// What the platform's text mode stores for "\n", learnt by letting it write
// one into the new output file, so that the text pieces come out exactly as
// a text-mode copy would write them while the output itself stays binary.
bool createWithLineEnd(const std::string& path, platform::OutputFile& out, std::string* lineEnd) {
  platform::OutputFile probe;
  if (!probe.create(path, platform::OutputFile::kText, platform::OutputFile::kNewPrivate) ||
      !probe.write("\n") || !probe.close())
    return false;
  std::string bytes;
  if (!platform::readBinaryFile(path, &bytes) || bytes.empty()) return false;
  *lineEnd = bytes;
  return out.create(path, platform::OutputFile::kBinary);
}

bool copyText(const std::string& path, const std::string& lineEnd, platform::OutputFile& out) {
  platform::TextReader reader;
  if (path.empty() || !reader.open(path)) return true;
  std::string line;
  bool ok = true;
  while (ok && reader.readLine(&line)) ok = out.write(line) && out.write(lineEnd);
  return ok;
}

}  // namespace

int concatenatePostScript(JobRecord& job, const std::string& paramsFile,
                          const std::string& prologueFile, const std::string& spoolFile,
                          const std::string& epilogueFile, const std::string& outputFile) {
  std::unique_ptr<ProgressWindow> window = openProgressWindow();

  SpoolFile spool(spoolFile);
  if (!spool.get()) {
    appendLog(job.errorLog, "%s\nCould not read the spool file: %s\n%s\n", spoolFile.c_str(),
              std::strerror(errno));
    return 0;
  }
  std::uint64_t length = 0;
  platform::fileSize(spoolFile, &length);
  const std::uint64_t unit = length > kMaximumRange ? length / kMaximumRange + 1 : 1;
  const int high = static_cast<int>(length / unit);
  if (window) {
    window->setRange(0, high);
    window->setStep(1);
    window->setPosition(1);
    window->repaint();
  }

  platform::deleteFile(outputFile);
  platform::OutputFile out;
  std::string lineEnd;
  if (!createWithLineEnd(outputFile, out, &lineEnd)) {
    appendLog(job.errorLog, "%s\nCould not create the PostScript file: %s\n", outputFile.c_str());
    window.reset();
    showMessageId(job, kStrCannotCreatePostScript, platform::kMbIconWarning);
    return 0;
  }

  bool ok = copyText(paramsFile, lineEnd, out) && copyText(prologueFile, lineEnd, out);
  std::uint64_t copied = 0;
  char last = '\n';
  std::unique_ptr<char[]> block(new char[kCopyBlock]);
  std::size_t n;
  while (ok && (n = std::fread(block.get(), 1, kCopyBlock, spool.get())) > 0) {
    ok = out.write(block.get(), n);
    copied += n;
    last = block[n - 1];
    if (window) {
      window->setPosition(static_cast<int>(copied / unit) + 1);
      window->repaint();
    }
  }
  if (std::ferror(spool.get())) ok = false;
  // The epilogue starts on a line of its own, as after a text copy.
  if (ok && last != '\n') ok = out.write(lineEnd);
  ok = ok && copyText(epilogueFile, lineEnd, out);
  if (!out.close()) ok = false;
  if (!ok) {
    appendLog(job.errorLog, "%s\nCould not write the PostScript file: %s\n", outputFile.c_str());
    return 0;
  }

  if (window) {
    window->setPosition(high + 1);
    window->repaint();
  }
  platform::sleepMilliseconds(kFinalPause);
  return 1;
}

}  // namespace vellora
