#pragma once

#include "transaction.h"

#include <QObject>
#include <QString>

#include <optional>

class TransactionEngine;

// The live operating-point overlay: the module's current relative fuel position and air-sensor
// voltage, polled with one batch and drawn as a trail of markers over the curve chart.
namespace curve {

inline const QString kOverlayCommand = QStringLiteral("74&AA&23%96%");
inline constexpr int kOverlayAnswerLength = 15;
inline constexpr int kMinMarkers = 6;
inline constexpr int kMaxMarkers = 100;
inline constexpr int kOverlayCycleMs = 3000;

// The raw fields of the answer, each kept from the last answer in which all its digits were
// hexadecimal: positions 1-4 the word of "74&", 6-9 the word of "AA&", 11-12 the byte of "23%",
// 14-15 the byte of "96%" (low digit first).
struct OverlayFields {
    int positionWord = 0;
    int voltageWord = 0;
    int fuelByte = 0;
    int waterByte = 0;

    void take(QStringView answer);
    bool operator==(const OverlayFields&) const = default;
};

// What one marker shows.
struct OverlayPoint {
    double x = 0;      // relative fuel position, word / 64, at most 64, two decimals
    double shownX = 0; // the text's X: halved (to 0.01, halves to even) with LDiapazone on
    double u = 0;      // sensor voltage, word / 200, at most 5, two decimals
    double fuelMs = 0; // injection time, byte x 0.1, one decimal
    double water = 0;  // byte / 10; decoded, not shown
};
OverlayPoint OverlayPointOf(const OverlayFields& fields, bool stretched);

// The marker count N within 6..100, however it was given.
int LimitMarkerCount(int count);
// A typed count: nothing when it is not a whole number.
std::optional<int> ParseMarkerCount(const QString& text);
// The poll interval for N markers: 3000 / N ms, rounded.
int OverlayIntervalMs(int count);

// Which marker a poll places: 1 .. N in turn, so the trail shows the last N points. Lowering N
// during a run never lets the counter pass it.
class MarkerTrail {
public:
    int count() const { return m_count; }
    void setCount(int count) { m_count = LimitMarkerCount(count); }
    void restart() { m_last = 0; }
    int last() const { return m_last; }
    // The marker to place now, 1 .. count.
    int next();

private:
    int m_count = 10;
    int m_last = 0;
};

// Timer_YellowPoints: sends the overlay batch at every tick (3000 / N ms) while running and
// announces one point per complete answer.
class OverlayPoll : public QObject {
    Q_OBJECT
public:
    OverlayPoll(TransactionEngine& engine, QObject* parent = nullptr);

    Transaction& Timer_YellowPoints() { return m_poll; }
    MarkerTrail& trail() { return m_trail; }
    const OverlayFields& fields() const { return m_fields; }

    int markerCount() const { return m_trail.count(); }
    void setMarkerCount(int count);
    void setStretched(bool stretched) { m_stretched = stretched; }

    bool isRunning() const { return m_poll.isEnabled(); }
    // Btn_YellowPointsClick: the trail starts over and the poll runs. Refused (false) while
    // another transaction holds the engine or the port is closed.
    bool start();
    // Btn_YellowPoints_StopClick.
    void stop();

signals:
    void started();
    void stopped();
    void lockRequested();
    void unlockRequested();
    // A marker is placed: marker 1 .. N.
    void pointPlaced(int marker, const curve::OverlayPoint& point);

private:
    void receive(const QString& chunk);

    TransactionEngine& m_engine;
    Transaction m_poll;
    MarkerTrail m_trail;
    OverlayFields m_fields;
    bool m_stretched = false;
};

} // namespace curve
