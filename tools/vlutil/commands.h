// The commands of vlutil. Each returns an exit code from exit_codes.h and
// reports problems on standard error; none changes its input files.
#pragma once

#include <string>

namespace vlutil {

// i FILE
int examine(const std::string& path);

struct DocumentInfo {
  std::string title, subject, keywords, author;
};
// c FIRST SECOND OUT TITLE SUBJECT KEYWORDS AUTHOR PASSWORD
int join(const std::string& first, const std::string& second, const std::string& out,
         const DocumentInfo& info, const std::string& password);

enum class StationeryMode { kWatermark, kBackground };
// w IN STATIONERY OUT and b IN STATIONERY OUT
int applyStationery(StationeryMode mode, const std::string& in, const std::string& stationery,
                    const std::string& out);

// e IN OUT USERPW OWNERPW DIGITS 40|128
int encrypt(const std::string& in, const std::string& out, const std::string& userPassword,
            const std::string& ownerPassword, const std::string& digits, const std::string& bits);

// p IN OUT PRODUCER: /Info /Producer and the XMP producer set to PRODUCER.
int setProducer(const std::string& in, const std::string& out, const std::string& producer);

// f IN OUT PRODUCER: the interpreter's result checked and stamped in one
// read. 0 with OUT written as p writes it; 3 when IN is not a readable PDF
// (as i says); 1 when IN is a PDF that needs its open password (as i says;
// no OUT, the document stays as it is).
int finishResult(const std::string& in, const std::string& out, const std::string& producer);

// t IN OUT: the document's title as UTF-8 text into OUT, empty when it has
// none: /Info /Title, or for a document without /Info the XMP dc:title.
int writeTitle(const std::string& in, const std::string& out);

}  // namespace vlutil
