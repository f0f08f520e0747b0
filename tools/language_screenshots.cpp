// Pictures of every page and tab at 1280 x 800 in each installed language, with a simulated
// module connected, for looking at what the user reads (not a test): run under an X server, e.g.
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/tests/ui/language_screenshots OUT_DIR
// Each picture is named lang_<language>_<page>[_<tab>].png.
#include "main_window.h"
#include "pty_module.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cstdio>

namespace {

QString g_outDir;

void shoot(TfmMain& window, const QString& name) {
    QTest::qWait(200);
    const QString path = QDir(g_outDir).filePath(name + QStringLiteral(".png"));
    std::printf("%s %s\n", qPrintable(path), window.grab().save(path) ? "saved" : "NOT SAVED");
}

void click(TfmMain& w, const char* name) {
    if (auto* b = w.findChild<QToolButton*>(QLatin1String(name)))
        b->click();
    QApplication::processEvents();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    g_outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir work;
    QDir().mkpath(work.filePath(QStringLiteral("Language")));
    for (const QString& f : QDir(QStringLiteral(MARVEK2_LANGUAGE_DIR)).entryList(QDir::Files))
        QFile::copy(QStringLiteral(MARVEK2_LANGUAGE_DIR "/") + f,
                    work.filePath(QStringLiteral("Language/") + f));

    sim::PtyModule module;
    module.start();
    StartOptions options;
    options.workingDirectory = work.path();
    options.port = module.slavePath();
    options.intervalScale = 0.5;
    TfmMain window(options);
    window.resize(1280, 800);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "window not exposed\n");
    click(window, "atb_2012_B_ModuleOn");
    auto* bottom = window.findChild<QLabel*>(QStringLiteral("StatusBar_Bottom_Panel0"));
    if (!QTest::qWaitFor([&] { return bottom->text().contains(QLatin1String("Marvek-2")); }, 15000))
        std::fprintf(stderr, "module not identified\n");
    QTest::qWait(3500); // the connection notice closes itself

    // A short recording of the simulated engine, laid over the tables ("Данные записи").
    click(window, "atb_2012_Graph");
    click(window, "atb_Chart1_Start");
    QTest::qWait(15000);
    click(window, "atb_Chart1_Stop");
    if (auto* recordData = window.findChild<QCheckBox*>(QStringLiteral("cb_Record_Data")))
        recordData->setChecked(true);

    const struct {
        const char* button;
        const char* name;
    } pages[] = {{"atb_2012_Graph", "chart"},       {"atb_2012_Emulator", "curve"},
                 {"atb_2012_Water", "water"},       {"atb_2012_Fuel", "fuel"},
                 {"atb_2012_Settings", "settings"}, {"atb_2012_Shablon", "template"},
                 {"atb_2012_Ingener", "engineer"},  {"atb_2012_Protocol", "journal"}};
    auto* languages = window.findChild<QComboBox*>(QStringLiteral("scbx_LangDriver"));
    auto* stack = window.findChild<QStackedWidget*>(QStringLiteral("Panel_WorkArea"));
    for (const QString& language : {QStringLiteral("Russian"), QStringLiteral("English")}) {
        languages->setCurrentIndex(languages->findText(language));
        emit languages->activated(languages->currentIndex());
        for (const auto& page : pages) {
            click(window, page.button);
            const QString stem =
                QStringLiteral("lang_%1_%2").arg(language, QLatin1String(page.name));
            shoot(window, stem);
            if (QLatin1String(page.name) != QLatin1String("settings"))
                continue;
            auto* tabs =
                stack->currentWidget()->findChild<QTabWidget*>(QStringLiteral("spc_Tuning"));
            for (int i = 1; tabs && i < tabs->count(); ++i) {
                tabs->setCurrentIndex(i);
                shoot(window, stem + QStringLiteral("_tab%1").arg(i + 1));
            }
            if (tabs)
                tabs->setCurrentIndex(0);
        }
        // A table read in progress, with its name and count beside the bar, then its end.
        click(window, "atb_2012_Water");
        click(window, "atb_Water_Out");
        QTest::qWait(900);
        shoot(window, QStringLiteral("lang_%1_water_reading").arg(language));
        if (!QTest::qWaitFor([&] { return !window.interfaceLocked(); }, 20000))
            std::fprintf(stderr, "the table read did not end\n");
        shoot(window, QStringLiteral("lang_%1_water_read").arg(language));
        // The link check after a short run.
        window.findChild<QAction*>(QStringLiteral("LinkCheckItem"))->trigger();
        auto* check = window.findChild<QWidget*>(QStringLiteral("fmLinkCheck"));
        auto* start = check->findChild<QAbstractButton*>(QStringLiteral("btn_LinkCheck_Start"));
        start->click();
        if (!QTest::qWaitFor([&] { return start->isEnabled(); }, 60000))
            std::fprintf(stderr, "the link check did not end\n");
        QTest::qWait(300);
        const QString path =
            QDir(g_outDir).filePath(QStringLiteral("lang_%1_link_check.png").arg(language));
        std::printf("%s %s\n", qPrintable(path), check->grab().save(path) ? "saved" : "NOT SAVED");
        check->close();
    }
    click(window, "atb_2012_B_ModuleOff");
    return 0;
}
