#include "tools/vlutil/testing_pdfs.h"

namespace vlutil_testing {
namespace {

class VlutilExamineTest : public VlutilTest {};

TEST_F(VlutilExamineTest, TellsPlainFromOpenPasswordFromOwnerRestricted) {
  makePdf(path("plain.pdf"), PdfRecipe());
  makeEncryptedCopy(path("plain.pdf"), path("user.pdf"), "secret", "boss", true);
  makeEncryptedCopy(path("plain.pdf"), path("owner.pdf"), "", "boss", true);
  // Both passwords empty: anyone has the owner's rights, nothing to ask for.
  makeEncryptedCopy(path("plain.pdf"), path("open.pdf"), "", "", true);

  EXPECT_EQ(0, vlutil({"i", path("plain.pdf")}).exitCode);
  EXPECT_EQ(1, vlutil({"i", path("user.pdf")}).exitCode);
  EXPECT_EQ(2, vlutil({"i", path("owner.pdf")}).exitCode);
  EXPECT_EQ(0, vlutil({"i", path("open.pdf")}).exitCode);
}

TEST_F(VlutilExamineTest, InputsThatCannotBeReadGiveThree) {
  makePdf(path("plain.pdf"), PdfRecipe());
  std::string whole = readBytes(path("plain.pdf"));
  writeBytes(path("truncated.pdf"), whole.substr(0, whole.size() / 3) + "\x01garbage\xff");
  writeBytes(path("text.pdf"), "just some words, no PDF at all\n");
  writeBytes(path("empty.pdf"), "");
  writeBytes(path("header-only.pdf"), "%PDF-1.4\n1 0 obj << >> endobj\n%%EOF\n");

  for (const char* name :
       {"truncated.pdf", "text.pdf", "empty.pdf", "header-only.pdf", "missing.pdf"}) {
    RunResult result = vlutil({"i", path(name)});
    EXPECT_EQ(3, result.exitCode) << name << ": " << result.output;
    EXPECT_NE(std::string::npos, result.output.find("vlutil: cannot read")) << name;
  }
  // A folder is not a file either.
  EXPECT_EQ(3, vlutil({"i", path("")}).exitCode);
}

TEST_F(VlutilExamineTest, RecoverableDamageStillCountsAsUsable) {
  makePdf(path("plain.pdf"), PdfRecipe());
  std::string whole = readBytes(path("plain.pdf"));
  // A wrong startxref offset: qpdf rebuilds the cross-reference table.
  size_t at = whole.rfind("startxref");
  writeBytes(path("badxref.pdf"), whole.substr(0, at) + "startxref\n9\n%%EOF\n");
  EXPECT_EQ(0, vlutil({"i", path("badxref.pdf")}).exitCode);
}

}  // namespace
}  // namespace vlutil_testing
