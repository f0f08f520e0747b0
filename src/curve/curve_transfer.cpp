#include "curve_transfer.h"

#include "curve_codec.h"
#include "curve_model.h"
#include "date_time_text.h"
#include "journal.h"
#include "journal_sink.h"
#include "module_port.h"
#include "transaction_engine.h"
#include "wire_codec.h"

namespace curve {

namespace {

const QString kReadLine = QStringLiteral("ПОЛУЧИТЬ ТАБЛИЦУ 2D-ЛЯМБДА ");
const QString kWriteLine = QStringLiteral("ЗАПИСАТЬ ТАБЛИЦУ 2D-ЛЯМБДА ");

} // namespace

CurveTransfer::CurveTransfer(TransactionEngine& engine, CurveModel& model, QObject* parent)
    : QObject(parent), m_engine(engine), m_model(model),
      m_plain(engine, QStringLiteral("Timer_Chart_2D"), ReadIntervalMs, PortClosedPolicy::StopTimer,
              true, this),
      m_filtered(engine, QStringLiteral("Timer_Chart_2D_Filter"), ReadIntervalMs,
                 PortClosedPolicy::StopTimer, true, this),
      m_write(engine, QStringLiteral("Timer_2D_Table_In"), WriteIntervalMs,
              PortClosedPolicy::StopTimer, true, this) {
    m_plain.setBranch([this](const QString& chunk) { receivePlain(chunk); });
    m_filtered.setBranch([this](const QString& chunk) { receiveFiltered(chunk); });
    m_write.setBranch([this](const QString& chunk) { receiveWrite(chunk); });
    // Each answer chooses the next command, so all three may send it at once when the engine's
    // fast option is on.
    for (Transaction* t : {&m_plain, &m_filtered, &m_write})
        t->setFastCapable(true);
    m_singleWatch.setSingleShot(true);
    connect(&m_singleWatch, &QTimer::timeout, this, &CurveTransfer::giveUpSingle);
}

void CurveTransfer::giveUpSingle() {
    m_singleWatch.stop();
    m_singleQueue.clear();
    m_write.stop();
    m_engine.resetProgress(0, WriteProgress);
    const Message failure =
        MakeMessage(kMsgStepNoAnswer, {QString::number(m_singlePoint),
                                       wire::HumanAddress(kFirstAddress + m_singlePoint)});
    m_engine.operation().end(failure, false);
    emit refused(failure);
}

namespace {

// Points 0..count-1 as "0–22"; "—" when there are none.
QString pointRange(int count) {
    return count <= 0   ? QStringLiteral("—")
           : count == 1 ? QStringLiteral("0")
                        : QStringLiteral("0–%1").arg(count - 1);
}

constexpr int kCancelWaitMs = 1500;

} // namespace

void CurveTransfer::cancel() {
    if (!isRunning() || m_pass == WritePass::Single)
        return;
    if (m_plain.isEnabled() || m_filtered.isEnabled()) {
        m_plain.stop();
        m_filtered.stop();
        m_engine.resetProgress(0, PlainReadProgress);
        m_model.restore(m_before);
        emit unlockRequested();
        m_engine.operation().end(
            MakeMessage("Msg_Cancel_Read", {QStringLiteral("Msg_Op_ReadCurve")}), false);
        emit cancelled(false);
        return;
    }
    m_cancelling = true;
    QTimer::singleShot(int(kCancelWaitMs * m_engine.intervalScale()), this, [this] {
        if (m_cancelling && m_write.isEnabled() && m_pass != WritePass::Single)
            stopCancelledWrite(true);
    });
}

void CurveTransfer::stopCancelledWrite(bool unconfirmed) {
    m_cancelling = false;
    m_write.stop();
    m_engine.resetProgress(0, WriteProgress);
    emit unlockRequested();
    const QString name = QStringLiteral("Msg_Op_WriteCurve");
    Message outcome;
    if (m_pass == WritePass::Verify)
        outcome = MakeMessage("Msg_Cancel_CurveVerify", {name, pointRange(m_point)});
    else if (unconfirmed)
        outcome = MakeMessage("Msg_Cancel_CurveWriteUnknown",
                              {name, pointRange(m_point), QString::number(m_point),
                               wire::HumanAddress(kFirstAddress + m_point)});
    else
        outcome = MakeMessage("Msg_Cancel_CurveWrite", {name, pointRange(m_point)});
    m_engine.operation().end(outcome, false);
    emit cancelled(true);
}

void CurveTransfer::setFilterOn(bool on) {
    m_filterOn = on;
    emit filterChanged(on);
}

bool CurveTransfer::isRunning() const {
    return m_plain.isEnabled() || m_filtered.isEnabled() || m_write.isEnabled();
}

QString CurveTransfer::dateTime() const {
    return m_dateTime ? m_dateTime() : JournalDateTimeText(QDateTime::currentDateTime());
}

void CurveTransfer::journal(const QString& line) {
    m_engine.journal().Append(line);
}

CurveStart CurveTransfer::checkStart() {
    if (!m_engine.port().Connected())
        return CurveStart::PortClosed;
    if (m_engine.anyEnabled())
        return CurveStart::Busy;
    return CurveStart::Started;
}

CurveStart CurveTransfer::refuse(CurveStart reason) {
    if (reason == CurveStart::Busy) {
        // The running operation in the user's words (its key), never its timer's name.
        for (const char* name : TransactionEngine::BranchOrder()) {
            const Transaction* t = m_engine.transaction(QLatin1String(name));
            if (t && t->isEnabled()) {
                emit refused(MakeMessage(
                    kMsgBusyWith,
                    {QStringLiteral("Msg_Running%1").arg(QLatin1Char('_') + t->timerName())}));
                return reason;
            }
        }
    }
    emit refused(MakeMessage(reason == CurveStart::PortClosed ? kMsgPortClosed : kMsgBusy));
    return reason;
}

CurveStart CurveTransfer::startRead() {
    const CurveStart check = checkStart();
    if (check != CurveStart::Started)
        return refuse(check);
    emit lockRequested();
    journal(EventLine(kReadLine, dateTime()));
    m_model.clearSeries();
    m_point = 0;
    m_firstOfPair = true;
    m_firstCopy.clear();
    m_unequal = 1;
    m_vote.clear();
    m_before = m_model.texts();
    m_cancelling = false;
    m_engine.resetProgress(0, m_filterOn ? FilteredReadProgress : PlainReadProgress);
    m_engine.operation().begin(MakeMessage("Msg_Op_ReadCurve"), kPointCount, [this] { cancel(); });
    (m_filterOn ? m_filtered : m_plain).start(ReadPointCommand(0));
    return CurveStart::Started;
}

CurveStart CurveTransfer::startWrite() {
    const CurveStart check = checkStart();
    if (check != CurveStart::Started)
        return refuse(check);
    Message error;
    const std::optional<QVector<int>> bytes = m_model.bytesToWrite(&error);
    if (!bytes) {
        emit refused(error);
        return CurveStart::Invalid;
    }
    m_bytes = *bytes;
    m_written = m_model.texts();
    m_pass = WritePass::First;
    m_point = 0;
    m_cancelling = false;
    journal(EventLine(kWriteLine, dateTime()));
    m_engine.operation().begin(MakeMessage("Msg_Op_WriteCurve"), kPointCount, [this] { cancel(); });
    m_write.start(WritePointCommand(0, m_bytes[0]));
    emit lockRequested();
    m_engine.resetProgress(0, WriteProgress);
    return CurveStart::Started;
}

CurveStart CurveTransfer::writePoint(int point) {
    journal(QStringLiteral("ЗАПИСАТЬ ЗНАЧЕНИЕ ИЗ ЯЧЕЙКИ ") + QString::number(point) +
            QStringLiteral(" ТАБЛИЦЫ ЭМУЛЯТОРА ") + dateTime());
    if (!m_engine.port().Connected())
        return CurveStart::PortClosed; // the grid has the value; there is nothing to send it to
    if (m_write.isEnabled() && m_pass == WritePass::Single) {
        // The point being sent goes again too: its value may have changed since.
        if (!m_singleQueue.contains(point))
            m_singleQueue.append(point);
        return CurveStart::Started;
    }
    const CurveStart check = checkStart();
    if (check != CurveStart::Started)
        return refuse(check);
    m_singleQueue = {point};
    m_pass = WritePass::Single;
    sendNextSingle();
    return CurveStart::Started;
}

void CurveTransfer::sendNextSingle() {
    while (!m_singleQueue.isEmpty()) {
        const int point = m_singleQueue.takeFirst();
        const std::optional<int> byte = m_model.byteToWrite(point);
        if (!byte)
            continue; // not a number: the commit has already said so
        m_singlePoint = point;
        m_singleCommand = WritePointCommand(point, *byte);
        m_singleAttempts = 0;
        // The status names the write while it runs; it is not cancelled, it is one byte.
        m_engine.operation().begin(MakeMessage("Msg_Op_WritePoint", {QString::number(point)}), 1);
        // As many sends as the other transfers allow, whether the module is silent or wrong.
        m_singleWatch.start(int(StepWriteAttempts * WriteIntervalMs * m_engine.intervalScale()) +
                            1);
        if (m_write.isEnabled())
            m_engine.setPendingCommand(m_singleCommand);
        else
            m_write.start(m_singleCommand);
        return;
    }
    m_singleWatch.stop();
    m_write.stop();
    m_engine.resetProgress(0, WriteProgress);
}

void CurveTransfer::receiveSingle(const QString& answer) {
    if (answer != QLatin1String("!")) {
        if (++m_singleAttempts >= StepWriteAttempts)
            giveUpSingle();
        else
            m_engine.setPendingCommand(m_singleCommand);
        return;
    }
    const int written = m_singlePoint;
    m_engine.operation().end(MakeMessage("Msg_Done_WritePoint", {QString::number(written)}), true);
    sendNextSingle();
    emit pointWritten(written);
}

void CurveTransfer::accept(double volts) {
    m_model.acceptRead(m_point, volts);
    ++m_point;
    m_engine.operation().advance(m_point);
    if (m_point >= kPointCount)
        finishRead(true);
    else
        m_engine.setPendingCommand(ReadPointCommand(m_point));
}

void CurveTransfer::finishRead(bool complete, const Message& message) {
    m_plain.stop();
    m_filtered.stop();
    m_engine.resetProgress(0, complete ? 100
                                       : (m_filterOn ? FilteredReadProgress : PlainReadProgress));
    m_engine.operation().end(complete ? MakeMessage("Msg_Done_ReadCurve") : message, complete);
    emit unlockRequested();
    emit readFinished(complete, message);
}

void CurveTransfer::receivePlain(const QString& chunk) {
    if (m_engine.SentCommand() != ReadPointCommand(m_point))
        return;
    const QString answer = m_engine.answerSoFar(chunk);
    // Once per answer: on the chunk that completes its two characters.
    if (answer.size() < 2 || m_engine.answerBefore().size() >= 2)
        return;
    const QString copy = answer.left(2);
    if (m_firstOfPair) {
        m_firstCopy = copy;
        m_firstOfPair = false;
        m_engine.setPendingCommand(ReadPointCommand(m_point)); // again, for the second copy
        return;
    }
    m_firstOfPair = true;
    journal(m_firstCopy + QStringLiteral(" = ") + copy);
    if (copy != m_firstCopy) {
        if (++m_unequal > MaxUnequalPairs)
            finishRead(false, MakeMessage(kMsgReadStopped, {QString::number(MaxUnequalPairs)}));
        else
            m_engine.setPendingCommand(ReadPointCommand(m_point));
        return;
    }
    m_unequal = 1;
    if (const std::optional<double> volts = DecodePointAnswer(copy))
        accept(*volts);
    else
        m_engine.setPendingCommand(ReadPointCommand(m_point));
}

void CurveTransfer::receiveFiltered(const QString& chunk) {
    if (m_engine.SentCommand() != ReadPointCommand(m_point))
        return;
    const QString answer = m_engine.answerSoFar(chunk);
    if (answer.size() < 2 || m_engine.answerBefore().size() >= 2)
        return;
    const std::optional<double> volts = DecodePointAnswer(answer);
    if (!volts || !m_vote.full()) {
        // Asked again (without limit for a bad answer) until six valid samples are in.
        if (volts)
            m_vote.add(*volts);
        m_engine.setPendingCommand(ReadPointCommand(m_point));
        return;
    }
    const double voted = TruncateDecimals(m_vote.result(), 2);
    m_vote.clear();
    accept(voted);
}

void CurveTransfer::receiveWrite(const QString& chunk) {
    const QString sent = m_engine.SentCommand();
    const QString answer = m_engine.answerSoFar(chunk);
    const bool firstChunk = m_engine.answerBefore().isEmpty() && !answer.isEmpty();
    if (m_pass == WritePass::Single) {
        if (sent == m_singleCommand && firstChunk)
            receiveSingle(answer);
        return;
    }
    if (m_point >= kPointCount)
        return;
    const QString write = WritePointCommand(m_point, m_bytes[m_point]);
    const QString read = ReadPointCommand(m_point);
    if (m_pass == WritePass::First && sent == write) {
        if (!firstChunk)
            return;
        if (answer != QLatin1String("!")) {
            m_engine.setPendingCommand(write);
            return;
        }
        ++m_point;
        if (m_cancelling) {
            stopCancelledWrite(false);
        } else if (m_point >= kPointCount) {
            m_pass = WritePass::Verify;
            m_point = 0;
            m_engine.operation().begin(MakeMessage("Msg_Op_VerifyCurve"), kPointCount,
                                       [this] { cancel(); });
            m_engine.setPendingCommand(ReadPointCommand(0));
        } else {
            m_engine.operation().advance(m_point);
            m_engine.setPendingCommand(WritePointCommand(m_point, m_bytes[m_point]));
        }
        return;
    }
    if (m_pass == WritePass::Verify && sent == write) {
        if (firstChunk)
            m_engine.setPendingCommand(read); // the rewrite's answer is not examined
        return;
    }
    if (sent != read || answer.size() < 2 || m_engine.answerBefore().size() >= 2)
        return;
    if (answer.left(2) != wire::ValueToSend(m_bytes[m_point])) {
        m_pass = WritePass::Verify;
        m_engine.setPendingCommand(write);
        return;
    }
    ++m_point;
    if (m_point < kPointCount && m_cancelling) {
        stopCancelledWrite(false);
        return;
    }
    if (m_point < kPointCount) {
        m_engine.operation().advance(m_point);
        m_engine.setPendingCommand(ReadPointCommand(m_point));
        return;
    }
    m_write.stop();
    m_engine.resetProgress(0, WriteProgress);
    m_engine.operation().end(MakeMessage("Msg_Done_WriteCurve"), true);
    emit unlockRequested();
    emit writeFinished();
}

} // namespace curve
