// Sending the finished document as an e-mail attachment.
#pragma once

#include <string>

namespace vellora {

// Returns non-zero when the message was handed to the mail system. No mail
// system is connected on this platform yet, so it reports failure and the
// job tells the user so.
int sendMail(const std::string& title, const std::string& path, int flags,
             const std::string& text);

}  // namespace vellora
