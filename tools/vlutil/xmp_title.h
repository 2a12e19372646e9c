// The document's title as its XMP metadata packet gives it (dc:title), for
// documents whose /Info dictionary has none.
#pragma once

#include <string>

namespace vlutil {

// The text of dc:title in packet (UTF-8): of its rdf:Alt the item in the
// default language, else the first item; the element's own text when it
// holds no items. XML references are decoded. Empty when the packet has no
// title, or is not UTF-8.
std::string xmpTitle(const std::string& packet);

}  // namespace vlutil
