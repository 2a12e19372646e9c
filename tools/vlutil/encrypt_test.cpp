#include "tools/vlutil/testing_pdfs.h"

#include <map>
#include <sstream>

namespace vlutil_testing {
namespace {

// "print high resolution" -> true, from qpdf --show-encryption, plus "R" and "P".
using Report = std::map<std::string, std::string>;

Report showEncryption(const std::string& file, const std::string& password) {
  RunResult result = run({"qpdf", "--show-encryption", "--password=" + password, file});
  Report report;
  std::istringstream lines(result.output);
  std::string line;
  while (std::getline(lines, line)) {
    size_t colon = line.find(": ");
    size_t equals = line.find(" = ");
    if (colon != std::string::npos)
      report[line.substr(0, colon)] = line.substr(colon + 2);
    else if (equals != std::string::npos)
      report[line.substr(0, equals)] = line.substr(equals + 3);
    else
      report[line] = "";
  }
  return report;
}

// The rights as seen through the user password, in a fixed order.
std::string rights(const Report& report) {
  static const char* kLines[] = {"print high resolution",   "print low resolution",
                                 "modify other",            "extract for any purpose",
                                 "modify annotations",      "modify forms",
                                 "extract for accessibility", "modify document assembly"};
  std::string text;
  for (const char* name : kLines) {
    auto found = report.find(name);
    text += found == report.end() ? '?' : found->second == "allowed" ? '1' : '0';
  }
  return text;
}

class VlutilEncryptTest : public VlutilTest {
 protected:
  void SetUp() override {
    VlutilTest::SetUp();
    PdfRecipe recipe;
    recipe.pages = 2;
    makePdf(path("in.pdf"), recipe);
  }
  Report encryptAndShow(const std::string& digits, const std::string& bits,
                        const std::string& user = "u", const std::string& owner = "o") {
    RunResult result =
        vlutil({"e", path("in.pdf"), path("out.pdf"), user, owner, digits, bits});
    EXPECT_EQ(0, result.exitCode) << digits << " " << bits << ": " << result.output;
    return showEncryption(path("out.pdf"), user);
  }
};

TEST_F(VlutilEncryptTest, PrintingAndCopyingOnlyAtBothKeyLengths) {
  std::string before = readBytes(path("in.pdf"));
  Report strong = encryptAndShow("10100000", "128");
  EXPECT_EQ("3", strong["R"]);
  EXPECT_EQ("11010000", rights(strong));
  EXPECT_EQ(2u, pageContents(path("out.pdf"), "u").size());
  EXPECT_EQ(0, run({"qpdf", "--check", "--password=u", path("out.pdf")}).exitCode);

  Report weak = encryptAndShow("10100000", "40");
  EXPECT_EQ("2", weak["R"]);
  EXPECT_EQ("not allowed", weak["modify other"]);
  EXPECT_EQ("not allowed", weak["modify annotations"]);
  EXPECT_EQ("allowed", weak["print high resolution"]);
  EXPECT_EQ("allowed", weak["extract for any purpose"]);
  EXPECT_EQ(before, readBytes(path("in.pdf")));

  // The user password is needed to open it, the owner password opens it too.
  EXPECT_EQ(0, run({"qpdf", "--requires-password", path("out.pdf")}).exitCode);
  EXPECT_NE(std::string::npos,
            run({"qpdf", "--show-encryption", "--password=o", path("out.pdf")})
                .output.find("Supplied password is owner password"));
}

TEST_F(VlutilEncryptTest, EachDigitWithholdsItsOwnRightAt128Bits) {
  // digits: printing, modify, copy, annotations, fill-in, screen reading,
  // assembly, degraded printing.
  EXPECT_EQ("11111111", rights(encryptAndShow("11111111", "128")));
  EXPECT_EQ("01111111", rights(encryptAndShow("01111111", "128")));  // low resolution only
  EXPECT_EQ("11011111", rights(encryptAndShow("10111111", "128")));
  EXPECT_EQ("11101111", rights(encryptAndShow("11011111", "128")));
  EXPECT_EQ("11110111", rights(encryptAndShow("11101111", "128")));
  EXPECT_EQ("11111011", rights(encryptAndShow("11110111", "128")));
  EXPECT_EQ("11111101", rights(encryptAndShow("11111011", "128")));
  EXPECT_EQ("11111110", rights(encryptAndShow("11111101", "128")));
}

TEST_F(VlutilEncryptTest, PrintingFollowsBothPrintDigits) {
  // EAllowPrinting wins; a degraded-printing 0 takes nothing away from it.
  EXPECT_EQ("11", rights(encryptAndShow("10000001", "128")).substr(0, 2));
  EXPECT_EQ("11", rights(encryptAndShow("10000000", "128")).substr(0, 2));
  EXPECT_EQ("01", rights(encryptAndShow("00000001", "128")).substr(0, 2));
  EXPECT_EQ("00", rights(encryptAndShow("00000000", "128")).substr(0, 2));
  // 40 bits: EAllowPrinting alone decides, the last four digits are ignored.
  EXPECT_EQ("00", rights(encryptAndShow("00000001", "40")).substr(0, 2));
  EXPECT_EQ("11", rights(encryptAndShow("10000000", "40")).substr(0, 2));
  EXPECT_EQ(encryptAndShow("11110000", "40")["P"], encryptAndShow("11111111", "40")["P"]);
}

TEST_F(VlutilEncryptTest, EmptyPasswordsStillGiveWorkingRestrictions) {
  // No owner password given: restrictions must not be void, so nobody gets
  // the owner's rights by trying the empty password.
  Report restricted = encryptAndShow("10100000", "128", "", "");
  EXPECT_EQ(3, run({"qpdf", "--requires-password", path("out.pdf")}).exitCode);
  EXPECT_EQ("11010000", rights(restricted));
  EXPECT_EQ(1u, restricted.count("Supplied password is user password"));
  EXPECT_EQ(2, vlutil({"i", path("out.pdf")}).exitCode);

  // A user password only: opening needs it, and it gives no owner rights.
  Report userOnly = encryptAndShow("10100000", "40", "u", "");
  EXPECT_EQ(1u, userOnly.count("Supplied password is user password"));
  EXPECT_EQ(0, run({"qpdf", "--requires-password", path("out.pdf")}).exitCode);

  // Nothing withheld: the empty owner password stays, as asked.
  Report open = encryptAndShow("11111111", "128", "", "");
  EXPECT_EQ(1u, open.count("Supplied password is owner password"));
}

TEST_F(VlutilEncryptTest, NonAsciiPasswordsWorkAsAViewerEncodesThem) {
  // Viewers turn a typed RC4 password into PDFDocEncoding bytes. (Nothing
  // is restricted, so that the user password may join it below.)
  encryptAndShow("11111111", "128", "pässwörd", "owner");
  RunResult shown =
      run({"qpdf", "--show-encryption", "--password=owner", path("out.pdf")});
  EXPECT_NE(std::string::npos, shown.output.find("User password = p\xe4ssw\xf6rd\n"))
      << shown.output;
  // And vlutil opens it again with the password as typed.
  PdfRecipe other;
  makePdf(path("other.pdf"), other);
  EXPECT_EQ(0, vlutil({"c", path("out.pdf"), path("other.pdf"), path("joined.pdf"), "", "", "",
                       "", "pässwörd"})
                   .exitCode);
}

TEST_F(VlutilEncryptTest, BadDigitsLevelsAndInputsAreRefused) {
  writeBytes(path("out.pdf"), "previous result");
  for (const char* digits : {"1010000", "101000000", "10100002", "1010 000", "", "10100a00"})
    EXPECT_EQ(97, vlutil({"e", path("in.pdf"), path("out.pdf"), "u", "o", digits, "128"}).exitCode)
        << "\"" << digits << "\"";
  for (const char* bits : {"256", "", "40 ", "0128"})
    EXPECT_EQ(97, vlutil({"e", path("in.pdf"), path("out.pdf"), "u", "o", "10100000", bits})
                      .exitCode)
        << bits;
  EXPECT_EQ(3, vlutil({"e", path("missing.pdf"), path("out.pdf"), "u", "o", "10100000", "128"})
                   .exitCode);
  makeEncryptedCopy(path("in.pdf"), path("locked.pdf"), "secret", "boss", true);
  EXPECT_EQ(4, vlutil({"e", path("locked.pdf"), path("out.pdf"), "u", "o", "10100000", "128"})
                   .exitCode);
  EXPECT_EQ("previous result", readBytes(path("out.pdf")));
  EXPECT_EQ((std::vector<std::string>{"in.pdf", "locked.pdf", "out.pdf"}), folderEntries());
}

}  // namespace
}  // namespace vlutil_testing
