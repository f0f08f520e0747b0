// Pictures of the curve page for review: the program on a simulated module at 1280 x 800, with an
// arc proposal drawn and with the live operating-point trail running, in Russian and English.
// Run under a real X server: xvfb-run -a -s "-screen 0 1280x1024x24" curve_screenshots OUTDIR
#include "curve_features.h"
#include "emulator_page.h"
#include "pty_module.h"
#include "screenshot_rig.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <qcustomplot.h>

#include <cmath>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const ScreenshotRig rig(argc, argv);

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

    const auto owned = rig.openWindow(module.slavePath(), 0.3);
    TfmMain& window = *owned;
    ConnectModule(window);

    EmulatorPage* page = ReadCurve(window);

    for (const QString& language : {QStringLiteral("Russian"), QStringLiteral("English")}) {
        ChooseLanguage(window, language);
        const QString tag = LanguageTag(language);
        // A right click on point 30 proposes the arcs; accepting them keeps the saturated end.
        QCustomPlot* chart = page->chart();
        chart->replot();
        const QPoint at(int(chart->xAxis->coordToPixel(30)),
                        int(chart->yAxis->coordToPixel(chart->graph(0)->data()->at(30)->value)));
        QTest::mousePress(chart, Qt::RightButton, {}, at);
        QTest::mouseRelease(chart, Qt::RightButton, {}, at);
        rig.shoot(window, QStringLiteral("curve_arc_") + tag);
        Click(&window, "atb_Accept_Interpolation_MAF");
        rig.shoot(window, QStringLiteral("curve_accept_") + tag);

        Click(&window, "Btn_YellowPoints");
        QTest::qWait(4000);
        rig.shoot(window, QStringLiteral("curve_overlay_") + tag);
        Click(&window, "Btn_YellowPoints_Stop");
        QTest::qWait(300);
    }
    return 0;
}
