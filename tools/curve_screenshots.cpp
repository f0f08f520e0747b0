// Pictures of the curve page for review: the program on a simulated module at 1280 x 800, with an
// arc proposal drawn and with the live operating-point trail running, in Russian and English.
// Run under a real X server: xvfb-run -a -s "-screen 0 1280x1024x24" curve_screenshots OUTDIR
#include "curve_features.h"
#include "emulator_page.h"
#include "main_window.h"
#include "pty_module.h"
#include "transaction_engine.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <qcustomplot.h>

#include <cmath>
#include <functional>

namespace {

template <typename T> T* control(QObject* root, const char* name) {
    T* found = root->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

bool waitFor(const std::function<bool()>& condition, int ms) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(50);
    }
    return true;
}

void save(QWidget* window, const QString& path) {
    QTest::qWait(300);
    if (!window->grab().save(path))
        qFatal("cannot write %s", qPrintable(path));
    qInfo("%s", qPrintable(path));
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);

    QTemporaryDir place;
    QDir().mkpath(place.filePath(QStringLiteral("Language")));
    for (const QString& f : QDir(QStringLiteral(MARVEK2_LANGUAGE_DIR)).entryList(QDir::Files))
        QFile::copy(QStringLiteral(MARVEK2_LANGUAGE_DIR "/") + f,
                    place.filePath(QStringLiteral("Language/") + f));

    sim::PtyModule module;
    if (!module.start())
        qFatal("the simulator did not start");
    QByteArray image = module.module().eeprom();
    for (int i = 0; i < curve::kPointCount; ++i) {
        // A MAF curve with a steep start, saturated at 5 V from point 55 on.
        const double v =
            i <= 55 ? 0.4 + 4.6 * (1 - std::exp(-i / 14.0)) / (1 - std::exp(-55 / 14.0)) : 5.0;
        image[curve::kFirstAddress + i] =
            char(qMin(curve::EncodeVolts(v) + (i % 5 == 2 ? 3 : 0), 250));
    }
    module.module().setEeprom(image);
    // The operating point wanders along the curve, a little off it, as on a running engine.
    module.module().setEngineEnabled(false);
    QTimer engine;
    double t = 0;
    QObject::connect(&engine, &QTimer::timeout, &module, [&] {
        t += 0.25;
        const double x = 30 + 12 * std::sin(t * 0.7) + 3 * std::sin(t * 2.3);
        const double u = 0.4 + 4.2 * (1 - std::exp(-x / 14.0)) / (1 - std::exp(-52 / 14.0)) +
                         0.12 * std::sin(t * 3.1);
        sim::ModuleState& state = module.module().state();
        state.setRegWord(0x47, quint16(x * 64));
        state.setRegWord(0xAA, quint16(u * 200));
        state.setReg(0x32, quint8(20 + 15 * x / 64));
    });
    engine.start(150);

    StartOptions options;
    options.workingDirectory = place.path();
    options.port = module.slavePath();
    options.intervalScale = 0.3;
    TfmMain window(options);
    window.resize(1280, 800);
    window.show();
    QTest::qWait(300);

    control<QToolButton>(&window, "atb_2012_B_ModuleOn")->click();
    QDialog* notice = nullptr;
    if (!waitFor(
            [&] {
                for (QDialog* d : window.findChildren<QDialog*>()) {
                    if (d->isVisible())
                        notice = d;
                }
                return notice != nullptr;
            },
            30000))
        qFatal("the module was not identified");
    notice->accept();
    QTest::qWait(300);

    control<QToolButton>(&window, "atb_2012_Emulator")->click();
    auto* page = control<EmulatorPage>(&window, "Panel_Emu");
    control<QToolButton>(&window, "atb_Emu_In_2")->click();
    QTest::qWait(200);
    if (!waitFor([&] { return !window.engine().anyEnabled(); }, 60000))
        qFatal("the curve was not read");

    auto* languages = control<QComboBox>(&window, "scbx_LangDriver");
    for (const char* language : {"Russian", "English"}) {
        languages->setCurrentIndex(languages->findText(QLatin1String(language)));
        emit languages->activated(languages->currentIndex());
        const QString suffix = QLatin1String(language) == QLatin1String("Russian")
                                   ? QStringLiteral("ru")
                                   : QStringLiteral("en");
        // A right click on point 30 proposes the arcs; accepting them keeps the saturated end.
        QCustomPlot* chart = page->chart();
        chart->replot();
        const double y = chart->yAxis->coordToPixel(chart->graph(0)->data()->at(30)->value);
        QTest::mousePress(chart, Qt::RightButton, {},
                          QPoint(int(chart->xAxis->coordToPixel(30)), int(y)));
        QTest::mouseRelease(chart, Qt::RightButton, {},
                            QPoint(int(chart->xAxis->coordToPixel(30)), int(y)));
        save(&window, out + QStringLiteral("/curve_arc_%1.png").arg(suffix));
        control<QToolButton>(&window, "atb_Accept_Interpolation_MAF")->click();
        save(&window, out + QStringLiteral("/curve_accept_%1.png").arg(suffix));

        control<QToolButton>(&window, "Btn_YellowPoints")->click();
        QTest::qWait(4000);
        save(&window, out + QStringLiteral("/curve_overlay_%1.png").arg(suffix));
        control<QToolButton>(&window, "Btn_YellowPoints_Stop")->click();
        QTest::qWait(300);
    }
    return 0;
}
