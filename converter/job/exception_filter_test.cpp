#include "converter/job/exception_filter.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

const std::string kSep = platform::kPathSeparator;

class ExceptionFilterTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    job.tempDir = machine.path("work");
    platform::createDirectories(job.tempDir);
    job.errorLog.append("banner\n");
  }
  JobRecord job;
};

TEST_F(ExceptionFilterTest, TheCodeIsLoggedInDecimalAndTheLogWritten) {
  job.installDir = machine.path("product");
  platform::createDirectories(job.installDir);
  const char* written = recordException(job, static_cast<int>(0xC0000005u));
  std::string expected = "banner\n\nException has been thrown, code: -1073741819\n";
  EXPECT_EQ(job.errorLog.str(), expected);
  ASSERT_NE(written, nullptr);
  EXPECT_EQ(std::string(written), job.installDir.str() + kSep + "vlconv.log");
  EXPECT_EQ(testsupport::readFile(written), expected);
}

TEST_F(ExceptionFilterTest, WithoutAProductFolderTheWorkFolderHoldsTheLog) {
  const char* written = recordException(job, 0);
  ASSERT_NE(written, nullptr);
  EXPECT_EQ(std::string(written), job.tempDir.str() + kSep + "vlconv.log");
  EXPECT_EQ(testsupport::readFile(job.tempDir.str() + kSep + "vlconv.log"),
            "banner\n\nException has been thrown, code: 0\n");
  job.installDir = machine.path("read-only or missing");
  EXPECT_NE(recordException(job, 2147483647), nullptr);
  EXPECT_NE(testsupport::readFile(job.tempDir.str() + kSep + "vlconv.log")
                .find("code: 2147483647\n"),
            std::string::npos);
}

TEST_F(ExceptionFilterTest, WithNowhereToWriteNoLogIsNamed) {
  job.tempDir = machine.path("missing");
  EXPECT_EQ(recordException(job, 5), nullptr);
}

}  // namespace
}  // namespace vellora
