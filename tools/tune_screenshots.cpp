// Pictures of the tuning tools for review: the grids' context menus over a selection and the
// compare marks, on a simulated module at 1280 x 800, in Russian and English.
// Run under a real X server: xvfb-run -a -s "-screen 0 1280x1024x24" tune_screenshots OUTDIR
#include "curve_features.h"
#include "curve_file.h"
#include "curve_grid_tools.h"
#include "emulator_page.h"
#include "pty_module.h"
#include "recording_chart.h"
#include "screenshot_rig.h"
#include "table_file.h"
#include "table_grid_tools.h"
#include "tables_page.h"
#include "transaction_engine.h"

#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <cmath>

namespace {

// The window with a context menu opened at a point of a grid drawn into it.
QPixmap withMenu(QWidget* window, QTableWidget* grid, QMenu* menu, const QPoint& atGrid) {
    QTest::qWait(200);
    QPixmap picture = window->grab();
    const QPoint at = grid->viewport()->mapTo(window, atGrid);
    menu->popup(grid->viewport()->mapToGlobal(atGrid));
    QTest::qWait(300);
    const QPixmap menuPicture = menu->grab();
    menu->hide();
    QPainter painter(&picture);
    painter.drawPixmap(at, menuPicture);
    painter.setPen(QColor(80, 80, 80));
    painter.drawRect(QRect(at, menuPicture.size()).adjusted(0, 0, -1, -1));
    return picture;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const ScreenshotRig rig(argc, argv);

    sim::PtyModule module;
    if (!module.start())
        qFatal("the simulator did not start");
    QByteArray image = module.module().eeprom();
    for (int i = 0; i < curve::kPointCount; ++i) {
        const double v = i <= 52
                             ? 0.4 + 4.2 * (1 - std::exp(-i / 14.0)) / (1 - std::exp(-52 / 14.0))
                             : 4.6 - 0.02 * (i - 52);
        image[curve::kFirstAddress + i] = char(curve::EncodeVolts(v));
    }
    // Both tables: a plausible rise with load and speed (0,1 ms units).
    for (int a = 0x80; a <= 0xFF; ++a)
        image[a] = char(8 + ((a >> 4) - 8) * 14 + (a & 0x7) * 5);
    module.module().setEeprom(image);
    module.module().setEngineEnabled(false);

    const auto owned = rig.openWindow(module.slavePath(), 0.3);
    TfmMain& window = *owned;
    ConnectModule(window);

    EmulatorPage* page = ReadCurve(window);

    auto* grid = Control<QTableWidget>(&window, "sgrid_Emu");
    CurveGridTools* tools = page->gridTools();
    for (const QString& language : {QStringLiteral("Russian"), QStringLiteral("English")}) {
        ChooseLanguage(window, language);
        const QString suffix = LanguageTag(language);
        // A selection of points 8..15 and the menu over it.
        grid->setFocus();
        grid->scrollToTop();
        grid->setCurrentCell(8, 1);
        grid->setRangeSelected(QTableWidgetSelectionRange(8, 1, 15, 1), true);
        const QRect cell = grid->visualItemRect(grid->item(12, 1));
        rig.save(withMenu(&window, grid, tools->contextMenu(), cell.center()),
                 QStringLiteral("tune_curve_menu_") + suffix);

        // The same points compared with a file where a few differ.
        QTemporaryDir dir;
        QStringList reference;
        for (int i = 0; i < curve::kPointCount; ++i)
            reference << grid->item(i, 1)->text();
        for (int i : {3, 9, 10, 11, 20})
            reference[i] = QStringLiteral("2");
        const QString path = dir.filePath(QStringLiteral("refEmu.txt"));
        curve::WriteCurveFile(path, reference);
        tools->askReferenceFile = [&] { return path; };
        tools->run(GridTools::Command::CompareFile);
        grid->clearSelection();
        QTest::qWait(300);
        rig.save(window.grab(), QStringLiteral("tune_curve_compare_") + suffix);
        tools->run(GridTools::Command::CompareOff);
    }

    // The water table: read, a selection with the menu, a compare, the history, the live cell.
    Click(&window, "atb_2012_Water");
    auto* tablesPage = Control<TablesPage>(&window, "Panel_3D");
    Click(&window, "atb_Water_Out");
    QTest::qWait(200);
    if (!QTest::qWaitFor([&] { return !window.engine().anyEnabled(); }, 90000))
        qFatal("the table was not read");
    QTableWidget* table = tablesPage->sgrid_Table_3D;
    TableGridTools* tableTools = tablesPage->gridTools();
    for (const QString& language : {QStringLiteral("Russian"), QStringLiteral("English")}) {
        ChooseLanguage(window, language);
        const QString suffix = LanguageTag(language);
        table->setFocus();
        table->setCurrentCell(2, 2);
        table->setRangeSelected(QTableWidgetSelectionRange(2, 2, 5, 5), true);
        rig.save(withMenu(&window, table, tableTools->contextMenu(),
                          table->visualItemRect(table->item(4, 4)).center()),
                 QStringLiteral("tune_table_menu_") + suffix);
        // A range operation on the selection (x 150 %): the surface follows the table.
        tableTools->askValue = [](auto&, auto&) { return std::optional<QString>("150"); };
        tableTools->run(GridTools::Command::Scale);
        QTest::qWait(300);
        rig.save(window.grab(), QStringLiteral("tune_table_range_") + suffix);
        tableTools->run(GridTools::Command::Undo);
        table->clearSelection();

        QTemporaryDir dir;
        QStringList reference = tablesPage->tables().data(TableKind::Water).cells();
        for (int i : {10, 11, 19, 44})
            reference[i] = QStringLiteral("9,9");
        const QString path = dir.filePath(QStringLiteral("refMAF.txt"));
        WriteTableFile(path, reference);
        tableTools->askReferenceFile = [&] { return path; };
        tableTools->run(GridTools::Command::CompareFile);
        QTest::qWait(300);
        rig.save(window.grab(), QStringLiteral("tune_table_compare_") + suffix);
        tableTools->run(GridTools::Command::CompareOff);

        tableTools->run(GridTools::Command::History);
        QTest::qWait(300);
        QPixmap picture = window.grab();
        {
            QPainter painter(&picture);
            const QPixmap dialog = tableTools->historyWindow()->grab();
            painter.drawPixmap(QPoint(420, 200), dialog);
            painter.setPen(QColor(80, 80, 80));
            painter.drawRect(QRect(QPoint(420, 200), dialog.size()).adjusted(0, 0, -1, -1));
        }
        tableTools->historyWindow()->hide();
        rig.save(picture, QStringLiteral("tune_table_history_") + suffix);
    }

    // The live poll runs: the engine's cell is marked on the water table.
    module.module().setEngineEnabled(true);
    Click(&window, "atb_2012_Graph");
    Click(&window, "atb_Chart1_Start");
    QTest::qWait(5000);
    Click(&window, "atb_2012_Water");
    QTest::qWait(2000);
    rig.save(window.grab(), QStringLiteral("tune_table_live_en"));

    // The recording zoomed with the wheel, the cursor line on a point and its values beside.
    Click(&window, "atb_2012_Graph");
    QTest::qWait(3000);
    auto* chart = window.findChild<RecordingChart*>();
    if (!chart)
        qFatal("no recording chart");
    chart->replot();
    const double middle = chart->xAxis->range().center();
    for (int i = 0; i < 3; ++i) {
        const QPointF at(chart->xAxis->coordToPixel(middle), chart->height() / 2.0);
        QWheelEvent wheel(at, chart->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart, &wheel);
        chart->replot();
    }
    const QPoint cursorAt(int(chart->xAxis->coordToPixel(middle)), chart->height() / 2);
    QTest::mouseClick(chart, Qt::LeftButton, {}, cursorAt);
    QTest::qWait(400);
    rig.save(window.grab(), QStringLiteral("tune_recording_zoom_en"));
    return 0;
}
