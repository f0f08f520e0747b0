#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The emulation curve in the module: 64 points at EEPROM 0x30 + i, one byte each, volts x 50.
namespace curve {

inline constexpr int kPointCount = 64;
inline constexpr int kFirstAddress = 0x30;
inline constexpr double kMaxVolts = 5.0;
inline constexpr double kBytesPerVolt = 50.0;

// The two address characters of point i, low digit first: point 0 "03", 17 "14", 63 "F6".
QString PointAddress(int point);
QString ReadPointCommand(int point);            // "03*"
QString WritePointCommand(int point, int byte); // "2803)" for 2.6 V at point 0

// The byte for a value: limited to 0..5 V first (a larger byte would not fit the module's
// encoding), then volts x 50 rounded to the nearest integer, halves to the even neighbour.
int EncodeVolts(double volts);
double DecodeVolts(int byte); // byte / 50, limited to 5

// The volts in the first two answer characters, or nothing when either is not an upper-case hex
// digit. "A1" is 0x1A = 0.52 V; "FF" is 5 V.
std::optional<double> DecodePointAnswer(QStringView answer);

double LimitVolts(double volts); // into 0..5

// Truncated toward zero to `decimals` places, computed on the value's shortest decimal text, so
// that 0.58 (held as 0.57999...) stays 0.58.
double TruncateDecimals(double value, int decimals);
// Rounded to `decimals` places, halfway cases to the even neighbour (as in 2.345 -> 2.34).
double RoundHalfEven(double value, int decimals);

} // namespace curve
