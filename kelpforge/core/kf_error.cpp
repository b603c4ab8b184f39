// ReportErrorIf and the handler registry. The state lives in function-local statics so that
// reports made during static initialisation of other units already find it in place.
#include "kelpforge/core/kf_error.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "kelpforge/core/implementation/kf_error_internal.h"

namespace Kelpforge::Core::Error {

namespace kfImplementation {

void ExceptionalErrorHandler::OnErrorFired(const std::string& message) {
  throw ErroredException(message);
}

ExceptionalErrorHandler theExceptionalErrorHandler;

}  // namespace kfImplementation

namespace {

constexpr int kMessageBufferSize = 4096;
constexpr const char* kBanner = "ASSERTION FAILED! -----------------------------------\n";

std::vector<ErrorHandlerInterface*>& Handlers() {
  static std::vector<ErrorHandlerInterface*> handlers;
  return handlers;
}

bool theThrowOnError = false;

}  // namespace

void ReportErrorIf(bool condition, const char* sourceFile, int line, const char* format, ...) {
  if (!condition) {
    return;
  }

  std::string message;
  {
    // vsnprintf cuts a longer message at 4095 characters and still terminates it.
    std::vector<char> buffer(kMessageBufferSize);
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer.data(), buffer.size(), format, arguments);
    va_end(arguments);
    message = buffer.data();
  }

  if (theThrowOnError) {
    kfImplementation::theExceptionalErrorHandler.OnErrorFired(message);
  }

  std::fputs("\n", stdout);
  std::fputs(kBanner, stdout);
  std::fprintf(stdout, "FILE %s[%d]\n", sourceFile, line);
  std::fputs("MESSAGE: ", stdout);
  std::fputs(message.c_str(), stdout);
  std::fputs("\n", stdout);
  std::fputs(kBanner, stdout);
  std::fflush(stdout);

  // A copy, so a handler may add or remove handlers while it is being told.
  const std::vector<ErrorHandlerInterface*> handlers = Handlers();
  for (ErrorHandlerInterface* handler : handlers) {
    handler->OnErrorFired(message);
  }
}

void AddErrorHandler(ErrorHandlerInterface* handler) {
  Handlers().push_back(handler);
}

void RemoveErrorHandler(ErrorHandlerInterface* handler) {
  std::erase(Handlers(), handler);
}

void SetThrowOnError(bool throwOnError) {
  theThrowOnError = throwOnError;
}

bool IsThrowOnError() {
  return theThrowOnError;
}

}  // namespace Kelpforge::Core::Error
