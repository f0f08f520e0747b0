#include "curve_codec.h"

#include "wire_codec.h"

#include <algorithm>
#include <cmath>

namespace curve {

QString PointAddress(int point) {
    return wire::ValueToSend(kFirstAddress + point);
}

QString ReadPointCommand(int point) {
    return wire::ReadEepromCommand(kFirstAddress + point);
}

QString WritePointCommand(int point, int byte) {
    return wire::WriteEepromCommand(byte, kFirstAddress + point);
}

double LimitVolts(double volts) {
    if (std::isnan(volts))
        return 0;
    return std::clamp(volts, 0.0, kMaxVolts);
}

int EncodeVolts(double volts) {
    // The value is first brought to its shortest decimal form, so that 0.58 x 50 gives 29 and a
    // true half (0.01 x 50 = 0.5) goes to the even neighbour.
    const double scaled = QString::number(LimitVolts(volts) * kBytesPerVolt, 'g', 12).toDouble();
    return int(std::nearbyint(scaled)); // halves to even in the default rounding mode
}

double DecodeVolts(int byte) {
    return std::min(byte / kBytesPerVolt, kMaxVolts);
}

std::optional<double> DecodePointAnswer(QStringView answer) {
    const std::optional<int> byte = wire::DecodeByte(answer);
    if (!byte)
        return std::nullopt;
    return DecodeVolts(*byte);
}

namespace {

double scaleOf(int decimals) {
    return std::pow(10.0, decimals);
}

} // namespace

double TruncateDecimals(double value, int decimals) {
    if (!std::isfinite(value))
        return value;
    const double scale = scaleOf(decimals);
    // The value as the 15 significant digits it is shown with; a product within binary noise of
    // an integer is that integer, since the decimal value was exact.
    const double scaled = QString::number(value, 'g', 15).toDouble() * scale;
    const double nearest = std::round(scaled);
    if (std::fabs(scaled - nearest) <= 1e-11 * std::max(1.0, std::fabs(scaled)))
        return nearest / scale;
    return std::trunc(scaled) / scale;
}

double RoundHalfEven(double value, int decimals) {
    if (!std::isfinite(value))
        return value;
    const double scale = scaleOf(decimals);
    // Take the product at 12 significant digits so that 2.345 x 100 (234.49999...) counts as the
    // half it stands for.
    const double scaled = QString::number(value * scale, 'g', 12).toDouble();
    const double floorPart = std::floor(scaled);
    const double fraction = scaled - floorPart;
    double rounded;
    if (fraction > 0.5)
        rounded = floorPart + 1;
    else if (fraction < 0.5)
        rounded = floorPart;
    else
        rounded = std::fmod(floorPart, 2.0) == 0 ? floorPart : floorPart + 1;
    return rounded / scale;
}

} // namespace curve
