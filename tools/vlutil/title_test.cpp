#include "tools/vlutil/testing_pdfs.h"
#include "tools/vlutil/xmp_title.h"

namespace vlutil_testing {
namespace {

const std::string kDc = "http://purl.org/dc/elements/1.1/";
const std::string kRdf = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

TEST(XmpTitleTest, TheDefaultLanguageItemOrTheFirstUnderAnyBoundPrefix) {
  const std::string head = "<x:xmpmeta><rdf:RDF xmlns:rdf='" + kRdf + "'><rdf:Description xmlns:dc='" + kDc + "'>";
  const std::string tail = "</rdf:Description></rdf:RDF></x:xmpmeta>";
  EXPECT_EQ("Annual Report", vlutil::xmpTitle(head + "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">"
                                                     "Annual Report</rdf:li></rdf:Alt></dc:title>" + tail));
  EXPECT_EQ("Rapport", vlutil::xmpTitle(head + "<dc:title><rdf:Alt><rdf:li xml:lang='en'>Report</rdf:li>"
                                               "<rdf:li xml:lang='x-default'>Rapport</rdf:li></rdf:Alt></dc:title>" +
                                        tail));
  EXPECT_EQ("Report", vlutil::xmpTitle(head + "<dc:title><rdf:Alt><rdf:li xml:lang='en'>Report</rdf:li>"
                                              "<rdf:li xml:lang='fr'>Rapport</rdf:li></rdf:Alt></dc:title>" + tail));
  // References decoded, into UTF-8.
  EXPECT_EQ("Q&A <draft> \xC3\xA9t\xC3\xA9 \xE2\x82\xAC",
            vlutil::xmpTitle(head + "<dc:title><rdf:Alt><rdf:li>Q&amp;A &lt;draft&gt; &#233;t&#xE9; \xE2\x82\xAC"
                                    "</rdf:li></rdf:Alt></dc:title>" + tail));
  // Other prefixes, and a title written as plain content.
  EXPECT_EQ("Bound", vlutil::xmpTitle("<d xmlns:e='" + kDc + "' xmlns:r='" + kRdf +
                                      "'><e:title><r:Alt><r:li>Bound</r:li></r:Alt></e:title></d>"));
  EXPECT_EQ("Plain", vlutil::xmpTitle(head + "<dc:title>  Plain </dc:title>" + tail));
}

TEST(XmpTitleTest, NoTitleGivesNothing) {
  EXPECT_EQ("", vlutil::xmpTitle(""));
  EXPECT_EQ("", vlutil::xmpTitle("<d xmlns:dc='" + kDc + "'><dc:titles>x</dc:titles><dc:title/></d>"));
  EXPECT_EQ("", vlutil::xmpTitle("<d><dc:creator><rdf:Seq><rdf:li>Ann</rdf:li></rdf:Seq></dc:creator></d>"));
  // Unfinished markup, and UTF-16 text.
  EXPECT_EQ("", vlutil::xmpTitle("<d><dc:title><rdf:Alt><rdf:li>Cut"));
  EXPECT_EQ("", vlutil::xmpTitle(std::string("<\0d\0c\0:\0t\0i\0t\0l\0e\0>\0", 20)));
}

class VlutilTitleTest : public VlutilTest {};

TEST_F(VlutilTitleTest, WritesTheInfoTitleOrWithoutInfoTheMetadataTitle) {
  PdfRecipe recipe;
  recipe.title = "Gr\xC3\xBC\xC3\x9F" "e (draft) \\ 2";
  recipe.xmp = "<x xmlns:dc='" + kDc + "'><dc:title><rdf:Alt><rdf:li>From XMP</rdf:li></rdf:Alt></dc:title></x>";
  makePdf(path("both.pdf"), recipe);
  recipe.title.clear();
  makePdf(path("xmp.pdf"), recipe);
  recipe.xmp.clear();
  makePdf(path("none.pdf"), recipe);

  // Ghostscript writes information without a title, and "Untitled" as the
  // metadata's title: the document has none.
  writeBytes(path("untitled.ps"), "%!PS\n/Helvetica findfont 20 scalefont setfont 72 700 moveto (x) show showpage\n");
  ASSERT_EQ(0, run({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-sOutputFile=" + path("gs.pdf"),
                    path("untitled.ps")})
                   .exitCode);
  ASSERT_NE(std::string::npos, xmpMetadata(path("gs.pdf")).packet.find("Untitled"));

  struct Case {
    const char* name;
    std::string title;
  } cases[] = {{"both.pdf", "Gr\xC3\xBC\xC3\x9F" "e (draft) \\ 2"},
               {"xmp.pdf", "From XMP"},
               {"none.pdf", ""},
               {"gs.pdf", ""}};
  for (const Case& c : cases) {
    writeBytes(path("title.txt"), "old");
    RunResult result = vlutil({"t", path(c.name), path("title.txt")});
    EXPECT_EQ(0, result.exitCode) << c.name << ": " << result.output;
    EXPECT_EQ(c.title, readBytes(path("title.txt"))) << c.name;
  }
}

TEST_F(VlutilTitleTest, EncryptedDamagedAndMisnamedInputsAreToldApart) {
  PdfRecipe recipe;
  recipe.title = "Secret";
  makePdf(path("plain.pdf"), recipe);
  makeEncryptedCopy(path("plain.pdf"), path("user.pdf"), "secret", "boss", true);
  makeEncryptedCopy(path("plain.pdf"), path("owner.pdf"), "", "boss", true);
  const std::string whole = readBytes(path("plain.pdf"));
  writeBytes(path("damaged.pdf"), whole.substr(0, whole.size() / 3));
  writeBytes(path("text.pdf"), "%!PS-Adobe-3.0\nshowpage\n");

  // Opened without a password, restricted or not, the title is there.
  EXPECT_EQ(0, vlutil({"t", path("owner.pdf"), path("owner.txt")}).exitCode);
  EXPECT_EQ("Secret", readBytes(path("owner.txt")));
  EXPECT_EQ(4, vlutil({"t", path("user.pdf"), path("user.txt")}).exitCode);
  EXPECT_EQ(3, vlutil({"t", path("damaged.pdf"), path("damaged.txt")}).exitCode);
  EXPECT_EQ(3, vlutil({"t", path("text.pdf"), path("text.txt")}).exitCode);
  // Nothing is written for a refused input, and the input is never the output.
  for (const char* name : {"user.txt", "damaged.txt", "text.txt"}) EXPECT_FALSE(exists(path(name))) << name;
  EXPECT_EQ(97, vlutil({"t", path("plain.pdf"), path("plain.pdf")}).exitCode);
  EXPECT_EQ(whole, readBytes(path("plain.pdf")));
  EXPECT_EQ(97, vlutil({"t", path("plain.pdf")}).exitCode);
}

}  // namespace
}  // namespace vlutil_testing
