#pragma once

#include <exception>
#include <functional>
#include <string>

// The exception hierarchy every layer raises.  `EAbort` is the silent abort: a handler raises it to
// stop what it was doing, and the default error handling shows nothing for it.
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}

  const std::string& Message() const noexcept { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  const char* what() const noexcept override { return FMessage.c_str(); }

private:
  std::string FMessage;
};

class EAbort : public Exception {
public:
  EAbort() : Exception("Operation aborted") {}
};

// A text that is not a valid value of the type it is converted to.
class EConvertError : public Exception {
public:
  using Exception::Exception;
};

// An index or name that a list does not hold.
class EListError : public Exception {
public:
  using Exception::Exception;
};

// A component name that is not a valid identifier or is already taken by a sibling.
class EComponentError : public Exception {
public:
  using Exception::Exception;
};

// A property that a class does not publish, or that cannot take the value given.
class EPropertyError : public Exception {
public:
  using Exception::Exception;
};

// A class name that is not registered.
class EClassNotFound : public Exception {
public:
  using Exception::Exception;
};

// Raises the silent abort.
[[noreturn]] void Abort();

// The application's default error handling: an exception that reaches the top of an event handler
// is passed here.  `EAbort` is swallowed; anything else goes to the installed hook (the user
// interface shows a dialog), or to standard error when no hook is installed.
using TErrorHook = std::function<void(const std::exception& error)>;

void SetDefaultErrorHook(TErrorHook hook);
void HandleDefaultError(const std::exception& error);

// Runs `action`, passing any exception it raises to the default error handling.
void RunHandlingErrors(const std::function<void()>& action);
