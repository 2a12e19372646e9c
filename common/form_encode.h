// URL-encoding of the error report's form fields.
#pragma once

#include <cstddef>

namespace vellora {

// Encodes `source` into `output` for an application/x-www-form-urlencoded
// body: letters, digits, ".", "/" and "_" stay; every other byte becomes "%"
// and two lower-case hexadecimal digits. A "%" already followed by two
// hexadecimal digits is taken as an escape made before: it is written again
// (in lower case) rather than escaped a second time.
//
// `sourceLength` 0 reads up to the terminating zero; otherwise at most that
// many bytes are read, never past a zero. At most `capacity` characters are
// written and the output is terminated only on success, so the buffer needs
// capacity + 1 bytes, cleared beforehand, for a cut field to stay terminated.
//
// Returns the encoded length, or -1 when source or output is missing, the
// source length exceeds the capacity, or the encoding does not fit (what
// fitted stays in the output: the field is cut, never mid-escape).
int FormEncode(const char* source, std::size_t sourceLength, char* output, std::size_t capacity);

}  // namespace vellora
