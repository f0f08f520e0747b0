#include "main_window.h"

#include "status_panels.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

void MemoJournal::Append(const QString& line) {
    m_memo->appendPlainText(line);
}

TfmMain::TfmMain(const QString& preselectedPort, QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("fmMain"));
    setWindowTitle(QStringLiteral("Marvek-2"));
    BComPort1.setObjectName(QStringLiteral("BComPort1"));
    BComPort1.setPort(QStringLiteral("COM1"));
    BComPort1.setBaudRate(TBaudRate::br19200);

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* body = new QHBoxLayout;
    outer->addLayout(body, 1);

    auto* column = new QWidget(central);
    column->setObjectName(QStringLiteral("Panel_Left"));
    column->setFixedWidth(170);
    body->addWidget(column);

    m_pages = new QStackedWidget(central);
    m_pages->setObjectName(QStringLiteral("Panel_WorkArea"));
    body->addWidget(m_pages, 1);

    auto* protocolPage = new QWidget(m_pages);
    protocolPage->setObjectName(QStringLiteral("Panel_Protocol"));
    auto* protocolLayout = new QVBoxLayout(protocolPage);
    MemoProtocol = new QPlainTextEdit(protocolPage);
    MemoProtocol->setObjectName(QStringLiteral("MemoProtocol"));
    MemoProtocol->setStyleSheet(QStringLiteral("background-color: rgb(211, 209, 192);"));
    protocolLayout->addWidget(MemoProtocol);
    m_pages->addWidget(protocolPage);

    ProgressBar1 = new QProgressBar(central);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setMaximumHeight(12);
    ProgressBar1->setStyleSheet(
        QStringLiteral("QProgressBar::chunk { background-color: rgb(0, 100, 0); }"));
    outer->addWidget(ProgressBar1);
    StatusBar_Top =
        new StatusPanels(QStringLiteral("StatusBar_Top"), {150, 150, 150, 120}, central);
    outer->addWidget(StatusBar_Top);
    StatusBar_Bottom = new StatusPanels(QStringLiteral("StatusBar_Bottom"), {150, 300}, central);
    outer->addWidget(StatusBar_Bottom);
    setCentralWidget(central);

    m_journal = std::make_unique<MemoJournal>(MemoProtocol);
    m_engine = std::make_unique<TransactionEngine>(BComPort1, *m_journal);
    m_console = std::make_unique<RawConsole>(*m_engine);
    m_engine->setTexts({QStringLiteral("Передано:"), QStringLiteral("Принято:"),
                        QStringLiteral("Порт не выбран"),
                        QStringLiteral("Модуль сообщил об ошибке команды")});

    buildLeftColumn(column);
    fillPortList(preselectedPort);

    connect(m_engine.get(), &TransactionEngine::sentCommandShown, this,
            [this](const QString& t) { StatusBar_Top->setPanelText(2, t); });
    connect(m_engine.get(), &TransactionEngine::receivedShown, this,
            [this](const QString& t) { StatusBar_Top->setPanelText(3, t); });
    connect(m_engine.get(), &TransactionEngine::linkStateText, this,
            [this](const QString& t, bool alarm) {
                StatusBar_Top->setPanelText(0, t);
                StatusBar_Top->setAlarm(alarm);
            });
    connect(m_engine.get(), &TransactionEngine::progressRangeChanged, ProgressBar1,
            &QProgressBar::setRange);
    connect(m_engine.get(), &TransactionEngine::progressChanged, this,
            [this](int v) { ProgressBar1->setValue(std::min(v, ProgressBar1->maximum())); });
    connect(m_engine.get(), &TransactionEngine::moduleError, this, &TfmMain::onModuleError);
    connect(m_engine.get(), &TransactionEngine::connectButtonToFrontRequested, this,
            [this] { showConnectButton(true); });
    connect(&BComPort1, &ModulePort::PortLost, this, [this](const QString& reason) {
        StatusBar_Top->setPanelText(0, reason);
        showConnectButton(true);
    });
}

TfmMain::~TfmMain() {
    m_engine->stopAll();
    BComPort1.ClosePort();
}

void TfmMain::buildLeftColumn(QWidget* column) {
    auto* layout = new QGridLayout(column);
    cbPort = new QComboBox(column);
    cbPort->setObjectName(QStringLiteral("cbPort"));
    cbPort->setEditable(true); // a device path may be typed
    cbPort->setInsertPolicy(QComboBox::InsertAtBottom);
    layout->addWidget(cbPort, 0, 0, 1, 2);

    atb_2012_B_ModuleOn = new QToolButton(column);
    atb_2012_B_ModuleOn->setObjectName(QStringLiteral("atb_2012_B_ModuleOn"));
    atb_2012_B_ModuleOn->setText(QStringLiteral("Подключить"));
    atb_2012_B_ModuleOff = new QToolButton(column);
    atb_2012_B_ModuleOff->setObjectName(QStringLiteral("atb_2012_B_ModuleOff"));
    atb_2012_B_ModuleOff->setText(QStringLiteral("Отключить"));
    // The two buttons share one place; the one in front is the one that can be pressed.
    layout->addWidget(atb_2012_B_ModuleOn, 1, 0, 1, 2);
    layout->addWidget(atb_2012_B_ModuleOff, 1, 0, 1, 2);
    showConnectButton(true);

    Ed_Peredat = new QLineEdit(column);
    Ed_Peredat->setObjectName(QStringLiteral("Ed_Peredat"));
    atb_Seans = new QToolButton(column);
    atb_Seans->setObjectName(QStringLiteral("atb_Seans"));
    atb_Seans->setText(QStringLiteral("Передать"));
    layout->addWidget(Ed_Peredat, 2, 0);
    layout->addWidget(atb_Seans, 2, 1);
    layout->setRowStretch(3, 1);

    connect(atb_2012_B_ModuleOn, &QToolButton::clicked, this, &TfmMain::atb_2012_B_ModuleOnClick);
    connect(atb_2012_B_ModuleOff, &QToolButton::clicked, this, &TfmMain::atb_2012_B_ModuleOffClick);
    connect(atb_Seans, &QToolButton::clicked, this, &TfmMain::atb_SeansClick);
    connect(cbPort, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_engine->setPortSelected(index >= 0); });
}

void TfmMain::fillPortList(const QString& preselected) {
    QStringList ports;
    try {
        TBComPort::ListSerialPorts(ports);
    } catch (const EComPort& e) {
        QMessageBox::critical(this, windowTitle(), e.message());
    }
    cbPort->clear();
    cbPort->addItems(ports);
    if (!preselected.isEmpty()) {
        if (cbPort->findText(preselected) < 0)
            cbPort->addItem(preselected);
        cbPort->setCurrentIndex(cbPort->findText(preselected));
    } else {
        cbPort->setCurrentIndex(-1);
    }
    m_engine->setPortSelected(cbPort->currentIndex() >= 0);
}

void TfmMain::showConnectButton(bool connectInFront) {
    atb_2012_B_ModuleOn->setVisible(connectInFront);
    atb_2012_B_ModuleOff->setVisible(!connectInFront);
}

void TfmMain::atb_2012_B_ModuleOnClick() {
    try {
        BComPort1.setPort(cbPort->currentText());
        BComPort1.OpenPort();
    } catch (const EComPort& e) {
        QMessageBox::critical(this, windowTitle(), e.message());
        return;
    }
    StatusBar_Top->setAlarm(false);
    StatusBar_Top->setPanelText(0, cbPort->currentText());
    showConnectButton(false);
}

void TfmMain::atb_2012_B_ModuleOffClick() {
    m_engine->stopAll();
    BComPort1.ClosePort();
    StatusBar_Top->setPanelText(0, QString());
    showConnectButton(true);
}

void TfmMain::atb_SeansClick() {
    m_console->send(Ed_Peredat->text());
}

void TfmMain::onModuleError(const QString& message) {
    // Not modal: the event loop keeps serving the port while the message is up.
    auto* box = new QMessageBox(QMessageBox::NoIcon, windowTitle(), message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
