// Files in the scratch folder a program test runs in (the module writes its log
// into the current folder): whole files read and written, the log's lines.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"

namespace vorlat::test {

inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream input(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

// The log's lines without their CR LF; fails the caller's expectations when a line lacks the CR.
inline std::vector<std::string> splitCrLfLines(const std::string& text, bool& allCrLf) {
    std::vector<std::string> lines;
    allCrLf = true;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (line.empty() || line.back() != '\r') allCrLf = false;
        else line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

}  // namespace vorlat::test
