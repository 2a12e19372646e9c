#include <exception>
#include <new>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include "tools/vlutil/commands.h"
#include "tools/vlutil/exit_codes.h"
#include "tools/vlutil/output_file.h"
#include "tools/vlutil/pdf_input.h"
#include "tools/vlutil/xmp_title.h"

namespace vlutil {

namespace {

bool hasInfo(QPDF& pdf) { return pdf.getTrailer().getKey("/Info").isDictionary(); }

std::string infoTitle(QPDF& pdf) {
  QPDFObjectHandle title = pdf.getTrailer().getKey("/Info").getKey("/Title");
  return title.isString() ? title.getUTF8Value() : std::string();
}

std::string metadataTitle(QPDF& pdf, const std::string& path) {
  QPDFObjectHandle metadata = pdf.getRoot().getKey("/Metadata");
  if (!metadata.isStream()) return std::string();
  try {
    auto data = metadata.getStreamData(qpdf_dl_generalized);
    return xmpTitle(std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize()));
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    complain(path + ": the XMP metadata cannot be read", e.what());
    return std::string();
  }
}

}  // namespace

int writeTitle(const std::string& in, const std::string& out) {
  if (namesAnInput(out, {in})) {
    complain("the output " + out + " is the input", std::string());
    return kBadArguments;
  }
  OpenedPdf input = openPdf(in, std::string());
  if (input.status == OpenStatus::kUnreadable) {
    complain("cannot read the input", input.problem);
    return kUnreadable;
  }
  if (input.status == OpenStatus::kPasswordRejected) {
    complain(in + " is encrypted", "its password is needed");
    return kEncryptedInput;
  }
  // The information dictionary says what the title is; the metadata speaks
  // only for a document without one (PDF 2.0 gives it up). A document with
  // a dictionary but no title has none: writers fill the metadata's title
  // in all the same (Ghostscript with "Untitled").
  const std::string title =
      hasInfo(*input.pdf) ? infoTitle(*input.pdf) : metadataTitle(*input.pdf, in);
  return writeTextOutput(title, out);
}

}  // namespace vlutil
