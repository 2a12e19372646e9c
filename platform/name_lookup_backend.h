// The seam between the bounded name look-up (name_lookup.cpp) and each
// platform's resolver. Each backend folder defines these with its sockets.
#pragma once

#include <string>

#include "platform/sockets.h"

namespace platform {

// A dotted IPv4 address as it stands; false for anything else.
bool numericIpv4(const std::string& host, Ipv4Address* address);
// The system's own look-up, waiting as long as the resolver takes: 0 with
// the first IPv4 address, or the system's error code. Safe to call from any
// thread, also after the caller of resolveIpv4 has stopped the sockets.
long systemLookUpIpv4(const std::string& host, Ipv4Address* address);
// The error code of a wait that ran into its deadline.
int timedOutError();

}  // namespace platform
