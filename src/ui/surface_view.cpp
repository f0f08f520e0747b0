#include "surface_view.h"

#include <QEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions_1_1>
#include <QOpenGLVersionFunctionsFactory>
#include <QOpenGLWidget>
#include <QPainter>
#include <QSurfaceFormat>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QSurfaceFormat SurfaceFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    return format;
}

QColor ToColor(const SceneColour& c) {
    return QColor::fromRgbF(float(c.red), float(c.green), float(c.blue), float(c.alpha));
}

void Vertex(QOpenGLFunctions_1_1* gl, const ScenePoint& p) {
    gl->glVertex3d(p.x, p.y, p.z);
}

void Colour(QOpenGLFunctions_1_1* gl, const SceneColour& c) {
    gl->glColor4d(c.red, c.green, c.blue, c.alpha);
}

// The viewport, the cleared buffers and the fixed-function state the scene is drawn with.
void PrepareState(QOpenGLFunctions_1_1* gl, const SurfaceScene& scene, int pixelWidth,
                  int pixelHeight) {
    gl->glViewport(0, 0, pixelWidth, pixelHeight);
    const SceneColour clear = scene.clearColour();
    gl->glClearColor(float(clear.red), float(clear.green), float(clear.blue), 1.0f);
    gl->glClearDepth(1.0);
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // Blending must not make the widget itself translucent: the alpha of the picture stays 1.
    gl->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    gl->glEnable(GL_DEPTH_TEST);
    gl->glDepthFunc(GL_LEQUAL);
    gl->glEnable(GL_BLEND);
    gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl->glShadeModel(GL_FLAT);
    gl->glDisable(GL_LIGHTING);
    gl->glDisable(GL_CULL_FACE);
    gl->glDisable(GL_TEXTURE_2D);
}

// Draws the scene in immediate mode: walls, the filled quads blended at their alpha with the
// depth test on, then their outlines.
void DrawScene(QOpenGLFunctions_1_1* gl, const SurfaceScene& scene, int width, int height,
               qreal ratio) {
    const SurfaceViewState& view = scene.currentView();
    PrepareState(gl, scene, int(width * ratio), int(height * ratio));

    gl->glMatrixMode(GL_PROJECTION);
    gl->glLoadMatrixd(surface_scene::Projection(view, width, height).data());
    gl->glMatrixMode(GL_MODELVIEW);
    gl->glLoadMatrixd(surface_scene::ModelView(view).data());

    Colour(gl, surface_scene::GridColour());
    gl->glBegin(GL_LINES);
    for (const SceneLine& line : surface_scene::WallLines()) {
        Vertex(gl, line.from);
        Vertex(gl, line.to);
    }
    gl->glEnd();

    const QList<SurfaceQuad> quads = scene.quads();
    // The fill sits a little behind its outline so the outline is never hidden by it.
    gl->glEnable(GL_POLYGON_OFFSET_FILL);
    gl->glPolygonOffset(1.0f, 1.0f);
    gl->glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl->glBegin(GL_QUADS);
    for (const SurfaceQuad& quad : quads) {
        Colour(gl, quad.fill);
        for (const ScenePoint& p : quad.corners)
            Vertex(gl, p);
    }
    gl->glEnd();
    gl->glDisable(GL_POLYGON_OFFSET_FILL);

    gl->glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    Colour(gl, surface_scene::GridColour());
    gl->glBegin(GL_QUADS);
    for (const SurfaceQuad& quad : quads)
        for (const ScenePoint& p : quad.corners)
            Vertex(gl, p);
    gl->glEnd();

    // Leave the state as the painter expects it for the labels.
    gl->glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl->glDisable(GL_DEPTH_TEST);
    gl->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl->glMatrixMode(GL_PROJECTION);
    gl->glLoadIdentity();
    gl->glMatrixMode(GL_MODELVIEW);
    gl->glLoadIdentity();
}

// The same scene with QPainter: walls first, then the quads from the farthest to the nearest,
// each filled at its alpha and outlined.
void PaintScene(QPainter& painter, const SurfaceScene& scene, int width, int height) {
    const SurfaceViewState& view = scene.currentView();
    painter.fillRect(QRect(0, 0, width, height), ToColor(scene.clearColour()));
    painter.setPen(QPen(ToColor(surface_scene::GridColour()), 0));
    for (const SceneLine& line : surface_scene::WallLines()) {
        const auto from = surface_scene::Project(view, line.from, width, height);
        const auto to = surface_scene::Project(view, line.to, width, height);
        if (from && to)
            painter.drawLine(QPointF(from->x, from->y), QPointF(to->x, to->y));
    }
    struct Flat {
        QPolygonF polygon;
        double depth = 0;
        QColor fill;
    };
    QList<Flat> flats;
    for (const SurfaceQuad& quad : scene.quads()) {
        Flat flat;
        flat.fill = ToColor(quad.fill);
        bool visible = true;
        for (const ScenePoint& p : quad.corners) {
            const auto at = surface_scene::Project(view, p, width, height);
            visible = visible && at;
            if (!at)
                break;
            flat.polygon << QPointF(at->x, at->y);
            flat.depth += at->depth / 4;
        }
        if (visible)
            flats.append(flat);
    }
    std::stable_sort(flats.begin(), flats.end(),
                     [](const Flat& a, const Flat& b) { return a.depth > b.depth; });
    for (const Flat& flat : flats) {
        painter.setBrush(flat.fill);
        painter.drawPolygon(flat.polygon);
    }
    painter.setBrush(Qt::NoBrush);
}

class GlCanvas : public QOpenGLWidget {
public:
    explicit GlCanvas(SurfaceView* view) : QOpenGLWidget(view), m_view(view) {
        setFormat(SurfaceFormat());
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintGL() override {
        auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_1_1>(context());
        QPainter painter(this);
        if (gl) {
            painter.beginNativePainting();
            DrawScene(gl, m_view->scene(), width(), height(), devicePixelRatioF());
            painter.endNativePainting();
        } else {
            // No fixed-function pipeline in this context after all: paint the scene instead.
            PaintScene(painter, m_view->scene(), width(), height());
        }
        m_view->drawLive(painter, width(), height());
        m_view->drawLabels(painter, width(), height());
    }

private:
    SurfaceView* m_view;
};

class PainterCanvas : public QWidget {
public:
    explicit PainterCanvas(SurfaceView* view) : QWidget(view), m_view(view) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, false);
        PaintScene(painter, m_view->scene(), width(), height());
        m_view->drawLive(painter, width(), height());
        m_view->drawLabels(painter, width(), height());
    }

private:
    SurfaceView* m_view;
};

} // namespace

bool SurfaceView::OpenGLAvailable() {
    // QOpenGLWidget brings these platforms down instead of failing.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return false;
    static const bool available = [] {
        QOpenGLContext context;
        context.setFormat(SurfaceFormat());
        return context.create();
    }();
    return available;
}

SurfaceView::SurfaceView(QWidget* parent, SurfaceRenderer renderer) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel_Space3D"));
    setMinimumSize(200, 160);
    setToolTip(QStringLiteral("Поверните поверхность, перетаскивая её мышью"));
    m_usesOpenGL = renderer == SurfaceRenderer::OpenGL ||
                   (renderer == SurfaceRenderer::Automatic && OpenGLAvailable());
    if (m_usesOpenGL)
        m_canvas = new GlCanvas(this);
    else
        m_canvas = new PainterCanvas(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_canvas);
}

SurfaceView::~SurfaceView() = default;

QImage SurfaceView::grabPicture() {
    if (m_usesOpenGL)
        return static_cast<QOpenGLWidget*>(m_canvas)->grabFramebuffer();
    return m_canvas->grab().toImage();
}

void SurfaceView::redraw() {
    m_canvas->update();
}

void SurfaceView::paintEvent(QPaintEvent*) {
    // The OpenGL canvas keeps its last frame when only its parent is repainted.
    if (m_usesOpenGL)
        m_canvas->update();
}

void SurfaceView::showTable(TableKind table, const SurfaceValues& values, CorrectionBasis basis) {
    m_scene.setActiveTable(table);
    m_scene.setValues(values);
    m_scene.setBasis(basis);
    redraw();
}

void SurfaceView::setValues(const SurfaceValues& values) {
    m_scene.setValues(values);
    redraw();
}

void SurfaceView::setBasis(CorrectionBasis basis) {
    m_scene.setBasis(basis);
    redraw();
}

void SurfaceView::setLiveTrail(const QList<LiveCell>& trail) {
    if (trail == m_scene.liveTrail())
        return;
    m_scene.setLiveTrail(trail);
    redraw();
}

void SurfaceView::setCellShades(const std::optional<CellShades>& shades) {
    m_scene.setCellShades(shades);
    redraw();
}

void SurfaceView::drawLive(QPainter& painter, int width, int height) const {
    const SurfaceViewState& view = m_scene.currentView();
    const QList<ScenePoint> points = m_scene.livePoints();
    if (points.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    // The trail, oldest first and faintest, so the newer dots lie on top.
    for (qsizetype i = points.size() - 1; i > 0; --i) {
        const auto at = surface_scene::Project(view, points.at(i), width, height);
        if (!at)
            continue;
        const int alpha = 220 - int(i) * 180 / kLiveTrail;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(200, 0, 0, alpha));
        painter.drawEllipse(QPointF(at->x, at->y), 3.0, 3.0);
    }
    // The marker: a stem from the floor and a ringed dot on the surface.
    const ScenePoint& live = points.first();
    const auto at = surface_scene::Project(view, live, width, height);
    const auto foot = surface_scene::Project(
        view, ScenePoint{live.x, surface_scene::kFloorY, live.z}, width, height);
    if (at) {
        if (foot) {
            painter.setPen(QPen(QColor(120, 0, 0), 1, Qt::DashLine));
            painter.drawLine(QPointF(foot->x, foot->y), QPointF(at->x, at->y));
        }
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(QColor(230, 0, 0));
        painter.drawEllipse(QPointF(at->x, at->y), 6.0, 6.0);
    }
    painter.restore();
}

void SurfaceView::loadRememberedViews(const InfoSettings& info) {
    m_scene.loadRemembered(info);
}

void SurfaceView::storeRememberedViews(InfoSettings& info) const {
    m_scene.storeRemembered(info);
}

void SurfaceView::atb_Default_3DClick() {
    m_scene.resetAngles();
    emit tableReselected(m_scene.activeTable());
    redraw();
}

void SurfaceView::atb_Push_3DClick() {
    m_scene.store();
}

void SurfaceView::atb_Pop_3DClick() {
    m_scene.restore();
    emit tableReselected(m_scene.activeTable());
    redraw();
}

void SurfaceView::zoomIn() {
    if (m_scene.zoomIn())
        redraw();
}

void SurfaceView::zoomOut() {
    if (m_scene.zoomOut())
        redraw();
}

void SurfaceView::drawLabels(QPainter& painter, int width, int height) const {
    QFont font = painter.font();
    font.setBold(true);
    const auto measure = [&font](const QString& text, int pixelSize) {
        font.setPixelSize(pixelSize);
        const QFontMetricsF metrics(font);
        return QSizeF(metrics.horizontalAdvance(text), metrics.height());
    };
    const QList<SceneLabel> labels = m_scene.labels();
    const surface_scene::PlacedLabels placed =
        surface_scene::PlaceLabels(m_scene.currentView(), labels, measure, width, height);
    painter.setPen(Qt::black);
    for (qsizetype i = 0; i < labels.size(); ++i) {
        if (placed.boxes[i].isEmpty())
            continue;
        font.setPixelSize(placed.pixelSizes[i]);
        painter.setFont(font);
        painter.drawText(placed.boxes[i], Qt::AlignCenter, labels[i].text);
    }
}

void SurfaceView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    const QPoint p = event->position().toPoint();
    m_scene.beginDrag(p.x(), p.y());
    event->accept();
}

void SurfaceView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) {
        m_dragging = false;
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint p = event->position().toPoint();
    m_scene.dragTo(p.x(), p.y());
    redraw();
    event->accept();
}

void SurfaceView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

SurfaceNavigation::SurfaceNavigation(SurfaceView* view, QWidget* parent)
    : QGroupBox(QStringLiteral("Навигация"), parent), m_view(view) {
    setObjectName(QStringLiteral("sgb_3D_Navygator"));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    auto button = [this](const char* name, const QString& text, const QString& hint) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setToolTip(hint);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        return b;
    };
    atb_Default_3D = button("atb_Default_3D", QStringLiteral("Сброс"),
                            QStringLiteral("Вернуть исходные углы поворота"));
    atb_Push_3D =
        button("atb_Push_3D", QStringLiteral("Запомнить"), QStringLiteral("Запомнить вид"));
    atb_Pop_3D = button("atb_Pop_3D", QStringLiteral("Восстановить"),
                        QStringLiteral("Восстановить запомненный вид"));
    atb_3D_Zoom = button("atb_3D_Zoom", QStringLiteral("Масштаб"),
                         QStringLiteral("Левая кнопка мыши - приблизить, правая - отдалить"));
    layout->addWidget(atb_Default_3D, 0, 0);
    layout->addWidget(atb_3D_Zoom, 0, 1);
    layout->addWidget(atb_Push_3D, 1, 0);
    layout->addWidget(atb_Pop_3D, 1, 1);
    connect(atb_Default_3D, &QToolButton::clicked, view, &SurfaceView::atb_Default_3DClick);
    connect(atb_Push_3D, &QToolButton::clicked, view, &SurfaceView::atb_Push_3DClick);
    connect(atb_Pop_3D, &QToolButton::clicked, view, &SurfaceView::atb_Pop_3DClick);
    atb_3D_Zoom->installEventFilter(this);
}

bool SurfaceNavigation::eventFilter(QObject* watched, QEvent* event) {
    // Every press zooms, the second press of a double click too.
    if (watched == atb_3D_Zoom && atb_3D_Zoom->isEnabled() &&
        (event->type() == QEvent::MouseButtonPress ||
         event->type() == QEvent::MouseButtonDblClick)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            m_view->zoomIn();
        else if (mouse->button() == Qt::RightButton)
            m_view->zoomOut();
    }
    return QGroupBox::eventFilter(watched, event);
}
