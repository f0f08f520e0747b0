#include "table_transfer.h"

#include "module_port.h"
#include "transaction_engine.h"
#include "wire_codec.h"

#include <QTimer>

namespace {

int tableIndex(TableKind kind) {
    return kind == TableKind::Water ? 0 : 1;
}

int operationIndex(TableOperation operation) {
    return int(operation);
}

// The operation's name (verify: its check pass) and its end, as language keys.
QString operationName(TableKind kind, TableOperation operation, bool verify = false) {
    const bool water = kind == TableKind::Water;
    if (operation != TableOperation::Write)
        return QLatin1String(water ? "Msg_Op_ReadWater" : "Msg_Op_ReadFuel");
    if (verify)
        return QLatin1String(water ? "Msg_Op_VerifyWater" : "Msg_Op_VerifyFuel");
    return QLatin1String(water ? "Msg_Op_WriteWater" : "Msg_Op_WriteFuel");
}

QString completion(TableKind kind, TableOperation operation) {
    const bool water = kind == TableKind::Water;
    if (operation != TableOperation::Write)
        return QLatin1String(water ? "Msg_Done_ReadWater" : "Msg_Done_ReadFuel");
    return QLatin1String(water ? "Msg_Done_WriteWater" : "Msg_Done_WriteFuel");
}

// Cells 1..count in row order as "1–23"; "0" when there are none.
QString cellRange(int count) {
    return count <= 0   ? QStringLiteral("0")
           : count == 1 ? QStringLiteral("1")
                        : QStringLiteral("1–%1").arg(count);
}

// A write that was cancelled while its cell got no answer ends this long after the cancel.
constexpr int kCancelWaitMs = 1500;

} // namespace

TableTransfer::TableTransfer(TransactionEngine& engine, InjectionTables& tables, QObject* parent)
    : QObject(parent), m_engine(engine), m_tables(tables),
      m_waterOut(engine, QStringLiteral("Timer_Water_Out"), IntervalMs, PortClosedPolicy::StopTimer,
                 true, this),
      m_fuelOut(engine, QStringLiteral("Timer_Fuel_Out"), IntervalMs, PortClosedPolicy::StopTimer,
                true, this),
      m_waterOutFilter(engine, QStringLiteral("Timer_Water_Out_Filter"), IntervalMs,
                       PortClosedPolicy::StopTimer, true, this),
      m_fuelOutFilter(engine, QStringLiteral("Timer_Fuel_Out_Filter"), IntervalMs,
                      PortClosedPolicy::StopTimer, true, this),
      m_waterIn(engine, QStringLiteral("Timer_Water_In"), IntervalMs, PortClosedPolicy::StopTimer,
                true, this),
      m_fuelIn(engine, QStringLiteral("Timer_Fuel_In"), IntervalMs, PortClosedPolicy::StopTimer,
               true, this) {
    m_timers[0] = {&m_waterOut, &m_waterOutFilter, &m_waterIn};
    m_timers[1] = {&m_fuelOut, &m_fuelOutFilter, &m_fuelIn};
    for (auto& row : m_timers) {
        row[0]->setBranch([this](const QString& chunk) { receiveRead(chunk); });
        row[1]->setBranch([this](const QString& chunk) { receiveFiltered(chunk); });
        row[2]->setBranch([this](const QString& chunk) { receiveWrite(chunk); });
        for (Transaction* t : row)
            t->setFastCapable(true);
    }
}

Transaction& TableTransfer::transaction(TableKind kind, TableOperation operation) {
    return *m_timers[size_t(tableIndex(kind))][size_t(operationIndex(operation))];
}

bool TableTransfer::isRunning() const {
    for (const auto& row : m_timers) {
        for (const Transaction* t : row) {
            if (t->isEnabled())
                return true;
        }
    }
    return false;
}

QString TableTransfer::sentDigits(CellPosition cell) const {
    return CellDigits(m_bytes[size_t((cell.row - 1) * kTableColumns + (cell.column - 1))]);
}

std::optional<Message> TableTransfer::checkStart() const {
    // One PendingCommand: a second transaction would take over the first one's command.
    for (const char* name : TransactionEngine::BranchOrder()) {
        const Transaction* t = m_engine.transaction(QLatin1String(name));
        if (t && t->isEnabled())
            return Message{QLatin1String(table_messages::Busy), {t->timerName()}};
    }
    // With the port closed the timer would stop at its first tick and leave the page locked.
    if (!m_engine.port().Connected())
        return Message{QLatin1String(table_messages::PortClosed), {}};
    return std::nullopt;
}

void TableTransfer::begin(TableKind kind, TableOperation operation, int progressStart,
                          int progressMaximum, const QString& command) {
    m_kind = kind;
    m_operation = operation;
    m_badAnswers = 0;
    m_samples.clear();
    m_progressMaximum = progressMaximum;
    m_cancelling = false;
    m_engine.resetProgress(progressStart, progressMaximum);
    m_engine.operation().begin(Message{operationName(kind, operation), {}}, kTableCells,
                               [this] { cancel(); });
    transaction(kind, operation).start(command);
    emit lockRequested();
    emit started(kind, operation);
}

std::optional<Message> TableTransfer::startRead(TableKind kind, bool filtered) {
    if (auto refusal = checkStart())
        return refusal;
    m_before = m_tables.data(kind).cells();
    m_unitBefore = m_tables.unit();
    m_tables.setUnit(TableUnit::Absolute);
    m_kind = kind;
    m_cursor = {1, 1};
    m_verifyPass = false;
    // The fuel read's counter starts at 10, so its bar is full ten cells early.
    begin(kind, filtered ? TableOperation::FilteredRead : TableOperation::Read,
          kind == TableKind::Fuel ? 10 : 0,
          filtered ? FilteredProgressMaximum : ReadProgressMaximum, readCommand());
    return std::nullopt;
}

std::optional<Message> TableTransfer::startWrite(TableKind kind) {
    std::array<double, kTableCells> values{};
    if (auto bad = m_tables.cellValues(kind, &values))
        return bad;
    if (auto refusal = checkStart())
        return refusal;
    // Encoded once, before anything is sent: edits made while the write runs do not mix in.
    for (int i = 0; i < kTableCells; ++i)
        m_bytes[size_t(i)] = EncodeCell(values[size_t(i)]);
    m_written = m_tables.data(kind).cells();
    m_kind = kind;
    m_cursor = {1, 1};
    m_verifyPass = false;
    begin(kind, TableOperation::Write, 0, WriteProgressMaximum, writeCommand());
    return std::nullopt;
}

QString TableTransfer::writeCommand() const {
    return WriteCellCommand(m_kind, m_cursor.column, m_cursor.row, m_bytes[size_t(cellIndex())]);
}

bool TableTransfer::advance() {
    if (m_cursor.column < kTableColumns) {
        ++m_cursor.column;
        return true;
    }
    if (m_cursor.row < kTableRows) {
        m_cursor = {1, m_cursor.row + 1};
        return true;
    }
    return false;
}

void TableTransfer::finish() {
    transaction(m_kind, m_operation).stop();
    m_engine.resetProgress(0, m_progressMaximum); // the bar shows empty again
    m_engine.operation().end(Message{completion(m_kind, m_operation), {}}, true);
    emit unlockRequested();
    emit completed(m_kind, m_operation);
}

void TableTransfer::announce() {
    m_engine.operation().advance(cellIndex());
}

void TableTransfer::stopAndUnlock() {
    transaction(m_kind, m_operation).stop();
    m_engine.resetProgress(0, m_progressMaximum);
    emit unlockRequested();
}

void TableTransfer::cancel() {
    if (!isRunning())
        return;
    if (m_operation != TableOperation::Write) {
        // A read changes nothing: the table and its unit are given back as they were.
        stopAndUnlock();
        m_tables.setUnit(m_unitBefore);
        m_tables.loadCells(m_kind, m_before);
        m_engine.operation().end(
            Message{QStringLiteral("Msg_Cancel_Read"), {operationName(m_kind, m_operation)}},
            false);
        emit cancelled(m_kind, m_operation);
        return;
    }
    // A write stops once the cell in hand is answered, so that the module holds whole cells
    // that the message can name; a silent module cannot answer, and the write ends anyway.
    m_cancelling = true;
    const TableKind kind = m_kind;
    QTimer::singleShot(int(kCancelWaitMs * m_engine.intervalScale()), this, [this, kind] {
        if (m_cancelling && isRunning() && m_kind == kind && m_operation == TableOperation::Write)
            stopCancelledWrite(true);
    });
}

void TableTransfer::stopCancelledWrite(bool unconfirmed) {
    m_cancelling = false;
    stopAndUnlock();
    const QString name = operationName(m_kind, m_operation);
    const QString cell = CellAddressText(m_kind, m_cursor.column, m_cursor.row);
    Message outcome;
    if (m_verifyPass)
        outcome = {QStringLiteral("Msg_Cancel_TableVerify"), {name, cellRange(cellIndex())}};
    else if (unconfirmed)
        outcome = {QStringLiteral("Msg_Cancel_TableWriteUnknown"),
                   {name, cellRange(cellIndex()), QString::number(cellIndex() + 1), cell}};
    else
        outcome = {QStringLiteral("Msg_Cancel_TableWrite"), {name, cellRange(cellIndex() + 1)}};
    m_engine.operation().end(outcome, false);
    emit cancelled(m_kind, m_operation);
}

void TableTransfer::receiveRead(const QString& chunk) {
    if (m_engine.SentCommand() == readCommand()) {
        const QString answer = m_engine.answerSoFar(chunk);
        if (answer.isEmpty())
            return;
        const int first = wire::HexDigit(answer.at(0));
        const int second = answer.size() < 2 ? -1 : wire::HexDigit(answer.at(1));
        // More than two characters are two answers, one of them late: which one belongs to
        // this cell cannot be told, so the cell is read again.
        if (first >= 0 && second >= 0 && answer.size() == 2) {
            m_tables.setCellValue(m_kind, m_cursor, DecodeCell(first + 16 * second));
            m_badAnswers = 0;
            if (!advance()) {
                finish();
                return;
            }
            announce();
            m_engine.setPendingCommand(readCommand());
        } else {
            // A malformed answer, whichever character is wrong, is read again. A first digit
            // alone may still be completed by the next chunk, so the timer resends it.
            ++m_badAnswers;
            if (answer.size() >= 2)
                m_engine.setPendingCommand(m_engine.SentCommand());
        }
    }
    if (m_badAnswers > BadAnswerLimit) {
        transaction(m_kind, m_operation).stop();
        m_engine.resetProgress(0, m_progressMaximum);
        m_engine.showInCommandPanel(m_failureTexts[size_t(tableIndex(m_kind))]);
        m_engine.operation().end(
            Message{QStringLiteral("Msg_Failed_TableRead"),
                    {operationName(m_kind, m_operation),
                     CellAddressText(m_kind, m_cursor.column, m_cursor.row),
                     QStringLiteral("%1")
                         .arg(CellEepromAddress(m_kind, m_cursor.column, m_cursor.row), 2, 16,
                              QLatin1Char('0'))
                         .toUpper(),
                     QString::number(m_badAnswers)}},
            false);
        emit unlockRequested();
        emit failed(m_kind, m_kind == TableKind::Water ? 5 : 6);
    }
}

void TableTransfer::receiveFiltered(const QString& chunk) {
    if (m_engine.SentCommand() != readCommand())
        return;
    const QString answer = m_engine.answerSoFar(chunk);
    if (answer.isEmpty())
        return;
    const auto byte = wire::DecodeByte(answer);
    if (!byte || answer.size() > 2) {
        if (answer.size() >= 2 || (!answer.isEmpty() && wire::HexDigit(answer.at(0)) < 0))
            m_engine.setPendingCommand(m_engine.SentCommand());
        return;
    }
    const double sample = DecodeCell(*byte);
    if (!m_samples.full()) {
        m_samples.add(sample);
        m_engine.setPendingCommand(m_engine.SentCommand());
        return;
    }
    // Six samples are in; this seventh answer only completes the exchange.
    m_tables.setCellValue(m_kind, m_cursor, m_samples.result());
    m_samples.clear();
    if (!advance()) {
        finish();
        return;
    }
    announce();
    m_engine.setPendingCommand(readCommand());
}

void TableTransfer::receiveWrite(const QString& chunk) {
    const QString answer = m_engine.answerSoFar(chunk);
    if (!m_verifyPass && m_engine.SentCommand() == writeCommand()) {
        if (answer != QLatin1String("!")) {
            m_engine.setPendingCommand(m_engine.SentCommand());
        } else if (m_cancelling) {
            stopCancelledWrite(false);
            return;
        } else if (advance()) {
            announce();
            m_engine.setPendingCommand(writeCommand());
        } else {
            m_verifyPass = true;
            m_cursor = {1, 1};
            m_engine.operation().begin(Message{operationName(m_kind, m_operation, true), {}},
                                       kTableCells, [this] { cancel(); });
            m_engine.setPendingCommand(readCommand());
        }
    }
    if (m_verifyPass && m_engine.SentCommand() == writeCommand()) {
        m_engine.setPendingCommand(readCommand());
    }
    if (m_engine.SentCommand() == readCommand()) {
        const QString readBack = m_engine.answerSoFar(chunk);
        // The first digit alone waits for the second; anything else is compared as it is.
        if (readBack.isEmpty() || (readBack.size() < 2 && wire::HexDigit(readBack.at(0)) >= 0))
            return;
        const QString swapped = QString(readBack.mid(1, 1)) + readBack.at(0);
        if (swapped != sentDigits(m_cursor) || readBack.size() > 2) {
            m_verifyPass = true;
            m_engine.setPendingCommand(writeCommand());
        } else if (m_cancelling || !advance()) {
            if (m_cancelling && advance())
                stopCancelledWrite(false);
            else
                finish();
        } else {
            announce();
            m_engine.setPendingCommand(readCommand());
        }
    }
}
