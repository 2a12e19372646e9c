// The switches through which the tests play another system or another
// user's rights. Only a build whose tests run compiles them in
// (test_switches-posix.cpp); any other build answers that no test asked.
#pragma once

#include "platform/system.h"

namespace platform {
namespace posix {

#ifdef VELLORA_TEST_HOOKS
// The system a test asks for (platform, major, minor and build; is64Bit is
// the caller's); false when it asks for none.
bool versionAskedForByTest(OsVersion* version);
// The rights a test asks for; false when it asks for none.
bool rightsAskedForByTest(bool* administrator);
#else
inline bool versionAskedForByTest(OsVersion*) { return false; }
inline bool rightsAskedForByTest(bool*) { return false; }
#endif

}  // namespace posix
}  // namespace platform
