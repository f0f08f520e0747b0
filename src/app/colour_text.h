#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// A colour as the configuration files hold it: 0x00BBGGRR (red in the low byte).
using ColourValue = quint32;

namespace colours {
inline constexpr ColourValue clBlack = 0x000000;
inline constexpr ColourValue clMaroon = 0x000080;
inline constexpr ColourValue clGreen = 0x008000;
inline constexpr ColourValue clOlive = 0x008080;
inline constexpr ColourValue clNavy = 0x800000;
inline constexpr ColourValue clPurple = 0x800080;
inline constexpr ColourValue clTeal = 0x808000;
inline constexpr ColourValue clGray = 0x808080;
inline constexpr ColourValue clSilver = 0xC0C0C0;
inline constexpr ColourValue clRed = 0x0000FF;
inline constexpr ColourValue clLime = 0x00FF00;
inline constexpr ColourValue clYellow = 0x00FFFF;
inline constexpr ColourValue clBlue = 0xFF0000;
inline constexpr ColourValue clFuchsia = 0xFF00FF;
inline constexpr ColourValue clAqua = 0xFFFF00;
inline constexpr ColourValue clWhite = 0xFFFFFF;
inline constexpr ColourValue clMoneyGreen = 0xC0DCC0;
inline constexpr ColourValue clSkyBlue = 0xF0CAA6;
inline constexpr ColourValue clCream = 0xF0FBFF;
inline constexpr ColourValue clMedGray = 0xA4A0A0;
} // namespace colours

// The standard name ("clRed") when the value is a standard colour, else "$" and eight upper-case
// hexadecimal digits ("$0080FF40").
QString ColourToText(ColourValue colour);

// Accepts a standard name in any letter case, "$" with one to eight hexadecimal digits, or a
// decimal number; blanks around the text are allowed.
std::optional<ColourValue> ColourFromText(const QString& text);
