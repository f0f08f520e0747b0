#pragma once

#include "com_port.h"
#include "journal_sink.h"
#include "raw_console.h"
#include "transaction_engine.h"

#include <QMainWindow>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QStackedWidget;
class QToolButton;
class StatusPanels;

// Appends journal lines to the journal page.
class MemoJournal : public JournalSink {
public:
    explicit MemoJournal(QPlainTextEdit* memo) : m_memo(memo) {}
    void Append(const QString& line) override;

private:
    QPlainTextEdit* m_memo;
};

// The main window: port and connection controls in the left column, the work-area pages, the
// progress bar and the two status bars.
class TfmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfmMain(const QString& preselectedPort = QString(), QWidget* parent = nullptr);
    ~TfmMain() override;

    TBComPort& port() { return BComPort1; }
    TransactionEngine& engine() { return *m_engine; }

public slots:
    void atb_2012_B_ModuleOnClick();
    void atb_2012_B_ModuleOffClick();
    void atb_SeansClick();

private:
    void buildLeftColumn(QWidget* column);
    void fillPortList(const QString& preselected);
    void showConnectButton(bool connectInFront);
    void onModuleError(const QString& message);

    TBComPort BComPort1;
    QPlainTextEdit* MemoProtocol = nullptr;
    std::unique_ptr<MemoJournal> m_journal;
    std::unique_ptr<TransactionEngine> m_engine;
    std::unique_ptr<RawConsole> m_console;

    QComboBox* cbPort = nullptr;
    QToolButton* atb_2012_B_ModuleOn = nullptr;
    QToolButton* atb_2012_B_ModuleOff = nullptr;
    QLineEdit* Ed_Peredat = nullptr;
    QToolButton* atb_Seans = nullptr;
    QStackedWidget* m_pages = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    StatusPanels* StatusBar_Top = nullptr;
    StatusPanels* StatusBar_Bottom = nullptr;
};
