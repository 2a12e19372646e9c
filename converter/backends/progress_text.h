// The text of the window shown while a document is made.
#pragma once

namespace vellora {

constexpr const char kProgressWindowText[] = "Creating Document";

}  // namespace vellora
