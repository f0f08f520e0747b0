#pragma once

#include "transaction.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>
#include <optional>

// What one timing of the link check saw.
struct LinkTimingFigures {
    int reads = 0;     // answers taken
    int malformed = 0; // answers that were not two upper-case hex digits
    int late = 0;      // answers the engine dropped as answers to an earlier send
    int missing = 0;   // sends that no answer ever followed
    double minMs = 0, medianMs = 0, maxMs = 0; // from the first send to the whole answer
    QList<int> bytes;                          // per command of every round, -1 when unread
};

struct LinkCheckReport {
    LinkTimingFigures normal; // one command per tick
    LinkTimingFigures fast;   // the next command as soon as the answer is in
    // The fast timing read exactly the bytes of the default one, and saw nothing malformed, late
    // or missing: the module can take the fast option.
    bool fastIsSafe() const;
    bool sameBytes() const { return normal.bytes == fast.bytes && !normal.bytes.contains(-1); }
};

// "Проверка связи": reads a few known EEPROM addresses (settings and the module name) count times
// with the default timing, then count times with the fast one, and reports the answer times, the
// malformed, late and missing answers, and whether both timings gave the same bytes. It only
// reads. Each address is read once per round; a malformed answer is counted and read again.
class LinkCheck : public Transaction {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 50;
    static constexpr int DefaultCount = 5;
    static constexpr int MaxCount = 100;
    // More malformed or missing answers in a row than this end the check.
    static constexpr int AttemptLimit = 15;
    static const QStringList& Commands();

    explicit LinkCheck(TransactionEngine& engine, QObject* parent = nullptr);

    // Refused (false) while another transaction runs or the port is closed.
    bool startCheck(int count);
    void cancel();
    bool running() const { return isEnabled(); }
    const LinkCheckReport& report() const { return m_report; }
    // The reads done and to do, for progress.
    int done() const;
    int total() const { return 2 * m_count * int(Commands().size()); }

    void Receive(const QString& chunk) override;

signals:
    void progress(int done, int total);
    // complete is false when the check stopped early (cancel, silent module); stoppedAt then
    // names the command.
    void finished(bool complete, const QString& stoppedAt);

private:
    void advance();
    void closePhase();
    void end(bool complete);
    LinkTimingFigures& figures() { return m_fastPhase ? m_report.fast : m_report.normal; }

    LinkCheckReport m_report;
    int m_count = DefaultCount;
    bool m_fastPhase = false;
    bool m_fastBefore = false;
    int m_round = 0;
    int m_index = 0;
    int m_failures = 0;
    int m_lateBefore = 0;
    int m_sendsBefore = 0;
    QList<double> m_times;
    // Ends the check when the module stays silent for AttemptLimit intervals.
    QTimer m_silence;
};
