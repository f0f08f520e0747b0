#include "command_parser.h"

#include "codec.h"

namespace sim {

bool CommandParser::isTerminator(char c) {
    return c == '*' || c == ')' || c == '%' || c == '&' || c == '$';
}

Command CommandParser::parse(const QByteArray& text) {
    Command cmd;
    cmd.text = text;
    if (text.isEmpty())
        return cmd;
    const char term = text.back();
    const QByteArray digits = text.left(text.size() - 1);
    const bool write = term == ')' || term == '$';
    if (!isTerminator(term) || digits.size() != (write ? 4 : 2))
        return cmd;
    const int first = Codec::wireToByte(digits, 0);
    const int second = write ? Codec::wireToByte(digits, 2) : 0;
    if (first < 0 || second < 0)
        return cmd;
    switch (term) {
    case '*':
        cmd.kind = Command::Kind::ReadEeprom;
        break;
    case '%':
        cmd.kind = Command::Kind::ReadRegister;
        break;
    case '&':
        cmd.kind = Command::Kind::ReadRegisterWord;
        break;
    case ')':
        cmd.kind = Command::Kind::WriteEeprom;
        break;
    default:
        cmd.kind = Command::Kind::WriteRegister;
        break;
    }
    if (write) {
        cmd.value = quint8(first);
        cmd.address = quint8(second);
    } else {
        cmd.address = quint8(first);
    }
    return cmd;
}

QList<Command> CommandParser::feed(const QByteArray& bytes) {
    QList<Command> out;
    for (const char c : bytes) {
        m_pending.append(c);
        if (isTerminator(c)) {
            out.append(parse(m_pending));
            m_pending.clear();
        } else if (m_pending.size() >= kMaxPending) {
            out.append(flushPending());
        }
    }
    return out;
}

Command CommandParser::flushPending() {
    Command cmd;
    cmd.text = m_pending;
    m_pending.clear();
    return cmd;
}

} // namespace sim
