// The producer in an XMP metadata packet (pdf:Producer), changed as text so
// that everything else in the packet stays byte for byte as its maker wrote it.
#pragma once

#include <string>
#include <vector>

namespace vlutil {

// Sets every pdf:Producer property of packet (attribute or element form,
// under whatever prefix the packet binds to the PDF namespace) to producer,
// which is UTF-8. Returns how many were set: 0 when the packet has none, -1
// when the packet is not UTF-8 (left unchanged then).
int setXmpProducer(std::string* packet, const std::string& producer);

// The prefixes the packet binds to the namespace uri (xmlns:PREFIX="uri"),
// in the order first bound; just `fallback` when it binds none (a packet
// that uses a well-known prefix without declaring it).
std::vector<std::string> prefixesBoundTo(const std::string& packet, const std::string& uri,
                                         const std::string& fallback);

// producer as XML character data, safe in element content and in attribute
// values under either quote.
std::string xmlEscaped(const std::string& text);

}  // namespace vlutil
