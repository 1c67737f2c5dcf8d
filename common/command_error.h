// How every command ends: its exit code (0 ok, 1 failure, 2 bad usage or
// bad input), the one error type that carries that code, and the one guard
// that turns a command's failure into "COMMAND: message" on standard error
// and its exit code. Every error type of ours that a command may meet derives
// from CommandError, so the guard needs to know none of them.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vorlat {

inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_FAILED = 1;     // the work could not be done: a failed write, a broken module
inline constexpr int EXIT_BAD_INPUT = 2;  // bad usage, or an input that is not what the command reads

// A failure a command reports: the message, without the command's name, and its exit code.
class CommandError : public std::runtime_error {
public:
    CommandError(const std::string& message, int exitCode) : std::runtime_error(message), exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }

private:
    int exitCode_;
};

// Bad usage: an option or argument that does not say what it should (exit 2).
struct UsageError : CommandError {
    explicit UsageError(const std::string& message) : CommandError(message, EXIT_BAD_INPUT) {}
};

// A command that has already said why it failed: the guard adds no line.
struct ReportedFailure : CommandError {
    explicit ReportedFailure(int exitCode) : CommandError({}, exitCode) {}
};

// Runs a command's body and returns its exit code: EXIT_OK when the body
// returns, a CommandError's own code, EXIT_FAILED for any other exception.
// A failure's message goes to standard error as "COMMAND: message", where
// COMMAND is the command's full name ("vorlat log report").
int runCommand(std::string_view command, const std::function<void()>& body);

// "COMMAND: text" on standard error: a command's warning.
void warn(std::string_view command, std::string_view text);

}  // namespace vorlat
