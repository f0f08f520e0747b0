#include "wire_codec.h"

namespace wire {

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

int HexDigit(QStringView text) {
    return text.size() == 1 ? HexDigit(text.front()) : -1;
}

namespace {

std::array<QString, 256> makeHexTexts() {
    std::array<QString, 256> texts;
    for (int i = 0; i < 256; ++i)
        texts[i] = QStringLiteral("%1").arg(i, 2, 16, QLatin1Char('0')).toUpper();
    return texts;
}

std::array<QString, 256> makeBinaryTexts() {
    std::array<QString, 256> texts;
    for (int i = 0; i < 256; ++i)
        texts[i] = QStringLiteral("%1").arg(i, 8, 2, QLatin1Char('0'));
    return texts;
}

QChar charAt(QStringView text, qsizetype i) {
    return i < text.size() ? text[i] : QChar();
}

} // namespace

const std::array<QString, 256>& HexByteTexts() {
    static const std::array<QString, 256> texts = makeHexTexts();
    return texts;
}

const std::array<QString, 256>& BinaryByteTexts() {
    static const std::array<QString, 256> texts = makeBinaryTexts();
    return texts;
}

int RawByteFromAnswer(QStringView answer) {
    return HexDigit(charAt(answer, 0)) + 16 * HexDigit(charAt(answer, 1));
}

std::optional<int> DecodeByte(QStringView answer) {
    const int low = HexDigit(charAt(answer, 0));
    const int high = HexDigit(charAt(answer, 1));
    if (low < 0 || high < 0)
        return std::nullopt;
    return low + 16 * high;
}

std::optional<int> DecodeWord(QStringView answer) {
    int value = 0;
    for (int k = 3; k >= 0; --k) {
        const int digit = HexDigit(charAt(answer, k));
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

QString ValueToSend(int byte) {
    const QString& highFirst = HexByteTexts()[byte & 0xFF];
    const QChar swapped[2] = {highFirst[1], highFirst[0]};
    return QString(swapped, 2);
}

QString BitsOfAnswer(QStringView answer) {
    // Looking the swapped pair up in the hex table accepts exactly the valid digit pairs.
    const auto byte = DecodeByte(answer);
    return byte ? BinaryByteTexts()[*byte] : QString();
}

QString HumanAddress(int address) {
    return HexByteTexts()[address & 0xFF];
}

QString ReadEepromCommand(int address) {
    return ValueToSend(address) + QLatin1Char('*');
}

QString WriteEepromCommand(int value, int address) {
    return ValueToSend(value) + ValueToSend(address) + QLatin1Char(')');
}

QString ReadRegisterByteCommand(int reg) {
    return ValueToSend(reg) + QLatin1Char('%');
}

QString ReadRegisterWordCommand(int reg) {
    return ValueToSend(reg) + QLatin1Char('&');
}

QString WriteRegisterByteCommand(int value, int reg) {
    return ValueToSend(value) + ValueToSend(reg) + QLatin1Char('$');
}

int ExpectedAnswerLength(QStringView command) {
    int total = 0;
    int commands = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command[i];
        int digits = 0;
        int answer = 0;
        if (c == u'*' || c == u'%') {
            digits = 2;
            answer = 2;
        } else if (c == u'&') {
            digits = 2;
            answer = 4;
        } else if (c == u')' || c == u'$') {
            digits = 4;
            answer = 1;
        } else {
            continue;
        }
        if (i - start != digits)
            return -1;
        for (qsizetype d = start; d < i; ++d) {
            if (HexDigit(command[d]) < 0)
                return -1;
        }
        total += answer;
        ++commands;
        start = i + 1;
    }
    if (commands == 0 || start != command.size())
        return -1;
    return commands > 1 ? total + commands : total;
}

} // namespace wire
