#include "converter/delivery/email.h"

namespace vellora {

int sendMail(const std::string&, const std::string&, int, const std::string&) { return 0; }

}  // namespace vellora
