// Where one input value goes in the host: a host variable, a word of the
// host's data block, or the 16-bit throttle storage. Flight sources and traces
// both feed the host through channels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"

namespace vorlat::flight {

struct Channel {
    enum class Kind { Variable, DataWord, ThrottleWord };
    Kind kind = Kind::Variable;
    std::uint32_t index = 0;  // variable identifier or data-block word index

    friend bool operator==(const Channel&, const Channel&) = default;
};

// A documented trace column name and what it feeds.
struct ChannelName {
    const char* name;
    Channel channel;
    const char* unit;  // what one unit of the raw value is, for the docs and --help
};

// Host variables the program drives itself; a flight source may not set them.
inline constexpr std::uint32_t TICK_VARIABLE = 1;
// The data block has this many words in the stand-in host.
inline constexpr std::uint32_t DATA_WORD_LIMIT = 256;

const std::vector<ChannelName>& channelNames();

// Resolves a trace column name: a documented name, a plain identifier ("73"),
// or "dataN" for word N of the data block. Empty when unknown.
std::optional<Channel> channelByName(std::string_view name);

// Why a value cannot go into a channel (out of range for a word, not whole), or empty.
std::optional<std::string> checkChannelValue(Channel channel, double value);

// Writes a value into the host. Word channels take the value as a whole number;
// callers check it first with checkChannelValue.
void applyChannel(Host& host, Channel channel, double value);

std::string describeChannel(Channel channel);

}  // namespace vorlat::flight
