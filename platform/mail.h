// Opening a new message in the user's mail program, with the subject and one
// attachment filled in. The user completes the message (recipients, text)
// and sends it; nothing here ever sends mail or fills in a recipient.
//
// A platform has one or more ways to reach a mail program, tried in order:
//   Windows: Simple MAPI ("mapi32.dll", loaded at run time), then Outlook's
//            automation interface ("Outlook.Application") through COM.
//   POSIX:   the desktop's composer through xdg-email (xdg-utils), then
//            Thunderbird's -compose when it is installed.
#pragma once

#include <memory>
#include <string>

namespace platform {

struct MailMessage {
  std::string subject;     // may be empty
  std::string attachment;  // the file's path
  std::string note;        // the message text; MAPI only
};

enum class MailOutcome {
  kHandedOver,    // a compose window has the message
  kDeclined,      // the user turned the mail program's logon down
  kNotAvailable,  // this way does not work here; try the next
};

class MailWays {
 public:
  MailWays();
  // Closes what a way left open for the ones after it (a MAPI session).
  ~MailWays();
  MailWays(const MailWays&) = delete;
  MailWays& operator=(const MailWays&) = delete;

  int count() const;
  MailOutcome tryWay(int index, const MailMessage& message);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform
