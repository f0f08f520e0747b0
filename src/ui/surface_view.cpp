#include "surface_view.h"

#include <QEvent>
#include <QGridLayout>
#include <QMouseEvent>
#include <QOpenGLFunctions_1_1>
#include <QOpenGLVersionFunctionsFactory>
#include <QPainter>
#include <QSurfaceFormat>
#include <QToolButton>

namespace {

void Vertex(QOpenGLFunctions_1_1* gl, const ScenePoint& p) {
    gl->glVertex3d(p.x, p.y, p.z);
}

void Colour(QOpenGLFunctions_1_1* gl, const SceneColour& c) {
    gl->glColor4d(c.red, c.green, c.blue, c.alpha);
}

} // namespace

SurfaceView::SurfaceView(QWidget* parent) : QOpenGLWidget(parent) {
    setObjectName(QStringLiteral("Panel_Space3D"));
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    setFormat(format);
    setMinimumSize(200, 160);
    setToolTip(QStringLiteral("Поверните поверхность, перетаскивая её мышью"));
}

SurfaceView::~SurfaceView() = default;

void SurfaceView::showTable(TableKind table, const SurfaceValues& values, CorrectionBasis basis) {
    m_scene.setActiveTable(table);
    m_scene.setValues(values);
    m_scene.setBasis(basis);
    update();
}

void SurfaceView::setValues(const SurfaceValues& values) {
    m_scene.setValues(values);
    update();
}

void SurfaceView::setBasis(CorrectionBasis basis) {
    m_scene.setBasis(basis);
    update();
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
    update();
}

void SurfaceView::atb_Push_3DClick() {
    m_scene.store();
}

void SurfaceView::atb_Pop_3DClick() {
    m_scene.restore();
    emit tableReselected(m_scene.activeTable());
    update();
}

void SurfaceView::zoomIn() {
    if (m_scene.zoomIn())
        update();
}

void SurfaceView::zoomOut() {
    if (m_scene.zoomOut())
        update();
}

void SurfaceView::initializeGL() {
    // Nothing to build: the scene is drawn in immediate mode and the labels with QPainter.
}

void SurfaceView::resizeGL(int, int) {
    // The viewport and the projection are set on every paint.
}

void SurfaceView::paintGL() {
    auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_1_1>(context());
    QPainter painter(this);
    if (!gl) {
        // No fixed-function pipeline: at least show the table's colour.
        const SceneColour c = m_scene.clearColour();
        painter.fillRect(rect(), QColor::fromRgbF(float(c.red), float(c.green), float(c.blue)));
        return;
    }
    painter.beginNativePainting();
    const SurfaceViewState& view = m_scene.currentView();
    const qreal ratio = devicePixelRatioF();
    gl->glViewport(0, 0, int(width() * ratio), int(height() * ratio));
    const SceneColour clear = m_scene.clearColour();
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

    gl->glMatrixMode(GL_PROJECTION);
    gl->glLoadMatrixd(surface_scene::Projection(view, width(), height()).data());
    gl->glMatrixMode(GL_MODELVIEW);
    gl->glLoadMatrixd(surface_scene::ModelView(view).data());

    Colour(gl, surface_scene::GridColour());
    gl->glBegin(GL_LINES);
    for (const SceneLine& line : surface_scene::WallLines()) {
        Vertex(gl, line.from);
        Vertex(gl, line.to);
    }
    gl->glEnd();

    const QList<SurfaceQuad> quads = m_scene.quads();
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
    gl->glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl->glDisable(GL_DEPTH_TEST);
    gl->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl->glMatrixMode(GL_PROJECTION);
    gl->glLoadIdentity();
    gl->glMatrixMode(GL_MODELVIEW);
    gl->glLoadIdentity();
    painter.endNativePainting();

    drawLabels(painter);
}

void SurfaceView::drawLabels(QPainter& painter) {
    QFont font = painter.font();
    font.setBold(true);
    const SurfaceViewState& view = m_scene.currentView();
    font.setPixelSize(surface_scene::LabelPixelSize(view, width(), height()));
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(font);
    for (const SceneLabel& label : m_scene.labels()) {
        const std::optional<QRectF> box =
            surface_scene::LabelBox(view, label, metrics.horizontalAdvance(label.text),
                                    metrics.height(), width(), height());
        if (box)
            painter.drawText(*box, Qt::AlignCenter, label.text);
    }
}

void SurfaceView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QOpenGLWidget::mousePressEvent(event);
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
        QOpenGLWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint p = event->position().toPoint();
    m_scene.dragTo(p.x(), p.y());
    update();
    event->accept();
}

void SurfaceView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QOpenGLWidget::mouseReleaseEvent(event);
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
