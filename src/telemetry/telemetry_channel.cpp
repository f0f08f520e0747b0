#include "telemetry_channel.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace telemetry {

const std::array<ChannelInfo, kChannelCount>& Channels() {
    using C = Channel;
    using A = ValueAxis;
    static const std::array<ChannelInfo, kChannelCount> table = {{
        {C::TVT, "TVT", "Lbl_TVT", "Время впрыска топлива, мс ", "мс", "SP", "cb_T_vpryska_topl",
         "atb_TVT_Color", 0xFFFF00, A::Left, "rbTVT", 0, 20, 1},
        {C::RashTopl, "RashTopl", "Lbl_RashTopl", "Мгновенный расход топлива, л/ч ", "л/ч", "STR",
         "cb_RashTopl", "atb_RTopl_Color", 0xFF0000, A::Left, "rbRashTopl", 0, 100, 3},
        {C::U_analog, "U_analog", "Lbl_U_analog", "Напряжение аналогового ДМРВ, В ", "В", "AI",
         "cb_U_analog", "atb_U_analog_Color", 0x00FFFF, A::Left, "rbUAnalog", 0, 5, 2},
        {C::RT, "RT", "Lbl_RT", "Время впрыска воды, мс ", "мс", "RT", "cb_RT", "atb_RT_Color",
         0x800080, A::Left, "rbRT", 0, 25, 1},
        {C::RTT, "RTT", "Lbl_RTT", "Исходящее время впрыска канала топлива, мс ", "мс", "RTT",
         "cb_RTT", "atb_RTT_Color", 0x00FF00, A::Left, "rbRTT", 0, 25, 1},
        {C::II, "II", "Lbl_II", "Ток насоса, А ", "А", "II", "cb_II", "atb_II_Color", 0x8080FF,
         A::Left, "rbII", 0, 10, 1},
        {C::T, "T", "Lbl_T", "Температура, град. С ", "град. С", "T", "cb_T", "atb_T_Color",
         0xFF0080, A::Left, "rbT", 0, 102, 1},
        {C::DP, "DP", "Lbl_DP", "Давление воды, бар ", "бар", "DP", "cb_DP", "atb_DP_Color",
         0xFF8040, A::Left, "rbDP", 0, 6, 1},
        {C::PVK, "PVK", "Lbl_PVK", "Частота вращения коленвала, об/мин ", "об/мин", "TP", "cb_PVK",
         "atb_PVK_Color", 0x3967BB, A::Right, "rb10", 100, 15000, 1},
        {C::Per4_imp, "Per4_imp", "Lbl_Per4_imp", "Частота импульсов цифр. ДМРВ, Гц ", "Гц", "SD",
         "cb_Per4_imp", "atb_Per4_imp_Color", 0xFF2828, A::Right, "rb11", 0, 10000, -1},
    }};
    return table;
}

const ChannelInfo& InfoOf(Channel channel) {
    return Channels()[std::size_t(channel)];
}

TelemetryChannel TelemetryChannel::of(Channel channel) {
    const ChannelInfo& info = InfoOf(channel);
    TelemetryChannel c;
    c.minimum = info.minimum;
    c.maximum = info.maximum;
    c.decimals = info.decimals;
    return c;
}

namespace {

// The integer part of value × scale. A decimal like 3.3 has no exact binary form: 3.3 × 10 may
// come out a hair below 33. The values truncated here are ratios of small integers, whose
// distance from the next integer is far larger than this tolerance of a few units in the last
// place, so a product that close to an integer stands for that integer.
double TruncatedProduct(double value, double scale) {
    double scaled = value * scale;
    const double nearest = std::nearbyint(scaled);
    if (std::abs(scaled - nearest) <= 16 * DBL_EPSILON * std::max(1.0, std::abs(scaled)))
        scaled = nearest;
    return std::trunc(scaled);
}

} // namespace

double TruncateToDecimals(double value, int decimals) {
    if (decimals < 0 || !std::isfinite(value))
        return value;
    const double scale = std::pow(10.0, decimals);
    return TruncatedProduct(value, scale) / scale;
}

double Hundredths(double value) {
    if (!std::isfinite(value))
        return 0;
    return TruncatedProduct(value, 100) + 0.0; // + 0.0 turns -0 into 0
}

double TvtFromByte(double byte) {
    return byte / 10;
}

double RashToplFromWord(double word, double fuelFlowFactor) {
    return word * fuelFlowFactor / 5120;
}

double UAnalogFromWord(double word) {
    return word / 200;
}

double InjectionTimeFromByte(double byte) {
    return byte / 10;
}

double PumpCurrentFromWord(double word) {
    return word / 100;
}

double TemperatureFromWord(double word) {
    return word / 10;
}

double WaterPressureFromWord(double word) {
    return word / 160;
}

double RpmFromWord(double word) {
    return word == 0 ? 0.0 : 300000 / word;
}

double FuelUsedLitres(double counter, double fuelFlowFactor) {
    return TruncateToDecimals(counter * fuelFlowFactor / (20480.0 * 256), 3);
}

std::optional<double> RawChannelValue(Channel channel, const TelemetryDigits& d,
                                      double fuelFlowFactor) {
    // Each channel's field and its formula from the field's value.
    const auto from = [](std::span<const int> field, auto formula) -> std::optional<double> {
        if (const auto v = FieldValue(field))
            return formula(*v);
        return std::nullopt;
    };
    switch (channel) {
    case Channel::TVT:
        return from(d.TVT, TvtFromByte);
    case Channel::RashTopl:
        return from(d.RashTopl, [&](double w) { return RashToplFromWord(w, fuelFlowFactor); });
    case Channel::U_analog:
        return from(d.U_analog, UAnalogFromWord);
    case Channel::RT:
        return from(d.RT, InjectionTimeFromByte);
    case Channel::RTT:
        return from(d.RTT, InjectionTimeFromByte);
    case Channel::II:
        return from(d.II, PumpCurrentFromWord);
    case Channel::T:
        return from(d.T, TemperatureFromWord);
    case Channel::DP:
        return from(d.DP, WaterPressureFromWord);
    case Channel::PVK:
        return from(d.PVK, RpmFromWord);
    case Channel::Per4_imp:
        return 0.0; // not polled
    }
    return std::nullopt;
}

double ClampToDeviation(double raw, double previous, double minimum, double maximum,
                        double deviationLimit) {
    double value = std::min(maximum, raw);
    value = std::max(minimum, value);
    const double d = deviationLimit * (maximum - minimum) / 100;
    value = std::min(value, previous + d);
    value = std::max(value, previous - d);
    return value;
}

void UpdateChannel(TelemetryChannel& channel, std::optional<double> raw,
                   const UpdateContext& context, bool isFuelConsumption) {
    channel.thirdBack = channel.beforePrevious;
    channel.beforePrevious = channel.previous;
    channel.previous = channel.current;
    if (!raw) {
        channel.current = channel.previous;
        return;
    }
    double value = *raw;
    if (context.clampActive)
        value = ClampToDeviation(value, channel.previous, channel.minimum, channel.maximum,
                                 context.deviationLimit);
    if (isFuelConsumption && context.averaging)
        value = (channel.previous + channel.beforePrevious + channel.thirdBack + value) * 0.25;
    channel.current = TruncateToDecimals(value, channel.decimals);
}

namespace {

// Flag position (from 1) of each channel's check box.
constexpr std::array<int, kChannelCount> kFlagPosition = {1, 2, 3, 4, 5, 7, 8, 6, 10, 11};
constexpr int kFlagCount = 11;

} // namespace

ParameterChecks ParameterChecksFromFlags(const QString& flags) {
    ParameterChecks checks{};
    for (int c = 0; c < kChannelCount; ++c) {
        const int at = kFlagPosition[std::size_t(c)] - 1;
        checks[std::size_t(c)] = at < flags.size() && flags.at(at) == u'1';
    }
    return checks;
}

QString FlagsFromParameterChecks(const ParameterChecks& checks) {
    QString flags(kFlagCount, u'0');
    for (int c = 0; c < kChannelCount; ++c) {
        if (checks[std::size_t(c)])
            flags[kFlagPosition[std::size_t(c)] - 1] = u'1';
    }
    return flags;
}

ParameterChecks DefaultParameterChecks() {
    ParameterChecks checks;
    checks.fill(true);
    checks[std::size_t(Channel::Per4_imp)] = false;
    return checks;
}

} // namespace telemetry
