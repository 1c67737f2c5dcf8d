// Where one input value goes in the host: a host variable, a word of the
// host's data block, or the 16-bit throttle storage. Flight sources and traces
// both feed the host through channels; the named ones are the gauge's host
// inputs (host/gauge_facts.h).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/gauge_facts.h"
#include "host/host.h"

namespace vorlat::flight {

struct Channel {
    using Kind = gauge::Storage;
    Kind kind = Kind::Variable;
    std::uint32_t index = 0;  // variable identifier or data-block word index

    friend bool operator==(const Channel&, const Channel&) = default;
};

// For sets and maps of channels.
struct ChannelHash {
    std::size_t operator()(const Channel& channel) const noexcept {
        return std::hash<std::uint64_t>{}(static_cast<std::uint64_t>(channel.kind) << 32 | channel.index);
    }
};

// Where the host keeps one of the gauge's inputs.
constexpr Channel channelOf(const gauge::HostInput& input) { return {input.storage, input.index}; }

// A documented trace column name and what it feeds.
struct ChannelName {
    std::string name;
    Channel channel;
    std::string unit;  // what one unit of the raw value is, for the docs and --help
};

// The trace names of every host input, in the documentation's order.
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
