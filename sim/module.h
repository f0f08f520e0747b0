#pragma once

#include "command_parser.h"
#include "engine_model.h"
#include "faults.h"
#include "module_state.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

namespace sim {

// The simulated module without any I/O: receive() takes the characters that arrived on the line,
// answerReady() hands out the characters to send back, at the moment they are due.
//
// Answers: "*" read -> EEPROM byte, "%" -> register byte, "&" -> register word (reg, reg+1),
// ")" and "$" writes -> "!", anything invalid -> "*". When one arrival completes more than one
// command it is a batch, and every answer of the batch is followed by kSeparator. Unterminated
// characters are answered "*" after kIdleFlushMs of silence. Answers leave in order: a delayed
// answer holds back the ones after it. A busy module takes nothing for a while: what arrives
// meanwhile waits and is taken, in order of arrival, when the module is free again.
class Module : public QObject {
    Q_OBJECT
public:
    static constexpr char kSeparator = ' ';
    static constexpr int kIdleFlushMs = 30;
    static constexpr int kEngineIntervalMs = 100;

    explicit Module(QObject* parent = nullptr);

    void receive(const QByteArray& bytes);

    ModuleState& state() { return m_state; }
    const ModuleState& state() const { return m_state; }
    QByteArray eeprom() const { return m_state.eepromImage(); }
    bool setEeprom(const QByteArray& image) { return m_state.setEepromImage(image); }
    quint8 registerByte(int reg) const { return m_state.reg(reg); }
    void setRegisterByte(int reg, quint8 value) { m_state.setReg(reg, value); }
    quint16 registerWord(int reg) const { return m_state.regWord(reg); }

    // Reseeds the fault generator and the engine model (which starts over).
    void setSeed(quint32 seed);
    void setFaults(const FaultRates& rates) { m_faults.setRates(rates); }
    const FaultRates& faults() const { return m_faults.rates(); }

    // A silent module still records and executes commands but sends nothing.
    void setSilent(bool silent) { m_silent = silent; }
    bool isSilent() const { return m_silent; }

    // The engine model advances every interval while enabled; disabled, the live registers freeze.
    void setEngineEnabled(bool enabled);
    bool isEngineEnabled() const { return m_engineTimer.isActive(); }
    void setEngineInterval(int ms) { m_engineTimer.setInterval(ms); }
    EngineModel& engine() { return m_engine; }
    void stepEngine(int ms) { m_engine.step(ms, m_state); }

    // One entry per command group as received: a batch as its whole text ("23%03&65&"), a single
    // command as itself ("00*"), unterminated junk as its characters.
    QStringList receivedCommands() const { return m_received; }
    void clearReceivedCommands() { m_received.clear(); }

    // Answer to one command, without separator and faults; executes writes.
    QByteArray execute(const Command& command);

signals:
    // A command group was received; answer is what the module means to send, before line faults
    // (empty when silent).
    void exchanged(const QString& command, const QByteArray& answer);
    // Characters to put on the line now.
    void answerReady(const QByteArray& chunk);

private:
    void take(const QByteArray& bytes);
    void answerGroup(const QList<Command>& commands);
    void endBusy();
    void schedule(const QList<Faults::Chunk>& chunks);
    void sendDue();

    ModuleState m_state;
    CommandParser m_parser;
    EngineModel m_engine;
    Faults m_faults;
    bool m_silent = false;
    QStringList m_received;

    struct Pending {
        qint64 dueMs;
        int gapMs; // least time after the chunk before it, so split chunks stay apart
        QByteArray bytes;
    };
    QList<Pending> m_queue;
    QElapsedTimer m_clock;
    QTimer m_sendTimer;
    QTimer m_idleTimer;
    QTimer m_engineTimer;
    QTimer m_busyTimer;
    QList<Command> m_busyCommands; // the group the module was busy before
    QList<QByteArray> m_arrivedWhileBusy;
};

} // namespace sim
