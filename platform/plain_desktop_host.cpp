// A desktop backend's host in a program that keeps no record and reads no
// script: the backend gets the program's images and nothing else.
#include "platform/desktop.h"

namespace platform {

namespace {

class PlainDesktopHost : public DesktopHost {
 public:
  bool driven() const override { return false; }
  bool nextStep(const std::string&, DriveStep*) override { return false; }
  bool nextAnswer(const std::string&, std::string*) override { return false; }
  bool takeUnavailable(const std::string&) override { return false; }
  void record(const std::vector<std::string>&) override {}
  void snapshot(const Dialog&, const std::vector<const Dialog*>&, const std::string&, int,
                bool) override {}
  const ImageResource* image(int id) override { return findImageResource(id); }
  std::string screenshotPath(const std::string&) override { return std::string(); }
};

}  // namespace

DesktopHost& plainDesktopHost() {
  // Never destroyed: the backend it is handed to lives for the whole process.
  static PlainDesktopHost* host = new PlainDesktopHost;
  return *host;
}

}  // namespace platform
