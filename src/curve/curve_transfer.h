#pragma once

#include "curve_messages.h"
#include "transaction.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <functional>

#include "sample_vote.h"

class TransactionEngine;

namespace curve {

class CurveModel;

enum class CurveStart {
    Started,
    PortClosed, // the port to the module is not open
    Busy,       // another transaction holds the engine
    Invalid,    // a point's text is not a number: nothing was sent
};

// The curve's exchanges with the module, each a transaction of the engine:
// - Timer_Chart_2D (30 ms): the plain read, every point read twice and taken when both answers
//   agree; more than 15 disagreeing pairs in a row stop it.
// - Timer_Chart_2D_Filter (30 ms): the filtered read, six valid samples per point and the shared
//   vote.
// - Timer_2D_Table_In (70 ms): the write, every point sent until acknowledged with "!", then read
//   back and rewritten until the module holds every byte sent; also the one-point write of the
//   step buttons, sent until acknowledged.
// Values are limited to 0..5 V before they are encoded. A branch acts once per answer: when the
// characters it needs have arrived, however they were split.
class CurveTransfer : public QObject {
    Q_OBJECT
public:
    static constexpr int ReadIntervalMs = 30;
    static constexpr int WriteIntervalMs = 70;
    static constexpr int MaxUnequalPairs = 15;
    // Sends of one step write without an acknowledgement before it gives up.
    static constexpr int StepWriteAttempts = 15;
    static constexpr int PlainReadProgress = 80;
    static constexpr int FilteredReadProgress = 420;
    static constexpr int WriteProgress = 130;

    CurveTransfer(TransactionEngine& engine, CurveModel& model, QObject* parent = nullptr);

    // atb_Lambda_Filter_On / atb_Lambda_Filter_Off: the read method.
    bool filterOn() const { return m_filterOn; }
    void setFilterOn(bool on);

    // The journal's date and time (replaceable by tests).
    void setDateTimeSource(std::function<QString()> source) { m_dateTime = std::move(source); }

    // atb_Emu_In_2Click, atb_Emu_Out_2Click.
    CurveStart startRead();
    CurveStart startWrite();
    // Releasing a step button: point i's value is written at once and re-sent until the module
    // acknowledges it. A write asked for while another point's write is under way follows it.
    CurveStart writePoint(int point);

    bool isRunning() const;
    // The bytes the last write sent (its verify pass compares the read-backs with them).
    const QVector<int>& sentBytes() const { return m_bytes; }
    // The curve's 64 texts as they were when the last write started: what it sends.
    const QStringList& writtenTexts() const { return m_written; }
    int unequalPairs() const { return m_unequal; }

    Transaction& Timer_Chart_2D() { return m_plain; }
    Transaction& Timer_Chart_2D_Filter() { return m_filtered; }
    Transaction& Timer_2D_Table_In() { return m_write; }

signals:
    void filterChanged(bool on);
    void lockRequested();
    void unlockRequested();
    // Every point read; complete is false when the plain read gave up (message says why).
    void readFinished(bool complete, const curve::Message& message);
    void writeFinished();
    void pointWritten(int point);
    void refused(const curve::Message& message);
    // The user cancelled: a read gave the curve back as it was, a write stopped after the point
    // in hand (the operation's end message says which points the module now holds).
    void cancelled(bool write);

private:
    enum class WritePass { First, Verify, Single };

    CurveStart checkStart();
    CurveStart refuse(CurveStart reason);
    QString dateTime() const;
    void journal(const QString& line);
    void receivePlain(const QString& chunk);
    void receiveFiltered(const QString& chunk);
    void receiveWrite(const QString& chunk);
    void receiveSingle(const QString& answer);
    void giveUpSingle();
    void accept(double volts);
    void finishRead(bool complete, const Message& message = {});
    void sendNextSingle();
    void cancel();
    void stopCancelledWrite(bool unconfirmed);

    TransactionEngine& m_engine;
    CurveModel& m_model;
    Transaction m_plain;
    Transaction m_filtered;
    Transaction m_write;
    bool m_filterOn = false;
    std::function<QString()> m_dateTime;

    int m_point = 0; // the point being read or written
    // Plain read: whether the next answer is the first of a pair, and the pair's first copy.
    bool m_firstOfPair = true;
    QString m_firstCopy;
    int m_unequal = 1;
    SampleVote m_vote;

    WritePass m_pass = WritePass::First;
    QVector<int> m_bytes;
    QStringList m_written;
    QStringList m_before; // what a read replaces, given back when it is cancelled
    bool m_cancelling = false;
    QList<int> m_singleQueue;
    QString m_singleCommand;
    int m_singlePoint = -1;
    int m_singleAttempts = 0;
    // Ends a step write the module does not acknowledge within its attempts.
    QTimer m_singleWatch;
};

} // namespace curve
