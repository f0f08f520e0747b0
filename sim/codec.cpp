#include "codec.h"

namespace sim {

int Codec::hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

char Codec::digitChar(int value) {
    return "0123456789ABCDEF"[value & 0x0F];
}

QByteArray Codec::byteToWire(quint8 value) {
    QByteArray out(2, '0');
    out[0] = digitChar(value & 0x0F);
    out[1] = digitChar(value >> 4);
    return out;
}

QByteArray Codec::wordToWire(quint16 value) {
    return byteToWire(quint8(value & 0xFF)) + byteToWire(quint8(value >> 8));
}

int Codec::wireToByte(char low, char high) {
    const int lo = hexDigit(low);
    const int hi = hexDigit(high);
    return lo < 0 || hi < 0 ? -1 : lo + 16 * hi;
}

int Codec::wireToByte(const QByteArray& digits, int pos) {
    if (pos < 0 || pos + 1 >= digits.size())
        return -1;
    return wireToByte(digits.at(pos), digits.at(pos + 1));
}

} // namespace sim
