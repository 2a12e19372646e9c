#include "tools/vlutil/output_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <qpdf/QPDFSystemError.hh>
#include <qpdf/QUtil.hh>

#include "tools/vlutil/exit_codes.h"
#include "tools/vlutil/pdf_input.h"

namespace vlutil {

namespace {

namespace fs = std::filesystem;

// A name in the output's own folder, so that the final rename stays on one
// volume and cannot turn into a copy.
std::string temporaryNameFor(const std::string& out) {
  for (int tries = 0; tries < 100; ++tries) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".vlutil-%08lx.tmp",
                  static_cast<unsigned long>(QUtil::random()) & 0xffffffffUL);
    std::string candidate = out + suffix;
    std::error_code ec;
    if (!fs::exists(fs::path(candidate), ec) && !ec) return candidate;
  }
  return std::string();
}

void removeQuietly(const std::string& path) {
  std::error_code ec;
  fs::remove(fs::path(path), ec);
}

}  // namespace

bool namesAnInput(const std::string& out, const std::vector<std::string>& inputs) {
  for (const auto& input : inputs) {
    std::error_code ec;
    if (fs::equivalent(fs::path(out), fs::path(input), ec) && !ec) return true;
  }
  return false;
}

namespace {

// Writes the result through `write` (given the temporary name) and renames
// it over out.
int writeThrough(const std::string& out, const std::function<void(const std::string&)>& write) {
  std::string temporary = temporaryNameFor(out);
  if (temporary.empty()) {
    complain("cannot find a temporary name beside " + out, std::string());
    return kFailure;
  }
  // A result written over an existing OUT keeps OUT's permissions from the
  // start: the converter's private work files stay private throughout.
  std::error_code status;
  const fs::file_status existing = fs::status(fs::path(out), status);
  if (!status && fs::is_regular_file(existing)) {
    std::FILE* created = std::fopen(temporary.c_str(), "wb");
    if (created) std::fclose(created);
    fs::permissions(fs::path(temporary), existing.permissions(), status);
  }
  try {
    write(temporary);
  } catch (const QPDFSystemError& e) {
    removeQuietly(temporary);
    complain("cannot write " + out, e.what());
    return kFailure;
  } catch (...) {
    removeQuietly(temporary);
    throw;
  }
  std::error_code ec;
  fs::rename(fs::path(temporary), fs::path(out), ec);
  if (ec) {
    removeQuietly(temporary);
    complain("cannot put the result in place as " + out, ec.message());
    return kFailure;
  }
  return kOk;
}

}  // namespace

int writeOutput(QPDF& pdf, const std::string& out,
                const std::function<void(QPDFWriter&)>& configure) {
  return writeThrough(out, [&](const std::string& temporary) {
    QPDFWriter writer(pdf, temporary.c_str());
    configure(writer);
    writer.write();
  });
}

int writeTextOutput(const std::string& text, const std::string& out) {
  return writeThrough(out, [&](const std::string& temporary) {
    std::FILE* file = QUtil::safe_fopen(temporary.c_str(), "wb");
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) throw QPDFSystemError("write " + temporary, errno);
  });
}

}  // namespace vlutil
