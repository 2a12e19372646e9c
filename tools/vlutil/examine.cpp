#include <iostream>

#include "tools/vlutil/commands.h"
#include "tools/vlutil/exit_codes.h"
#include "tools/vlutil/pdf_input.h"

namespace vlutil {

int examine(const std::string& path) {
  OpenedPdf input = openPdf(path, std::string());
  switch (input.status) {
    case OpenStatus::kUnreadable:
      complain("cannot read the input", input.problem);
      return kUnreadable;
    case OpenStatus::kPasswordRejected:
      std::cout << "encrypted: the document needs its open password" << std::endl;
      return kNeedsUserPassword;
    case OpenStatus::kOpened:
      break;
  }
  // An encrypted file whose owner password is empty as well gives full
  // access to anyone: asking for a password would only confuse.
  if (ownerRestricted(*input.pdf)) {
    std::cout << "encrypted: opens without a password, the owner password restricts it"
              << std::endl;
    return kNeedsOwnerPassword;
  }
  std::cout << (input.pdf->isEncrypted() ? "encrypted without any restriction" : "not encrypted")
            << std::endl;
  return kOk;
}

}  // namespace vlutil
