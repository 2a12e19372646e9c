#include "monitor/job_options.h"

#include <gtest/gtest.h>

namespace vellora {
namespace monitor {
namespace {

TEST(JobOptions, ReadsPlainQuotedAndEscapedValuesAsTheSchedulerWritesThem) {
  const std::string options =
      "job-uuid=urn:uuid:5f4a job-originating-host-name=ws12.office.example "
      "document-name-supplied='Quarterly Report.ps' note=\"a \\\"b\\\" c\" media=A4 flag";
  EXPECT_EQ("ws12.office.example", jobOption(options, "job-originating-host-name"));
  EXPECT_EQ("Quarterly Report.ps", jobOption(options, "document-name-supplied"));
  EXPECT_EQ("a \"b\" c", jobOption(options, "note"));
  EXPECT_EQ("A4", jobOption(options, "media"));
  EXPECT_EQ("", jobOption(options, "flag"));
  EXPECT_EQ("", jobOption(options, "missing"));
  // A value that merely contains a name is no option of that name.
  EXPECT_EQ("", jobOption("x='job-originating-host-name=localhost'", "job-originating-host-name"));
  EXPECT_EQ("", jobOption("", "media"));
  EXPECT_EQ("b", jobOption("  a=   b=b", "b"));
}

TEST(JobOptions, OnlyJobsOfThisMachineAreFromHere) {
  EXPECT_TRUE(printedOnThisMachine("localhost"));
  EXPECT_TRUE(printedOnThisMachine("LocalHost"));
  EXPECT_TRUE(printedOnThisMachine(""));
  EXPECT_FALSE(printedOnThisMachine("ws12.office.example"));
  EXPECT_FALSE(printedOnThisMachine("192.168.1.20"));
  EXPECT_FALSE(printedOnThisMachine("localhost.evil.example"));
}

TEST(JobOptions, TheAnswerForAnExistingFileIsAppendPrependOrNone) {
  EXPECT_EQ("append", existingFileAnswer("media=A4 vellora-existing-file=append"));
  EXPECT_EQ("prepend", existingFileAnswer("vellora-existing-file=Prepend"));
  EXPECT_EQ("", existingFileAnswer("vellora-existing-file=replace"));
  EXPECT_EQ("", existingFileAnswer("vellora-existing-file='append; rm -rf ~'"));
  EXPECT_EQ("", existingFileAnswer("media=A4"));
}

}  // namespace
}  // namespace monitor
}  // namespace vellora
