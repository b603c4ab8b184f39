// Collects the messages of error reports made while it is alive (as a registered handler),
// and helpers to build the exact five-line block a report prints.
#pragma once

#include <string>
#include <vector>

#include "kelpforge/core/kf_error.h"

namespace KelpforgeTests {

class ReportCapture final : public Kelpforge::Core::Error::ErrorHandlerInterface {
public:
  ReportCapture() { Kelpforge::Core::Error::AddErrorHandler(this); }
  ~ReportCapture() override { Kelpforge::Core::Error::RemoveErrorHandler(this); }
  ReportCapture(const ReportCapture&) = delete;
  ReportCapture& operator=(const ReportCapture&) = delete;

  void OnErrorFired(const std::string& message) override { messages.push_back(message); }

  std::vector<std::string> messages;
};

// The block ReportErrorIf prints for `message` reported at `file`[`line`].
inline std::string ReportBlock(const std::string& file, int line, const std::string& message) {
  const std::string banner = "ASSERTION FAILED! -----------------------------------\n";
  return "\n" + banner + "FILE " + file + "[" + std::to_string(line) + "]\n" + "MESSAGE: " + message +
         "\n" + banner;
}

}  // namespace KelpforgeTests
