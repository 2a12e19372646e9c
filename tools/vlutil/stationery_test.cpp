#include "tools/vlutil/testing_pdfs.h"

#include <cmath>
#include <regex>
#include <sstream>

namespace vlutil_testing {
namespace {

const char kMarker[] = "(LETTERHEAD)";

// The colour at (x, y), in PDF points from the bottom left, of page 1 of pdf
// as Ghostscript renders it at 72 dpi; empty when it cannot render.
std::vector<int> colourAt(const std::string& pdf, const std::string& ppm, int x, int y) {
  RunResult rendered = run({"gs", "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "-sDEVICE=ppmraw",
                            "-r72", "-dFirstPage=1", "-dLastPage=1", "-sOutputFile=" + ppm, pdf});
  if (rendered.exitCode != 0) return {};
  std::string image = readBytes(ppm);
  std::smatch header;
  std::string head = image.substr(0, 200);
  if (!std::regex_search(head, header,
                         std::regex("^P6\\s+(?:#[^\\n]*\\n\\s*)*(\\d+)\\s+(\\d+)\\s+255\\s")))
    return {};
  int width = std::stoi(header[1]), height = std::stoi(header[2]);
  size_t at = header.length(0) + 3 * (static_cast<size_t>(height - 1 - y) * width + x);
  if (at + 3 > image.size()) return {};
  std::vector<int> rgb;
  for (int i = 0; i < 3; ++i) rgb.push_back(static_cast<unsigned char>(image[at + i]));
  return rgb;
}

void expectColour(const std::vector<int>& expected, const std::vector<int>& actual) {
  ASSERT_EQ(3u, actual.size());
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(expected[i], actual[i], 2) << "channel " << i;
}

class VlutilStationeryTest : public VlutilTest {
 protected:
  void SetUp() override {
    VlutilTest::SetUp();
    PdfRecipe document;
    document.pages = 3;
    makePdf(path("in.pdf"), document);
    PdfRecipe sheet;
    sheet.pages = 2;  // only the first page is used
    sheet.content = std::string("BT /F1 40 Tf 100 400 Td ") + kMarker + " Tj ET\n";
    makePdf(path("sheet.pdf"), sheet);
  }
};

TEST_F(VlutilStationeryTest, WatermarkGoesOverEveryPageThroughConstantAlpha) {
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

TEST_F(VlutilStationeryTest, BackgroundGoesUnderEveryPageWithoutTransparency) {
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

TEST_F(VlutilStationeryTest, RendersTheWatermarkFaintAndTheBackgroundSolid) {
  PdfRecipe band;
  band.content = "0.8 0.1 0.1 rg 40 780 515 30 re f\n";
  makePdf(path("band.pdf"), band);
  ASSERT_EQ(0, vlutil({"w", path("in.pdf"), path("band.pdf"), path("w.pdf")}).exitCode);
  ASSERT_EQ(0, vlutil({"b", path("in.pdf"), path("band.pdf"), path("b.pdf")}).exitCode);
  std::vector<int> over = colourAt(path("w.pdf"), path("w.ppm"), 300, 795);
  if (over.empty()) GTEST_SKIP() << "Ghostscript cannot render here";
  // 30 % of (204, 26, 26) over white.
  expectColour({240, 186, 186}, over);
  expectColour({204, 26, 26}, colourAt(path("b.pdf"), path("b.ppm"), 300, 795));
  // Away from the band the page stays white.
  expectColour({255, 255, 255}, colourAt(path("w.pdf"), path("w.ppm"), 300, 400));
}

TEST_F(VlutilStationeryTest, FitsTheSheetToPagesOfOtherSizesAndRotations) {
  PdfRecipe mixed;
  mixed.pages = 3;
  mixed.pageShapes = {PageShape{595, 842, 0}, PageShape{297.5, 421, 0}, PageShape{595, 842, 90}};
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
  PdfRecipe small;
  small.pageShapes = {PageShape{297.5, 421, 0}};
  small.content = std::string("BT /F1 20 Tf 10 10 Td ") + kMarker + " Tj ET\n";
  makePdf(path("small.pdf"), small);
  ASSERT_EQ(0, vlutil({"w", path("in.pdf"), path("small.pdf"), path("grown.pdf")}).exitCode);
  EXPECT_EQ("2 0 0 2 0 0 cm", stationeryUse(path("grown.pdf"), 0, kMarker).stampPlacement);
}

TEST_F(VlutilStationeryTest, UnusableInputsLeaveTheOutputAlone) {
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
