// The seam between the portable registry front (registry.cpp) and the store
// each platform keeps: the Windows registry itself, or the SQLite store on
// POSIX. Each backend folder defines the factory.
#pragma once

#include <memory>

#include "platform/registry.h"

namespace platform {

// A new instance of the platform's own store. Called under the front's lock,
// at most once until resetPlatformRegistry() drops the instance again.
std::unique_ptr<Registry> createPlatformRegistry();

}  // namespace platform
