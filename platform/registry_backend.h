// The platform's own registry store, created by the backend that owns it.
#pragma once

#include <memory>

#include "platform/registry.h"

namespace platform {

std::unique_ptr<Registry> createPlatformRegistry();

}  // namespace platform
