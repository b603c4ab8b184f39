// The one error-reporting facility: ReportErrorIf prints a five-line block to standard output,
// tells the registered handlers and returns, so the caller goes on with its next statement.
// KF_REPORT_ERROR_IF fills in the caller's file and line.
#pragma once

#include <string>

namespace Kelpforge::Core::Error {

class ErrorHandlerInterface {
public:
  virtual ~ErrorHandlerInterface() {}
  virtual void OnErrorFired(const std::string& message) = 0;
};

// Reports `format` (printf style) when `condition` holds. Messages longer than 4095
// characters are cut at 4095.
void ReportErrorIf(bool condition, const char* sourceFile, int line, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Handlers are told of every report in the order they were added; the facility does not own them.
void AddErrorHandler(ErrorHandlerInterface* handler);
// Removes every registration of `handler`; a handler that was never added is ignored.
void RemoveErrorHandler(ErrorHandlerInterface* handler);
// When on, every report throws instead of printing: a std::runtime_error whose what() is the
// message.
void SetThrowOnError(bool throwOnError);
bool IsThrowOnError();

}  // namespace Kelpforge::Core::Error

#define KF_REPORT_ERROR_IF(condition, ...) \
  ::Kelpforge::Core::Error::ReportErrorIf((condition), __FILE__, __LINE__, __VA_ARGS__)
