// The one guard every command runs under: each kind of failure gets its exit
// code and exactly one "COMMAND: message" line on stderr, whatever layer threw it.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "common/command_error.h"
#include "common/output_files.h"

namespace vorlat {
namespace {

struct GuardCase {
    const char* name;
    std::function<void()> body;
    int exitCode;
    const char* stderrText;
};

// clang-format off
const GuardCase GUARD_CASES[] = {
    {.name = "Success",       .body = [] {},                                                      .exitCode = EXIT_OK,        .stderrText = ""},
    {.name = "BadInput",      .body = [] { throw CommandError("x: not a log", EXIT_BAD_INPUT); }, .exitCode = EXIT_BAD_INPUT, .stderrText = "vorlat log csv: x: not a log\n"},
    {.name = "Usage",         .body = [] { throw UsageError("--label twice"); },                  .exitCode = EXIT_BAD_INPUT, .stderrText = "vorlat log csv: --label twice\n"},
    {.name = "SameFile",      .body = [] { throw files::SameFileError("-o a and log a"); },       .exitCode = EXIT_BAD_INPUT, .stderrText = "vorlat log csv: -o a and log a\n"},
    {.name = "OutputFailed",  .body = [] { throw files::OutputError("a: cannot write"); },        .exitCode = EXIT_FAILED,    .stderrText = "vorlat log csv: a: cannot write\n"},
    {.name = "SaidAlready",   .body = [] { throw ReportedFailure(EXIT_FAILED); },                 .exitCode = EXIT_FAILED,    .stderrText = ""},
    {.name = "AnyOtherError", .body = [] { throw std::runtime_error("no memory"); },              .exitCode = EXIT_FAILED,    .stderrText = "vorlat log csv: no memory\n"},
};
// clang-format on

class Guard : public ::testing::TestWithParam<GuardCase> {};

TEST_P(Guard, ExitCodeAndOneLine) {
    const GuardCase& c = GetParam();
    ::testing::internal::CaptureStderr();
    const int status = runCommand("vorlat log csv", c.body);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.stderrText);
    EXPECT_EQ(status, c.exitCode);
}

INSTANTIATE_TEST_SUITE_P(Cases, Guard, ::testing::ValuesIn(GUARD_CASES),
                         [](const ::testing::TestParamInfo<GuardCase>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
}  // namespace vorlat
