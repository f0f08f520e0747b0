#pragma once

#include "telemetry_fields.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

// The plotted live values: their fixed table (range, truncation step, captions, chart series and
// controls), the arithmetic that turns a decoded field into the value shown, and the history
// each value keeps. Pure code; the graph tick calls it.
namespace telemetry {

// In the order of the chart's series 0..9 and of the record file's columns after "Step".
enum class Channel { TVT, RashTopl, U_analog, RT, RTT, II, T, DP, PVK, Per4_imp };
inline constexpr int kChannelCount = 10;
// The chart has one more series (10) on the right axis that never receives points.
inline constexpr int kSeriesCount = 11;

enum class ValueAxis { Left, Right };

struct ChannelInfo {
    Channel channel;
    const char* name;         // "TVT": the program's name of the value
    const char* label;        // value label on the "Параметры" tab
    const char* caption;      // row caption, also the chart hint over the series
    const char* unit;         // the caption's unit
    const char* gridKey;      // SampleGrid column key and record file marker
    const char* checkBox;     // parameter check box
    const char* colourButton; // colour button (its font colour is the series colour)
    quint32 defaultRgb;       // 0xRRGGBB
    ValueAxis axis;
    const char* axisRadio; // axis radio button
    double minimum;
    double maximum;
    int decimals; // truncation step 10^-decimals; -1 for none
};

const std::array<ChannelInfo, kChannelCount>& Channels();
const ChannelInfo& InfoOf(Channel channel);
inline int SeriesOf(Channel channel) {
    return int(channel);
}

// The graph tick updates the channels in this order (Per4_imp is not polled).
inline constexpr std::array<Channel, 9> kUpdateOrder = {
    Channel::RT,  Channel::RTT,      Channel::DP,  Channel::II,      Channel::T,
    Channel::TVT, Channel::RashTopl, Channel::PVK, Channel::U_analog};

// One live value with its history and fixed range. The history holds the values shown on the
// previous ticks; the fuel consumption's averaging uses all three, the others only the first.
struct TelemetryChannel {
    double current = 0;
    double previous = 0;
    double beforePrevious = 0;
    double thirdBack = 0;
    double minimum = 0;
    double maximum = 0;
    int decimals = -1;

    static TelemetryChannel of(Channel channel);
    bool operator==(const TelemetryChannel&) const = default;
};

// Toward zero to 10^-decimals, on the value's exact decimal: the product with 10^decimals is
// taken as the integer it stands for when it lies within rounding noise of one (0.29 × 100 is
// 29, not 28.999…), then its integer part is divided back.
double TruncateToDecimals(double value, int decimals);
// The integer part of value × 100 as the sample grid and the record files hold it.
double Hundredths(double value);

// Raw values from the decoded fields.
double TvtFromByte(double byte);                             // 0.1 × byte, ms
double RashToplFromWord(double word, double fuelFlowFactor); // 0.1 × word × factor / 512, l/h
double UAnalogFromWord(double word);                         // word / 200, V
double InjectionTimeFromByte(double byte);                   // byte / 10, ms (RT, RTT)
double PumpCurrentFromWord(double word);                     // word / 100, A
double TemperatureFromWord(double word);                     // word / 10, °C
double WaterPressureFromWord(double word);                   // word / 160, bar
double RpmFromWord(double word);                             // 300000 / word, 0 for 0
// counter × factor / 20480 / 256, truncated to 0.001 l.
double FuelUsedLitres(double counter, double fuelFlowFactor);

// A channel's raw value from its digit slots (TVT, RashTopl … U_analog by the formulas above,
// Per4_imp always 0); nothing when a digit of its field is invalid.
std::optional<double> RawChannelValue(Channel channel, const TelemetryDigits& digits,
                                      double fuelFlowFactor);

struct UpdateContext {
    bool clampActive = false;    // ElapsedSeconds exceeds 4.0
    double deviationLimit = 100; // percent of the range a value may move per tick
    bool averaging = false;      // AveragingOn; applies to the fuel consumption only
};

// Range and deviation clamp: first into [minimum, maximum], then within previous ± d where
// d = deviationLimit % of the range.
double ClampToDeviation(double raw, double previous, double minimum, double maximum,
                        double deviationLimit);

// One tick of a channel: shift the history; hold the previous value when the field had an
// invalid digit (raw empty); otherwise clamp (once active), average (fuel consumption with
// averaging on) over the three values shown before, and truncate.
void UpdateChannel(TelemetryChannel& channel, std::optional<double> raw,
                   const UpdateContext& context, bool isFuelConsumption);

// The check boxes' ParameterFlags: 11 characters "0"/"1", positions 1 cb_T_vpryska_topl,
// 2 cb_RashTopl, 3 cb_U_analog, 4 cb_RT, 5 cb_RTT, 6 cb_DP, 7 cb_II, 8 cb_T, 9 reserved (written
// "0"), 10 cb_PVK, 11 cb_Per4_imp. Missing or other characters read as unticked.
using ParameterChecks = std::array<bool, kChannelCount>; // indexed by Channel
ParameterChecks ParameterChecksFromFlags(const QString& flags);
QString FlagsFromParameterChecks(const ParameterChecks& checks);
// Until a string is applied every box is ticked except cb_Per4_imp.
ParameterChecks DefaultParameterChecks();

} // namespace telemetry
