#include "converter/delivery/email.h"

#include "platform/mail.h"

namespace vellora {

int sendMail(const std::string& title, const std::string& path, int, const std::string& text) {
  platform::MailMessage message;
  message.subject = title;
  message.attachment = path;
  message.note = text;
  platform::MailWays ways;
  for (int way = 0; way < ways.count(); ++way) {
    switch (ways.tryWay(way, message)) {
      case platform::MailOutcome::kHandedOver:
      // A logon the user turned down is an answer, not a failure: no other
      // mail program is pushed at them.
      case platform::MailOutcome::kDeclined:
        return 1;
      case platform::MailOutcome::kNotAvailable:
        break;
    }
  }
  return 0;
}

}  // namespace vellora
