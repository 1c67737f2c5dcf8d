// What every fuzz target asks of a parser beyond not crashing: a message that
// is safe to show (printable ASCII only, so no NUL cuts it and no escape
// sequence reaches the terminal, and short, so no input is copied whole onto
// stderr), and a broken property reported as a finding: libFuzzer keeps the
// input that aborted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "common/printable.h"

namespace vorlat::fuzz {

inline constexpr std::size_t MAX_MESSAGE_BYTES = 1000;

[[noreturn]] inline void finding(const char* property, std::string_view detail) {
    std::fprintf(stderr, "fuzz finding: %s: %s\n", property, printable(detail, 300).c_str());
    std::abort();
}

inline void requireSafeMessage(std::string_view message) {
    if (message.empty()) finding("an empty message", message);
    if (message.size() > MAX_MESSAGE_BYTES) finding("a message longer than 1000 bytes", message);
    for (const char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E) finding("a message with a control or non-ASCII byte", message);
    }
}

inline std::string_view textOf(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace vorlat::fuzz
