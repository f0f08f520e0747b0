// "Данные записи" on a table view and its surface: colours where the recording was, figures in
// the hints, the table's values untouched; the map follows the chart window and the recording.
#include "decimal_format.h"
#include "record_map_panel.h"
#include "recording.h"
#include "surface_shades.h"
#include "surface_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include <cmath>

using namespace telemetry;

namespace {

// Samples 0.25 s apart: idle at 670 rpm and 0,1 ms, then at 2400 rpm and 9,6 ms (cell 6, 4).
SampleGrid drive(int idle, int busy) {
    SampleGrid grid;
    for (int i = 0; i < idle + busy; ++i) {
        SampleRow row{};
        row[kStepColumn] = 25.0 * i;
        row[ColumnOfSeries(SeriesOf(Channel::PVK))] = i < idle ? 67000 : 240000;
        row[ColumnOfSeries(SeriesOf(Channel::TVT))] = i < idle ? 10 : 960;
        row[ColumnOfSeries(SeriesOf(Channel::T))] = 8000 + 100 * i;
        grid.append(row);
    }
    return grid;
}

} // namespace

class RecordMapPanelTest : public QObject {
    Q_OBJECT
private slots:
    void overlayFollowsTheRecording();
};

void RecordMapPanelTest::overlayFollowsTheRecording() {
    QTableWidget grid(9, 9);
    for (int r = 0; r < 9; ++r)
        for (int c = 0; c < 9; ++c)
            grid.setItem(r, c, new QTableWidgetItem(QStringLiteral("2,5")));
    SurfaceView surface(nullptr, SurfaceRenderer::Painter);
    RecordMapPanel panel(&grid, &surface);
    RecordingArchive archive;
    panel.setArchive(&archive);
    Recording* recording = archive.create(QString(), Recording::Origin::File, drive(1, 3));

    QVERIFY(!panel.map());
    panel.cb_Record_Data->setChecked(true);
    QVERIFY(panel.map());
    QCOMPARE(panel.map()->at(6, 4).samples, 3);
    QCOMPARE(panel.cellHint(6, 4), QStringLiteral("Запись: %1 с, 75 % времени, отсчётов: 3")
                                       .arg(DecimalFormat().format(0.75)));
    QCOMPARE(panel.cellHint(2, 2), QStringLiteral("Двигатель в этой ячейке не работал"));
    // The quad between cells (5, 3) and (6, 4) takes the longest dwell's colour; a quad far from
    // both cells keeps its height colour.
    const QList<SurfaceQuad> quads = surface.scene().quads();
    QCOMPARE(quads.at(2 * 7 + 4).fill, surface_scene::ShadeColour(1));
    QCOMPARE(quads.at(6 * 7 + 6).fill, surface_scene::Quads(surface.scene().values()).at(48).fill);
    QCOMPARE(grid.item(4, 6)->text(), QStringLiteral("2,5"));

    // The mean of a channel: T rises 1 °C per sample, 81 … 83 in the busy cell.
    panel.cbx_Record_Value->setCurrentIndex(panel.cbx_Record_Value->findData(int(Channel::T)));
    QVERIFY(panel.cellHint(6, 4).endsWith(
        QStringLiteral("Температура, град. С: среднее 82, мин. 81, макс. 83")));

    // Only the samples above 81,5 °C; a value that is not a number shows no map at all.
    panel.cbx_Record_Condition->setCurrentIndex(
        panel.cbx_Record_Condition->findData(int(Channel::T)));
    panel.Ed_Record_Condition->setText(DecimalFormat().format(81.5));
    emit panel.Ed_Record_Condition->editingFinished();
    QCOMPARE(panel.map()->at(6, 4).samples, 2);
    QCOMPARE(panel.map()->at(6, 4).minimum, 82.0);
    panel.Ed_Record_Condition->setText(QStringLiteral("warm"));
    emit panel.Ed_Record_Condition->editingFinished();
    QVERIFY(!panel.map());
    QVERIFY(!surface.scene().cellShades());
    panel.cbx_Record_Condition->setCurrentIndex(0);

    // The chart window over the first two points; a new recording replaces the map.
    recording->setBottomWindow({false, 0, 1});
    QTRY_COMPARE(panel.map()->at(6, 4).samples, 1);
    archive.create(QString(), Recording::Origin::File, drive(5, 0));
    QCOMPARE(panel.map()->at(1, 1).samples, 5);
    QVERIFY(!panel.map()->at(6, 4).visited());

    archive.removeCurrent();
    archive.removeCurrent();
    QVERIFY(!panel.map());
    QVERIFY(!surface.scene().cellShades());
}

QTEST_MAIN(RecordMapPanelTest)
#include "tst_record_map_panel.moc"
