// Runs the built vorlat program in the current folder with its output captured,
// for tests of exit codes, messages and the files a command leaves.
#pragma once

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "tests/cli/work_dir.h"

namespace vorlat::test {

struct Outcome {
    int exitCode = -1;
    std::string out, err;
};

// Standard output goes to `stdoutFile` when given (e.g. /dev/full) and is then not read back.
inline Outcome runProgram(const std::string& arguments, const std::string& stdoutFile = {}) {
    const std::string out = stdoutFile.empty() ? "program.out" : stdoutFile;
    const std::string command =
        std::string("'") + VORLAT_PROGRAM_PATH + "' " + arguments + " >'" + out + "' 2>program.err </dev/null";
    const int status = std::system(command.c_str());
    Outcome outcome;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (stdoutFile.empty()) outcome.out = readFile("program.out");
    outcome.err = readFile("program.err");
    std::filesystem::remove("program.out");
    std::filesystem::remove("program.err");
    return outcome;
}

// Width and height from a PNG file's header.
inline std::pair<int, int> pngSize(const std::filesystem::path& file) {
    const std::string bytes = readFile(file);
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0) return {0, 0};
    const auto word = [&bytes](std::size_t at) {
        return int(std::uint8_t(bytes[at])) << 24 | int(std::uint8_t(bytes[at + 1])) << 16 |
               int(std::uint8_t(bytes[at + 2])) << 8 | int(std::uint8_t(bytes[at + 3]));
    };
    return {word(16), word(20)};
}

}  // namespace vorlat::test
