#include <qpdf/QPDFMatrix.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "tools/vlutil/commands.h"
#include "tools/vlutil/exit_codes.h"
#include "tools/vlutil/output_file.h"
#include "tools/vlutil/pdf_input.h"

namespace vlutil {

namespace {

// Strong enough to see at a glance, faint enough to read the page through it.
constexpr const char kWatermarkAlpha[] = "0.3";

int openWithoutPassword(const std::string& path, OpenedPdf* input) {
  *input = openPdf(path, std::string());
  if (input->status == OpenStatus::kUnreadable) {
    complain("cannot read the input", input->problem);
    return kUnreadable;
  }
  if (input->status == OpenStatus::kPasswordRejected || ownerRestricted(*input->pdf)) {
    complain(path + " is encrypted", "stationery needs an unprotected document");
    return kEncryptedInput;
  }
  return kOk;
}

// The page's resource dictionary, made its own so that names added for one
// page do not pile up in a dictionary other pages share.
QPDFObjectHandle ownResources(QPDFPageObjectHelper& page) {
  QPDFObjectHandle resources = page.getAttribute("/Resources", true);
  if (!resources.isDictionary()) {
    resources = QPDFObjectHandle::newDictionary();
    page.getObjectHandle().replaceKey("/Resources", resources);
  }
  return resources;
}

void addResource(QPDFObjectHandle resources, const char* category, const std::string& name,
                 QPDFObjectHandle value) {
  QPDFObjectHandle group = resources.getKey(category);
  if (!group.isDictionary())
    group = QPDFObjectHandle::newDictionary();
  else if (group.isIndirect())
    group = group.shallowCopy();
  group.replaceKey(name, value);
  resources.replaceKey(category, group);
}

QPDFObjectHandle::Rectangle placementBox(QPDFPageObjectHelper& page) {
  QPDFObjectHandle::Rectangle box = page.getTrimBox().getArrayAsRectangle();
  if (box.urx - box.llx > 0 && box.ury - box.lly > 0) return box;
  return page.getMediaBox().getArrayAsRectangle();
}

}  // namespace

int applyStationery(StationeryMode mode, const std::string& in, const std::string& stationery,
                    const std::string& out) {
  if (namesAnInput(out, {in, stationery})) {
    complain("the output " + out + " is one of the inputs", std::string());
    return kBadArguments;
  }
  OpenedPdf document, sheet;
  int code = openWithoutPassword(in, &document);
  if (code != kOk) return code;
  code = openWithoutPassword(stationery, &sheet);
  if (code != kOk) return code;
  QPDF& pdf = *document.pdf;

  QPDFPageObjectHelper sheetPage = QPDFPageDocumentHelper(*sheet.pdf).getAllPages().at(0);
  QPDFObjectHandle form = pdf.copyForeignObject(sheetPage.getFormXObjectForPage());
  QPDFObjectHandle alpha;
  QPDFObjectHandle saveState;
  if (mode == StationeryMode::kWatermark) {
    // As a transparency group the stationery is drawn whole and then laid
    // over the page at the constant alpha; without one, its own graphics
    // state could undo the alpha or overlapping parts would add up.
    if (!form.getDict().hasKey("/Group"))
      form.getDict().replaceKey(
          "/Group", QPDFObjectHandle::parse("<< /Type /Group /S /Transparency >>"));
    alpha = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        std::string("<< /Type /ExtGState /CA ") + kWatermarkAlpha + " /ca " + kWatermarkAlpha +
        " >>"));
    saveState = pdf.newStream("q\n");
  }

  int skipped = 0;
  for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    QPDFObjectHandle resources = ownResources(page);
    int suffix = 1;
    std::string formName = resources.getUniqueResourceName("/VlSt", suffix);
    // Fitted both ways to the page's box, with the page's rotation undone so
    // that the stationery is upright as the page is viewed.
    std::string placement =
        page.placeFormXObject(form, formName, placementBox(page), true, true, true);
    if (placement.empty()) {
      ++skipped;
      continue;
    }
    addResource(resources, "/XObject", formName, form);
    if (mode == StationeryMode::kBackground) {
      // placeFormXObject's text is enclosed in q/Q, so nothing of the
      // stationery's state reaches the page content drawn over it.
      page.addPageContents(pdf.newStream(placement), true);
      continue;
    }
    suffix = 1;
    std::string alphaName = resources.getUniqueResourceName("/VlGs", suffix);
    addResource(resources, "/ExtGState", alphaName, alpha);
    // The page's content goes inside q/Q so that its graphics state cannot
    // move, scale or recolour the watermark drawn after it.
    page.addPageContents(saveState, true);
    page.addPageContents(pdf.newStream("\nQ\nq\n" + alphaName + " gs\n" + placement + "Q\n"),
                         false);
  }
  if (skipped > 0)
    complain(in, std::to_string(skipped) + " page(s) without a usable page box left as they are");

  return writeOutput(pdf, out, [](QPDFWriter&) {});
}

}  // namespace vlutil
