#include "tools/vlutil/pdf_input.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <vector>

#include <qpdf/Buffer.hh>
#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFSystemError.hh>
#include <qpdf/QUtil.hh>

namespace vlutil {

namespace {

// The password as given first, then as it would read had the file's maker
// taken it in another encoding (UTF-8, WinAnsi, PDFDocEncoding).
std::vector<std::string> passwordCandidates(const std::string& password) {
  if (password.empty()) return {password};
  std::vector<std::string> candidates;
  for (const auto& candidate : QUtil::possible_repaired_encodings(password))
    if (std::find(candidates.begin(), candidates.end(), candidate) == candidates.end())
      candidates.push_back(candidate);
  return candidates;
}

// Files up to this size are read whole and parsed in memory: qpdf reading
// a file seeks and reads for every object and token, some twenty thousand
// system calls for a 200-page document. Larger ones are read as they are.
constexpr std::size_t kReadWholeLimit = 64 * 1024 * 1024;

// The whole file, or false when it is larger than the limit or cannot be
// read (processFile then reports why).
bool readWhole(const std::string& path, std::string* bytes) {
  std::FILE* file = nullptr;
  try {
    file = QUtil::safe_fopen(path.c_str(), "rb");
  } catch (const std::exception&) {
    return false;
  }
  bool complete = false;
  char chunk[65536];
  for (;;) {
    std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (got > 0) bytes->append(chunk, got);
    if (bytes->size() > kReadWholeLimit) break;
    if (got < sizeof chunk) {
      complete = std::feof(file) != 0;
      break;
    }
  }
  std::fclose(file);
  return complete;
}

// The file's bytes as qpdf's input, shared by every attempt (and kept for
// as long as a QPDF object reads from them) rather than copied.
class SharedBytes : public BufferInputSource {
 public:
  SharedBytes(const std::string& name, std::shared_ptr<const std::string> bytes)
      : BufferInputSource(name,
                          new Buffer(reinterpret_cast<unsigned char*>(
                                         const_cast<char*>(bytes->data())),
                                     bytes->size()),
                          true),
        bytes_(std::move(bytes)) {}

 private:
  std::shared_ptr<const std::string> bytes_;
};

enum class Attempt { kOpened, kWrongPassword, kFailed };

Attempt attempt(QPDF& pdf, const std::string& path, const std::shared_ptr<const std::string>& bytes,
                const std::string& password, std::string* problem) {
  try {
    if (bytes) {
      pdf.processInputSource(std::make_shared<SharedBytes>(path, bytes), password.c_str());
    } else {
      pdf.processFile(path.c_str(), password.c_str());
    }
    return Attempt::kOpened;
  } catch (const QPDFExc& e) {
    *problem = e.what();
    return e.getErrorCode() == qpdf_e_password ? Attempt::kWrongPassword : Attempt::kFailed;
  } catch (const QPDFSystemError& e) {
    *problem = e.what();
    return Attempt::kFailed;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    // qpdf reports some kinds of damage with plain runtime or logic errors.
    *problem = e.what();
    return Attempt::kFailed;
  }
}

}  // namespace

OpenedPdf openPdf(const std::string& path, const std::string& password) {
  OpenedPdf result;
  std::unique_ptr<QPDF> pdf;
  auto whole = std::make_shared<std::string>();
  const std::shared_ptr<const std::string> bytes =
      readWhole(path, whole.get()) ? whole : nullptr;
  for (const auto& candidate : passwordCandidates(password)) {
    // A QPDF object reads one file once, so every try needs a new one.
    pdf = std::make_unique<QPDF>();
    Attempt outcome = attempt(*pdf, path, bytes, candidate, &result.problem);
    if (outcome == Attempt::kOpened) break;
    pdf.reset();
    if (outcome == Attempt::kFailed) {
      result.status = OpenStatus::kUnreadable;
      return result;
    }
    result.status = OpenStatus::kPasswordRejected;
  }
  if (!pdf) return result;
  result.status = OpenStatus::kUnreadable;
  // A recovered file can still have a page tree that is beyond repair;
  // finding out here keeps such a file from counting as usable.
  try {
    if (QPDFPageDocumentHelper(*pdf).getAllPages().empty()) {
      result.problem = path + ": the document has no pages";
      return result;
    }
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    result.problem = e.what();
    return result;
  }
  result.status = OpenStatus::kOpened;
  result.pdf = std::move(pdf);
  return result;
}

bool ownerRestricted(const QPDF& pdf) {
  return pdf.isEncrypted() && !pdf.ownerPasswordMatched();
}

void complain(const std::string& what, const std::string& detail) {
  std::cerr << "vlutil: " << what;
  if (!detail.empty()) std::cerr << ": " << detail;
  std::cerr << std::endl;
}

}  // namespace vlutil
