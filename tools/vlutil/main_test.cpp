#include "tools/vlutil/testing_pdfs.h"

#include "platform/process.h"

namespace vlutil_testing {
namespace {

class VlutilArgumentsTest : public VlutilTest {};

TEST_F(VlutilArgumentsTest, UsageAndVersion) {
  RunResult bare = vlutil({});
  EXPECT_EQ(97, bare.exitCode);
  EXPECT_NE(std::string::npos, bare.output.find("usage: vlutil i FILE"));
  RunResult version = vlutil({"--version"});
  EXPECT_EQ(0, version.exitCode);
  EXPECT_NE(std::string::npos, version.output.find("libqpdf 11."));
  EXPECT_NE(std::string::npos, version.output.find("usage:"));
}

TEST_F(VlutilArgumentsTest, WrongCountsAndUnknownCommandsAreRefused) {
  makePdf(path("in.pdf"), PdfRecipe());
  const std::string in = path("in.pdf"), out = path("out.pdf");
  const std::vector<std::vector<std::string>> bad = {
      {"x", in},
      {"I", in},
      {"i"},
      {"i", in, in},
      {"c", in, in, out, "t", "s", "k", "a"},
      {"c", in, in, out, "t", "s", "k", "a", "p", "extra"},
      {"w", in, in},
      {"b", in, in, out, out},
      {"e", in, out, "u", "o", "10100000"},
      {"e", in, out, "u", "o", "10100000", "128", "x"},
      {"p", in, out},
      {"p", in, out, "Vellora", "x"},
      {"f", in, out},
      {"f", in, out, "Vellora", "x"},
  };
  for (const auto& arguments : bad) {
    RunResult result = vlutil(arguments);
    EXPECT_EQ(97, result.exitCode) << arguments[0] << " with " << arguments.size() - 1;
    EXPECT_NE(std::string::npos, result.output.find("usage:")) << arguments[0];
  }
  EXPECT_FALSE(exists(out));
}

TEST_F(VlutilArgumentsTest, AnOutputThatIsAnInputIsRefused) {
  makePdf(path("in.pdf"), PdfRecipe());
  makePdf(path("other.pdf"), PdfRecipe());
  std::string before = readBytes(path("in.pdf"));
  const std::string in = path("in.pdf"), other = path("other.pdf");
  // The same file under another spelling counts too.
  const std::string alias = path(".") + "/in.pdf";
  EXPECT_EQ(97, vlutil({"c", other, in, alias, "", "", "", "", ""}).exitCode);
  EXPECT_EQ(97, vlutil({"w", in, other, alias}).exitCode);
  EXPECT_EQ(97, vlutil({"b", other, in, in}).exitCode);
  EXPECT_EQ(97, vlutil({"e", in, alias, "u", "o", "10100000", "40"}).exitCode);
  EXPECT_EQ(97, vlutil({"p", in, alias, "Vellora"}).exitCode);
  EXPECT_EQ(before, readBytes(path("in.pdf")));
}

TEST_F(VlutilArgumentsTest, AnOutputThatCannotBeWrittenIsAFailureWithAName) {
  makePdf(path("in.pdf"), PdfRecipe());
  const std::string in = path("in.pdf"), out = path("no-such-folder/out.pdf");
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {"c", in, in, out, "", "", "", "", ""},
           {"w", in, in, out},
           {"b", in, in, out},
           {"e", in, out, "u", "o", "10100000", "128"},
           {"p", in, out, "Vellora"}}) {
    RunResult result = vlutil(arguments);
    EXPECT_EQ(98, result.exitCode) << arguments[0] << ": " << result.output;
    EXPECT_NE(std::string::npos, result.output.find("cannot write")) << result.output;
  }
  EXPECT_EQ((std::vector<std::string>{"in.pdf"}), folderEntries());
}

// The converter starts the check of the interpreter's result beside the
// interpreter, waiting for the word to go.
TEST_F(VlutilArgumentsTest, WhenToldWaitsForTheWordToGo) {
  makePdf(path("in.pdf"), PdfRecipe());
  const std::string in = path("in.pdf"), out = path("out.pdf");
  RunResult untold = vlutil({"--when-told", "p", in, out, "Vellora"});  // input: empty
  EXPECT_EQ(96, untold.exitCode) << untold.output;
  EXPECT_EQ(97, vlutil({"--when-told"}).exitCode);
  for (const std::string word : {"stop", "go"}) {
    platform::ChildProcess child;
    platform::StartOptions options;
    options.captureOutput = true;
    options.feedInput = true;
    ASSERT_TRUE(child.start(platform::quoteArgument(VLUTIL_PATH) + " --when-told p " +
                                platform::quoteArgument(in) + " " + platform::quoteArgument(out) +
                                " Vellora",
                            options));
    platform::sleepMilliseconds(200);
    EXPECT_TRUE(child.running()) << word;
    EXPECT_FALSE(exists(out)) << word;
    ASSERT_TRUE(child.writeInput(word + "\n"));
    child.closeInput();
    char buffer[256];
    while (child.readOutput(buffer, sizeof buffer) > 0) {
    }
    ASSERT_EQ(platform::kWaitDone, child.wait(30000));
    EXPECT_EQ(word == "go" ? 0 : 96, child.exitCode()) << word;
    EXPECT_EQ(word == "go", exists(out)) << word;
  }
}

}  // namespace
}  // namespace vlutil_testing
