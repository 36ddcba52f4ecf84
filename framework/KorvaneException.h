#pragma once
#include <cstdint>
#include <exception>
#include <string>

namespace korvane {

// A failure an operation reports with a message; the command still reports success and the message is
// logged as a warning.
class KorvaneException : public std::exception {
public:
    explicit KorvaneException(std::string message) : message_(std::move(message)) {}
    const std::string& message() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// The user stopped the command; it ends with the host's cancel code.
class KorvaneAbort : public std::exception {
public:
    const char* what() const noexcept override { return "user abort"; }
};

// A host error code that must reach the host unchanged (a missing suite: 516). Not caught by dispatch;
// the entry point returns the code.
class KorvaneHostError : public std::exception {
public:
    explicit KorvaneHostError(std::int32_t code) : code_(code) {}
    std::int32_t code() const { return code_; }
    const char* what() const noexcept override { return "host error"; }

private:
    std::int32_t code_;
};

} // namespace korvane
