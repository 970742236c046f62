#pragma once
// The exception classes of the class library. Every one carries a message
// text (UTF-8) and derives from Exception, itself a std::exception, so code
// can catch the family or one member of it.
//
//   try { ReadRootComponent(form, bytes); }
//   catch (const EReadError& e) { report(e.Message()); }
//
//   throw EOutOfResources("Not enough timers available");
#include <exception>
#include <string>

namespace tavrel {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

// The component and pin framework's own failures.
class EOWException : public Exception {
  using Exception::Exception;
};

// A system resource (a timer, a handle) was refused.
class EOutOfResources : public Exception {
  using Exception::Exception;
};

// A value the form writer cannot store (a name over 255 bytes, an object
// in a variant).
class EWriteError : public Exception {
  using Exception::Exception;
};

// Bad form data. The default text is the one the form reader gives for a
// value of the wrong kind.
class EReadError : public Exception {
 public:
  EReadError() : Exception("invalid property value") {}
  using Exception::Exception;
};

// A published property that does not exist, or a value of the wrong kind.
class EPropertyError : public Exception {
  using Exception::Exception;
};

// A value that cannot be converted or assigned (bad GUID text, Assign
// between unrelated classes).
class EConvertError : public Exception {
  using Exception::Exception;
};

// An interface asked of an object that does not implement it.
class EIntfCastError : public Exception {
  using Exception::Exception;
};

// A component name that is not an identifier or is already taken.
class EComponentError : public Exception {
  using Exception::Exception;
};

// A list index out of range, or an operation a sorted list refuses.
class EStringListError : public Exception {
  using Exception::Exception;
};

// An INI file or registry stand-in that cannot be written, or a name or
// value that the file format cannot hold.
class EIniFileException : public Exception {
  using Exception::Exception;
};

// A class name that no registered class has.
class EClassNotFound : public Exception {
  using Exception::Exception;
};

}  // namespace tavrel
