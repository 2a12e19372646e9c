// Writing a result so that a failed run never leaves a partial file under
// the output name: the PDF goes to a temporary file beside the output and is
// renamed over it only when complete.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

namespace vlutil {

// True when out names one of the inputs (the same file, whatever the
// spelling); writing there would change an input.
bool namesAnInput(const std::string& out, const std::vector<std::string>& inputs);

// Writes pdf to out; configure sets the writer's options. Returns kOk, or
// kFailure after a message when the output cannot be written or renamed.
// Exceptions from qpdf while writing (damaged input found late) pass on to
// the caller after the temporary file is gone.
int writeOutput(QPDF& pdf, const std::string& out,
                const std::function<void(QPDFWriter&)>& configure);

// Writes text to out in the same way (a temporary file beside it, renamed
// over it when complete): kOk, or kFailure after a message.
int writeTextOutput(const std::string& text, const std::string& out);

}  // namespace vlutil
