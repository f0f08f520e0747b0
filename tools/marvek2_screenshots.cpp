// Screenshots of the main window against the simulated module, for looking at what the window
// shows: run under a real (virtual) X server, e.g.
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/tools/marvek2_screenshots OUT_DIR
// Each picture is the screen with the window on it, named after what it shows.
#include "pty_module.h"
#include "screenshot_rig.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const ScreenshotRig rig(argc, argv);
    {
        // The water pressure channel absent (bit 0 of EEPROM-00 = 0), then a recording: the
        // bottom axis in seconds, "Среднее" pressed (so "Норма" in front).
        sim::PtyModule module;
        module.start();
        module.module().state().setEeprom(0x00, 0x88);
        const auto window = rig.openWindow(module.slavePath(), 0.5);
        TfmMain& w = *window;
        ConnectModule(w);
        Click(&w, "atb_2012_Graph");
        rig.shootScreen(w, QStringLiteral("fix10_6_water_pressure_absent"));
        Click(&w, "atb_RT_TCNorma");
        Click(&w, "atb_RT_TCAverage");
        Click(&w, "atb_Chart1_Start");
        QTest::qWait(3000);
        Click(&w, "atb_Chart1_Stop");
        rig.shootScreen(w, QStringLiteral("fix10_13_14_averaging_and_time_axis"));
        Click(&w, "atb_Chart1_Delete");
        rig.shootScreen(w, QStringLiteral("fix10_15_colour_buttons_after_last_tab"));

        // The port lost, then a module connected again on another port: no red alarm left.
        module.unplug();
        QTest::qWait(1500);
        rig.shootScreen(w, QStringLiteral("fix10_3a_port_lost"));
        sim::PtyModule second;
        second.start();
        auto* box = Control<QComboBox>(&w, "scb_COM_port");
        box->setEnabled(true);
        box->lineEdit()->setText(second.slavePath());
        QMetaObject::invokeMethod(box->lineEdit(), "returnPressed");
        QApplication::processEvents();
        ConnectModule(w);
        rig.shootScreen(w, QStringLiteral("fix10_3b_reconnected_alarm_cleared"));
        Click(&w, "atb_2012_B_ModuleOff");
    }
    {
        sim::PtyModule module;
        module.start();
        module.module().state().setEeprom(0x00, 0x89);
        const auto window = rig.openWindow(module.slavePath(), 0.5);
        ConnectModule(*window);
        Click(window.get(), "atb_2012_Graph");
        rig.shootScreen(*window, QStringLiteral("fix10_6_water_pressure_present"));
        Click(window.get(), "atb_2012_B_ModuleOff");
    }
    return 0;
}
