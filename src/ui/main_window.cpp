#include "main_window.h"

#include "chart_page.h"
#include "connect_read.h"
#include "curve_features.h"
#include "curve_grid_tools.h"
#include "data_folders.h"
#include "date_time_text.h"
#include "display_throttle.h"
#include "emulator_page.h"
#include "file_names.h"
#include "interface_lock.h"
#include "journal_view.h"
#include "language_applier.h"
#include "left_column.h"
#include "link_check.h"
#include "link_check_window.h"
#include "live_recorder.h"
#include "module_connection.h"
#include "operation_line.h"
#include "options_file.h"
#include "pages.h"
#include "process_priority.h"
#include "qt_translations.h"
#include "raw_console.h"
#include "record_map_panel.h"
#include "settings_features.h"
#include "settings_page.h"
#include "settings_view.h"
#include "small_windows.h"
#include "status_panels.h"
#include "surface_view.h"
#include "table_grid_tools.h"
#include "tables_page.h"
#include "text_file.h"
#include "transaction_engine.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QAction* menuItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

} // namespace

TfmMain::TfmMain(const StartOptions& options, QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("fmMain"));
    setWindowTitle(QStringLiteral("Marvek-2"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setMinimumSize(812, 32);
    setStyleSheet(QStringLiteral("QMainWindow { background-color: rgb(165, 184, 179); }"));

    BComPort1.setObjectName(QStringLiteral("BComPort1"));
    BComPort1.setPort(QStringLiteral("COM1"));
    BComPort1.setBaudRate(TBaudRate::br19200);
    m_engine = std::make_unique<TransactionEngine>(BComPort1, m_journal);
    m_engine->setIntervalScale(options.intervalScale);
    m_console = std::make_unique<RawConsole>(*m_engine);
    m_linkCheck = std::make_unique<LinkCheck>(*m_engine);
    m_connection =
        std::make_unique<ModuleConnection>(BComPort1, *m_engine, m_moduleSettings, m_journal);
    m_recorder = std::make_unique<telemetry::LiveRecorder>(*m_engine, m_moduleSettings);
    m_settingsFeatures = std::make_unique<SettingsFeatures>(*m_engine, m_moduleSettings);
    m_settingsFeatures->follow(m_connection->read());
    m_curveFeatures = std::make_unique<curve::CurveFeatures>(*m_engine);
    m_lock = std::make_unique<InterfaceLock>();

    auto* central = new QWidget(this);
    buildWorkArea(central);
    setCentralWidget(central);
    buildMenu();
    buildLock();
    m_journalView = std::make_unique<JournalView>(m_journal, Panel_Protocol->MemoProtocol);
    m_about = new TfmAbout(this);
    m_moduOn = new TfmModuOn(this);
    m_linkCheckWindow = new TfmLinkCheck(*m_linkCheck, this);
    connect(m_linkCheckWindow, &TfmLinkCheck::useFastTransfers, m_fastTransfersItem,
            [this] { m_fastTransfersItem->setChecked(true); });
    wireEngine();
    wirePorts();

    askJournalFileName = [this] {
        QString name = text(u"MsgJournalFileFilter");
        if (name.isEmpty())
            name = QStringLiteral("Файлы протокола");
        return QFileDialog::getSaveFileName(this, QString(), QString(),
                                            name + QStringLiteral(" (*.txt)"));
    };
    startUp(options);
}

TfmMain::~TfmMain() {
    // The destroy sequence: the disconnect rewrites both configuration files and closes the port.
    m_destroyed = true;
    m_connection->stopWatching();
    atb_2012_B_ModuleOffClick();
    m_engine->stopAll();
    // The pages own transactions and refer to the engine and the features: they go now, while
    // those still exist (child widgets would otherwise outlive the members).
    delete takeCentralWidget();
}

void TfmMain::buildWorkArea(QWidget* central) {
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* body = new QHBoxLayout;
    body->setSpacing(0);
    outer->addLayout(body, 1);

    m_left = new LeftColumn(central);
    body->addWidget(m_left);
    m_pages = new QStackedWidget(central);
    m_pages->setObjectName(QStringLiteral("Panel_WorkArea"));
    body->addWidget(m_pages, 1);
    Panel_Parr_Max = new ChartPage(*m_recorder, m_pages);
    Panel_Emu = new EmulatorPage(*m_curveFeatures, m_pages);
    Panel_3D = new TablesPage(*m_engine, *m_settingsFeatures, m_pages);
    Panel_3D->recordMap()->setArchive(&m_recorder->archive());
    // The live poll's ticks mark the cell where the engine works now on the table page.
    connect(m_recorder.get(), &telemetry::LiveRecorder::tickCompleted, this, [this] {
        const telemetry::LiveRecorder& r = *m_recorder;
        Panel_3D->gridTools()->showLive(r.channel(telemetry::Channel::PVK).current,
                                        r.channel(telemetry::Channel::TVT).current,
                                        r.channel(telemetry::Channel::U_analog).current);
    });
    connect(m_recorder.get(), &telemetry::LiveRecorder::stateChanged, this,
            [this](telemetry::RecorderState state) {
                if (state != telemetry::RecorderState::Running)
                    Panel_3D->gridTools()->clearLive();
            });
    spnl_2012_Setting = new SettingsPage(*m_settingsFeatures, m_pages);
    Panel_Protocol = new ProtocolPage(m_pages);
    for (QWidget* page : {static_cast<QWidget*>(Panel_Parr_Max), static_cast<QWidget*>(Panel_Emu),
                          static_cast<QWidget*>(Panel_3D), static_cast<QWidget*>(spnl_2012_Setting),
                          static_cast<QWidget*>(Panel_Protocol)})
        m_pages->addWidget(page);

    buildStatusArea(outer, central);
    wirePageButtons();
}

void TfmMain::buildStatusArea(QVBoxLayout* outer, QWidget* central) {
    // The sensor types that select a line of Config_A.ini; nothing fills them yet.
    Ed_Type_Datchik_1_RU = new QLineEdit(central);
    Ed_Type_Datchik_1_RU->setObjectName(QStringLiteral("Ed_Type_Datchik_1_RU"));
    Ed_Type_Datchik_1_RU->hide();
    Ed_Type_Datchik_2_RU = new QLineEdit(central);
    Ed_Type_Datchik_2_RU->setObjectName(QStringLiteral("Ed_Type_Datchik_2_RU"));
    Ed_Type_Datchik_2_RU->hide();

    // Its caption names the About window; a language file may change it.
    lblAbout = new QLabel(QStringLiteral("О программе"), central);
    lblAbout->setObjectName(QStringLiteral("lblAbout"));
    lblAbout->hide();

    ProgressBar1 = new QProgressBar(central);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(14);
    ProgressBar1->setStyleSheet(
        QStringLiteral("QProgressBar { border: 1px solid gray; background: white; }"
                       "QProgressBar::chunk { background-color: rgb(0, 128, 0); }"));
    // The bar, and beside it what the operation is, how far it got and how it ended.
    auto* progressRow = new QHBoxLayout;
    progressRow->setSpacing(6);
    progressRow->addWidget(ProgressBar1, 1);
    m_throttle = new DisplayThrottle(50, this);
    m_operationLine = new OperationLine(m_engine->operation(), *m_throttle, central);
    progressRow->addWidget(m_operationLine, 1);
    outer->addLayout(progressRow);
    StatusBar_Top =
        new StatusPanels(QStringLiteral("StatusBar_Top"), {150, 150, 150, 120}, central);
    outer->addWidget(StatusBar_Top);
    StatusBar_Bottom = new StatusPanels(QStringLiteral("StatusBar_Bottom"), {300, 300}, central);
    outer->addWidget(StatusBar_Bottom);
}

void TfmMain::wirePageButtons() {
    LeftColumn* l = m_left;
    connect(l->atb_2012_B_ModuleOn, &QToolButton::clicked, this,
            &TfmMain::atb_2012_B_ModuleOnClick);
    connect(l->atb_2012_B_ModuleOff, &QToolButton::clicked, this,
            &TfmMain::atb_2012_B_ModuleOffClick);
    connect(l->atb_Seans, &QToolButton::clicked, this, &TfmMain::atb_SeansClick);
    connect(l->scbx_LangDriver, &QComboBox::activated, this, &TfmMain::scbx_LangDriverChange);
    connect(l->atb_2012_Graph, &QToolButton::clicked, this, [this] { showPage(Panel_Parr_Max); });
    connect(l->atb_2012_Emulator, &QToolButton::clicked, this, [this] { showPage(Panel_Emu); });
    connect(l->atb_2012_Water, &QToolButton::clicked, Panel_3D, &TablesPage::btn_WaterClick);
    connect(l->atb_2012_Fuel, &QToolButton::clicked, Panel_3D, &TablesPage::btn_FuelClick);
    connect(l->atb_2012_Settings, &QToolButton::clicked, this, [this] {
        showPage(spnl_2012_Setting);
        m_left->atb_2012_Shablon->setEnabled(true);
    });
    connect(l->atb_2012_Shablon, &QToolButton::clicked, this, [this] {
        showPage(spnl_2012_Setting);
        spnl_2012_Setting->showTemplate();
    });
    connect(l->atb_2012_Protocol, &QToolButton::clicked, this,
            [this] { showPage(Panel_Protocol); });
    connect(l->atb_2012_Ingener, &QToolButton::clicked, this, [this] {
        showPage(spnl_2012_Setting);
        spnl_2012_Setting->tuning()->setCurrentWidget(spnl_2012_Setting->engineeringTab());
    });
    l->atb_2012_Shablon->setEnabled(false);

    for (int i = 0; i < spnl_2012_Setting->priorityButtons.size(); ++i) {
        connect(spnl_2012_Setting->priorityButtons[i], &QRadioButton::clicked, this,
                [this, i] { setPriority(i); });
    }
    connect(spnl_2012_Setting->sButton5, &QPushButton::clicked, this, &TfmMain::sButton5Click);
}

void TfmMain::buildMenu() {
    QMenuBar* bar = menuBar();
    m_chartMenu = bar->addMenu(QStringLiteral("График"));
    m_chartMenu->setObjectName(QStringLiteral("N1"));
    menuItem(m_chartMenu, "ChartStart", QStringLiteral("Пуск"));
    menuItem(m_chartMenu, "ChartPause", QStringLiteral("Пауза"));
    menuItem(m_chartMenu, "ChartCont", QStringLiteral("Продолжить"));
    menuItem(m_chartMenu, "ChartStop", QStringLiteral("Стоп"));
    menuItem(m_chartMenu, "ChartClear", QStringLiteral("Очистить"));
    m_emulatorMenu = bar->addMenu(QStringLiteral("Эмулятор"));
    m_emulatorMenu->setObjectName(QStringLiteral("N2"));
    menuItem(m_emulatorMenu, "EMUStart", QStringLiteral("Пуск"));
    menuItem(m_emulatorMenu, "EMUStop", QStringLiteral("Стоп"));
    telemetry::LiveRecorder* recorder = m_recorder.get();
    connect(findChild<QAction*>(QStringLiteral("ChartStart")), &QAction::triggered, recorder,
            [recorder] { recorder->start(); });
    connect(findChild<QAction*>(QStringLiteral("ChartPause")), &QAction::triggered, recorder,
            [recorder] { recorder->pause(); });
    connect(findChild<QAction*>(QStringLiteral("ChartCont")), &QAction::triggered, recorder,
            [recorder] { recorder->continueRecording(); });
    connect(findChild<QAction*>(QStringLiteral("ChartStop")), &QAction::triggered, recorder,
            [recorder] { recorder->stop(); });
    connect(findChild<QAction*>(QStringLiteral("ChartClear")), &QAction::triggered, recorder,
            [recorder] { recorder->deleteCurrent(); });
    connect(findChild<QAction*>(QStringLiteral("EMUStart")), &QAction::triggered, Panel_Emu,
            &EmulatorPage::Btn_YellowPointsClick);
    connect(findChild<QAction*>(QStringLiteral("EMUStop")), &QAction::triggered, Panel_Emu,
            &EmulatorPage::Btn_YellowPoints_StopClick);
    // The program's own link options, apart from the module's settings.
    QMenu* link = bar->addMenu(QStringLiteral("Связь"));
    link->setObjectName(QStringLiteral("N9"));
    link->setToolTipsVisible(true);
    m_fastTransfersItem = menuItem(link, "FastTransfersItem", QStringLiteral("Быстрый обмен"));
    m_fastTransfersItem->setCheckable(true);
    connect(m_fastTransfersItem, &QAction::toggled, this, [this](bool on) {
        m_engine->setFastTransfers(on);
        if (m_optionsPath.isEmpty())
            return;
        ProgramOptions options = ReadOptionsFile(m_optionsPath).options;
        options.fastTransfers = on;
        if (const QString error = WriteOptionsFile(m_optionsPath, options); !error.isEmpty())
            showMessage(QMessageBox::Warning, error);
    });
    connect(menuItem(link, "LinkCheckItem", QStringLiteral("Проверка связи...")),
            &QAction::triggered, this, [this] {
                m_linkCheckWindow->show();
                m_linkCheckWindow->raise();
            });
    QAction* about = bar->addAction(QStringLiteral("О программе"));
    about->setObjectName(QStringLiteral("N8"));
    connect(about, &QAction::triggered, this, &TfmMain::N8Click);
}

void TfmMain::buildLock() {
    m_lock->add(m_left->atb_2012_B_ModuleOff);
    m_lock->add(m_left->atb_Seans);
    m_lock->add(m_left->atb_2012_Protocol);
    for (const char* name : {"ChartStart", "ChartCont", "EMUStart"})
        m_lock->add(findChild<QAction*>(QLatin1String(name)));
    m_lock->addUnlockOnly(spnl_2012_Setting->tuning());
    Panel_Parr_Max->addToLock(*m_lock);
    Panel_Emu->addToLock(*m_lock);
    Panel_3D->addToLock(*m_lock);
    spnl_2012_Setting->addToLock(*m_lock);
}

bool TfmMain::interfaceLocked() const {
    return m_lock->isLocked();
}

void TfmMain::Btn_BlockClick() {
    m_lock->lock();
}

void TfmMain::Btn_UnBlockClick() {
    m_lock->unlock();
    // Every transfer ends with the unlock, also one stopped by an error or a lost port (the
    // pages may be gone already while the window is destroyed).
    if (!m_destroyed) {
        Panel_3D->setEditingLocked(false);
        Panel_Emu->setEditingLocked(false);
    }
    Panel_Parr_Max->afterUnlock();
}

void TfmMain::wireEngine() {
    TransactionEngine* e = m_engine.get();
    // The traffic panels and the progress bar change with every answer: shown at most every
    // 50 ms, the latest of each (m_throttle).
    connect(e, &TransactionEngine::sentCommandShown, this, [this](const QString& t) {
        m_throttle->show(0, [this, t, sent = m_engine->SentCommand()] {
            m_left->Edit5->setText(sent);
            StatusBar_Top->setPanelText(2, t);
        });
    });
    connect(e, &TransactionEngine::receivedShown, this, [this](const QString& t) {
        m_throttle->show(1, [this, t, received = m_engine->ReceiveBuffer()] {
            m_left->Edit6->setText(received);
            StatusBar_Top->setPanelText(3, t);
        });
    });
    connect(e, &TransactionEngine::linkStateText, this, [this](const QString& t, bool alarm) {
        StatusBar_Top->setPanelText(0, t);
        StatusBar_Top->setAlarm(alarm);
    });
    connect(e, &TransactionEngine::progressRangeChanged, ProgressBar1, &QProgressBar::setRange);
    connect(e, &TransactionEngine::progressChanged, this, &TfmMain::showProgressValue);
    connect(e, &TransactionEngine::moduleError, this,
            [this](const QString& message) { showMessage(QMessageBox::NoIcon, message); });
    connect(e, &TransactionEngine::unlockRequested, this, &TfmMain::Btn_UnBlockClick);
    connect(e, &TransactionEngine::connectButtonToFrontRequested, this,
            [this] { m_left->showConnectButton(true); });
    connect(m_console.get(), &RawConsole::unlockRequested, this, &TfmMain::Btn_UnBlockClick);
    wireChartAndSettingsPages();
    wireConnection();
    wireTablesPage();
}

void TfmMain::wireChartAndSettingsPages() {
    connect(spnl_2012_Setting, &SettingsPage::lockRequested, this, &TfmMain::Btn_BlockClick);
    connect(spnl_2012_Setting, &SettingsPage::unlockRequested, this, &TfmMain::Btn_UnBlockClick);
    connect(spnl_2012_Setting, &SettingsPage::message, this,
            [this](const QString& m) { showMessage(QMessageBox::Warning, m); });
    connect(spnl_2012_Setting, &SettingsPage::bottomStatusText, this,
            [this](const QString& t) { StatusBar_Bottom->setPanelText(1, t); });
    connect(Panel_Parr_Max, &ChartPage::lockRequested, this, &TfmMain::Btn_BlockClick);
    connect(Panel_Parr_Max, &ChartPage::unlockRequested, this, &TfmMain::Btn_UnBlockClick);
    wireCurvePage();
    connect(Panel_Parr_Max, &ChartPage::disconnectAllowed, this, [this](bool allowed) {
        m_left->atb_2012_B_ModuleOff->setEnabled(allowed && !m_lock->isLocked());
    });
    connect(Panel_Parr_Max, &ChartPage::statusPanelClearRequested, this,
            [this] { StatusBar_Top->setPanelText(1, QString()); });
    connect(Panel_Parr_Max, &ChartPage::message, this,
            [this](const QString& m) { showMessage(QMessageBox::Critical, m); });
    connect(Panel_Parr_Max, &ChartPage::keyedError, this,
            [this](const Message& m) { showMessage(QMessageBox::Critical, m_texts.message(m)); });
    connect(Panel_Parr_Max, &ChartPage::messageKey, this,
            [this](const QString& key) { showMessage(QMessageBox::Warning, text(key)); });
}

void TfmMain::wireConnection() {
    // The identification shows windows: it runs once the receive event that completed the read
    // has been handled.
    ModuleConnection* c = m_connection.get();
    connect(c, &ModuleConnection::identified, this, &TfmMain::onIdentified, Qt::QueuedConnection);
    connect(c, &ModuleConnection::foreignModule, this, &TfmMain::onForeignModule,
            Qt::QueuedConnection);
    connect(c, &ModuleConnection::unidentified, this, &TfmMain::onUnidentified,
            Qt::QueuedConnection);
    connect(c, &ModuleConnection::noAnswer, this, &TfmMain::onNoAnswer);
    // The water pressure channel follows bit 0 of EEPROM-00 whenever a read decodes it anew.
    connect(&c->read(), &ConnectRead::readStarted, this, [this] { m_shownFlags00.reset(); });
    connect(&m_moduleSettings, &ModuleSettingsModel::settingsChanged, this, [this] {
        const ModuleSettings& s = m_moduleSettings.settings();
        if (!s.isKnown(settings_map::address::Flags00) || m_shownFlags00 == s.Flags00)
            return;
        m_shownFlags00 = s.Flags00;
        Panel_Parr_Max->showWaterPressure(m_moduleSettings.flags00().DP);
    });
    connect(c, &ModuleConnection::portLost, this, &TfmMain::onPortLost);
}

void TfmMain::wireTablesPage() {
    connect(Panel_3D, &TablesPage::showRequested, this, [this] { showPage(Panel_3D); });
    connect(Panel_3D, &TablesPage::lockRequested, this, &TfmMain::Btn_BlockClick);
    connect(Panel_3D, &TablesPage::unlockRequested, this, &TfmMain::Btn_UnBlockClick);
    connect(Panel_3D, &TablesPage::progressReset, this, [this] { showProgressValue(0); });
    // Shown once the receive event that ended the read has set the panel.
    connect(
        Panel_3D, &TablesPage::commandPanelText, this,
        [this](const QString& t) { StatusBar_Top->setPanelText(2, t); }, Qt::QueuedConnection);
    connect(Panel_3D, &TablesPage::message, this,
            [this](const QString& m) { showMessage(QMessageBox::Warning, m); });
    connect(Panel_3D, &TablesPage::fileDialogOpening, this, [this] {
        if (m_recorder->state() == telemetry::RecorderState::Running)
            m_recorder->pause();
    });
    connect(m_about, &TfmAbout::closedWithOk, this, [] { /* the surface view redraws itself */ });
}

void TfmMain::useOptionsFile(const QString& path) {
    const OptionsFileContent content = ReadOptionsFile(path);
    m_optionsPath.clear(); // showing the file's choice does not write it back
    m_fastTransfersItem->setChecked(content.options.fastTransfers);
    m_engine->setFastTransfers(content.options.fastTransfers);
    m_engine->setLateAnswerWindowMs(content.options.lateAnswerWindowMs);
    m_optionsPath = path;
    if (!content.error.isEmpty())
        showMessage(QMessageBox::Warning, m_texts.message(content.error));
}

void TfmMain::showProgressValue(int value) {
    m_throttle->show(
        2, [this, value] { ProgressBar1->setValue(std::min(value, ProgressBar1->maximum())); });
}

void TfmMain::wireCurvePage() {
    EmulatorPage* page = Panel_Emu;
    // Each page locks its own editing during its transfers; a table transfer locks the curve's
    // too and the other way round. The unlock that ends every transfer frees both
    // (Btn_UnBlockClick).
    connect(&Panel_3D->transfer(), &TableTransfer::lockRequested, page,
            [page] { page->setEditingLocked(true); });
    connect(&m_curveFeatures->transfer(), &curve::CurveTransfer::lockRequested, Panel_3D,
            [this] { Panel_3D->setEditingLocked(true); });
    connect(page, &EmulatorPage::lockRequested, this, &TfmMain::Btn_BlockClick);
    connect(page, &EmulatorPage::unlockRequested, this, &TfmMain::Btn_UnBlockClick);
    connect(page, &EmulatorPage::message, this,
            [this](const QString& m) { showMessage(QMessageBox::Warning, m); });
    telemetry::LiveRecorder* recorder = m_recorder.get();
    page->pauseLiveChart = [recorder] { recorder->pause(); };
    // The settings side: the lambda emulator range, the training windows and the sensor type.
    connect(&m_settingsFeatures->engineering(), &EngineeringChange::curveRangeChanged, page,
            &EmulatorPage::setStretched);
    connect(&m_settingsFeatures->lambda(), &LambdaTraining::curveChartRefreshRequested, page,
            &EmulatorPage::Btn_Refresh_2D_GrafClick);
    connect(&m_settingsFeatures->lambda(), &LambdaTraining::curveSeriesClearRequested, page,
            &EmulatorPage::clearCurveSeries);
    // The type is the main page's: a template twin's click leaves the module's type as it is.
    connect(&m_settingsFeatures->choices(), &ChoiceChange::started, page,
            [this, page](ChoiceOperation operation) {
                if (operation == ChoiceOperation::DMRV_Type_Sensor_MAF ||
                    operation == ChoiceOperation::DMRV_Type_Sensor_MAP)
                    page->bringAcceptForward(
                        m_settingsFeatures->page().main().DMRVType.value_or(false));
            });
}

void TfmMain::wirePorts() {
    connect(m_left->cbPort, &QComboBox::activated, this, &TfmMain::cbPortClick);
    connect(m_left->scb_COM_port, &QComboBox::activated, this, &TfmMain::scb_COM_portClick);
    // A device path typed into the port box joins the list for as long as it exists.
    connect(m_left->scb_COM_port->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        const QString typed = m_left->scb_COM_port->currentText().trimmed();
        if (typed.isEmpty())
            return;
        m_connection->addTypedPort(typed);
        if (m_left->cbPort->findText(typed) < 0)
            m_left->cbPort->addItem(typed);
        m_left->cbPort->setCurrentIndex(m_left->cbPort->findText(typed));
        mirrorPortBox();
        cbPortClick();
    });
    connect(m_left->cbPort, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_engine->setPortSelected(index >= 0); });
    connect(m_connection.get(), &ModuleConnection::portRemoved, this, &TfmMain::onPortRemoved);
    connect(m_connection.get(), &ModuleConnection::portsChanged, this, [this] {
        fillPortList();
        mirrorPortBox();
    });
    connect(m_connection.get(), &ModuleConnection::listFailed, this,
            [this](const QString& message) { showMessage(QMessageBox::Critical, message); });
}

QString TfmMain::portErrorText(const EComPort& e) const {
    const QString text = e.messageKey().isEmpty() ? QString() : m_texts.text(e.messageKey());
    return text.isEmpty() ? e.message() : text.arg(BComPort1.Port());
}

QString TfmMain::dateTime() const {
    return JournalDateTimeText(QDateTime::currentDateTime());
}

void TfmMain::startUp(const StartOptions& options) {
    m_workingDirectory =
        QDir(options.workingDirectory.isEmpty() ? QDir::currentPath() : options.workingDirectory)
            .absolutePath();
    m_infoPath = QDir(m_workingDirectory).absoluteFilePath(QLatin1String(kInfoFileName));
    m_configPath = QDir(m_workingDirectory).absoluteFilePath(QLatin1String(kConfigFileName));
    useOptionsFile(QDir(m_workingDirectory).absoluteFilePath(QLatin1String(kOptionsFileName)));
    const QStringList languageFolders =
        !options.languageFolders.isEmpty()
            ? options.languageFolders
            : LanguageFolderCandidates(m_workingDirectory, QCoreApplication::applicationDirPath(),
                                       QStringLiteral(MARVEK2_INSTALLED_DATA_DIR));
    m_languageFolder = FindLanguageFolder(languageFolders);

    for (const QString& line : JournalStartLines(dateTime()))
        m_journal.Append(line);

    Btn_BlockClick();
    showPage(Panel_Parr_Max);
    m_left->atb_2012_Graph->setChecked(true);

    m_connection->addTypedPort(options.port);
    try {
        fillPortList();
    } catch (const EComPort& e) {
        showMessage(QMessageBox::Critical, portErrorText(e));
    }
    m_portCountAtStart = m_connection->listedCount();

    QStringList problems;
    const InfoFileContent info = ReadInfoFile(m_infoPath, m_decimals);
    m_info = info.settings;
    // Worded in the language once it is applied below.
    QList<Message> keyedProblems = info.problems;
    Panel_Parr_Max->applyInfo(m_info);
    Panel_Emu->applyInfo(m_info);
    Panel_3D->applyInfo(m_info);
    useHistoryFolder();
    if (auto* surface = findChild<SurfaceView*>())
        surface->loadRememberedViews(m_info);
    fillLanguageList(info.fileMissing);
    // Without a language the window has none of its texts: it says so in the built-in English.
    if (m_left->scbx_LangDriver->count() == 0) {
        QStringList folders;
        for (const QString& folder : languageFolders)
            folders << QDir::toNativeSeparators(folder);
        showMessage(QMessageBox::Warning,
                    m_texts.message(Message{QStringLiteral("Msg_NoLanguageFiles"),
                                            {folders.join(QStringLiteral(", "))}}));
    }
    selectSavedPort(options.port);
    const ConfigFileContent config = ReadConfigFile(m_configPath);
    m_flagsTable = config.table;
    keyedProblems += config.problems;
    for (const Message& problem : keyedProblems)
        problems << m_texts.message(problem);
    mirrorPortBox();
    if (!problems.isEmpty())
        showMessage(QMessageBox::Warning, SummarizedProblems(problems, text(u"Msg_AndMore")));

    QStringList known;
    for (int i = 0; i < m_left->cbPort->count(); ++i)
        known << m_left->cbPort->itemText(i);
    m_connection->watchPorts(known);
}

void TfmMain::useHistoryFolder() {
    // Copies of the complete reads and verified writes of the curve and the tables.
    const HistoryFolder history(QDir(m_workingDirectory).filePath(QStringLiteral("History")));
    Panel_Emu->gridTools()->setHistory(history);
    Panel_3D->gridTools()->setHistory(history);
    // Every dump saved and every dump written and verified is kept there too.
    auto keepDump = [this](const QString& what, const QString& path) {
        const TextFileContent file = ReadTextFile(path);
        const HistoryFolder folder(QDir(m_workingDirectory).filePath(QStringLiteral("History")));
        // A copy that cannot be made takes nothing from the dump itself, which is saved.
        if (file.ok())
            static_cast<void>(folder.store(QStringLiteral("dump"), what,
                                           QLatin1String(kDumpFileSuffix), file.lines));
    };
    connect(&m_settingsFeatures->dumps(), &DumpFiles::saved, this,
            [keepDump](const QString& path) { keepDump(QStringLiteral("dump"), path); });
    connect(&m_settingsFeatures->dumps(), &DumpFiles::written, this,
            [keepDump](const QString& path) { keepDump(QStringLiteral("restore"), path); });
}

void TfmMain::fillPortList() {
    m_left->showPorts(m_connection->listPorts());
}

void TfmMain::mirrorPortBox() {
    m_left->mirrorPortBox();
}

void TfmMain::selectSavedPort(const QString& preselected) {
    QComboBox* box = m_left->cbPort;
    int index = StartPortIndex(m_info.portCountAtStart, m_info.portIndex, m_portCountAtStart);
    if (!preselected.isEmpty() && box->findText(preselected) >= 0)
        index = box->findText(preselected);
    box->setCurrentIndex(index < box->count() ? index : -1);
    m_rememberedPort = box->currentText();
    m_engine->setPortSelected(box->currentIndex() >= 0);
}

void TfmMain::fillLanguageList(bool infoFileMissing) {
    QComboBox* list = m_left->scbx_LangDriver;
    list->clear();
    for (const LanguageListEntry& language : ListLanguages(m_languageFolder)) {
        if (language.flagPicturePath.isEmpty())
            list->addItem(language.name);
        else
            list->addItem(QIcon(QPixmap(language.flagPicturePath)), language.name);
    }
    const QString saved =
        infoFileMissing ? QString::fromLatin1(kDefaultLanguageName) : m_info.language;
    list->setCurrentIndex(list->findText(saved));
    if (list->currentIndex() >= 0)
        scbx_LangDriverChange();
}

void TfmMain::scbx_LangDriverChange() {
    const QString name = m_left->scbx_LangDriver->currentText();
    if (name.isEmpty())
        return;
    const LanguageFileContent language = ReadLanguageFile(LanguageFilePath(m_languageFolder, name));
    if (!language.ok()) {
        showMessage(QMessageBox::Critical, m_texts.message(language.error));
        return;
    }
    for (const LanguageFileEntry& entry : language.entries) {
        if (!InterfaceTexts::IsMessageKey(entry.control))
            ApplyLanguageEntry(this, entry.control, entry.property, entry.value,
                               DecimalFormat().separator());
    }
    const InterfaceTexts before = m_texts;
    m_texts.apply(language.entries);
    rewordStatusBars(before);
    m_operationLine->setTexts(m_texts);
    Panel_Emu->applyLanguage(language.entries, m_texts);
    m_engine->setTexts({text(4), text(13), text(26), text(49), text(u"Msg_LateAnswer")});
    m_linkCheckWindow->setTexts(m_texts);
    m_fastTransfersItem->setToolTip(text(u"Msg_FastTransfersHint"));
    m_settingsFeatures->context().setTexts(m_texts);
    spnl_2012_Setting->applyLanguage(m_texts);
    if (const QString filter = text(u"MsgRecordFileFilter"); !filter.isEmpty())
        Panel_Parr_Max->setFileFilterName(filter);
    m_left->refreshPageIcons();
    LoadQtTranslations(name);
    // The language gave the water pressure caption back: without the channel it stays empty.
    if (m_shownFlags00)
        Panel_Parr_Max->showWaterPressure(settings_map::Bit(*m_shownFlags00, 0));
    Panel_3D->setTexts(m_texts,
                       m_left->atb_2012_Water->isChecked() || m_left->atb_2012_Fuel->isChecked());
    m_info.language = name;
}

void TfmMain::rewordStatusBars(const InterfaceTexts& before) {
    m_throttle->flush();
    // A status text begins with one of the numbered texts (a state, or a prefix before a command,
    // an answer or a name): the same text of the new language takes its place.
    for (StatusPanels* bar : {StatusBar_Top, StatusBar_Bottom}) {
        for (int panel = 0; panel < bar->panelCount(); ++panel) {
            const QString shown = bar->panelText(panel);
            int best = 0;
            for (int n = 1; n <= InterfaceTexts::kCount; ++n) {
                const QString old = before.text(n);
                if (old.isEmpty() || !shown.startsWith(old) ||
                    (best != 0 && old.size() <= before.text(best).size()))
                    continue;
                // The rest is a command, an answer or a name, never more words of the language.
                const QString rest = shown.mid(old.size());
                const bool words = std::any_of(rest.begin(), rest.end(), [](QChar c) {
                    return c.script() == QChar::Script_Cyrillic;
                });
                if (!words)
                    best = n;
            }
            if (best > 0 && !m_texts.text(best).isEmpty())
                bar->setPanelText(panel, m_texts.text(best) + shown.mid(before.text(best).size()));
        }
    }
}

void TfmMain::showPage(QWidget* page) {
    m_pages->setCurrentWidget(page);
}

void TfmMain::cbPortClick() {
    m_rememberedPort = m_left->cbPort->currentText();
    m_left->scb_COM_port->setCurrentIndex(m_left->cbPort->currentIndex());
}

void TfmMain::scb_COM_portClick() {
    m_left->cbPort->setCurrentIndex(m_left->scb_COM_port->currentIndex());
    m_rememberedPort = m_left->cbPort->currentText();
}

void TfmMain::atb_2012_B_ModuleOnClick() {
    m_left->showConnectButton(false);
    if (const std::optional<EComPort> error =
            m_connection->connectTo(m_left->cbPort->currentText())) {
        // The disconnect button stays in front, usable, so the user can go back.
        m_left->atb_2012_B_ModuleOff->setEnabled(true);
        showMessage(QMessageBox::Critical, portErrorText(*error));
        return;
    }
    m_left->Edit5->setEnabled(true);
    m_left->cbPort->setEnabled(false);
    // Nothing of the module connected before stays on show while this one is read: its name
    // leaves the bottom bar and the caption, and a red alarm of a lost port is over.
    StatusBar_Bottom->setPanelText(0, QString());
    setWindowTitle(QStringLiteral("Marvek-2"));
    StatusBar_Top->setAlarm(false);
    Btn_BlockClick();
    StatusBar_Top->setPanelText(0, text(15));
    m_rememberedPort = m_left->cbPort->currentText();
    m_left->scb_COM_port->setEnabled(false);
}

void TfmMain::onNoAnswer() {
    StatusBar_Top->setPanelText(0, text(14));
    StatusBar_Top->setAlarm(true);
    m_left->showConnectButton(false);
}

void TfmMain::onIdentified(const QString& name) {
    StatusBar_Top->setPanelText(0, text(19));
    StatusBar_Top->setAlarm(false); // a connected module is no alarm
    connect(
        m_moduOn, &QDialog::finished, this,
        [this] {
            Btn_UnBlockClick();
            btn_WhoIsModuleClick();
            showProgressValue(0);
        },
        Qt::SingleShotConnection);
    m_moduOn->announce(name, text(19) + QLatin1Char(' ') + name);
}

void TfmMain::onForeignModule(const QString& name) {
    auto* box = new QMessageBox(QMessageBox::Information, windowTitle(),
                                text(51) + QLatin1Char(' ') + name, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this,
            [this] { m_left->atb_2012_B_ModuleOff->setEnabled(true); });
    box->open();
}

void TfmMain::onUnidentified(const QStringList& errors) {
    // A name character could not be read: the module is not identified by a partial name. The
    // interface stays locked; disconnecting (and connecting again) is offered.
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                text(u"Msg_NameUnread").arg(errors.join(QStringLiteral(", "))),
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("NameUnreadBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this,
            [this] { m_left->atb_2012_B_ModuleOff->setEnabled(true); });
    box->open();
}

void TfmMain::btn_WhoIsModuleClick() {
    const QString name = m_moduleSettings.settings().ModuleName;
    StatusBar_Bottom->setPanelText(0, text(16) + QStringLiteral(": ") + name);
    setWindowTitle(text(18) + QLatin1Char(' ') + name);
    Btn_Raschet_Marvek_2Click();
    // The curve page follows the module: its range labels and the sensor type's accept button.
    if (const std::optional<bool> stretched = m_settingsFeatures->page().main().LDiapazone)
        Panel_Emu->setStretched(*stretched);
    Panel_Emu->showAcceptButtons(m_settingsFeatures->page().main().DMRVType.value_or(false));
    Btn_UnBlockClick();
}

void TfmMain::Btn_Raschet_Marvek_2Click() {
    Panel_3D->applySettingsView(m_settingsFeatures->Btn_Raschet_Marvek_2Click());
    // The chart parameters of the module's sensor configuration (Config_A.ini), or the selection
    // kept since the start or the last disconnect.
    const QString code =
        m_sensorCode.SensorPairCode(Ed_Type_Datchik_1_RU->text(), Ed_Type_Datchik_2_RU->text());
    m_parameterFlags = ParameterFlagsAfterRefresh(code, m_flagsTable, m_parameterFlags);
    m_recorder->setParameterChecks(telemetry::ParameterChecksFromFlags(m_parameterFlags));
}

void TfmMain::onPortLost(const QString& reason, const QString& port) {
    // The journal keeps the port's own words; the status bar speaks the interface language.
    const QString key = ModuleConnection::LostPortMessageKey(reason);
    const QString shown = key.isEmpty() ? QString() : m_texts.text(key);
    StatusBar_Top->setPanelText(0, shown.isEmpty() ? reason : shown.arg(port));
    StatusBar_Top->setAlarm(true);
    m_left->showConnectButton(true);
    m_left->cbPort->setEnabled(true);
    m_left->scb_COM_port->setEnabled(true);
}

QString TfmMain::storeConfiguration() {
    const QString code =
        m_sensorCode.SensorPairCode(Ed_Type_Datchik_1_RU->text(), Ed_Type_Datchik_2_RU->text());
    m_parameterFlags = telemetry::FlagsFromParameterChecks(m_recorder->parameterChecks());
    m_flagsTable.storeAtDisconnect(code, m_parameterFlags);
    QString error = WriteConfigFile(m_configPath, m_flagsTable);
    if (error.isEmpty()) {
        m_info.portCountAtStart = m_portCountAtStart;
        m_info.portIndex =
            SavedPortIndex(m_left->cbPort->currentIndex(), m_connection->listedCount());
        Panel_Parr_Max->storeInfo(m_info);
        Panel_Emu->storeInfo(m_info);
        Panel_3D->storeInfo(m_info);
        if (const auto* surface = findChild<SurfaceView*>())
            surface->storeRememberedViews(m_info);
        error = WriteInfoFile(m_infoPath, m_info, m_decimals);
    }
    return error;
}

void TfmMain::atb_2012_B_ModuleOffClick() {
    m_left->scb_COM_port->setEnabled(true);
    m_left->showConnectButton(true);
    StatusBar_Top->setAlarm(false);
    showProgressValue(0);
    const QString error = storeConfiguration();
    if (!error.isEmpty()) {
        if (m_destroyed)
            qWarning("%s", qPrintable(error));
        else
            showMessage(QMessageBox::Critical, error);
        return; // the port stays open
    }
    if (m_connection->closePort()) {
        m_left->cbPort->setEnabled(true);
        m_left->Edit6->setEnabled(false);
        m_left->Edit5->setEnabled(false);
    }
    StatusBar_Top->setPanelText(0, text(1));
}

void TfmMain::atb_SeansClick() {
    m_console->send(m_left->Ed_Peredat->text());
}

void TfmMain::onPortRemoved(const QString&) {
    m_journal.Append(text(50));
    auto* box = new QMessageBox(QMessageBox::Information, windowTitle(), text(50),
                                QMessageBox::Ok | QMessageBox::Cancel, this);
    box->setObjectName(QStringLiteral("PortRemovedBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box] {
        m_journal.Append(QString());
        if (box->result() == QMessageBox::Ok) {
            m_left->scb_COM_port->setEnabled(true);
            m_left->showConnectButton(true);
            m_left->cbPort->setCurrentIndex(-1);
            mirrorPortBox();
            m_left->scb_COM_port->setEditText(QString());
        }
        try {
            fillPortList();
        } catch (const EComPort& e) {
            showMessage(QMessageBox::Critical, portErrorText(e));
        }
        m_left->scb_COM_port->setEnabled(true);
    });
    box->open();
}

void TfmMain::N8Click() {
    m_about->setWindowTitle(lblAbout->text());
    m_about->open();
}

void TfmMain::setPriority(int index) {
    const QString error = SetProcessPriority(ProcessPriority(index));
    if (error.isEmpty())
        return;
    // The class by the name its button shows in the interface language.
    const QString name = spnl_2012_Setting->priorityButtons.value(index)
                             ? spnl_2012_Setting->priorityButtons[index]->text()
                             : ProcessPriorityName(ProcessPriority(index));
    showMessage(
        QMessageBox::Warning,
        m_texts.message(Message{QStringLiteral("Msg_PriorityRefused"),
                                {name, QString::number(NiceValueOf(ProcessPriority(index)))}}));
}

void TfmMain::sButton5Click() {
    const auto priority = CurrentProcessPriority();
    if (!priority)
        return;
    const int index = int(*priority);
    spnl_2012_Setting->sEdit11->setText(spnl_2012_Setting->priorityButtons.value(index)
                                            ? spnl_2012_Setting->priorityButtons[index]->text()
                                            : ProcessPriorityName(*priority));
}

QStringList TfmMain::journalLines() {
    return m_journalView->lines();
}

void TfmMain::closeEvent(QCloseEvent* event) {
    if (Panel_Protocol->cb_Protocol_Ask->isChecked()) {
        // A journal that cannot be written is not lost silently: the user may pick another file
        // or cancel.
        for (;;) {
            const QString chosen = askJournalFileName ? askJournalFileName() : QString();
            if (chosen.isEmpty())
                break;
            const QString error = SaveJournal(
                FileNameWithSuffix(chosen, QLatin1String(kJournalFileSuffix)), journalLines());
            if (error.isEmpty())
                break;
            QMessageBox::critical(this, windowTitle(), error);
        }
    }
    m_info.portCountAtStart = m_portCountAtStart;
    m_info.portIndex = SavedPortIndex(m_left->cbPort->currentIndex(), m_connection->listedCount());
    Panel_Parr_Max->storeInfo(m_info);
    Panel_Emu->storeInfo(m_info);
    Panel_3D->storeInfo(m_info);
    if (const auto* surface = findChild<SurfaceView*>())
        surface->storeRememberedViews(m_info);
    const QString error = WriteInfoFile(m_infoPath, m_info, m_decimals);
    if (!error.isEmpty()) {
        showMessage(QMessageBox::Critical, error);
        event->ignore();
        return;
    }
    event->accept();
}

void TfmMain::showMessage(int icon, const QString& message) {
    auto* box =
        new QMessageBox(QMessageBox::Icon(icon), windowTitle(), message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
