#include "monitor/page_count.h"

#include <gtest/gtest.h>

#include "monitor/cups_log.h"
#include "monitor/desktop_session.h"

namespace vellora {
namespace monitor {
namespace {

int pagesOf(const std::string& job, std::size_t piece = 0) {
  PageCounter counter;
  if (piece == 0) piece = job.size() ? job.size() : 1;
  for (std::size_t at = 0; at < job.size(); at += piece) counter.feed(job.data() + at, std::min(piece, job.size() - at));
  return counter.pages();
}

TEST(PageCounter, ReadsTheHeaderOrTheTrailerAndSkipsEmbeddedDocuments) {
  EXPECT_EQ(3, pagesOf("%!PS-Adobe-3.0\n%%Pages: 3\n%%EndComments\n"));
  EXPECT_EQ(3, pagesOf("%!PS-Adobe-3.0\r\n%%Pages: 3\r\n", 1));  // CR LF, fed byte by byte
  EXPECT_EQ(12, pagesOf("%!PS\n%%Pages: (atend)\n%%Page: 1 1\n%%Trailer\n%%Pages: 12\n%%EOF\n", 5));
  // An embedded EPS names its own pages; the job's count is the outer one.
  EXPECT_EQ(2, pagesOf("%!PS\n%%Pages: 2\n%%BeginDocument: x.eps\n%%Pages: 40\n%%EndDocument\n"));
  EXPECT_EQ(5, pagesOf("%!PS\n%%Pages: (atend)\n%%BeginDocument: a\n%%Pages: 9\n%%EndDocument\n%%Pages: 5"));
  // ... also where the job's own trailer never comes.
  EXPECT_EQ(1, pagesOf("%!PS\n%%Pages: (atend)\n%%BeginDocument: a\n%%Pages: 9\n%%EndDocument\n%%EOF\n"));
  // No count, a broken one, zero, or a trailer that never comes: one page.
  EXPECT_EQ(1, pagesOf("%!PS\nshowpage\n"));
  EXPECT_EQ(1, pagesOf("%!PS\n%%Pages: many\n"));
  EXPECT_EQ(1, pagesOf("%!PS\n%%Pages: 0\n"));
  EXPECT_EQ(1, pagesOf("%!PS\n%%Pages: (atend)\n"));
  EXPECT_EQ(1, pagesOf(""));
  // Huge counts are capped, never overflow.
  EXPECT_EQ(PageCounter::kMaxPages, pagesOf("%%Pages: 99999999999999999999999\n"));
  // A comment after a very long line still counts.
  EXPECT_EQ(7, pagesOf(std::string(100000, 'x') + "\n%%Pages: 7\n", 4096));
}

TEST(CupsLog, TextFromAJobCannotStartALineOfItsOwn) {
  EXPECT_EQ("Report?ATTR: marker-levels=0?PPD: *x", loggable("Report\nATTR: marker-levels=0\rPPD: *x"));
  EXPECT_EQ("abc...", loggable("abcdef", 3));
  EXPECT_EQ("tab?del?", loggable("tab\tdel\x7F"));
  EXPECT_EQ("Gr\xC3\xBC\xC3\x9F" "e", loggable("Gr\xC3\xBC\xC3\x9F" "e"));
}

TEST(DesktopSession, TheDisplayVariablesOfAProcessThatHasADisplay) {
  EXPECT_EQ((std::vector<std::string>{"DISPLAY=:0", "XAUTHORITY=/run/user/1000/gdm/Xauthority",
                                      "DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/1000/bus"}),
            desktopVariablesIn({"PATH=/usr/bin", "DISPLAY=:0", "XAUTHORITY=/run/user/1000/gdm/Xauthority",
                                "DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/1000/bus", "DISPLAYX=1"}));
  EXPECT_EQ((std::vector<std::string>{"WAYLAND_DISPLAY=wayland-0", "XDG_RUNTIME_DIR=/run/user/1000"}),
            desktopVariablesIn({"WAYLAND_DISPLAY=wayland-0", "XDG_RUNTIME_DIR=/run/user/1000"}));
  // Bus and runtime folder alone are no desktop; an empty display is none.
  EXPECT_TRUE(desktopVariablesIn({"XDG_RUNTIME_DIR=/run/user/1000", "DISPLAY="}).empty());
}

}  // namespace
}  // namespace monitor
}  // namespace vellora
