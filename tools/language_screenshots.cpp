// Pictures of every page and tab at 1280 x 800 in each installed language, with a simulated
// module connected, for looking at what the user reads: run under an X server, e.g.
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/tools/language_screenshots OUT_DIR
// Each picture is named lang_<language>_<page>[_<tab>].png.
#include "pty_module.h"
#include "screenshot_rig.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const ScreenshotRig rig(argc, argv);
    sim::PtyModule module;
    module.start();
    const auto owned = rig.openWindow(module.slavePath(), 0.5);
    TfmMain& window = *owned;
    ConnectModule(window);

    // A short recording of the simulated engine, laid over the tables ("Данные записи").
    Click(&window, "atb_2012_Graph");
    Click(&window, "atb_Chart1_Start");
    QTest::qWait(15000);
    Click(&window, "atb_Chart1_Stop");
    Control<QCheckBox>(&window, "cb_Record_Data")->setChecked(true);

    const struct {
        const char* button;
        const char* name;
    } pages[] = {{"atb_2012_Graph", "chart"},       {"atb_2012_Emulator", "curve"},
                 {"atb_2012_Water", "water"},       {"atb_2012_Fuel", "fuel"},
                 {"atb_2012_Settings", "settings"}, {"atb_2012_Shablon", "template"},
                 {"atb_2012_Ingener", "engineer"},  {"atb_2012_Protocol", "journal"}};
    auto* stack = Control<QStackedWidget>(&window, "Panel_WorkArea");
    for (const QString& language : {QStringLiteral("Russian"), QStringLiteral("English")}) {
        ChooseLanguage(window, language);
        for (const auto& page : pages) {
            Click(&window, page.button);
            const QString stem =
                QStringLiteral("lang_%1_%2").arg(language, QLatin1String(page.name));
            rig.shoot(window, stem);
            if (QLatin1String(page.name) != QLatin1String("settings"))
                continue;
            auto* tabs = Control<QTabWidget>(stack->currentWidget(), "spc_Tuning");
            for (int i = 1; i < tabs->count(); ++i) {
                tabs->setCurrentIndex(i);
                rig.shoot(window, stem + QStringLiteral("_tab%1").arg(i + 1));
            }
            tabs->setCurrentIndex(0);
        }
        // A table read in progress, with its name and count beside the bar, then its end.
        Click(&window, "atb_2012_Water");
        Click(&window, "atb_Water_Out");
        QTest::qWait(800);
        rig.shoot(window, QStringLiteral("lang_%1_water_reading").arg(language));
        if (!QTest::qWaitFor([&] { return !window.interfaceLocked(); }, 20000))
            std::fprintf(stderr, "the table read did not end\n");
        rig.shoot(window, QStringLiteral("lang_%1_water_read").arg(language));
        // The link check after a short run.
        Control<QAction>(&window, "LinkCheckItem")->trigger();
        auto* check = Control<QWidget>(&window, "fmLinkCheck");
        auto* start = Control<QAbstractButton>(check, "btn_LinkCheck_Start");
        start->click();
        if (!QTest::qWaitFor([&] { return start->isEnabled(); }, 60000))
            std::fprintf(stderr, "the link check did not end\n");
        rig.shoot(*check, QStringLiteral("lang_%1_link_check").arg(language));
        check->close();
    }
    Click(&window, "atb_2012_B_ModuleOff");
    return 0;
}
