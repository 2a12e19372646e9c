#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include "tools/vlutil/commands.h"
#include "tools/vlutil/exit_codes.h"
#include "tools/vlutil/outlines.h"
#include "tools/vlutil/output_file.h"
#include "tools/vlutil/pdf_input.h"
#include "tools/vlutil/text_encoding.h"

namespace vlutil {

namespace {

bool restrictsSomething(QPDF& pdf) {
  return !(pdf.allowAccessibility() && pdf.allowExtractAll() && pdf.allowPrintHighRes() &&
           pdf.allowModifyAssembly() && pdf.allowModifyForm() && pdf.allowModifyAnnotation() &&
           pdf.allowModifyOther());
}

// Either input may be the existing document the password belongs to, so the
// same password is offered to both; an input that is not encrypted ignores it.
int openForJoin(const std::string& path, const std::string& password, OpenedPdf* input) {
  *input = openPdf(path, password);
  switch (input->status) {
    case OpenStatus::kUnreadable:
      complain("cannot read the input", input->problem);
      return kUnreadable;
    case OpenStatus::kPasswordRejected:
      if (password.empty()) {
        complain(path + " is encrypted", "its password is needed");
        return kPasswordNeeded;
      }
      complain(path + " is encrypted", "the password is wrong");
      return kWrongPassword;
    case OpenStatus::kOpened:
      break;
  }
  // Joining takes the pages out of the document's protection, so an owner
  // who restricted the document has to be asked, not bypassed: its user
  // password opens it for reading, not for that.
  if (ownerRestricted(*input->pdf)) {
    if (password.empty()) {
      complain(path + " is encrypted", "its owner password is needed");
      return kPasswordNeeded;
    }
    if (restrictsSomething(*input->pdf)) {
      complain(path + " is restricted by its owner", "the owner password is needed to join it");
      return kWrongPassword;
    }
  }
  return kOk;
}

void setInfoText(QPDFObjectHandle info, const char* key, const std::string& argument) {
  if (argument.empty())
    info.removeKey(key);
  else
    info.replaceKey(key, QPDFObjectHandle::newUnicodeString(argumentAsUtf8(argument)));
}

void setDocumentInfo(QPDF& pdf, const DocumentInfo& values) {
  QPDFObjectHandle trailer = pdf.getTrailer();
  QPDFObjectHandle info = trailer.getKey("/Info");
  if (!info.isDictionary()) {
    info = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    trailer.replaceKey("/Info", info);
  }
  setInfoText(info, "/Title", values.title);
  setInfoText(info, "/Subject", values.subject);
  setInfoText(info, "/Keywords", values.keywords);
  setInfoText(info, "/Author", values.author);
  // Tells readers that prefer XMP metadata over /Info that /Info is newer.
  info.replaceKey("/ModDate", QPDFObjectHandle::newString(QUtil::qpdf_time_to_pdf_time(
                                  QUtil::get_current_qpdf_time())));
}

// The pages of source go after those of target; form fields that their
// annotations belong to move into target's interactive form.
void appendPages(QPDF& target, QPDF& source) {
  QPDFPageDocumentHelper targetPages(target);
  QPDFAcroFormDocumentHelper targetForm(target);
  QPDFAcroFormDocumentHelper sourceForm(source);
  bool sourceHasForm = sourceForm.hasAcroForm();
  for (auto& page : QPDFPageDocumentHelper(source).getAllPages()) {
    targetPages.addPage(page, false);
    if (sourceHasForm) {
      // Copying again only looks up the copy addPage made.
      QPDFObjectHandle copied = target.copyForeignObject(page.getObjectHandle());
      targetForm.fixCopiedAnnotations(copied, page.getObjectHandle(), sourceForm);
    }
  }
}

}  // namespace

int join(const std::string& first, const std::string& second, const std::string& out,
         const DocumentInfo& info, const std::string& password) {
  if (namesAnInput(out, {first, second})) {
    complain("the output " + out + " is one of the inputs", std::string());
    return kBadArguments;
  }
  OpenedPdf base, appended;
  int code = openForJoin(first, password, &base);
  if (code != kOk) return code;
  code = openForJoin(second, password, &appended);
  if (code != kOk) return code;

  // The first document carries the result: its catalog (outlines, form,
  // viewer settings) stays, the second one's pages are added to it, and its
  // bookmarks after the first one's.
  appendPages(*base.pdf, *appended.pdf);
  appendOutlines(*base.pdf, *appended.pdf);
  setDocumentInfo(*base.pdf, info);

  return writeOutput(*base.pdf, out, [&](QPDFWriter& writer) {
    writer.setPreserveEncryption(false);
    writer.setMinimumPDFVersion(base.pdf->getPDFVersion(), base.pdf->getExtensionLevel());
    writer.setMinimumPDFVersion(appended.pdf->getPDFVersion(),
                                appended.pdf->getExtensionLevel());
  });
}

}  // namespace vlutil
