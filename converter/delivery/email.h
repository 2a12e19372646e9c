// Sending the finished document as an e-mail attachment.
#pragma once

#include <string>

namespace vellora {

// Hands a new message to the user's mail program, with `title` as subject
// and the file at `path` as its only attachment; the user adds recipients
// and sends it. `reserved` is 0; `text` is the message text where the mail
// program takes one. Returns 1 when a mail program has the message or the
// user turned its logon down, 0 when no way to a mail program worked.
int sendMail(const std::string& title, const std::string& path, int reserved,
             const std::string& text);

}  // namespace vellora
