#include "curve_overlay.h"

#include "curve_codec.h"
#include "module_port.h"
#include "transaction_engine.h"
#include "wire_codec.h"

#include <algorithm>
#include <cmath>

namespace curve {

void OverlayFields::take(QStringView answer) {
    if (const auto word = wire::DecodeWord(answer.mid(0, std::min<qsizetype>(4, answer.size()))))
        positionWord = *word;
    if (answer.size() >= 9) {
        if (const auto word = wire::DecodeWord(answer.mid(5, 4)))
            voltageWord = *word;
    }
    if (answer.size() >= 12) {
        if (const auto byte = wire::DecodeByte(answer.mid(10, 2)))
            fuelByte = *byte;
    }
    if (answer.size() >= 15) {
        if (const auto byte = wire::DecodeByte(answer.mid(13, 2)))
            waterByte = *byte;
    }
}

OverlayPoint OverlayPointOf(const OverlayFields& fields, bool stretched) {
    OverlayPoint p;
    p.x = TruncateDecimals(std::min(fields.positionWord / 64.0, 64.0), 2);
    p.u = TruncateDecimals(std::min(fields.voltageWord / 200.0, 5.0), 2);
    p.fuelMs = TruncateDecimals(fields.fuelByte * 0.1, 1);
    p.water = fields.waterByte / 10.0;
    p.shownX = stretched ? RoundHalfEven(p.x / 2, 2) : p.x;
    return p;
}

int LimitMarkerCount(int count) {
    return std::clamp(count, kMinMarkers, kMaxMarkers);
}

std::optional<int> ParseMarkerCount(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

int OverlayIntervalMs(int count) {
    return int(std::lround(double(kOverlayCycleMs) / LimitMarkerCount(count)));
}

int MarkerTrail::next() {
    m_last = m_last >= m_count ? 1 : m_last + 1;
    return m_last;
}

OverlayPoll::OverlayPoll(TransactionEngine& engine, QObject* parent)
    : QObject(parent), m_engine(engine),
      m_poll(engine, QStringLiteral("Timer_YellowPoints"), OverlayIntervalMs(10),
             PortClosedPolicy::StopTimer, false, this) {
    m_poll.setBranch([this](const QString& chunk) { receive(chunk); });
    connect(&m_poll, &Transaction::enabledChanged, this, [this](bool enabled) {
        if (!enabled)
            emit stopped();
    });
}

void OverlayPoll::setMarkerCount(int count) {
    m_trail.setCount(count);
    m_poll.setInterval(OverlayIntervalMs(m_trail.count()));
}

bool OverlayPoll::start() {
    if (m_poll.isEnabled())
        return true;
    if (!m_engine.port().Connected() || m_engine.anyEnabled())
        return false;
    m_trail.restart();
    m_poll.setInterval(OverlayIntervalMs(m_trail.count()));
    emit started();
    m_poll.start(kOverlayCommand);
    emit lockRequested();
    return true;
}

void OverlayPoll::stop() {
    const bool wasRunning = m_poll.isEnabled();
    m_poll.stop();
    if (wasRunning)
        emit unlockRequested();
}

void OverlayPoll::receive(const QString& chunk) {
    if (m_engine.SentCommand() != kOverlayCommand)
        return;
    const QString answer = m_engine.answerSoFar(chunk);
    m_fields.take(answer);
    // One marker per answer: when this chunk completes it.
    if (answer.size() >= kOverlayAnswerLength &&
        m_engine.answerBefore().size() < kOverlayAnswerLength)
        emit pointPlaced(m_trail.next(), OverlayPointOf(m_fields, m_stretched));
}

} // namespace curve
