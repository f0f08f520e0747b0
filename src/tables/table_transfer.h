#pragma once

#include "injection_tables.h"
#include "sample_vote.h"
#include "table_codec.h"
#include "table_kind.h"
#include "table_message.h"
#include "table_values.h"
#include "transaction.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>

class TransactionEngine;

enum class TableOperation {
    Read,         // Timer_Water_Out, Timer_Fuel_Out
    FilteredRead, // Timer_Water_Out_Filter, Timer_Fuel_Out_Filter
    Write,        // Timer_Water_In, Timer_Fuel_In (with the verify pass)
};

// Reads and writes of the injection tables, one cell command per tick. A read fills the data
// table (and the view of the active table) cell by cell, row by row; the filtered read takes six
// samples of every cell and keeps the most frequent. A write sends all 64 cells, then reads every
// cell back and rewrites it until the module holds the byte that was sent.
class TableTransfer : public QObject {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 70;
    // More consecutive malformed answers than this end a plain read.
    static constexpr int BadAnswerLimit = 12;
    static constexpr int ReadProgressMaximum = 64;
    static constexpr int FilteredProgressMaximum = 320;
    static constexpr int WriteProgressMaximum = 130;

    TableTransfer(TransactionEngine& engine, InjectionTables& tables, QObject* parent = nullptr);

    // atb_Water_OutClick / atb_Fuel_OutClick with "Выкл" (plain) or "Вкл" (filtered) chosen.
    // Refused with a message while another transaction runs or the port is closed.
    std::optional<Message> startRead(TableKind kind, bool filtered);
    // sbtn_OK_Water_InClick / sbtn_OK_Fuel_InClick. The 64 bytes are encoded from the data table
    // first (each value clamped to 0.01..25.5); a cell that is not a number refuses the write.
    std::optional<Message> startWrite(TableKind kind);

    bool isRunning() const;
    TableKind kind() const { return m_kind; }
    TableOperation operation() const { return m_operation; }
    CellPosition cursor() const { return m_cursor; }
    bool verifyPass() const { return m_verifyPass; }
    int BadAnswerCount() const { return m_badAnswers; }
    // The table's 64 texts as they were when the last write started: what it sends.
    const QStringList& writtenCells() const { return m_written; }
    // sg_Hex_Temp: the digits (high first) sent for a cell during the write.
    QString sentDigits(CellPosition cell) const;

    Transaction& transaction(TableKind kind, TableOperation operation);

    // Text05 and Text06: what the command panel and the journal line show when a plain read of
    // the water or the fuel table gives up.
    void setFailureTexts(const QString& water, const QString& fuel) {
        m_failureTexts = {water, fuel};
    }

signals:
    void started(TableKind kind, TableOperation operation);
    // The whole table was read, or written and read back equal.
    void completed(TableKind kind, TableOperation operation);
    // A plain read gave up: textNumber is 5 (Text05, water) or 6 (Text06, fuel), the text the
    // top status bar's command panel shows.
    void failed(TableKind kind, int textNumber);
    // The user cancelled: a read left the table as it was, a write stopped after the cell in
    // hand (the operation's end message says which cells the module now holds).
    void cancelled(TableKind kind, TableOperation operation);
    // Btn_Block before a transfer, Btn_UnBlock after it.
    void lockRequested();
    void unlockRequested();

private:
    std::optional<Message> checkStart() const;
    void begin(TableKind kind, TableOperation operation, int progressStart, int progressMaximum,
               const QString& command);
    void finish();
    // The engine's operation status: the name of what runs now, and its items done.
    void announce();
    void cancel();
    // Ends a cancelled write where it stands; unconfirmed: the cell in hand got no answer.
    void stopCancelledWrite(bool unconfirmed);
    void stopAndUnlock();
    bool advance(); // false after the last cell
    QString readCommand() const { return ReadCellCommand(m_kind, m_cursor.column, m_cursor.row); }
    QString writeCommand() const;
    int cellIndex() const { return (m_cursor.row - 1) * kTableColumns + (m_cursor.column - 1); }

    void receiveRead(const QString& chunk);
    void receiveFiltered(const QString& chunk);
    void receiveWrite(const QString& chunk);

    TransactionEngine& m_engine;
    InjectionTables& m_tables;
    // Indexed [table][operation].
    std::array<std::array<Transaction*, 3>, 2> m_timers{};
    Transaction m_waterOut;
    Transaction m_fuelOut;
    Transaction m_waterOutFilter;
    Transaction m_fuelOutFilter;
    Transaction m_waterIn;
    Transaction m_fuelIn;

    TableKind m_kind = TableKind::Water;
    TableOperation m_operation = TableOperation::Read;
    CellPosition m_cursor;
    bool m_verifyPass = false;
    int m_badAnswers = 0;
    SampleVote m_samples;
    int m_progressMaximum = ReadProgressMaximum;
    std::array<QString, 2> m_failureTexts;
    std::array<int, kTableCells> m_bytes{};
    QStringList m_written;
    // What a read replaces, given back when it is cancelled.
    QStringList m_before;
    TableUnit m_unitBefore = TableUnit::Absolute;
    bool m_cancelling = false;
};
