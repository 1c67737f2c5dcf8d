#include "host/flight/channel.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace vorlat::flight {

namespace {

constexpr Channel var(std::uint32_t id) { return {Channel::Kind::Variable, id}; }
constexpr Channel word(std::uint32_t index) { return {Channel::Kind::DataWord, index}; }
constexpr std::uint32_t THROTTLE_VARIABLE = 127;
constexpr std::uint32_t TAS_WORD = 174;
constexpr std::uint32_t IAS_WORD = 175;

std::optional<std::uint32_t> parseIndex(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    std::uint32_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

}  // namespace

const std::vector<ChannelName>& channelNames() {
    static const std::vector<ChannelName> names = {
        {"ground_elevation_raw", var(2), "1/256 metre"},
        {"speed_kt", var(61), "knot (the Acel box's speed)"},
        {"climb_raw", var(65), "0.76875 ft/min"},
        {"stall_flag", var(67), "non-zero while stalled"},
        {"latitude_raw", var(71), "0.0323943 arc second"},
        {"longitude_raw", var(72), "1.27897692e-12 degree, 0 to 360 east"},
        {"altitude_m", var(73), "metre"},
        {"pitch_deg", var(78), "degree, nose down positive"},
        {"bank_deg", var(80), "degree"},
        {"heading_deg", var(84), "degree"},
        {"throttle_word", {Channel::Kind::ThrottleWord, THROTTLE_VARIABLE}, "1/16384 of full throttle, 16-bit"},
        {"tas_word", word(TAS_WORD), "0.009 knot, 32-bit"},
        {"ias_word", word(IAS_WORD), "0.009 knot, 32-bit"},
        {"elevator_raw", var(310), "15/8192 degree"},
        {"aileron_raw", var(312), "73/32768 degree"},
        {"pressure_raw", var(342), "0.0018467021875 psi"},
        {"aoa_raw", var(349), "32767 minus angle / (77/16384 degree)"},
        {"temperature_raw", var(350), "460 F above 32 F"},
        {"g_raw", var(351), "0.001669449 g"},
        {"aux_fuel_gal", var(385), "gallon"},
        {"fuel_gal", var(386), "gallon"},
        {"rpm", var(390), "revolution per minute"},
        {"manifold_raw", var(391), "0.014139 psi"},
        {"power_raw", var(402), "0.0018182 hp"},
        {"torque", var(403), "as shown"},
        {"wep_count", var(409), "as shown"},
        {"wsgt", var(410), "as shown"},
        {"prop_rad", var(411), "radian"},
        {"thrust_lb", var(412), "pound"},
        {"cht_rankine", var(415), "degree Rankine"},
        {"oil_temp_rankine", var(416), "degree Rankine"},
        {"rot_rankine", var(417), "degree Rankine"},
        {"oil_pressure_raw", var(418), "0.006944 psi"},
        {"fuel_flow_raw", var(421), "1/6 gallon per hour"},
        {"fuel_pressure_raw", var(425), "0.009263 psi"},
    };
    return names;
}

std::optional<Channel> channelByName(std::string_view name) {
    for (const auto& entry : channelNames())
        if (name == entry.name) return entry.channel;
    if (name.starts_with("data")) {
        auto index = parseIndex(name.substr(4));
        if (index && *index < DATA_WORD_LIMIT) return word(*index);
        return std::nullopt;
    }
    auto id = parseIndex(name);
    if (!id || *id == 0) return std::nullopt;
    if (*id == THROTTLE_VARIABLE) return Channel{Channel::Kind::ThrottleWord, THROTTLE_VARIABLE};
    return var(*id);
}

std::optional<std::string> checkChannelValue(Channel channel, double value) {
    if (!std::isfinite(value)) return "not a finite number";
    switch (channel.kind) {
    case Channel::Kind::Variable:
        return std::nullopt;
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
    case Channel::Kind::Variable:
        host.setVariable(channel.index, value);
        break;
    case Channel::Kind::DataWord:
        host.setDataWord(channel.index, static_cast<std::int32_t>(value));
        break;
    case Channel::Kind::ThrottleWord:
        host.setThrottleWord(static_cast<std::int16_t>(value));
        host.setVariable(THROTTLE_VARIABLE, value);
        break;
    }
}

std::string describeChannel(Channel channel) {
    switch (channel.kind) {
    case Channel::Kind::Variable:
        return "host variable " + std::to_string(channel.index);
    case Channel::Kind::DataWord:
        return "data word " + std::to_string(channel.index);
    case Channel::Kind::ThrottleWord:
        return "throttle word";
    }
    return {};
}

}  // namespace vorlat::flight
