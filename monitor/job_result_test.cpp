#include "monitor/job_result.h"

#include <gtest/gtest.h>

namespace vellora {
namespace monitor {
namespace {

TEST(SavedAs, NamesADocumentBelowTheHomeFromTheHome) {
  EXPECT_EQ("Saved as ~/Documents/Quarterly Report.pdf",
            savedAsText("/home/ann/Documents/Quarterly Report.pdf", "/home/ann"));
  EXPECT_EQ("Saved as ~/Report.pdf", savedAsText("/home/ann/Report.pdf", "/home/ann/"));
  // Another folder, one that only begins like the home, or a home of "/"
  // keep the whole path.
  EXPECT_EQ("Saved as /srv/scans/Report.pdf", savedAsText("/srv/scans/Report.pdf", "/home/ann"));
  EXPECT_EQ("Saved as /home/anna/Report.pdf", savedAsText("/home/anna/Report.pdf", "/home/ann"));
  EXPECT_EQ("Saved as /Report.pdf", savedAsText("/Report.pdf", "/"));
  EXPECT_EQ("Saved as /home/ann", savedAsText("/home/ann", "/home/ann"));
}

}  // namespace
}  // namespace monitor
}  // namespace vellora
