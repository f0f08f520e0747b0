#pragma once

#include <QByteArray>

namespace sim {

// Wire codec of the module link: every byte travels as two upper-case hex digits, low nibble
// first, so 0x3A is sent as "A3"; a 16-bit word is its low byte then its high byte, so digit k
// (k = 1..4) has the weight 16^(k-1).
class Codec {
public:
    // '0'..'9' and 'A'..'F' give 0..15; anything else (lower case included) gives -1.
    static int hexDigit(char c);
    static char digitChar(int value); // 0..15 -> '0'..'9', 'A'..'F'

    static QByteArray byteToWire(quint8 value);
    static QByteArray wordToWire(quint16 value);
    // Decodes two wire digits (low nibble first); -1 when either is not a hex digit.
    static int wireToByte(char low, char high);
    static int wireToByte(const QByteArray& digits, int pos = 0);
};

} // namespace sim
