// Range operations and pastes as the grids' keys run them: on all 64 cells of the table page
// (view refresh and surface redraw included) and on all 64 points of the curve page (grid and
// chart refresh included), with the undo step they leave. Needs a display for the surface view
// (xvfb-run).
#include "bench_stats.h"
#include "curve_features.h"
#include "curve_grid_tools.h"
#include "curve_range_ops.h"
#include "emulator_page.h"
#include "module_settings.h"
#include "pty_rig.h"
#include "settings_features.h"
#include "table_grid_tools.h"
#include "table_range_ops.h"
#include "tables_page.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableWidget>

#include <cstdio>
#include <functional>

namespace {

constexpr int kRounds = 200;

// Runs body kRounds times. The first figure is the operation with the models' and the grids'
// update (what the key press costs before the window paints); the second adds the event loop's
// turn that paints the window, the surface view included.
struct Samples {
    std::vector<double> update;
    std::vector<double> painted;
};

Samples measure(const std::function<void(int)>& body) {
    Samples out;
    QElapsedTimer clock;
    for (int i = 0; i < kRounds; ++i) {
        clock.start();
        body(i);
        out.update.push_back(double(clock.nsecsElapsed()) / 1000.0);
        QCoreApplication::processEvents();
        out.painted.push_back(double(clock.nsecsElapsed()) / 1000.0);
    }
    return out;
}

void print(const char* what, const Samples& samples) {
    printPercentiles(what, samples.update, "us");
    printPercentiles("    ... and painted", samples.painted, "us");
}

QString block(const DecimalFormat& format, int rows, int columns, int round) {
    QString text;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                text += QLatin1Char('\t');
            text += format.format(1 + 0.01 * ((r * columns + c + round) % 300));
        }
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    PtyRig rig;
    ModuleSettingsModel settingsModel;
    SettingsFeatures settings{rig.engine, settingsModel};

    TablesPage tablesPage(rig.engine, settings);
    tablesPage.resize(1100, 700);
    tablesPage.show();
    tablesPage.btn_WaterClick();
    QCoreApplication::processEvents();
    InjectionTables& tables = tablesPage.tables();
    const CellRange all{1, 1, kTableColumns, kTableRows};

    {
        InjectionTables bare;
        bare.setUp(CorrectionBasis::InjectionTime);
        bare.refresh(TableKind::Water);
        std::printf("table model alone (no page):\n");
        print("  add +/-0.1 to all 64 cells", measure([&](int i) {
                  ApplyRange(bare, all, RangeOperation::Add, i % 2 ? -0.1 : 0.1);
              }));
    }
    std::printf("table page, 64 cells, view refresh and surface redraw included:\n");
    print("  add +/-0.1 to all 64 cells", measure([&](int i) {
              ApplyRange(tables, all, RangeOperation::Add, i % 2 ? -0.1 : 0.1);
          }));
    print("  smooth all 64 cells",
          measure([&](int) { ApplyRange(tables, all, RangeOperation::Smooth, 0); }));
    print("  bilinear fill of all 64 cells",
          measure([&](int) { ApplyRange(tables, all, RangeOperation::InterpolateBilinear, 0); }));
    print("  paste an 8 x 8 block",
          measure([&](int i) { PasteRange(tables, all, block(tables.format(), 8, 8, i)); }));
    tables.chooseUnit(TableUnit::Percent);
    print("  scale 64 cells by 101 % in percent", measure([&](int i) {
              ApplyRange(tables, all, RangeOperation::Scale, i % 2 ? 99 : 101);
          }));

    tables.chooseUnit(TableUnit::Absolute);
    TableGridTools* tableTools = tablesPage.gridTools();
    print("  live cell update per poll tick (mark and trail)", measure([&](int i) {
              tableTools->showLive(700 + 47.0 * (i % 200), 0.1 + 0.3 * (i % 70), 2);
          }));

    curve::CurveFeatures features{rig.engine};
    EmulatorPage curvePage(features);
    curvePage.resize(1100, 700);
    curvePage.show();
    QCoreApplication::processEvents();
    curve::CurveModel& model = features.model();
    CurveGridTools* tools = curvePage.gridTools();
    const curve::PointRange points{0, curve::kPointCount - 1};

    std::printf("curve page, 64 points, grid and chart refresh and the undo step included:\n");
    print("  add +/-0.1 to all 64 points", measure([&](int i) {
              curve::ApplyPoints(model, points, curve::PointOperation::Add, i % 2 ? -0.1 : 0.1);
              tools->settleUndo();
          }));
    print("  smooth all 64 points", measure([&](int) {
              curve::ApplyPoints(model, points, curve::PointOperation::Smooth, 0);
              tools->settleUndo();
          }));
    print("  paste a 64-value column", measure([&](int i) {
              curve::PastePoints(model, points, block(model.format(), 64, 1, i));
              tools->settleUndo();
          }));
    print("  undo then redo one step", measure([&](int) {
              tools->undoStack().undo();
              tools->undoStack().redo();
          }));
    return 0;
}
