#include <cstdio>

#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include "tools/vlutil/commands.h"
#include "tools/vlutil/exit_codes.h"
#include "tools/vlutil/output_file.h"
#include "tools/vlutil/pdf_input.h"
#include "tools/vlutil/permissions.h"
#include "tools/vlutil/text_encoding.h"

namespace vlutil {

namespace {

// With an empty owner password the security handler derives the owner key
// from the user password, so whoever may open the document also holds the
// owner's rights and every restriction is void. A random owner password
// nobody knows makes the restrictions hold.
std::string unknowableOwnerPassword() {
  unsigned char bytes[16];
  QUtil::initializeWithRandomBytes(bytes, sizeof bytes);
  std::string password;
  for (unsigned char byte : bytes) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", byte);
    password += hex;
  }
  return password;
}

std::string passwordArgument(const std::string& argument, const char* which) {
  bool exact = true;
  std::string bytes = rc4Password(argument, &exact);
  if (!exact)
    complain(std::string("the ") + which + " password has characters outside PDFDocEncoding",
             "used as typed; some viewers will not accept it");
  return bytes;
}

}  // namespace

int encrypt(const std::string& in, const std::string& out, const std::string& userPassword,
            const std::string& ownerPassword, const std::string& digits, const std::string& bits) {
  Permissions allowed;
  if (!parsePermissionDigits(digits, &allowed)) {
    complain("bad permission digits \"" + digits + "\"", "eight characters 0 or 1 expected");
    return kBadArguments;
  }
  if (bits != "40" && bits != "128") {
    complain("bad key length \"" + bits + "\"", "40 or 128 expected");
    return kBadArguments;
  }
  bool longKey = bits == "128";
  if (namesAnInput(out, {in})) {
    complain("the output " + out + " is the input", std::string());
    return kBadArguments;
  }

  OpenedPdf input = openPdf(in, std::string());
  if (input.status == OpenStatus::kUnreadable) {
    complain("cannot read the input", input.problem);
    return kUnreadable;
  }
  if (input.status == OpenStatus::kPasswordRejected || ownerRestricted(*input.pdf)) {
    complain(in + " is already encrypted", "it cannot be encrypted again without its password");
    return kEncryptedInput;
  }

  std::string user = passwordArgument(userPassword, "user");
  std::string owner = passwordArgument(ownerPassword, "owner");
  if (restrictsAnything(allowed, longKey)) {
    if (owner.empty()) {
      owner = unknowableOwnerPassword();
    } else if (owner == user) {
      complain("the owner password equals the user password",
               "whoever opens the document may lift its restrictions");
    }
  }

  return writeOutput(*input.pdf, out, [&](QPDFWriter& writer) {
    if (longKey)
      writer.setR3EncryptionParametersInsecure(
          user.c_str(), owner.c_str(), allowed.screenReading, allowed.copy, allowed.assembly,
          allowed.annotate, allowed.fillIn, allowed.modifyContent, r3Printing(allowed));
    else
      writer.setR2EncryptionParametersInsecure(user.c_str(), owner.c_str(), allowed.print,
                                               allowed.modifyContent, allowed.copy,
                                               allowed.annotate);
  });
}

}  // namespace vlutil
