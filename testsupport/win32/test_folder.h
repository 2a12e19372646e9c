// A scratch folder of its own for one Windows backend test, removed with
// everything in it when the test ends.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "platform/files.h"

namespace platform {
namespace win32test {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string name;
    // A unique name from the system, turned into a folder of that name.
    if (createTempFile(tempPath(), "vts", &name) == 0 && deleteFile(name) &&
        createDirectory(name)) {
      path_ = name;
    }
  }
  ~ScratchFolder() {
    if (!path_.empty()) removeTree(path_);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

}  // namespace win32test
}  // namespace platform
