#include "tools/vlutil/testing_pdfs.h"

#include <cmath>
#include <sstream>

namespace vlutil_testing {
namespace {

const char kMarker[] = "(LETTERHEAD)";

class StationeryTest : public VlutilTest {
 protected:
  void SetUp() override {
    VlutilTest::SetUp();
    PdfSpec document;
    document.pages = 3;
    makePdf(path("in.pdf"), document);
    PdfSpec sheet;
    sheet.pages = 2;  // only the first page is used
    sheet.content = std::string("BT /F1 40 Tf 100 400 Td ") + kMarker + " Tj ET\n";
    makePdf(path("sheet.pdf"), sheet);
  }
};

TEST_F(StationeryTest, WatermarkGoesOverEveryPageThroughConstantAlpha) {
  std::string before = readBytes(path("in.pdf"));
  RunResult result = vlutil({"w", path("in.pdf"), path("sheet.pdf"), path("out.pdf")});
  ASSERT_EQ(0, result.exitCode) << result.output;
  EXPECT_EQ(before, readBytes(path("in.pdf")));
  EXPECT_EQ(0, run({"qpdf", "--check", path("out.pdf")}).exitCode);
  EXPECT_EQ(3u, pageContents(path("out.pdf")).size());
  for (int page = 0; page < 3; ++page) {
    PageUse use = stationeryUse(path("out.pdf"), page, kMarker);
    ASSERT_NE(std::string::npos, use.labelAt) << "page " << page + 1;
    ASSERT_NE(std::string::npos, use.stampAt) << "page " << page + 1;
    EXPECT_LT(use.labelAt, use.stampAt) << "page " << page + 1;
    EXPECT_TRUE(use.contentWrapped) << "page " << page + 1;
    EXPECT_EQ("0.3", use.stampAlpha) << "page " << page + 1;
  }
}

TEST_F(StationeryTest, BackgroundGoesUnderEveryPageWithoutTransparency) {
  ASSERT_EQ(0, vlutil({"b", path("in.pdf"), path("sheet.pdf"), path("out.pdf")}).exitCode);
  EXPECT_EQ(0, run({"qpdf", "--check", path("out.pdf")}).exitCode);
  for (int page = 0; page < 3; ++page) {
    PageUse use = stationeryUse(path("out.pdf"), page, kMarker);
    ASSERT_NE(std::string::npos, use.labelAt) << "page " << page + 1;
    ASSERT_NE(std::string::npos, use.stampAt) << "page " << page + 1;
    EXPECT_LT(use.stampAt, use.labelAt) << "page " << page + 1;
    EXPECT_EQ("", use.stampAlpha) << "page " << page + 1;
  }
}

TEST_F(StationeryTest, FitsTheSheetToPagesOfOtherSizesAndRotations) {
  PdfSpec mixed;
  mixed.pages = 3;
  mixed.pageSpecs = {PageSpec{595, 842, 0}, PageSpec{297.5, 421, 0}, PageSpec{595, 842, 90}};
  makePdf(path("mixed.pdf"), mixed);
  ASSERT_EQ(0, vlutil({"b", path("mixed.pdf"), path("sheet.pdf"), path("out.pdf")}).exitCode);
  EXPECT_EQ("1 0 0 1 0 0 cm", stationeryUse(path("out.pdf"), 0, kMarker).stampPlacement);
  EXPECT_EQ("0.5 0 0 0.5 0 0 cm", stationeryUse(path("out.pdf"), 1, kMarker).stampPlacement);
  // Turned with the page so that it reads upright on screen, and shrunk to
  // fit the page's width as it is viewed.
  std::istringstream rotated(stationeryUse(path("out.pdf"), 2, kMarker).stampPlacement);
  double a = 1, b = 0, c = 0, d = 1;
  rotated >> a >> b >> c >> d;
  EXPECT_EQ(0, a);
  EXPECT_EQ(0, d);
  EXPECT_NEAR(595.0 / 842.0, std::abs(b), 0.001);
  EXPECT_NEAR(595.0 / 842.0, std::abs(c), 0.001);

  // A smaller sheet grows to fill the page.
  PdfSpec small;
  small.pageSpecs = {PageSpec{297.5, 421, 0}};
  small.content = std::string("BT /F1 20 Tf 10 10 Td ") + kMarker + " Tj ET\n";
  makePdf(path("small.pdf"), small);
  ASSERT_EQ(0, vlutil({"w", path("in.pdf"), path("small.pdf"), path("grown.pdf")}).exitCode);
  EXPECT_EQ("2 0 0 2 0 0 cm", stationeryUse(path("grown.pdf"), 0, kMarker).stampPlacement);
}

TEST_F(StationeryTest, UnusableInputsLeaveTheOutputAlone) {
  writeBytes(path("out.pdf"), "previous result");
  writeBytes(path("broken.pdf"), "%PDF-1.4\nnot really\n");
  makeEncryptedCopy(path("in.pdf"), path("locked.pdf"), "secret", "boss", true);
  makeEncryptedCopy(path("in.pdf"), path("restricted.pdf"), "", "boss", true);
  for (const char* command : {"w", "b"}) {
    EXPECT_EQ(3, vlutil({command, path("in.pdf"), path("missing.pdf"), path("out.pdf")}).exitCode);
    EXPECT_EQ(3, vlutil({command, path("broken.pdf"), path("sheet.pdf"), path("out.pdf")}).exitCode);
    EXPECT_EQ(4, vlutil({command, path("locked.pdf"), path("sheet.pdf"), path("out.pdf")}).exitCode);
    EXPECT_EQ(4, vlutil({command, path("restricted.pdf"), path("sheet.pdf"), path("out.pdf")}).exitCode);
  }
  EXPECT_EQ("previous result", readBytes(path("out.pdf")));
  EXPECT_EQ((std::vector<std::string>{"broken.pdf", "in.pdf", "locked.pdf", "out.pdf",
                                      "restricted.pdf", "sheet.pdf"}),
            folderEntries());
}

}  // namespace
}  // namespace vlutil_testing
