// Reading what the stand-in programs recorded (VELLORA_STANDIN_LOG), and
// waiting for programs that run detached.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// The lines of a stand-in record, each split at its tabs, escapes undone.
std::vector<std::vector<std::string>> readRecord(const std::string& path);

// The lines of a record whose first field ends with `program` (its name or
// path).
std::vector<std::vector<std::string>> recordedBy(const std::string& path,
                                                 const std::string& program);

// Checks a condition every 20 ms until it holds or the time is up; whether
// it held.
bool waitUntil(const std::function<bool()>& condition, int timeoutMilliseconds = 10000);

}  // namespace testsupport
