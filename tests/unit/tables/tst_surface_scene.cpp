#include "surface_scene.h"

#include <QTest>

using namespace surface_scene;

Q_DECLARE_METATYPE(SceneColour)
Q_DECLARE_METATYPE(CorrectionBasis)
Q_DECLARE_METATYPE(SurfaceViewTimes100)

namespace {

const SceneColour kBlue{0.1, 0.1, 1.0, 0.9};
const SceneColour kDarkRed{0.5, 0.1, 0.1, 0.9};
const SceneColour kMediumRed{0.75, 0.1, 0.1, 0.9};
const SceneColour kBrightRed{1.0, 0.1, 0.1, 0.9};

SurfaceValues Uniform(double value) {
    SurfaceValues v;
    v.fill(value);
    return v;
}

int CellIndex(int row, int column) {
    return 8 * (row - 1) + (column - 1);
}

bool Near(double a, double b) {
    return std::abs(a - b) < 1e-9;
}

// The remembered view keeps single precision.
bool SameView(const SurfaceViewState& a, const SurfaceViewState& b) {
    const double pairs[][2] = {{a.ry, b.ry},     {a.rx, b.rx},       {a.rz, b.rz},
                               {a.left, b.left}, {a.right, b.right}, {a.bottom, b.bottom},
                               {a.top, b.top},   {a.zNear, b.zNear}, {a.zFar, b.zFar}};
    for (const auto& p : pairs)
        if (std::abs(p[0] - p[1]) > 1e-6)
            return false;
    return true;
}

} // namespace

class TestSurfaceScene : public QObject {
    Q_OBJECT
private slots:
    void livePointOnSurface_data();
    void livePointOnSurface();
    void heights_data();
    void heights();
    void quadColours_data();
    void quadColours();
    void labels_data();
    void labels();
    void wallsLieInTheirPlanes();
    void zoomKeepsFrustumValid_data();
    void zoomKeepsFrustumValid();
    void storeTurnRestore_data();
    void storeTurnRestore();
    void resetKeepsZoom();
    void labelsGrowWithZoom();
    void neighbouringLabelsDoNotOverlap_data();
    void neighbouringLabelsDoNotOverlap();
    void dragRotatesFromPressPoint();
    void rememberedViewsTimes100_data();
    void rememberedViewsTimes100();
    void defaultViewShowsEverything_data();
    void defaultViewShowsEverything();
};

void TestSurfaceScene::heights_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("y");
    QTest::newRow("0 lies on the floor") << 0.0 << -1.0;
    QTest::newRow("0.01 just above it") << 0.01 << -0.99922;
    QTest::newRow("12.75") << 12.75 << -0.0055;
    QTest::newRow("25.5 reaches 0.989") << 25.5 << 0.989;
}

void TestSurfaceScene::livePointOnSurface_data() {
    QTest::addColumn<double>("column");
    QTest::addColumn<double>("row");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("z");
    QTest::addColumn<double>("milliseconds"); // the surface's value under the point
    // Row r, column c holds 10 r + c (row 3, column 5: 35; row 2, column 1: 21 ...).
    QTest::newRow("first cell") << 1.0 << 1.0 << 1.0 << -1.0 << 11.0;
    QTest::newRow("last cell") << 8.0 << 8.0 << -0.75 << 0.75 << 88.0;
    QTest::newRow("on a cell inside") << 5.0 << 3.0 << 0.5 << 0.0 << 35.0;
    QTest::newRow("between columns") << 2.5 << 1.0 << 1.0 << -0.625 << 12.5;
    QTest::newRow("between rows") << 1.0 << 7.25 << -0.5625 << -1.0 << 73.5;
    QTest::newRow("bilinear in a cell") << 3.5 << 4.5 << 0.125 << -0.375 << 48.5;
    QTest::newRow("held to the edges") << 12.0 << -3.0 << 1.0 << 0.75 << 18.0;
}

// The live marker sits on the surface where the grid marks the live cell.
void TestSurfaceScene::livePointOnSurface() {
    QFETCH(double, column);
    QFETCH(double, row);
    QFETCH(double, x);
    QFETCH(double, z);
    QFETCH(double, milliseconds);
    SurfaceValues values;
    for (int r = 1; r <= 8; ++r)
        for (int c = 1; c <= 8; ++c)
            values[CellIndex(r, c)] = 10 * r + c;
    const ScenePoint p = LivePoint(values, LiveCell{column, row});
    QVERIFY2(Near(p.x, x), qPrintable(QString::number(p.x)));
    QVERIFY2(Near(p.z, z), qPrintable(QString::number(p.z)));
    QVERIFY2(Near(p.y, HeightOf(milliseconds)), qPrintable(QString::number(p.y)));

    SurfaceScene scene;
    scene.setValues(values);
    scene.setLiveTrail({LiveCell{column, row}, LiveCell{1, 1}});
    const QList<ScenePoint> points = scene.livePoints();
    QCOMPARE(points.size(), 2);
    QCOMPARE(points.first(), p);
    QCOMPARE(points.last(), LivePoint(values, LiveCell{1, 1}));
}

// A cell's value lifts the four quad corners that meet at the cell.
void TestSurfaceScene::heights() {
    QFETCH(double, value);
    QFETCH(double, y);
    QVERIFY(Near(HeightOf(value), y));
    SurfaceValues values = Uniform(1.0);
    values[CellIndex(3, 5)] = value; // row 3, column 5: x 0.5, z 0
    const QList<SurfaceQuad> quads = Quads(values);
    QCOMPARE(quads.size(), 49);
    int corners = 0;
    for (const SurfaceQuad& q : quads)
        for (const ScenePoint& p : q.corners)
            if (Near(p.x, 0.5) && Near(p.z, 0.0)) {
                QVERIFY(Near(p.y, y));
                ++corners;
            }
    QCOMPARE(corners, 4);
}

void TestSurfaceScene::quadColours_data() {
    QTest::addColumn<double>("ground");
    QTest::addColumn<double>("hot");
    QTest::addColumn<int>("hotRow");
    QTest::addColumn<int>("hotColumn");
    QTest::addColumn<SceneColour>("groundColour");
    QTest::addColumn<SceneColour>("hotColour");
    QTest::addColumn<int>("hotQuads");
    // The colour follows the largest of a quad's four corners.
    QTest::newRow("all 0.01: flat dark red") << 0.01 << 0.01 << 1 << 1 << kDarkRed << kDarkRed << 1;
    QTest::newRow("all 0: blue") << 0.0 << 0.0 << 1 << 1 << kBlue << kBlue << 1;
    QTest::newRow("3.84 still dark red") << 0.01 << 3.84 << 4 << 4 << kDarkRed << kDarkRed << 4;
    QTest::newRow("3.85 medium red") << 0.01 << 3.85 << 4 << 4 << kDarkRed << kMediumRed << 4;
    QTest::newRow("8.97 medium red") << 0.01 << 8.97 << 8 << 3 << kDarkRed << kMediumRed << 2;
    QTest::newRow("8.98 bright red") << 0.01 << 8.98 << 8 << 8 << kDarkRed << kBrightRed << 1;
    QTest::newRow("25.5 corner cell") << 0.01 << 25.5 << 1 << 1 << kDarkRed << kBrightRed << 1;
    QTest::newRow("one cell 0.01 among zeros") << 0.0 << 0.01 << 2 << 7 << kBlue << kDarkRed << 4;
}

void TestSurfaceScene::quadColours() {
    QFETCH(double, ground);
    QFETCH(double, hot);
    QFETCH(int, hotRow);
    QFETCH(int, hotColumn);
    QFETCH(SceneColour, groundColour);
    QFETCH(SceneColour, hotColour);
    QFETCH(int, hotQuads);
    SurfaceValues values = Uniform(ground);
    values[CellIndex(hotRow, hotColumn)] = hot;
    const QList<SurfaceQuad> quads = Quads(values);
    int touching = 0;
    for (const SurfaceQuad& q : quads) {
        bool touches = false;
        for (const ScenePoint& p : q.corners)
            touches |= Near(p.x, RowX(hotRow)) && Near(p.z, ColumnZ(hotColumn));
        touching += touches;
        QCOMPARE(q.fill, touches ? hotColour : groundColour);
    }
    QCOMPARE(touching, hotQuads);
}

void TestSurfaceScene::labels_data() {
    QTest::addColumn<CorrectionBasis>("basis");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("injection time")
        << CorrectionBasis::InjectionTime
        << QStringList{"0,0", "3,2", "6,4", "9,6", "12,8", "16,0", "19,2", "22,4"};
    QTest::newRow("MAF voltage") << CorrectionBasis::Maf << QStringList{"0,0", "0,6", "1,3", "1,9",
                                                                        "2,5", "3,2", "3,8", "4,4"};
}

// Each label sits at the row, column or height it names.
void TestSurfaceScene::labels() {
    QFETCH(CorrectionBasis, basis);
    QFETCH(QStringList, rows);
    const QStringList speeds{"670", "780", "940", "1200", "1600", "2400", "4800", "10000"};
    const QStringList scale{"0.00",  "2.55",  "5.10",  "7.65",  "10.20", "12.75",
                            "15.30", "17.85", "20.40", "22.95", "25.50"};
    QStringList gotSpeeds, gotRows, gotScale;
    for (const SceneLabel& label : Labels(basis, DecimalFormat(u'.'))) {
        switch (label.kind) {
        case SceneLabelKind::Speed:
            QVERIFY(Near(label.anchor.z, ColumnZ(int(gotSpeeds.size()) + 1)));
            QVERIFY(Near(label.anchor.x, RowX(1)));
            gotSpeeds << label.text;
            break;
        case SceneLabelKind::Row:
            QVERIFY(Near(label.anchor.x, RowX(int(gotRows.size()) + 1)));
            QVERIFY(Near(label.anchor.z, ColumnZ(1)));
            gotRows << label.text;
            break;
        case SceneLabelKind::HeightScale:
            QVERIFY(Near(label.anchor.y, HeightOf(2.55 * double(gotScale.size()))));
            QVERIFY(Near(label.awayFrom.y, label.anchor.y)); // pushed sideways: stays level
            gotScale << label.text;
            break;
        }
    }
    QCOMPARE(gotSpeeds, speeds);
    QCOMPARE(gotRows.replaceInStrings(".", ","), rows); // the numbers follow the separator
    QCOMPARE(gotScale, scale);
    // "25.50" is level with a cell of 25.5 ms.
    QCOMPARE(Labels(basis, DecimalFormat(u',')).last().text, QStringLiteral("25,50"));
    QVERIFY(Near(Labels(basis).last().anchor.y, 0.989));
}

void TestSurfaceScene::wallsLieInTheirPlanes() {
    const QList<SceneLine> lines = WallLines();
    QCOMPARE(lines.size(), 2 * 8 + 2 * 8 + 2 * 10);
    int back = 0, side = 0, floor = 0;
    for (const SceneLine& l : lines) {
        for (const ScenePoint& p : {l.from, l.to}) {
            QVERIFY(p.x >= -0.75 - 1e-9 && p.x <= 1.0 + 1e-9);
            QVERIFY(p.y >= -1.0 - 1e-9 && p.y <= 1.0 + 1e-9);
            QVERIFY(p.z >= -1.0 - 1e-9 && p.z <= 0.75 + 1e-9);
        }
        back += Near(l.from.z, 0.75) && Near(l.to.z, 0.75) && l.from.y >= -0.8 - 1e-9;
        side += Near(l.from.x, -0.75) && Near(l.to.x, -0.75) && l.from.y >= -0.8 - 1e-9;
        floor += Near(l.from.y, -1.0) && Near(l.to.y, -1.0);
    }
    QCOMPARE(floor, 16);
    QVERIFY(back >= 18 && side >= 18);
}

void TestSurfaceScene::zoomKeepsFrustumValid_data() {
    QTest::addColumn<double>("span");
    QTest::addColumn<int>("steps"); // positive: in, negative: out
    QTest::addColumn<int>("applied");
    QTest::addColumn<double>("finalSpan");
    QTest::newRow("nine steps in from the default") << 2.0 << 9 << 9 << 0.2;
    QTest::newRow("the tenth would collapse it") << 2.0 << 10 << 9 << 0.2;
    QTest::newRow("the eleventh would mirror it") << 2.0 << 11 << 9 << 0.2;
    QTest::newRow("out has no limit") << 2.0 << -30 << 30 << 8.0;
    QTest::newRow("narrow start: no step") << 0.25 << 1 << 0 << 0.25;
}

void TestSurfaceScene::zoomKeepsFrustumValid() {
    QFETCH(double, span);
    QFETCH(int, steps);
    QFETCH(int, applied);
    QFETCH(double, finalSpan);
    SurfaceScene scene;
    scene.setActiveTable(TableKind::Fuel);
    SurfaceViewState v;
    v.left = v.bottom = -span / 2;
    v.right = v.top = span / 2;
    scene.setView(TableKind::Fuel, v);
    int done = 0;
    for (int i = 0; i < std::abs(steps); ++i) {
        done += steps > 0 ? scene.zoomIn() : scene.zoomOut();
        const SurfaceViewState& now = scene.currentView();
        QVERIFY(now.left < now.right && now.bottom < now.top);
    }
    QCOMPARE(done, applied);
    const SurfaceViewState& now = scene.view(TableKind::Fuel);
    QVERIFY(Near(now.right - now.left, finalSpan));
    QVERIFY(Near(now.top - now.bottom, finalSpan));
    QVERIFY(Near(now.left + now.right, 0));
    QCOMPARE(scene.view(TableKind::Water), SurfaceViewState{});
}

void TestSurfaceScene::storeTurnRestore_data() {
    QTest::addColumn<TableKind>("table");
    QTest::newRow("water") << TableKind::Water;
    QTest::newRow("fuel") << TableKind::Fuel;
}

// Store, turn and zoom, restore: the stored angles and zoom come back; the other table's view is
// untouched throughout.
void TestSurfaceScene::storeTurnRestore() {
    QFETCH(TableKind, table);
    const TableKind other = table == TableKind::Water ? TableKind::Fuel : TableKind::Water;
    SurfaceScene scene;
    scene.setActiveTable(table);
    scene.beginDrag(10, 10);
    scene.dragTo(160, 85); // rx 2, rz 1
    scene.zoomIn();
    const SurfaceViewState stored = scene.currentView();
    scene.store();
    scene.beginDrag(0, 0);
    scene.dragTo(-300, 750);
    scene.zoomOut();
    scene.zoomOut();
    QVERIFY(!(scene.currentView() == stored));
    scene.restore();
    QVERIFY(SameView(scene.currentView(), stored));
    QCOMPARE(scene.view(other), SurfaceViewState{});
    QCOMPARE(scene.remembered(other).ry, SurfaceViewState{}.ry); // untouched: the start view
}

void TestSurfaceScene::resetKeepsZoom() {
    SurfaceScene scene;
    scene.zoomIn();
    scene.zoomIn();
    scene.beginDrag(0, 0);
    scene.dragTo(75, 150);
    SurfaceViewState expected = scene.currentView();
    expected.ry = 180;
    expected.rx = 0;
    expected.rz = 0;
    scene.resetAngles();
    QCOMPARE(scene.currentView(), expected);
    QVERIFY(Near(scene.currentView().right, 0.8));
}

void TestSurfaceScene::labelsGrowWithZoom() {
    SurfaceScene scene;
    const int atDefault = LabelPixelSize(scene.currentView(), 500, 400);
    QVERIFY2(atDefault >= 10 && atDefault <= 14, qPrintable(QString::number(atDefault)));
    scene.zoomIn();
    scene.zoomIn();
    QVERIFY(LabelPixelSize(scene.currentView(), 500, 400) > atDefault);
    QVERIFY(LabelPixelSize(scene.currentView(), 300, 200) < atDefault);
    for (int i = 0; i < 9; ++i)
        scene.zoomIn();
    QCOMPARE(LabelPixelSize(scene.currentView(), 500, 400), 16);
}

void TestSurfaceScene::neighbouringLabelsDoNotOverlap_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("turn"); // drag in pixels from the press point, along x and y
    QTest::newRow("default view") << 500 << 400 << 0;
    QTest::newRow("wide panel") << 900 << 400 << 0;
    QTest::newRow("turned") << 500 << 400 << 600;
}

void TestSurfaceScene::neighbouringLabelsDoNotOverlap() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, turn);
    SurfaceScene scene;
    scene.setBasis(CorrectionBasis::InjectionTime);
    scene.beginDrag(0, 0);
    scene.dragTo(turn, turn / 3);
    // A bold sans-serif font: digits about 0.6 of the pixel size wide.
    const auto measure = [](const QString& text, int px) {
        return QSizeF(0.6 * px * double(text.size()), 1.2 * px);
    };
    const QList<SceneLabel> labels = scene.labels();
    const PlacedLabels placed = PlaceLabels(scene.currentView(), labels, measure, width, height);
    QCOMPARE(placed.boxes.size(), labels.size());
    const int start = LabelPixelSize(scene.currentView(), width, height);
    for (qsizetype i = 1; i < labels.size(); ++i) {
        QVERIFY(placed.pixelSizes[i] >= kSmallestLabelPixels && placed.pixelSizes[i] <= start);
        if (labels[i].kind != labels[i - 1].kind || placed.pixelSizes[i] == kSmallestLabelPixels)
            continue;
        QCOMPARE(placed.pixelSizes[i], placed.pixelSizes[i - 1]); // one size per kind
        // The digits (the middle 70 % of a line) of neighbours never overlap.
        const auto ink = [](const QRectF& r) {
            return r.adjusted(0, 0.15 * r.height(), 0, -0.15 * r.height());
        };
        QVERIFY2(!ink(placed.boxes[i]).intersects(ink(placed.boxes[i - 1])),
                 qPrintable(labels[i].text));
    }
    // The height scale never needs to shrink: its steps are far apart.
    QCOMPARE(placed.pixelSizes.last(), start);
}

// Every move adds its whole displacement from the press point.
void TestSurfaceScene::dragRotatesFromPressPoint() {
    SurfaceScene scene;
    scene.beginDrag(100, 100);
    scene.dragTo(175, 100);
    QCOMPARE(scene.currentView().rx, 1.0f);
    scene.dragTo(175, 250);
    QCOMPARE(scene.currentView().rx, 2.0f);
    QCOMPARE(scene.currentView().rz, 2.0f);
    QCOMPARE(scene.currentView().ry, 180.0f);
}

void TestSurfaceScene::rememberedViewsTimes100_data() {
    QTest::addColumn<SurfaceViewTimes100>("stored");
    QTest::addColumn<SurfaceViewTimes100>("rewritten");
    const SurfaceViewTimes100 turned{18000, -1250, 35, -70, 70, -60, 80};
    QTest::newRow("defaults") << SurfaceViewTimes100{} << SurfaceViewTimes100{};
    QTest::newRow("turned and zoomed") << turned << turned;
    QTest::newRow("fraction of a hundredth")
        << SurfaceViewTimes100{1.5, 0, 0, -100, 100, -100, 100}
        << SurfaceViewTimes100{1.5, 0, 0, -100, 100, -100, 100};
    // A frustum that would draw the picture mirrored or collapsed is not taken from the file.
    QTest::newRow("mirrored frustum")
        << SurfaceViewTimes100{500, 0, 0, 10, -10, -100, 100} << SurfaceViewTimes100{500, 0, 0};
    QTest::newRow("collapsed frustum")
        << SurfaceViewTimes100{0, 700, 0, -100, 100, 0, 0} << SurfaceViewTimes100{0, 700, 0};
}

// Info_A.ini -> remembered view -> restore -> store -> Info_A.ini, as across a restart.
void TestSurfaceScene::rememberedViewsTimes100() {
    QFETCH(SurfaceViewTimes100, stored);
    QFETCH(SurfaceViewTimes100, rewritten);
    InfoSettings info;
    info.surfaceMaf = stored;
    info.surfaceLambda = SurfaceViewTimes100{-9000, 0, 0, -50, 50, -50, 50};
    SurfaceScene scene;
    scene.loadRemembered(info);
    scene.restore(); // water
    QVERIFY(FrustumValid(scene.currentView()));
    QCOMPARE(scene.currentView().rx, float(rewritten.rx / 100));
    scene.store();
    InfoSettings written;
    scene.storeRemembered(written);
    QCOMPARE(written.surfaceMaf, rewritten);
    QCOMPARE(written.surfaceLambda, info.surfaceLambda);
}

void TestSurfaceScene::defaultViewShowsEverything_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("square") << 300 << 300;
    QTest::newRow("wide") << 800 << 300;
    QTest::newRow("tall") << 300 << 700;
}

// At the default view and frustum the whole surface, its walls and its labels are in the picture,
// and the base keeps its proportions whatever the panel's.
void TestSurfaceScene::defaultViewShowsEverything() {
    QFETCH(int, width);
    QFETCH(int, height);
    const SurfaceViewState view;
    QList<ScenePoint> points;
    for (const SurfaceQuad& q : Quads(Uniform(25.5)))
        points.append({q.corners.begin(), q.corners.end()});
    for (const SceneLine& l : WallLines())
        points << l.from << l.to;
    for (const SceneLabel& l : Labels(CorrectionBasis::InjectionTime))
        points << l.anchor;
    for (const ScenePoint& p : points) {
        const std::optional<ScreenPoint> s = Project(view, p, width, height);
        QVERIFY(s);
        QVERIFY2(s->x > 0 && s->x < width && s->y > 0 && s->y < height,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(p.x).arg(p.y).arg(p.z)));
    }
    // The two base edges that meet at row 1, column 1, as seen in a square panel.
    const auto edgeRatio = [&](int w, int h) {
        const ScreenPoint corner = *Project(view, {RowX(1), -1, ColumnZ(1)}, w, h);
        const ScreenPoint alongRows = *Project(view, {RowX(8), -1, ColumnZ(1)}, w, h);
        const ScreenPoint alongColumns = *Project(view, {RowX(1), -1, ColumnZ(8)}, w, h);
        return std::hypot(alongRows.x - corner.x, alongRows.y - corner.y) /
               std::hypot(alongColumns.x - corner.x, alongColumns.y - corner.y);
    };
    QVERIFY(Near(edgeRatio(width, height), edgeRatio(300, 300)));
}

QTEST_GUILESS_MAIN(TestSurfaceScene)
#include "tst_surface_scene.moc"
