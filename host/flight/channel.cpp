#include "host/flight/channel.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace vorlat::flight {

namespace {

constexpr Channel var(std::uint32_t id) { return {Channel::Kind::Variable, id}; }
constexpr Channel word(std::uint32_t index) { return {Channel::Kind::DataWord, index}; }

std::optional<std::uint32_t> parseIndex(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    std::uint32_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

}  // namespace

const std::vector<ChannelName>& channelNames() {
    static const std::vector<ChannelName> names = [] {
        std::vector<ChannelName> table;
        for (const gauge::HostInput* input : gauge::HOST_INPUTS)
            table.push_back({std::string(input->traceName), channelOf(*input), std::string(input->rawUnit)});
        return table;
    }();
    return names;
}

std::optional<Channel> channelByName(std::string_view name) {
    for (const auto& entry : channelNames())
        if (name == entry.name) return entry.channel;
    if (name.starts_with("data")) {
        auto index = parseIndex(name.substr(4));
        if (index && *index < gauge::DATA_BLOCK_WORDS) return word(*index);
        return std::nullopt;
    }
    auto id = parseIndex(name);
    if (!id || *id == 0) return std::nullopt;
    if (*id == gauge::THROTTLE.index) return channelOf(gauge::THROTTLE);
    return var(*id);
}

std::optional<std::string> checkChannelValue(Channel channel, double value) {
    if (!std::isfinite(value)) return "not a finite number";
    switch (channel.kind) {
        case Channel::Kind::Variable: return std::nullopt;
        case Channel::Kind::DataWord:
            if (value != std::trunc(value)) return "not a whole number (a 32-bit data word)";
            if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
                return "outside the 32-bit range of a data word";
            return std::nullopt;
        case Channel::Kind::ThrottleWord:
            if (value != std::trunc(value)) return "not a whole number (the 16-bit throttle word)";
            if (value < -32768 || value > 32767) return "outside -32768..32767 (the 16-bit throttle word)";
            return std::nullopt;
    }
    return std::nullopt;
}

void applyChannel(Host& host, Channel channel, double value) {
    switch (channel.kind) {
        case Channel::Kind::Variable: host.setVariable(channel.index, value); break;
        case Channel::Kind::DataWord: host.setDataWord(channel.index, static_cast<std::int32_t>(value)); break;
        case Channel::Kind::ThrottleWord:
            host.setThrottleWord(static_cast<std::int16_t>(value));
            host.setVariable(channel.index, value);  // the variable's double follows its word
            break;
    }
}

std::string describeChannel(Channel channel) {
    switch (channel.kind) {
        case Channel::Kind::Variable: return "host variable " + std::to_string(channel.index);
        case Channel::Kind::DataWord: return "data word " + std::to_string(channel.index);
        case Channel::Kind::ThrottleWord: return "throttle word";
    }
    return {};
}

}  // namespace vorlat::flight
