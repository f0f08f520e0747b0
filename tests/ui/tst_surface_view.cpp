// Draws the surface with OpenGL on a real X server (xvfb-run) and looks at the picture.
#include "surface_view.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QOpenGLWidget>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

Q_DECLARE_METATYPE(TableKind)
Q_DECLARE_METATYPE(CorrectionBasis)
Q_DECLARE_METATYPE(SurfaceRenderer)

namespace {

QColor ToColor(const SceneColour& c) {
    return QColor::fromRgbF(float(c.red), float(c.green), float(c.blue));
}

// A quad's colour at alpha 0.9 over the table's background.
QColor Blended(const SceneColour& quad, const SceneColour& background) {
    const auto mix = [&](double q, double b) { return quad.alpha * q + (1 - quad.alpha) * b; };
    return QColor::fromRgbF(float(mix(quad.red, background.red)),
                            float(mix(quad.green, background.green)),
                            float(mix(quad.blue, background.blue)));
}

bool Close(QRgb pixel, const QColor& colour, int tolerance) {
    return std::abs(qRed(pixel) - colour.red()) <= tolerance &&
           std::abs(qGreen(pixel) - colour.green()) <= tolerance &&
           std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

int CountClose(const QImage& image, const QColor& colour, const QRect& area, int tolerance) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.rect().contains(x, y) && Close(image.pixel(x, y), colour, tolerance);
    return count;
}

SurfaceValues Uniform(double value) {
    SurfaceValues v;
    v.fill(value);
    return v;
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

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

class TestSurfaceView : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void automaticRenderer();
    void drawsSurfaceAndLabels_data();
    void drawsSurfaceAndLabels();
    void sampleTableShowsEveryShade_data();
    void sampleTableShowsEveryShade();
    void dragTurnsTheSurface();
    void updateRedrawsOnceAndIdleStaysIdle();
    void navigationButtons();

private:
    void showWindow(SurfaceRenderer renderer);

    QWidget* m_window = nullptr;
    SurfaceView* m_view = nullptr;
    SurfaceNavigation* m_navigation = nullptr;
};

void TestSurfaceView::showWindow(SurfaceRenderer renderer) {
    m_window = new QWidget;
    auto* layout = new QHBoxLayout(m_window);
    m_view = new SurfaceView(m_window, renderer);
    m_navigation = new SurfaceNavigation(m_view, m_window);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_navigation);
    m_window->resize(qEnvironmentVariableIntValue("MARVEK2_SHOT_WIDTH") > 0
                         ? qEnvironmentVariableIntValue("MARVEK2_SHOT_WIDTH")
                         : 640,
                     420);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestSurfaceView::cleanup() {
    delete m_window;
    m_window = nullptr;
}

// Run as it is (xcb under xvfb-run) it draws with OpenGL; run on the offscreen platform it paints
// instead of crashing (the second CTest entry of this test).
void TestSurfaceView::automaticRenderer() {
    showWindow(SurfaceRenderer::Automatic);
    const bool offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
    QCOMPARE(m_view->usesOpenGL(), !offscreen);
    m_view->showTable(TableKind::Fuel, Uniform(25.5), CorrectionBasis::Maf);
    const QImage image = m_view->grabPicture();
    const SceneColour clear = surface_scene::ClearColour(TableKind::Fuel);
    QVERIFY(Close(image.pixel(2, 2), ToColor(clear), 2));
    const QColor surface = Blended(surface_scene::QuadColour(2.0), clear);
    QVERIFY(CountClose(image, surface, image.rect(), 3) > image.width() * image.height() / 40);
}

void TestSurfaceView::drawsSurfaceAndLabels_data() {
    QTest::addColumn<SurfaceRenderer>("renderer");
    QTest::addColumn<TableKind>("table");
    QTest::addColumn<double>("value");
    QTest::addColumn<CorrectionBasis>("basis");
    for (const SurfaceRenderer r : {SurfaceRenderer::OpenGL, SurfaceRenderer::Painter}) {
        const char* name = r == SurfaceRenderer::OpenGL ? "OpenGL" : "painter";
        QTest::addRow("%s: water, all 0.01, MAF", name)
            << r << TableKind::Water << 0.01 << CorrectionBasis::Maf;
        QTest::addRow("%s: fuel, all 5, injection time", name)
            << r << TableKind::Fuel << 5.0 << CorrectionBasis::InjectionTime;
        QTest::addRow("%s: fuel, all 25.5, MAF", name)
            << r << TableKind::Fuel << 25.5 << CorrectionBasis::Maf;
    }
}

// The background has the table's colour, the surface its threshold colour, and the row labels
// are written in black where their anchors project.
void TestSurfaceView::drawsSurfaceAndLabels() {
    QFETCH(SurfaceRenderer, renderer);
    showWindow(renderer);
    QCOMPARE(m_view->usesOpenGL(), renderer == SurfaceRenderer::OpenGL);
    QFETCH(TableKind, table);
    QFETCH(double, value);
    QFETCH(CorrectionBasis, basis);
    m_view->showTable(table, Uniform(value), basis);
    const QImage image = m_view->grabPicture();
    QVERIFY(!image.isNull());
    const qreal ratio = image.devicePixelRatio();
    QCOMPARE(image.width(), qRound(m_view->width() * ratio));

    const SceneColour clear = surface_scene::ClearColour(table);
    QVERIFY(Close(image.pixel(2, 2), ToColor(clear), 2));
    QVERIFY(Close(image.pixel(image.width() - 3, 2), ToColor(clear), 2));

    const QColor surface =
        Blended(surface_scene::QuadColour(value * surface_scene::kHeightScale), clear);
    const int surfacePixels = CountClose(image, surface, image.rect(), 3);
    QVERIFY2(surfacePixels > image.width() * image.height() / 40,
             qPrintable(QString::number(surfacePixels)));

    const SurfaceViewState& view = m_view->scene().currentView();
    int blackLabels = 0;
    for (const SceneLabel& label : surface_scene::Labels(basis)) {
        // The text is at most this big; black pixels inside the box are the text.
        const auto box =
            surface_scene::LabelBox(view, label, 40, 16, m_view->width(), m_view->height());
        QVERIFY(box);
        const QRectF scaled(box->topLeft() * ratio, box->size() * ratio);
        blackLabels += CountClose(image, Qt::black, scaled.toRect(), 10) > 0;
    }
    QCOMPARE(blackLabels, int(surface_scene::Labels(basis).size()));
}

void TestSurfaceView::sampleTableShowsEveryShade_data() {
    QTest::addColumn<TableKind>("table");
    QTest::addColumn<CorrectionBasis>("basis");
    QTest::newRow("water, MAF") << TableKind::Water << CorrectionBasis::Maf;
    QTest::newRow("water, injection time") << TableKind::Water << CorrectionBasis::InjectionTime;
    QTest::newRow("fuel, MAF") << TableKind::Fuel << CorrectionBasis::Maf;
    QTest::newRow("fuel, injection time") << TableKind::Fuel << CorrectionBasis::InjectionTime;
}

// A table rising from 0.01 ms to 25.2 ms shows the three reds side by side. With
// MARVEK2_SHOT_DIR set the pictures are kept there.
void TestSurfaceView::sampleTableShowsEveryShade() {
    showWindow(SurfaceRenderer::OpenGL);
    QFETCH(TableKind, table);
    QFETCH(CorrectionBasis, basis);
    SurfaceValues values;
    for (int row = 1; row <= 8; ++row)
        for (int column = 1; column <= 8; ++column)
            values[8 * (row - 1) + (column - 1)] = 0.01 + 1.8 * (row - 1 + column - 1);
    m_view->showTable(table, values, basis);
    const QImage image = m_view->grabPicture();
    const SceneColour clear = surface_scene::ClearColour(table);
    for (double m : {0.1, 0.5, 1.0}) {
        const QColor shade = Blended(surface_scene::QuadColour(m), clear);
        QVERIFY2(CountClose(image, shade, image.rect(), 3) > 200, qPrintable(shade.name()));
    }
    const QString folder = qEnvironmentVariable("MARVEK2_SHOT_DIR");
    if (!folder.isEmpty())
        image.save(
            QStringLiteral("%1/surface_%2_%3.png")
                .arg(folder,
                     table == TableKind::Water ? QStringLiteral("water") : QStringLiteral("fuel"),
                     basis == CorrectionBasis::Maf ? QStringLiteral("maf")
                                                   : QStringLiteral("time")));
}

void TestSurfaceView::dragTurnsTheSurface() {
    showWindow(SurfaceRenderer::OpenGL);
    m_view->showTable(TableKind::Water, Uniform(12), CorrectionBasis::Maf);
    const QImage before = m_view->grabPicture();
    const QPointF press(100, 100);
    QMouseEvent down(QEvent::MouseButtonPress, press, m_view->mapToGlobal(press), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_view, &down);
    for (const QPointF to : {QPointF(400, 100), QPointF(400, 700)}) {
        QMouseEvent move(QEvent::MouseMove, to, m_view->mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_view, &move);
    }
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(400, 700),
                   m_view->mapToGlobal(QPointF(400, 700)), Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(m_view, &up);
    QCOMPARE(m_view->scene().currentView().rx, 8.0f); // (300 + 300) / 75
    QCOMPARE(m_view->scene().currentView().rz, 8.0f); // (0 + 600) / 75
    QCOMPARE(m_view->scene().view(TableKind::Fuel), SurfaceViewState{});
    QVERIFY(m_view->grabPicture() != before);
}

// update() on the view (as the page's refresh does) draws the scene again, and a view left alone
// does not keep repainting itself.
void TestSurfaceView::updateRedrawsOnceAndIdleStaysIdle() {
    showWindow(SurfaceRenderer::OpenGL);
    auto* canvas = m_view->findChild<QOpenGLWidget*>();
    QVERIFY(canvas);
    PaintCounter counter;
    canvas->installEventFilter(&counter);
    QTest::qWait(200);
    counter.paints = 0;
    QTest::qWait(300);
    QCOMPARE(counter.paints, 0);
    m_view->update();
    QTRY_VERIFY(counter.paints > 0);
    QTest::qWait(300);
    QVERIFY2(counter.paints <= 2, qPrintable(QString::number(counter.paints)));
}

// The four buttons of "Навигация", pressed as the user presses them.
void TestSurfaceView::navigationButtons() {
    showWindow(SurfaceRenderer::Painter);
    m_view->showTable(TableKind::Fuel, Uniform(3), CorrectionBasis::InjectionTime);
    auto* zoom = m_navigation->findChild<QToolButton*>(QStringLiteral("atb_3D_Zoom"));
    auto* reset = m_navigation->findChild<QToolButton*>(QStringLiteral("atb_Default_3D"));
    auto* push = m_navigation->findChild<QToolButton*>(QStringLiteral("atb_Push_3D"));
    auto* pop = m_navigation->findChild<QToolButton*>(QStringLiteral("atb_Pop_3D"));
    QVERIFY(zoom && reset && push && pop);
    QCOMPARE(m_navigation->objectName(), QStringLiteral("sgb_3D_Navygator"));
    QCOMPARE(m_view->objectName(), QStringLiteral("Panel_Space3D"));
    const SurfaceScene& scene = m_view->scene();

    QTest::mouseClick(zoom, Qt::LeftButton);
    // The second press of a double click arrives as the double click: it zooms too.
    QTest::mouseDClick(zoom, Qt::LeftButton);
    QVERIFY(std::abs(scene.currentView().right - 0.8) < 1e-9);
    QTest::mouseClick(zoom, Qt::RightButton);
    QVERIFY(std::abs(scene.currentView().right - 0.9) < 1e-9);
    QVERIFY(std::abs(scene.currentView().top - 0.9) < 1e-9);
    for (int i = 0; i < 20; ++i)
        QTest::mouseClick(zoom, Qt::LeftButton);
    QVERIFY(scene.currentView().left < scene.currentView().right);
    QVERIFY(!m_view->grabPicture().isNull());

    QTest::mouseClick(push, Qt::LeftButton);
    const SurfaceViewState stored = scene.currentView();
    QSignalSpy reselected(m_view, &SurfaceView::tableReselected);
    m_view->scene().beginDrag(0, 0);
    m_view->scene().dragTo(150, 150);
    QTest::mouseClick(zoom, Qt::RightButton);
    QTest::mouseClick(reset, Qt::LeftButton);
    QCOMPARE(scene.currentView().rx, 0.0f);
    QCOMPARE(scene.currentView().ry, 180.0f);
    QVERIFY(scene.currentView().right > stored.right); // the zoom stays
    QTest::mouseClick(pop, Qt::LeftButton);
    QVERIFY(SameView(scene.currentView(), stored));
    QCOMPARE(reselected.count(), 2);
    QCOMPARE(scene.view(TableKind::Water), SurfaceViewState{});
}

QTEST_MAIN(TestSurfaceView)
#include "tst_surface_view.moc"
