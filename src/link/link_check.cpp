#include "link_check.h"

#include "module_port.h"
#include "transaction_engine.h"
#include "wire_codec.h"

#include <algorithm>

bool LinkCheckReport::fastIsSafe() const {
    return sameBytes() && fast.malformed == 0 && fast.late == 0 && fast.missing == 0;
}

const QStringList& LinkCheck::Commands() {
    // The settings bytes every module has and the eight name characters: reading them changes
    // nothing in the module.
    static const QStringList commands = [] {
        QStringList list;
        for (const int address : {0x00, 0x01, 0x04, 0x08, 0x09, 0x0A, 0x0F, 0x1F})
            list << wire::ReadEepromCommand(address);
        for (int address = 0x78; address <= 0x7F; ++address)
            list << wire::ReadEepromCommand(address);
        return list;
    }();
    return commands;
}

LinkCheck::LinkCheck(TransactionEngine& engine, QObject* parent)
    : Transaction(engine, QStringLiteral("Timer_LinkCheck"), IntervalMs,
                  PortClosedPolicy::StopTimer, false, parent) {
    setFastCapable(true);
    m_silence.setSingleShot(true);
    connect(&m_silence, &QTimer::timeout, this, [this] { end(false); });
    connect(this, &Transaction::enabledChanged, this, [this](bool on) {
        if (!on && m_silence.isActive())
            end(false); // stopped from outside: the port closed, or a module error
    });
}

int LinkCheck::done() const {
    return ((m_fastPhase ? m_count : 0) + m_round) * int(Commands().size()) + m_index;
}

bool LinkCheck::startCheck(int count) {
    if (engine().anyEnabled() || !engine().port().Connected())
        return false;
    m_count = std::clamp(count, 1, MaxCount);
    m_report = {};
    const QList<int> unread(m_count * int(Commands().size()), -1);
    m_report.normal.bytes = unread;
    m_report.fast.bytes = unread;
    m_fastBefore = engine().fastTransfers();
    engine().setFastTransfers(false);
    m_fastPhase = false;
    m_round = m_index = m_failures = 0;
    m_times.clear();
    m_lateBefore = engine().lateAnswers();
    m_sendsBefore = engine().sendCount();
    m_silence.start(int(AttemptLimit * IntervalMs * engine().intervalScale()) + 1000);
    start(Commands().first());
    return true;
}

void LinkCheck::cancel() {
    if (isEnabled())
        end(false);
}

void LinkCheck::Receive(const QString& chunk) {
    const QString& command = Commands().at(m_index);
    if (engine().SentCommand() != command)
        return;
    const QString answer = engine().answerSoFar(chunk);
    if (answer.size() < 2 && (answer.isEmpty() || wire::HexDigit(answer.at(0)) >= 0))
        return; // the second digit is on its way
    m_silence.start();
    const std::optional<int> byte = answer.size() == 2 ? wire::DecodeByte(answer) : std::nullopt;
    if (!byte) {
        ++figures().malformed;
        if (++m_failures > AttemptLimit)
            end(false);
        else
            engine().setPendingCommand(command);
        return;
    }
    m_failures = 0;
    m_times << engine().msSinceSend();
    ++figures().reads;
    figures().bytes[m_round * int(Commands().size()) + m_index] = *byte;
    advance();
}

void LinkCheck::advance() {
    if (++m_index == int(Commands().size())) {
        m_index = 0;
        ++m_round;
    }
    emit progress(done(), total());
    if (m_round < m_count) {
        engine().setPendingCommand(Commands().at(m_index));
        return;
    }
    closePhase();
    if (m_fastPhase) {
        end(true);
        return;
    }
    m_fastPhase = true;
    m_round = 0;
    m_times.clear();
    m_lateBefore = engine().lateAnswers();
    m_sendsBefore = engine().sendCount();
    engine().setFastTransfers(true);
    engine().setPendingCommand(Commands().first());
}

void LinkCheck::closePhase() {
    LinkTimingFigures& f = figures();
    f.late = engine().lateAnswers() - m_lateBefore;
    // Sends whose answers are still on their way are not missing (yet).
    f.missing = std::max(0, engine().sendCount() - m_sendsBefore - f.reads - f.malformed - f.late -
                                engine().owedAnswers());
    std::sort(m_times.begin(), m_times.end());
    if (!m_times.isEmpty()) {
        f.minMs = m_times.first();
        f.maxMs = m_times.last();
        const qsizetype n = m_times.size();
        f.medianMs = n % 2 ? m_times.at(n / 2) : (m_times.at(n / 2 - 1) + m_times.at(n / 2)) / 2;
    }
}

void LinkCheck::end(bool complete) {
    m_silence.stop();
    if (!complete)
        closePhase();
    const QString stoppedAt = complete ? QString() : Commands().at(m_index);
    stop();
    engine().setFastTransfers(m_fastBefore);
    emit finished(complete, stoppedAt);
}
