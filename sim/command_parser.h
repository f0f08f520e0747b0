#pragma once

#include <QByteArray>
#include <QList>

namespace sim {

struct Command {
    enum class Kind {
        ReadEeprom,
        WriteEeprom,
        ReadRegister,
        ReadRegisterWord,
        WriteRegister,
        Invalid
    };

    Kind kind = Kind::Invalid;
    quint8 address = 0; // EEPROM address or register
    quint8 value = 0;   // the data byte of a write
    QByteArray text;    // the command exactly as received, terminator included

    bool isWrite() const { return kind == Kind::WriteEeprom || kind == Kind::WriteRegister; }
};

// Splits the received character stream into commands. A command ends at one of the terminators
// '*' ')' '%' '&' '$'; everything received since the previous terminator belongs to it. Text
// that is not two (reads) or four (writes) upper-case hex digits makes an invalid command.
// Characters that never get a terminator are taken out with flushPending() once the line is idle.
class CommandParser {
public:
    static constexpr int kMaxPending = 64; // longer junk is cut off as an invalid command

    // Returns the commands completed by these bytes, in order.
    QList<Command> feed(const QByteArray& bytes);
    bool hasPending() const { return !m_pending.isEmpty(); }
    QByteArray pending() const { return m_pending; }
    // The unterminated rest as an invalid command (text without terminator), then cleared.
    Command flushPending();
    void reset() { m_pending.clear(); }

    static bool isTerminator(char c);
    // Decodes one complete command (terminator included).
    static Command parse(const QByteArray& text);

private:
    QByteArray m_pending;
};

} // namespace sim
