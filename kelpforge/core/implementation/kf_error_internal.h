// The handler behind the throw-on-error switch: every report becomes a thrown ErroredException.
#pragma once

#include <stdexcept>
#include <string>

#include "kelpforge/core/kf_error.h"

namespace Kelpforge::Core::Error::kfImplementation {

class ExceptionalErrorHandler : public ErrorHandlerInterface {
public:
  class ErroredException : public std::runtime_error {
  public:
    explicit ErroredException(const std::string& message) : std::runtime_error(message) {}
  };

  void OnErrorFired(const std::string& message) override;
};

extern ExceptionalErrorHandler theExceptionalErrorHandler;

}  // namespace Kelpforge::Core::Error::kfImplementation
