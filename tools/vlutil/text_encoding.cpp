#include "tools/vlutil/text_encoding.h"

#include <qpdf/QUtil.hh>

namespace vlutil {

namespace {

bool isUtf8(const std::string& text, bool* has8bit) {
  bool eightBit = false, validUtf8 = false, utf16 = false;
  QUtil::analyze_encoding(text, eightBit, validUtf8, utf16);
  *has8bit = eightBit;
  return !eightBit || validUtf8;
}

}  // namespace

std::string argumentAsUtf8(const std::string& argument) {
  bool has8bit = false;
  if (isUtf8(argument, &has8bit)) return argument;
  return QUtil::win_ansi_to_utf8(argument);
}

std::string rc4Password(const std::string& argument, bool* exact) {
  *exact = true;
  bool has8bit = false;
  if (!isUtf8(argument, &has8bit) || !has8bit) return argument;
  std::string pdfDoc;
  if (QUtil::utf8_to_pdf_doc(argument, pdfDoc)) return pdfDoc;
  *exact = false;
  return argument;
}

}  // namespace vlutil
