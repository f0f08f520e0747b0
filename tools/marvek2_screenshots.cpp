// Takes screenshots of the main window against the simulated module, for looking at what the
// window shows: run under a real (virtual) X server, e.g.
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/tests/ui/marvek2_screenshots OUT_DIR
// Each picture is the screen with the window on it, named after what it shows.
#include "main_window.h"
#include "pty_module.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cstdio>

namespace {

QString g_outDir;

void shoot(TfmMain& window, const char* name) {
    QTest::qWait(300);
    QApplication::processEvents();
    const QPixmap picture = window.screen()->grabWindow(0);
    const QString path = QDir(g_outDir).filePath(QLatin1String(name) + QStringLiteral(".png"));
    std::printf("%s %s\n", qPrintable(path), picture.save(path) ? "saved" : "NOT SAVED");
}

template <typename T> T* control(QObject* window, const char* name) {
    T* found = window->findChild<T*>(QLatin1String(name));
    if (!found)
        std::fprintf(stderr, "no control %s\n", name);
    return found;
}

QString bottomName(TfmMain& w) {
    return control<QWidget>(&w, "StatusBar_Bottom_Panel0")->property("text").toString();
}

bool identified(TfmMain& w) {
    return QTest::qWaitFor([&] { return bottomName(w).contains(QLatin1String("Marvek-2")); },
                           15000);
}

void click(TfmMain& w, const char* name) {
    control<QToolButton>(&w, name)->click();
    QApplication::processEvents();
}

// A module with or without the water pressure channel; language as given.
struct Session {
    explicit Session(int flags00, const QString& dir) {
        module.start();
        module.module().state().setEeprom(0x00, quint8(flags00));
        StartOptions options;
        options.workingDirectory = dir;
        options.port = module.slavePath();
        options.intervalScale = 0.5;
        window = std::make_unique<TfmMain>(options);
        window->resize(1280, 800);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qWarning("the window was not shown; the pictures may be empty");
    }
    sim::PtyModule module;
    std::unique_ptr<TfmMain> window;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    g_outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir work;
    QDir().mkpath(work.filePath(QStringLiteral("Language")));
    for (const QString& f : QDir(QStringLiteral(MARVEK2_LANGUAGE_DIR)).entryList(QDir::Files))
        QFile::copy(QStringLiteral(MARVEK2_LANGUAGE_DIR "/") + f,
                    work.filePath(QStringLiteral("Language/") + f));

    {
        // The water pressure channel absent (bit 0 of EEPROM-00 = 0), then a recording: the
        // bottom axis in seconds, "Среднее" pressed (so "Норма" in front).
        Session s(0x88, work.path());
        TfmMain& w = *s.window;
        click(w, "atb_2012_B_ModuleOn");
        if (!identified(w))
            std::fprintf(stderr, "not identified\n");
        click(w, "atb_2012_Graph");
        shoot(w, "fix10_6_water_pressure_absent");
        click(w, "atb_RT_TCNorma");
        click(w, "atb_RT_TCAverage");
        click(w, "atb_Chart1_Start");
        QTest::qWait(3000);
        click(w, "atb_Chart1_Stop");
        shoot(w, "fix10_13_14_averaging_and_time_axis");
        click(w, "atb_Chart1_Delete");
        shoot(w, "fix10_15_colour_buttons_after_last_tab");

        // The port lost, then a module connected again on another port: no red alarm left.
        s.module.unplug();
        QTest::qWait(1500);
        shoot(w, "fix10_3a_port_lost");
        sim::PtyModule second;
        second.start();
        auto* box = control<QComboBox>(&w, "scb_COM_port");
        box->setEnabled(true);
        box->lineEdit()->setText(second.slavePath());
        QMetaObject::invokeMethod(box->lineEdit(), "returnPressed");
        QApplication::processEvents();
        click(w, "atb_2012_B_ModuleOn");
        if (!identified(w))
            std::fprintf(stderr, "second module not identified\n");
        QTest::qWait(500);
        shoot(w, "fix10_3b_reconnected_alarm_cleared");
        click(w, "atb_2012_B_ModuleOff");
    }
    {
        Session s(0x89, work.path());
        TfmMain& w = *s.window;
        click(w, "atb_2012_B_ModuleOn");
        if (!identified(w))
            std::fprintf(stderr, "not identified\n");
        click(w, "atb_2012_Graph");
        shoot(w, "fix10_6_water_pressure_present");
        click(w, "atb_2012_B_ModuleOff");
    }
    return 0;
}
