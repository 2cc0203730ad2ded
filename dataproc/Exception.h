// The project's exception root: every error the system raises carries its exact message text.
#pragma once

#include <exception>
#include <string>
#include <utility>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const char* what() const noexcept override { return FMessage.c_str(); }
    const std::string& Message() const noexcept { return FMessage; }

private:
    std::string FMessage;
};

// A file could not be opened, created, read or written; the message names the file and the reason.
class EFileError : public Exception {
public:
    using Exception::Exception;
};
