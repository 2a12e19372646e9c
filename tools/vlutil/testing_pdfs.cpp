#include "tools/vlutil/testing_pdfs.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <qpdf/Pl_String.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include "platform/files.h"

namespace vlutil_testing {

namespace fs = std::filesystem;

namespace {

std::string number(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

QPDFObjectHandle makePage(QPDF& pdf, const PdfRecipe& recipe, int index, QPDFObjectHandle font) {
  PageShape size = index < static_cast<int>(recipe.pageShapes.size()) ? recipe.pageShapes[index]
                                                                  : PageShape();
  std::string content =
      !recipe.content.empty()
          ? recipe.content
          : "BT /F1 24 Tf 72 700 Td (Page " + std::to_string(index + 1) + " of " + recipe.label +
                ") Tj ET\n";
  QPDFObjectHandle page = QPDFObjectHandle::parse(
      "<< /Type /Page /MediaBox [0 0 " + number(size.width) + " " + number(size.height) +
      "] /Resources << /Font << >> >> >>");
  page.getKey("/Resources").getKey("/Font").replaceKey("/F1", font);
  page.replaceKey("/Contents", pdf.newStream(content));
  if (size.rotate != 0) page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(size.rotate));
  return pdf.makeIndirectObject(page);
}

void addFormField(QPDF& pdf, QPDFObjectHandle page, const std::string& name,
                  QPDFObjectHandle font) {
  QPDFObjectHandle field = pdf.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Annot /Subtype /Widget /FT /Tx /Rect [72 72 272 100] /F 4"
      " /DA (/Helv 12 Tf 0 g) /V (filled) >>"));
  field.replaceKey("/T", QPDFObjectHandle::newUnicodeString(name));
  field.replaceKey("/P", page);
  page.replaceKey("/Annots", QPDFObjectHandle::newArray({field}));
  QPDFObjectHandle form =
      QPDFObjectHandle::parse("<< /DA (/Helv 0 Tf 0 g) /DR << /Font << >> >> >>");
  form.getKey("/DR").getKey("/Font").replaceKey("/Helv", font);
  form.replaceKey("/Fields", QPDFObjectHandle::newArray({field}));
  pdf.getRoot().replaceKey("/AcroForm", form);
}

}  // namespace

void makePdf(const std::string& path, const PdfRecipe& recipe) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFObjectHandle font = pdf.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
  QPDFPageDocumentHelper pages(pdf);
  for (int i = 0; i < recipe.pages; ++i) pages.addPage(makePage(pdf, recipe, i, font), false);
  if (!recipe.formField.empty())
    addFormField(pdf, pages.getAllPages().at(0).getObjectHandle(), recipe.formField, font);
  if (!recipe.title.empty()) {
    QPDFObjectHandle info = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(recipe.title));
    info.replaceKey("/Subject", QPDFObjectHandle::newUnicodeString("old subject"));
    pdf.getTrailer().replaceKey("/Info", info);
  }
  if (!recipe.xmp.empty()) {
    QPDFObjectHandle metadata = pdf.newStream(recipe.xmp);
    metadata.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/Metadata"));
    metadata.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/XML"));
    pdf.getRoot().replaceKey("/Metadata", metadata);
  }
  QPDFWriter writer(pdf, path.c_str());
  writer.forcePDFVersion(recipe.version);
  writer.setStaticID(true);
  writer.write();
}

void makeEncryptedCopy(const std::string& source, const std::string& target,
                       const std::string& user, const std::string& owner, bool restrict) {
  QPDF pdf;
  pdf.processFile(source.c_str());
  QPDFWriter writer(pdf, target.c_str());
  bool allow = !restrict;
  writer.setR3EncryptionParametersInsecure(user.c_str(), owner.c_str(), allow, allow, allow,
                                           allow, allow, allow,
                                           restrict ? qpdf_r3p_none : qpdf_r3p_full);
  writer.write();
}

std::vector<std::string> pageContents(const std::string& path, const std::string& password) {
  QPDF pdf;
  pdf.processFile(path.c_str(), password.c_str());
  std::vector<std::string> result;
  for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    std::string text;
    Pl_String sink("contents", nullptr, text);
    page.pipeContents(&sink);
    result.push_back(text);
  }
  return result;
}

PageUse stationeryUse(const std::string& path, int index, const std::string& marker) {
  PageUse use;
  QPDF pdf;
  pdf.processFile(path.c_str());
  QPDFPageObjectHelper page = QPDFPageDocumentHelper(pdf).getAllPages().at(index);
  std::string content;
  Pl_String sink("contents", nullptr, content);
  page.pipeContents(&sink);
  use.labelAt = content.find("(Page " + std::to_string(index + 1) + " of ");

  QPDFObjectHandle resources = page.getAttribute("/Resources", false);
  std::string formName;
  for (auto& entry : resources.getKey("/XObject").ditems()) {
    if (!entry.second.isStream()) continue;
    auto data = entry.second.getStreamData();
    if (std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize())
            .find(marker) != std::string::npos)
      formName = entry.first;
  }
  if (formName.empty()) return use;
  use.stampAt = content.find(formName + " Do");
  if (use.stampAt == std::string::npos) return use;

  size_t cmEnd = content.rfind(" cm", use.stampAt);
  if (cmEnd != std::string::npos) {
    size_t lineStart = content.rfind('\n', cmEnd);
    lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
    use.stampPlacement = content.substr(lineStart, cmEnd + 3 - lineStart);
  }
  size_t gsEnd = content.rfind(" gs", use.stampAt);
  if (gsEnd != std::string::npos) {
    size_t nameStart = content.rfind('/', gsEnd);
    std::string gsName = content.substr(nameStart, gsEnd - nameStart);
    QPDFObjectHandle state = resources.getKey("/ExtGState").getKey(gsName);
    if (state.getKey("/ca").isNumber())
      use.stampAlpha = number(state.getKey("/ca").getNumericValue());
  }
  size_t firstToken = content.find_first_not_of(" \r\n\t");
  if (firstToken != std::string::npos && content[firstToken] == 'q' &&
      use.labelAt != std::string::npos) {
    size_t close = content.find("\nQ", use.labelAt);
    use.contentWrapped = close != std::string::npos && close < use.stampAt;
  }
  return use;
}

std::string infoValue(const std::string& path, const std::string& key, bool* present) {
  QPDF pdf;
  pdf.processFile(path.c_str());
  QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
  *present = info.isDictionary() && info.hasKey(key);
  return *present ? info.getKey(key).getUTF8Value() : std::string();
}

std::string pdfVersion(const std::string& path) {
  QPDF pdf;
  pdf.processFile(path.c_str());
  return pdf.getPDFVersion();
}

Metadata xmpMetadata(const std::string& path, const std::string& password) {
  Metadata result;
  QPDF pdf;
  pdf.processFile(path.c_str(), password.c_str());
  QPDFObjectHandle stream = pdf.getRoot().getKey("/Metadata");
  if (!stream.isStream()) return result;
  result.present = true;
  result.unfiltered = !stream.getDict().hasKey("/Filter");
  auto data = stream.getStreamData(qpdf_dl_generalized);
  result.packet.assign(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
  return result;
}

std::vector<std::string> formFieldsByPage(const std::string& path) {
  QPDF pdf;
  pdf.processFile(path.c_str());
  QPDFAcroFormDocumentHelper form(pdf);
  std::vector<std::string> fields;
  int number = 0;
  for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    ++number;
    for (auto& field : form.getFormFieldsForPage(page))
      fields.push_back(field.getFullyQualifiedName() + "@" + std::to_string(number));
  }
  return fields;
}

RunResult vlutil(const std::vector<std::string>& arguments) {
  std::vector<std::string> full{VLUTIL_PATH};
  full.insert(full.end(), arguments.begin(), arguments.end());
  return run(full);
}

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

bool exists(const std::string& path) { return fs::exists(fs::path(path)); }

void VlutilTest::SetUp() {
  folder_ = machine_.path("files");
  ASSERT_TRUE(platform::createDirectories(folder_)) << "cannot create " << folder_;
}

std::vector<std::string> VlutilTest::folderEntries() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(fs::path(folder_)))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace vlutil_testing
