// Helpers for the vlutil tests: PDF files made with libqpdf, a folder of
// their own per test, and running vlutil, qpdf and pdfinfo.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport/fresh_machine.h"

namespace vlutil_testing {

struct PageShape {
  double width = 595, height = 842;
  int rotate = 0;
};

struct PdfRecipe {
  std::string label = "A";  // page i shows "(Page i of <label>)"
  int pages = 1;
  std::string version = "1.4";
  std::vector<PageShape> pageShapes;  // per page, default A4 upright
  std::string title;                // /Info /Title when not empty
  // A text field named formField on the first page's widget annotation.
  std::string formField;
  // Drawn instead of the page label on every page (for stationery).
  std::string content;
  // An XMP packet as /Root /Metadata when not empty.
  std::string xmp;
};

// Writes the PDF described by recipe.
void makePdf(const std::string& path, const PdfRecipe& recipe);

// Rewrites source encrypted with RC4 128 bits, printing and everything else
// withheld when restrict is set.
void makeEncryptedCopy(const std::string& source, const std::string& target,
                       const std::string& user, const std::string& owner, bool restrict);

// The content of every page (all its content streams in order).
std::vector<std::string> pageContents(const std::string& path,
                                      const std::string& password = std::string());

struct PageUse {
  size_t labelAt = std::string::npos;  // where the page's own text is drawn
  size_t stampAt = std::string::npos;  // where the stationery form is invoked
  std::string stampPlacement;          // the "a b c d e f cm" placing it
  std::string stampAlpha;              // /ca of the gs in force at the stamp, "" for none
  bool contentWrapped = false;         // the page's own content sits inside q ... Q
};
// How page `index` of path uses the stationery whose content contains marker.
PageUse stationeryUse(const std::string& path, int index, const std::string& marker);

// A /Info entry as UTF-8; *present tells whether the key exists.
std::string infoValue(const std::string& path, const std::string& key, bool* present);
std::string pdfVersion(const std::string& path);

struct Metadata {
  bool present = false;
  bool unfiltered = false;  // stored as is, without a /Filter
  std::string packet;       // decoded
};
// The XMP metadata stream of the catalog.
Metadata xmpMetadata(const std::string& path, const std::string& password = std::string());
// Each form field as "name@page", page counted from 1.
std::vector<std::string> formFieldsByPage(const std::string& path);

// Programs run through the platform layer, as the converter runs them.
using testsupport::RunResult;
using testsupport::run;
RunResult vlutil(const std::vector<std::string>& arguments);

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);
bool exists(const std::string& path);

// A test with a fresh machine (so that the programs it runs get a home and
// temporary folder of their own) and a folder of its own for the files.
class VlutilTest : public ::testing::Test {
 protected:
  void SetUp() override;
  std::string path(const std::string& name) const { return folder_ + "/" + name; }
  // Names in the folder, to show that a failed run left nothing behind.
  std::vector<std::string> folderEntries() const;

 private:
  testsupport::FreshMachine machine_;  // removes the folder with everything in it
  std::string folder_;
};

}  // namespace vlutil_testing
