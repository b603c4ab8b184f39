// Core::Noncopyable: a base class that removes copy construction and copy assignment.
#pragma once

namespace Kelpforge::Core {

class Noncopyable {
protected:
  Noncopyable() = default;
  ~Noncopyable() = default;

public:
  Noncopyable(const Noncopyable&) = delete;
  Noncopyable& operator=(const Noncopyable&) = delete;
};

}  // namespace Kelpforge::Core
