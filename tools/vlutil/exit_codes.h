// Exit codes of vlutil. The converter acts on these numbers, so they are a
// contract: never renumber one. README.md lists them per command.
#pragma once

namespace vlutil {

enum ExitCode {
  kOk = 0,
  // i: a user (open) password is set; the empty password does not open it.
  kNeedsUserPassword = 1,
  // i: opens without a password, but an owner password restricts it.
  kNeedsOwnerPassword = 2,
  // An input is missing, not a PDF, damaged beyond recovery or has no pages.
  kUnreadable = 3,
  // w, b, e: an input is encrypted and cannot be used without a password.
  kEncryptedInput = 4,
  // c: a password was given and opens neither the user nor the owner side.
  kWrongPassword = 8,
  // c: no password was given, but an input needs one.
  kPasswordNeeded = 9,
  // --when-told: the input ended without the word to go; nothing was done.
  kNotTold = 96,
  // Wrong argument count, unknown command, bad digits or level, or an
  // output that names one of the inputs.
  kBadArguments = 97,
  // A failure with a name: the output cannot be written or renamed, memory ran out.
  kFailure = 98,
  // Anything unexpected (an exception nobody foresaw).
  kUnexpected = 99,
};

}  // namespace vlutil
