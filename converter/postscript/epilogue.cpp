#include "common/product.h"
#include "converter/job/job_helpers.h"
#include "converter/postscript/prologue.h"

namespace vellora {

namespace {

constexpr std::size_t kEscapedCapacity = 1000;
constexpr std::size_t kProducerCapacity = 1000;

// Windows 95/98/Me and NT 4 get the font embedding parameters explicitly.
constexpr const char kFontEmbedding[] =
    "\n<</EmbedAllFonts true\n /NeverEmbed [/Courier /Courier-Bold /Courier-Oblique "
    "/Courier-BoldOblique /Helvetica\n"
    "\t/Helvetica-Bold /Helvetica-Oblique /Helvetica-BoldOblique /Times-Roman\n/Times-Bold "
    "/Times-Italic /Times-BoldItalic\n"
    " /Symbol /ZapfDingbats\n\t/Ryumin-Light /GothicBBB-Medium ]\n  /MaxSubsetPct 35\n >> "
    "setdistillerparams\n";

std::string infoEntry(const char* key, const std::string& value) {
  return std::string(" /") + key + " (" + escapePostScriptString(value) + ")\n";
}

}  // namespace

std::string escapePostScriptString(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size() + 8);
  for (char c : text) {
    bool special = c == '(' || c == ')' || c == '\\';
    // A cut between a backslash and its character would leave the backslash
    // escaping the closing parenthesis: the string would never end.
    if (escaped.size() + (special ? 2 : 1) > kEscapedCapacity - 1) break;
    if (special) escaped += '\\';
    escaped += c;
  }
  return escaped;
}

std::string epilogueText(const JobRecord& job, const SettingsRecord& settings) {
  const std::string product = job.messageCaption.empty() ? kProductName : job.messageCaption.str();
  std::string text = "%!PS-Adobe-3.0\n";
  text += formatCut(kProducerCapacity, " [ /Creator ()\n /Producer (%s %d.%d)\n", product.c_str(),
                    kVersionMajor, kVersionMinor);
  text += infoEntry("Title", fieldText(settings.PDFTitle));
  text += infoEntry("Author", fieldText(settings.PDFAuthor));
  text += infoEntry("Subject", fieldText(settings.PDFSubject));
  text += infoEntry("Keywords", fieldText(settings.PDFKeywords));
  text += " /DOCINFO pdfmark\n";
  if (osFamily() < 3) text += kFontEmbedding;
  text += "\n\n";
  return text;
}

}  // namespace vellora
