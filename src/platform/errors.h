#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// The errors that the program deliberately lets travel up to the application's
// default error handling, where their message is shown in the error box.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message)
        : std::runtime_error(message), message_(message) {}

    // The whole message: unlike what(), it survives a NUL character that an operator's
    // pasted text may carry.
    const std::string& Message() const { return message_; }

private:
    std::string message_;
};

// A string that the hexadecimal conversion cannot turn into a number.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A file that cannot be opened or read. `ErrorCode` is the program's error number
// (2 file not found, 5 access denied, 32 sharing violation, ...).
class EInOutError : public Exception {
public:
    EInOutError(int errorCode, const std::string& message)
        : Exception(message), ErrorCode(errorCode) {}

    int ErrorCode;
};

} // namespace platform
