#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// Every byte on the wire (address, register or value, in both directions) travels as two
// upper-case hex digits with the low nibble first. Texts for people use the usual order.
namespace wire {

// "0".."9" and upper-case "A".."F" give 0..15; anything else (lower case, a separator, a
// missing character, more than one character) gives -1.
int HexDigit(QChar c);
int HexDigit(QStringView text);

// The 256 texts "00".."FF" and "00000000".."11111111" (most significant bit first), indexed by
// byte value.
const std::array<QString, 256>& HexByteTexts();
const std::array<QString, 256>& BinaryByteTexts();

// Byte from an answer as the module's owners compute it: HexDigit(first) + 16 * HexDigit(second).
// A bad digit makes the result meaningless; use DecodeByte where an answer must be checked.
int RawByteFromAnswer(QStringView answer);

// The byte in the first two characters, or nothing when either is not an upper-case hex digit.
std::optional<int> DecodeByte(QStringView answer);

// Four-digit word: digit k (1..4) weighs 16^(k-1). Nothing when a digit is invalid.
std::optional<int> DecodeWord(QStringView answer);

// The two digits to send for a byte: high-first hex with the characters swapped ("3A" -> "A3").
QString ValueToSend(int byte);

// The eight bits of the byte an answer carries, most significant first (bit 0 is the last
// character); empty when the answer's first two characters are not a valid byte.
QString BitsOfAnswer(QStringView answer);

// "1F" for 0x1F: the address as shown in the journal and in files after "EEPROM-".
QString HumanAddress(int address);

// Command builders for the five command classes.
QString ReadEepromCommand(int address);
QString WriteEepromCommand(int value, int address);
QString ReadRegisterByteCommand(int reg);
QString ReadRegisterWordCommand(int reg);
QString WriteRegisterByteCommand(int value, int reg);

// How many characters the module answers to a command string: two digits for a byte read, four
// for a word read, "!" for a write; a batch of several commands has one separator after each
// answer. -1 when the text is not made of well-formed commands (typed text of the console).
int ExpectedAnswerLength(QStringView command);

} // namespace wire
