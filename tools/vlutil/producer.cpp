#include <exception>
#include <new>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include "tools/vlutil/commands.h"
#include "tools/vlutil/exit_codes.h"
#include "tools/vlutil/output_file.h"
#include "tools/vlutil/pdf_input.h"
#include "tools/vlutil/text_encoding.h"
#include "tools/vlutil/xmp_producer.h"

namespace vlutil {

namespace {

void setInfoProducer(QPDF& pdf, const std::string& producer) {
  QPDFObjectHandle trailer = pdf.getTrailer();
  QPDFObjectHandle info = trailer.getKey("/Info");
  if (!info.isDictionary()) {
    info = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    trailer.replaceKey("/Info", info);
  }
  info.replaceKey("/Producer", QPDFObjectHandle::newUnicodeString(producer));
}

// Readers that prefer XMP over /Info would otherwise go on showing the
// producer the PDF writer put there. Only the producer's text changes; the
// packet keeps its padding, so it is a little shorter or longer than before.
void setMetadataProducer(QPDF& pdf, const std::string& path, const std::string& producer) {
  QPDFObjectHandle metadata = pdf.getRoot().getKey("/Metadata");
  if (!metadata.isStream()) return;
  std::string packet;
  try {
    auto data = metadata.getStreamData(qpdf_dl_generalized);
    packet.assign(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    complain(path + ": the XMP metadata cannot be read and is left as it is", e.what());
    return;
  }
  int changed = setXmpProducer(&packet, producer);
  if (changed < 0) {
    complain(path + ": the XMP metadata is not UTF-8 and is left as it is", std::string());
    return;
  }
  if (changed == 0) return;
  // Stored without a filter, as pdfwrite stores it, so that tools that do
  // not read PDF find the packet in the file.
  metadata.replaceStreamData(packet, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
}

}  // namespace

namespace {

// p and f: the same stamp, told apart by what an input that needs its open
// password answers.
int stampProducer(const std::string& in, const std::string& out, const std::string& producer,
                  int passwordNeeded) {
  if (producer.empty()) {
    complain("no producer given", "the document would keep its writer's name");
    return kBadArguments;
  }
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
    return passwordNeeded;
  }
  QPDF& pdf = *input.pdf;
  const std::string text = argumentAsUtf8(producer);
  setInfoProducer(pdf, text);
  setMetadataProducer(pdf, in, text);
  // The writer keeps the input's encryption as it is. Streams keep the
  // compression they had: qpdf would otherwise compress every uncompressed
  // one, the metadata too where the document is encrypted.
  return writeOutput(pdf, out, [](QPDFWriter& writer) { writer.setCompressStreams(false); });
}

}  // namespace

int setProducer(const std::string& in, const std::string& out, const std::string& producer) {
  return stampProducer(in, out, producer, kEncryptedInput);
}

int finishResult(const std::string& in, const std::string& out, const std::string& producer) {
  return stampProducer(in, out, producer, kNeedsUserPassword);
}

}  // namespace vlutil
