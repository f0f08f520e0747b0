#include "module.h"

#include "codec.h"

#include <algorithm>
#include <utility>

namespace sim {

Module::Module(QObject* parent) : QObject(parent) {
    m_clock.start();
    m_sendTimer.setSingleShot(true);
    m_sendTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_sendTimer, &QTimer::timeout, this, &Module::sendDue);
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(kIdleFlushMs);
    connect(&m_idleTimer, &QTimer::timeout, this, [this] {
        if (m_parser.hasPending())
            answerGroup({m_parser.flushPending()});
    });
    m_engineTimer.setInterval(kEngineIntervalMs);
    connect(&m_engineTimer, &QTimer::timeout, this,
            [this] { stepEngine(m_engineTimer.interval()); });
    m_engine.step(0, m_state);
    m_engineTimer.start();
    m_busyTimer.setSingleShot(true);
    m_busyTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_busyTimer, &QTimer::timeout, this, &Module::endBusy);
}

void Module::setSeed(quint32 seed) {
    m_faults.reseed(seed);
    m_engine.reseed(seed ^ 0x5EEDu);
    m_engine.step(0, m_state);
}

void Module::setEngineEnabled(bool enabled) {
    if (enabled)
        m_engineTimer.start();
    else
        m_engineTimer.stop();
}

void Module::receive(const QByteArray& bytes) {
    if (m_busyTimer.isActive())
        m_arrivedWhileBusy.append(bytes);
    else
        take(bytes);
}

void Module::take(const QByteArray& bytes) {
    const QList<Command> commands = m_parser.feed(bytes);
    if (!commands.isEmpty()) {
        if (m_faults.busyBeforeCommand()) {
            m_busyCommands = commands;
            m_busyTimer.start(std::max(m_faults.rates().busyMs, 0));
        } else {
            answerGroup(commands);
        }
    }
    if (m_parser.hasPending())
        m_idleTimer.start();
    else
        m_idleTimer.stop();
}

QByteArray Module::execute(const Command& command) {
    switch (command.kind) {
    case Command::Kind::ReadEeprom:
        return Codec::byteToWire(m_state.eeprom(command.address));
    case Command::Kind::ReadRegister:
        return Codec::byteToWire(m_state.reg(command.address));
    case Command::Kind::ReadRegisterWord:
        return Codec::wordToWire(m_state.regWord(command.address));
    case Command::Kind::WriteEeprom:
        m_state.setEeprom(command.address, command.value);
        return "!";
    case Command::Kind::WriteRegister:
        m_state.setReg(command.address, command.value);
        return "!";
    case Command::Kind::Invalid:
        break;
    }
    return "*";
}

void Module::endBusy() {
    answerGroup(std::exchange(m_busyCommands, {}));
    while (!m_arrivedWhileBusy.isEmpty() && !m_busyTimer.isActive())
        take(m_arrivedWhileBusy.takeFirst());
}

void Module::answerGroup(const QList<Command>& commands) {
    if (m_faults.loseCommand())
        return; // never arrived: not executed, not logged, not answered
    const bool batch = commands.size() > 1;
    QByteArray text;
    QByteArray answer;
    for (const Command& command : commands) {
        text += command.text;
        answer += execute(command);
        if (batch)
            answer += kSeparator;
    }
    m_received.append(QString::fromLatin1(text));
    if (m_silent)
        answer.clear();
    emit exchanged(QString::fromLatin1(text), answer);
    if (!answer.isEmpty())
        schedule(m_faults.apply(answer, batch ? kSeparator : '\0'));
}

void Module::schedule(const QList<Faults::Chunk>& chunks) {
    const qint64 now = m_clock.elapsed();
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        const qint64 after = m_queue.isEmpty() ? 0 : m_queue.last().dueMs;
        const int gap = i == 0 ? 0 : chunks.at(i).atMs - chunks.at(i - 1).atMs;
        m_queue.append({std::max(now + chunks.at(i).atMs, after), gap, chunks.at(i).bytes});
    }
    sendDue();
}

void Module::sendDue() {
    while (!m_queue.isEmpty() && m_queue.first().dueMs <= m_clock.elapsed()) {
        emit answerReady(m_queue.takeFirst().bytes);
        if (!m_queue.isEmpty()) {
            Pending& next = m_queue.first();
            next.dueMs = std::max(next.dueMs, m_clock.elapsed() + next.gapMs);
        }
    }
    if (!m_queue.isEmpty())
        m_sendTimer.start(int(std::max<qint64>(m_queue.first().dueMs - m_clock.elapsed(), 0)));
}

} // namespace sim
