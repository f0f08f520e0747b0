#include "chart_page.h"
#include "language_applier.h"
#include "languages.h"
#include "main_window.h"
#include "options_file.h"
#include "pty_module.h"
#include "recording_chart.h"
#include "settings_page.h"
#include "status_panels.h"
#include "table_codec.h"
#include "tables_page.h"
#include "text_file.h"
#include "transaction_engine.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <csignal>
#include <memory>

namespace {

// A working directory with the shipped languages and no configuration files yet.
struct Workplace {
    Workplace() {
        QDir().mkpath(dir.filePath(QStringLiteral("Language")));
        for (const QString& f : QDir(QStringLiteral(MARVEK2_LANGUAGE_DIR)).entryList(QDir::Files))
            QFile::copy(QStringLiteral(MARVEK2_LANGUAGE_DIR "/") + f,
                        dir.filePath(QStringLiteral("Language/") + f));
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QTemporaryDir dir;
};

template <typename T> T* control(QObject* window, const char* name) {
    T* found = window->findChild<T*>(QLatin1String(name));
    if (!found)
        qWarning() << "no control" << name;
    return found;
}

QString panel(QObject* window, const char* bar, int index) {
    return control<QLabel>(window,
                           (QByteArray(bar) + "_Panel" + QByteArray::number(index)).constData())
        ->text();
}

QMessageBox* openBox(QWidget* window) {
    for (QMessageBox* box : window->findChildren<QMessageBox*>()) {
        if (box->isVisible())
            return box;
    }
    return nullptr;
}

// The window on a simulated module, with the transfers sped up.
struct Rig {
    explicit Rig(const QByteArray& name = "Marvek-2") {
        module.start();
        module.module().setEngineEnabled(false);
        module.module().state().setName(name);
        StartOptions options;
        options.workingDirectory = place.dir.path();
        options.port = module.slavePath();
        options.intervalScale = 0.2;
        window = std::make_unique<TfmMain>(options);
        window->show();
    }
    void connectModule() { control<QToolButton>(window.get(), "atb_2012_B_ModuleOn")->click(); }
    bool identified() {
        return panel(window.get(), "StatusBar_Bottom", 0) == QStringLiteral("Модуль: Marvek-2");
    }
    Workplace place;
    sim::PtyModule module;
    std::unique_ptr<TfmMain> window;
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void startsLockedInRussian();
    void missingLanguagesAreSaid();
    void pageButtons_data();
    void pageButtons();
    void languageSwitch();
    void connectIdentifiesAndUnlocks();
    void foreignModuleStaysLocked();
    void silentModuleReportsThenCompletes();
    void reconnectShowsNothingOfTheModuleBefore();
    void disconnectRewritesBothFiles();
    void moduleErrorThenConnectAgain();
    void closeSavesJournalAndInfo();
    void removedPortIsReported();
    void recordSaveAndReload();
    void terminationClosesLikeTheUser_data();
    void terminationClosesLikeTheUser();
    void helpWithoutADisplay_data();
    void helpWithoutADisplay();
    void fastTransfersIsAProgramOption();
    void transferProgressEndAndCancel_data();
    void transferProgressEndAndCancel();
};

void TestMainWindow::startsLockedInRussian() {
    Workplace place;
    StartOptions options;
    options.workingDirectory = place.dir.path();
    TfmMain window(options);
    QCOMPARE(control<QComboBox>(&window, "scbx_LangDriver")->currentText(),
             QStringLiteral("Russian"));
    QVERIFY(window.interfaceLocked());
    for (const char* name : {"atb_2012_Protocol", "atb_Seans", "atb_2012_B_ModuleOff"})
        QVERIFY2(!control<QWidget>(&window, name)->isEnabled(), name);
    QVERIFY(!control<QAction>(&window, "ChartStart")->isEnabled());
    QVERIFY(control<QToolButton>(&window, "atb_2012_Graph")->isEnabled());
    QCOMPARE(window.texts().text(26), QStringLiteral("Порт не выбран"));
    QVERIFY(window.journal().line(0).startsWith(QStringLiteral("Запуск программы: ")));
    QCOMPARE(window.journal().line(1), QString());
    window.Btn_UnBlockClick();
    QVERIFY(control<QWidget>(&window, "atb_2012_Protocol")->isEnabled());
    QVERIFY(control<QAction>(&window, "ChartCont")->isEnabled());
    window.Btn_BlockClick();
    QVERIFY(!control<QWidget>(&window, "atb_Seans")->isEnabled());
    QVERIFY(control<QWidget>(&window, "spc_Tuning")->isEnabled()); // unlocking only
}

void TestMainWindow::missingLanguagesAreSaid() {
    Workplace place;
    const QString nowhere = place.path("Nowhere/Language");
    StartOptions options;
    options.workingDirectory = place.dir.path();
    options.languageFolders = {nowhere};
    TfmMain window(options);
    window.show();
    QCOMPARE(control<QComboBox>(&window, "scbx_LangDriver")->count(), 0);
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = openBox(&window)) != nullptr);
    // No language is there to word it: the English built into the program does.
    QVERIFY2(box->text().startsWith(QStringLiteral("No language files")), qPrintable(box->text()));
    QVERIFY(box->text().contains(QDir::toNativeSeparators(nowhere)));
}

void TestMainWindow::pageButtons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("page");
    QTest::newRow("chart") << "atb_2012_Graph"
                           << "Panel_Parr_Max";
    QTest::newRow("emulator") << "atb_2012_Emulator"
                              << "Panel_Emu";
    QTest::newRow("water") << "atb_2012_Water"
                           << "Panel_3D";
    QTest::newRow("fuel") << "atb_2012_Fuel"
                          << "Panel_3D";
    QTest::newRow("settings") << "atb_2012_Settings"
                              << "spnl_2012_Setting";
    QTest::newRow("engineer") << "atb_2012_Ingener"
                              << "spnl_2012_Setting";
    QTest::newRow("journal") << "atb_2012_Protocol"
                             << "Panel_Protocol";
}

void TestMainWindow::pageButtons() {
    QFETCH(QString, button);
    QFETCH(QString, page);
    Workplace place;
    StartOptions options;
    options.workingDirectory = place.dir.path();
    TfmMain window(options);
    window.Btn_UnBlockClick();
    auto* pages = control<QStackedWidget>(&window, "Panel_WorkArea");
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("Panel_Parr_Max"));
    control<QToolButton>(&window, button.toLatin1().constData())->click();
    QCOMPARE(pages->currentWidget()->objectName(), page);
    if (button == QLatin1String("atb_2012_Ingener"))
        QCOMPARE(control<QTabWidget>(&window, "spc_Tuning")->currentWidget()->objectName(),
                 QStringLiteral("stsIngeneer"));
    // The template panel appears once asked for and stays.
    auto* shablon = control<QToolButton>(&window, "atb_2012_Shablon");
    QCOMPARE(shablon->isEnabled(), button == QLatin1String("atb_2012_Settings"));
    if (shablon->isEnabled()) {
        shablon->click();
        control<QToolButton>(&window, "atb_2012_Graph")->click();
        control<QToolButton>(&window, "atb_2012_Settings")->click();
        QVERIFY(!control<QWidget>(&window, "spnl_Shablon")->isHidden());
    }
}

void TestMainWindow::languageSwitch() {
    Workplace place;
    StartOptions options;
    options.workingDirectory = place.dir.path();
    TfmMain window(options);
    auto* languages = control<QComboBox>(&window, "scbx_LangDriver");
    QCOMPARE(languages->count(), 2);
    QVERIFY(!languages->itemIcon(languages->findText(QStringLiteral("English"))).isNull());
    languages->setCurrentIndex(languages->findText(QStringLiteral("English")));
    emit languages->activated(languages->currentIndex());
    QCOMPARE(control<QLabel>(&window, "Panel47")->text(), QStringLiteral("Chart"));
    QCOMPARE(control<QToolButton>(&window, "atb_2012_B_ModuleOn")->text(),
             QStringLiteral("Connect"));
    QCOMPARE(control<QToolButton>(&window, "atb_2012_B_ModuleOn")->toolTip(),
             QStringLiteral("Connect to the module"));
    QCOMPARE(control<QAction>(&window, "N8")->text(), QStringLiteral("About"));
    QCOMPARE(control<QTabWidget>(&window, "spc_Tuning")->tabText(2), QStringLiteral("Engineer"));
    QCOMPARE(window.texts().text(26), QStringLiteral("No port selected"));
    QCOMPARE(window.engine().texts().Text04, QStringLiteral("Sent:"));
    QCOMPARE(window.infoSettings().language, QStringLiteral("English"));
    languages->setCurrentIndex(languages->findText(QStringLiteral("Russian")));
    emit languages->activated(languages->currentIndex());
    QCOMPARE(control<QLabel>(&window, "Panel47")->text(), QStringLiteral("График"));
    const QString point(DecimalFormat().separator()); // numbers on buttons: the interface's
    QCOMPARE(control<QToolButton>(&window, "ssb_UPL_045")->text(), "0" + point + "45 В");
    QCOMPARE(control<QToolButton>(&window, "ssb_LUup_012")->text(), "0" + point + "12");

    // Every entry of the shipped files reaches a control or a text, in both languages alike.
    QList<QStringList> keys;
    for (const char* name : {"Russian", "English"}) {
        const LanguageFileContent file = ReadLanguageFile(place.path("Language/") + name + ".lng");
        QVERIFY(file.ok());
        QStringList names;
        for (const LanguageFileEntry& e : file.entries) {
            names << e.control + QLatin1Char('#') + e.property;
            if (!InterfaceTexts::IsMessageKey(e.control))
                QVERIFY2(ApplyLanguageEntry(&window, e.control, e.property, e.value, u','),
                         qPrintable(e.control + QLatin1Char('#') + e.property));
            else if (!InterfaceTexts::NumberOfKey(e.control)) // a named message is never blank
                QVERIFY2(!window.texts().text(e.control).isEmpty(), qPrintable(e.control));
        }
        keys << names;
    }
    QCOMPARE(keys[0], keys[1]);
}

void TestMainWindow::connectIdentifiesAndUnlocks() {
    Rig rig;
    rig.connectModule();
    QVERIFY(rig.window->interfaceLocked());
    QCOMPARE(panel(rig.window.get(), "StatusBar_Top", 0), QStringLiteral("Подключение..."));
    QTRY_VERIFY(rig.window->findChild<QDialog*>(QStringLiteral("fmModuOn"))->isVisible());
    QCOMPARE(control<QLabel>(rig.window.get(), "sPanel1")->text(),
             QStringLiteral("Подключен модуль Marvek-2"));
    // The notice closes itself within 3 s; then the module is shown and the interface unlocked.
    QTRY_VERIFY_WITH_TIMEOUT(rig.identified(), 5000);
    QVERIFY(!rig.window->interfaceLocked());
    QVERIFY(rig.window->windowTitle().endsWith(QStringLiteral("Marvek-2")));
    QCOMPARE(rig.window->moduleSettings().settings().NumBurn, 4.0);
    QVERIFY(rig.window->journal().lines().contains(QStringLiteral("EEPROM-00 =  1000 1000")));

    // The raw console at its real 50 ms: an empty line, then the exchange.
    rig.window->engine().setIntervalScale(1.0);
    control<QLineEdit>(rig.window.get(), "Ed_Peredat")->setText(QStringLiteral("00*"));
    control<QToolButton>(rig.window.get(), "atb_Seans")->click();
    QTRY_COMPARE(rig.window->journal().lines().last(), QStringLiteral("Команда: 00*   Ответ: 11"));
    const QStringList lines = rig.window->journal().lines();
    QCOMPARE(lines.at(lines.size() - 2), QString());

    // In English the status bars say the same in English.
    auto* languages = control<QComboBox>(rig.window.get(), "scbx_LangDriver");
    languages->setCurrentIndex(languages->findText(QStringLiteral("English")));
    emit languages->activated(languages->currentIndex());
    QCOMPARE(panel(rig.window.get(), "StatusBar_Bottom", 0), QStringLiteral("Module: Marvek-2"));
    QVERIFY(panel(rig.window.get(), "StatusBar_Top", 2).startsWith(QStringLiteral("Sent:")));
}

void TestMainWindow::foreignModuleStaysLocked() {
    Rig rig("Other-01");
    rig.connectModule();
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = openBox(rig.window.get())) != nullptr);
    QCOMPARE(box->text(), QStringLiteral("Модуль не распознан: Other-01"));
    QVERIFY(rig.window->interfaceLocked());
    QVERIFY(!control<QWidget>(rig.window.get(), "atb_2012_B_ModuleOff")->isEnabled());
    box->button(QMessageBox::Ok)->click();
    QVERIFY(control<QWidget>(rig.window.get(), "atb_2012_B_ModuleOff")->isEnabled());
    QVERIFY(rig.window->interfaceLocked());
}

void TestMainWindow::silentModuleReportsThenCompletes() {
    Rig rig;
    rig.module.module().setSilent(true);
    rig.connectModule();
    // Five seconds, sped up five times.
    QTRY_COMPARE(panel(rig.window.get(), "StatusBar_Top", 0), QStringLiteral("Модуль не отвечает"));
    auto* top = control<QWidget>(rig.window.get(), "StatusBar_Top");
    QCOMPARE(top->palette().color(QPalette::Window), StatusPanels::AlarmColour());
    QCOMPARE(top->palette().color(QPalette::WindowText), QColor(Qt::white));
    rig.module.module().setSilent(false);
    QTRY_VERIFY_WITH_TIMEOUT(rig.identified(), 8000);
    // A module connected is no alarm: the bar is red no longer.
    QCOMPARE(panel(rig.window.get(), "StatusBar_Top", 0), QStringLiteral("Подключен модуль"));
    QVERIFY(top->palette().color(QPalette::Window) != StatusPanels::AlarmColour());
}

void TestMainWindow::reconnectShowsNothingOfTheModuleBefore() {
    Rig rig;
    rig.connectModule();
    QTRY_VERIFY_WITH_TIMEOUT(rig.identified(), 8000);
    control<QToolButton>(rig.window.get(), "atb_2012_B_ModuleOff")->click();
    // Another module, silent for now: while it is read, nothing of the first one is shown.
    rig.module.module().setSilent(true);
    rig.connectModule();
    QCOMPARE(panel(rig.window.get(), "StatusBar_Bottom", 0), QString());
    QVERIFY(!rig.window->windowTitle().contains(QLatin1String("service")));
    QCOMPARE(rig.window->moduleSettings().settings().ModuleName, QString());
    QVERIFY(!rig.window->moduleSettings().settings().isKnown(0x04));
}

void TestMainWindow::disconnectRewritesBothFiles() {
    Rig rig;
    rig.connectModule();
    QTRY_VERIFY_WITH_TIMEOUT(rig.identified(), 8000);
    QVERIFY(!QFile::exists(rig.place.path("Info_A.ini")));
    control<QToolButton>(rig.window.get(), "atb_2012_B_ModuleOff")->click();
    QVERIFY(!rig.window->port().Connected());
    QCOMPARE(ReadTextFile(rig.place.path("Info_A.ini")).lines.size(), 44);
    QCOMPARE(ReadTextFile(rig.place.path("Config_A.ini")).lines.size(), 18);
    QCOMPARE(panel(rig.window.get(), "StatusBar_Top", 0), QStringLiteral("Модуль отключен"));
    QVERIFY(control<QWidget>(rig.window.get(), "atb_2012_B_ModuleOn")->isVisible());
}

void TestMainWindow::moduleErrorThenConnectAgain() {
    Rig rig;
    rig.connectModule();
    QTRY_VERIFY_WITH_TIMEOUT(rig.identified(), 8000);
    control<QLineEdit>(rig.window.get(), "Ed_Peredat")->setText(QStringLiteral("ZZ*"));
    control<QToolButton>(rig.window.get(), "atb_Seans")->click();
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = openBox(rig.window.get())) != nullptr);
    QCOMPARE(box->text(), QStringLiteral("Модуль отверг команду"));
    box->button(QMessageBox::Ok)->click();
    QVERIFY(rig.window->port().Connected()); // the port stays open
    QVERIFY(control<QWidget>(rig.window.get(), "atb_2012_B_ModuleOn")->isVisible());
    rig.window->setWindowTitle(QStringLiteral("Marvek-2"));
    control<QWidget>(rig.window.get(), "StatusBar_Bottom_Panel0")->setProperty("text", QString());
    rig.connectModule();
    QVERIFY(openBox(rig.window.get()) == nullptr); // no complaint about the open port
    QTRY_VERIFY_WITH_TIMEOUT(rig.identified(), 8000);
}

void TestMainWindow::closeSavesJournalAndInfo() {
    Workplace place;
    StartOptions options;
    options.workingDirectory = place.dir.path();
    TfmMain window(options);
    window.show();
    control<QCheckBox>(&window, "cb_Protocol_Ask")->setChecked(true);
    QTest::qWait(150); // the view shows what the journal holds
    control<QPlainTextEdit>(&window, "MemoProtocol")->appendPlainText(QStringLiteral("заметка"));
    window.askJournalFileName = [&] { return place.path("journal.txt"); };
    QVERIFY(window.close());
    const TextFileContent saved = ReadTextFile(place.path("journal.txt"));
    QVERIFY(saved.ok());
    QVERIFY(!QFile::exists(place.path("journal.txt.txt")));
    QVERIFY(saved.lines.first().startsWith(QStringLiteral("Запуск программы: ")));
    QVERIFY(saved.lines.contains(QStringLiteral("заметка")));
    QCOMPARE(ReadTextFile(place.path("Info_A.ini")).lines.at(25),
             QStringLiteral("Russian=language"));
}

void TestMainWindow::removedPortIsReported() {
    Rig rig;
    auto* ports = control<QComboBox>(rig.window.get(), "cbPort");
    QCOMPARE(ports->currentText(), rig.module.slavePath());
    rig.module.unplug();
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = openBox(rig.window.get())) != nullptr);
    QCOMPARE(box->text(), QStringLiteral("Устройство извлечено"));
    QVERIFY(rig.window->journal().lines().contains(QStringLiteral("Устройство извлечено")));
    box->button(QMessageBox::Ok)->click();
    QCOMPARE(ports->currentIndex(), -1);
    QCOMPARE(control<QComboBox>(rig.window.get(), "scb_COM_port")->currentText(), QString());
    QCOMPARE(rig.window->journal().lines().last(), QString());
}

void TestMainWindow::recordSaveAndReload() {
    Rig rig;
    rig.module.module().setEngineEnabled(true);
    rig.connectModule();
    QTRY_VERIFY_WITH_TIMEOUT(rig.identified(), 8000);
    rig.window->engine().setIntervalScale(1.0);
    auto* start = control<QToolButton>(rig.window.get(), "atb_Chart1_Start");
    start->click();
    QVERIFY(rig.window->interfaceLocked());
    QVERIFY(!control<QWidget>(rig.window.get(), "atb_2012_B_ModuleOff")->isEnabled());
    QTest::qWait(10000); // ten seconds at the default 250 ms
    control<QToolButton>(rig.window.get(), "atb_Chart1_Stop")->click();
    QVERIFY(!rig.window->interfaceLocked());
    QVERIFY(control<QWidget>(rig.window.get(), "atb_2012_B_ModuleOff")->isEnabled());

    auto* tabs = control<QTabWidget>(rig.window.get(), "spc_Graph");
    QCOMPARE(tabs->count(), 1);
    auto* recorded = qobject_cast<RecordingChart*>(tabs->widget(0));
    QVERIFY(recorded);
    const int points = recorded->pointCount();
    QVERIFY2(points >= 30 && points <= 42, qPrintable(QString::number(points)));
    // The engine model moves: the crankshaft speed is not the same all along.
    double low = 1e9, high = -1e9;
    for (int i = 0; i < points; ++i) {
        low = std::min(low, recorded->value(8, i));
        high = std::max(high, recorded->value(8, i));
    }
    QVERIFY(high > low);

    auto* page = rig.window->findChild<ChartPage*>(QStringLiteral("Panel_Parr_Max"));
    page->askSaveFileName = [&] { return rig.place.path("run"); };
    control<QToolButton>(rig.window.get(), "atb_Param_Save_2")->click();
    QVERIFY(QFile::exists(rig.place.path("run_data.txt")));
    page->askOpenFileName = [&] { return rig.place.path("run_data.txt"); };
    control<QToolButton>(rig.window.get(), "atb_Param_Open_2")->click();
    QCOMPARE(tabs->count(), 2);
    auto* reloaded = qobject_cast<RecordingChart*>(tabs->currentWidget());
    QCOMPARE(reloaded->pointCount(), points);
    for (int i = 0; i < points; ++i)
        QCOMPARE(reloaded->value(8, i), recorded->value(8, i));
}

void TestMainWindow::terminationClosesLikeTheUser_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestMainWindow::terminationClosesLikeTheUser() {
    QFETCH(int, signalNumber);
    Workplace place;
    sim::PtyModule module;
    QVERIFY(module.start());
    QProcess program;
    program.setWorkingDirectory(place.dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(MARVEK2_PROGRAM), {QStringLiteral("--port"), module.slavePath()});
    QVERIFY(program.waitForStarted());
    // Started when it has listened to the module's port at least once.
    QTest::qWait(1500);
    ::kill(pid_t(program.processId()), signalNumber);
    QTRY_COMPARE_WITH_TIMEOUT(program.state(), QProcess::NotRunning, 10000);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(ReadTextFile(place.path("Info_A.ini")).lines.size(), 44);
    QCOMPARE(ReadTextFile(place.path("Config_A.ini")).lines.size(), 18);
}

void TestMainWindow::helpWithoutADisplay_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output"); // on standard output (help) or error (mistake)
    QTest::newRow("--help") << QStringList{"--help"} << 0 << QByteArray("--port");
    QTest::newRow("--help names the program")
        << QStringList{"--help"} << 0 << QByteArray("Usage: marvek2 [options]");
    QTest::newRow("unknown option") << QStringList{"--no-such"} << 1 << QByteArray("no-such");
}

void TestMainWindow::helpWithoutADisplay() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(MARVEK2_PROGRAM), args);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QByteArray text =
        exitCode == 0 ? program.readAllStandardOutput() : program.readAllStandardError();
    QVERIFY2(text.contains(output), text.constData());
}

void TestMainWindow::fastTransfersIsAProgramOption() {
    Workplace place;
    const QString path = place.path(kOptionsFileName);
    StartOptions options;
    options.workingDirectory = place.dir.path();
    {
        TfmMain window(options);
        QVERIFY(!window.findChild<QWidget*>(QStringLiteral("cb_FastTransfers")));
        auto* item = control<QAction>(&window, "FastTransfersItem");
        QCOMPARE(item->text(), QStringLiteral("Быстрый обмен"));
        QVERIFY(!item->isChecked());
        QVERIFY(!window.engine().fastTransfers());
        QVERIFY(!QFile::exists(path)); // no file yet: off, nothing written
        item->trigger();
        QVERIFY(window.engine().fastTransfers());
        QCOMPARE(ReadOptionsFile(path).options.fastTransfers, true);
    }
    // The next start finds the choice again, and a late-answer window set in the file by hand,
    // which the option's next change keeps.
    ProgramOptions edited = ReadOptionsFile(path).options;
    edited.lateAnswerWindowMs = 400;
    QCOMPARE(WriteOptionsFile(path, edited), QString());
    TfmMain window(options);
    QCOMPARE(window.engine().lateAnswerWindowMs(), 400);
    QVERIFY(window.engine().fastTransfers());
    auto* item = control<QAction>(&window, "FastTransfersItem");
    QVERIFY(item->isChecked());
    item->trigger();
    QVERIFY(!window.engine().fastTransfers());
    QCOMPARE(ReadOptionsFile(path).options.fastTransfers, false);
    QCOMPARE(ReadOptionsFile(path).options.lateAnswerWindowMs, 400);
}

void TestMainWindow::transferProgressEndAndCancel_data() {
    QTest::addColumn<bool>("write");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("read") << false << false;
    QTest::newRow("write") << true << false;
    QTest::newRow("read cancelled") << false << true;
    QTest::newRow("write cancelled") << true << true;
}

// The operation line names the transfer and counts its cells, says how it ended, and Esc cancels:
// a read leaves the table as it was, a write names the cells the module now holds.
void TestMainWindow::transferProgressEndAndCancel() {
    QFETCH(bool, write);
    QFETCH(bool, cancel);
    Rig rig;
    rig.connectModule();
    QTRY_VERIFY_WITH_TIMEOUT(rig.identified(), 5000);
    auto* tables = control<TablesPage>(rig.window.get(), "Panel_3D");
    auto* line = control<QLabel>(rig.window.get(), "Lbl_Operation");
    QCOMPARE(line->text(), QStringLiteral("Настройки модуля Marvek-2 прочитаны"));
    const QByteArray before = rig.module.module().eeprom();
    QStringList written;
    for (int i = 0; i < kTableCells; ++i)
        written << QString::number(1.0 + i * 0.2, 'f', 1);
    // The table of a file, say, that a read would replace.
    tables->tables().loadCells(TableKind::Water, QStringList(written.rbegin(), written.rend()));
    const QStringList cellsBefore = tables->tables().data(TableKind::Water).cells();
    if (write) {
        // Replacing the module's data asks first; "No" sends nothing.
        auto* settings = control<SettingsPage>(rig.window.get(), "spnl_2012_Setting");
        settings->askConfirmation = [](const QString&) { return false; };
        const qsizetype sent = rig.module.module().receivedCommands().size();
        control<QToolButton>(rig.window.get(), "ssb_EEPROM_SaveToModule")->click();
        QVERIFY(!rig.window->engine().anyEnabled());
        QCOMPARE(rig.module.module().receivedCommands().size(), sent);
        tables->tables().loadCells(TableKind::Water, written);
        tables->atb_Water_InClick();
        tables->sbtn_OK_Water_InClick();
    } else {
        tables->atb_Water_OutClick();
    }
    const QString name =
        write ? QStringLiteral("Запись таблицы воды") : QStringLiteral("Чтение таблицы воды");
    const QRegularExpression progress(QRegularExpression::escape(name) +
                                      QStringLiteral(": (\\d+) из 64 \\(\\d+ %\\)"));
    QTRY_VERIFY_WITH_TIMEOUT(progress.match(line->text()).captured(1).toInt() >= 3, 10000);
    if (!cancel) {
        QTRY_COMPARE_WITH_TIMEOUT(line->text(),
                                  write ? QStringLiteral("Таблица воды записана и проверена: 64 "
                                                         "ячейки")
                                        : QStringLiteral("Таблица воды прочитана: 64 ячейки"),
                                  20000);
        QVERIFY(!control<QToolButton>(rig.window.get(), "btn_Operation_Cancel")->isVisible());
        return;
    }
    QVERIFY(control<QToolButton>(rig.window.get(), "btn_Operation_Cancel")->isVisible());
    rig.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
    QTest::keyClick(rig.window.get(), Qt::Key_Escape);
    QTRY_VERIFY(!rig.window->interfaceLocked());
    const QByteArray after = rig.module.module().eeprom();
    if (!write) {
        QCOMPARE(line->text(), QStringLiteral("Чтение таблицы воды отменено, ничего не изменено"));
        QCOMPARE(tables->tables().data(TableKind::Water).cells(), cellsBefore);
        QCOMPARE(after, before);
        return;
    }
    const QRegularExpressionMatch report =
        QRegularExpression(QStringLiteral("^Запись таблицы воды отменена: в модуле записаны "
                                          "ячейки (1–)?(\\d+) из 64 \\(по строкам"))
            .match(line->text());
    QVERIFY2(report.hasMatch(), qPrintable(line->text()));
    const int count = report.captured(2).toInt();
    QVERIFY(count >= 3 && count < kTableCells);
    for (int i = 0; i < kTableCells; ++i) {
        const int at =
            CellEepromAddress(TableKind::Water, i % kTableColumns + 1, i / kTableColumns + 1);
        const int expected = i < count ? EncodeCell(written.at(i).toDouble()) : quint8(before[at]);
        QVERIFY2(quint8(after[at]) == expected, qPrintable(QString::number(i + 1)));
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
