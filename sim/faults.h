#pragma once

#include <QByteArray>
#include <QList>

#include <random>

namespace sim {

// How often each kind of line fault hits an answer; every rate is a probability 0..1.
struct FaultRates {
    double drop = 0;    // the answer is not sent at all
    double delay = 0;   // the answer is held back by delayMs
    double split = 0;   // the answer is cut into 2..4 chunks, splitGapMs apart
    double corrupt = 0; // one character is changed (see Faults)
    double lower = 0;   // hex letters are sent in lower case
    double error = 0;   // "*" is sent instead of the answer
    // The command itself is lost on the way to the module: not executed, not answered. Drawn
    // per command before the answer's faults, and only when the rate is not 0, so the other
    // faults of a seed stay as they were.
    double lose = 0;
    // The module is busy before it takes a command: it answers nothing for busyMs, then takes
    // that command and every one that arrived meanwhile, in order. Drawn per command like lose.
    double busy = 0;
    int busyMs = 130;
    int delayMs = 150;
    int splitGapMs = 5;
};

// Applies line faults to answers. Every answer draws one number per fault kind, in the order
// drop, error, lower, corrupt, delay, split, plus the numbers that place a corruption or a cut,
// so a given seed and the same answers always give the same faults.
//
// Corruption picks one character that is not a batch separator: a hex digit becomes another
// upper-case hex digit (a wrong but well-formed value), any other character ("!", "*") becomes '?'.
class Faults {
public:
    struct Chunk {
        int atMs = 0; // delay after the command arrived
        QByteArray bytes;
    };

    explicit Faults(quint32 seed = 1) : m_rng(seed) {}
    void reseed(quint32 seed) { m_rng.seed(seed); }
    void setRates(const FaultRates& rates) { m_rates = rates; }
    const FaultRates& rates() const { return m_rates; }

    // The chunks to send for one answer; empty when it is dropped. separator marks the
    // characters that corruption leaves alone.
    QList<Chunk> apply(const QByteArray& answer, char separator);
    // Whether the next command is lost on the line (see FaultRates::lose).
    bool loseCommand() { return m_rates.lose > 0 && hit(m_rates.lose); }
    // Whether the module is busy before the next command (see FaultRates::busy).
    bool busyBeforeCommand() { return m_rates.busy > 0 && hit(m_rates.busy); }

private:
    bool hit(double rate);
    int pick(int count); // 0..count-1

    std::mt19937 m_rng;
    FaultRates m_rates;
};

} // namespace sim
