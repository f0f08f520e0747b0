#pragma once

#include "surface_scene.h"

#include <QGroupBox>
#include <QImage>
#include <QWidget>

class QPainter;
class QToolButton;

// How the surface is drawn. OpenGL (a QOpenGLWidget, 2.1 compatibility profile, immediate mode)
// where the platform offers it; elsewhere (the offscreen platform of the widget tests, a
// display without OpenGL) the same scene is painted with QPainter instead of crashing.
enum class SurfaceRenderer { Automatic, OpenGL, Painter };

// The 3D surface of the active injection table (objectName "Panel_Space3D"). Each table keeps its
// own view (angles, frustum) and one remembered view. Drag with the left button to turn it.
//
// Use from the tables page:
//   auto* view = new SurfaceView(parent);              // placed where Panel_Space3D goes
//   auto* nav = new SurfaceNavigation(view, parent);    // group "Навигация" with its four buttons
//   view->showTable(TableKind::Water, values, basis);   // on btn_WaterClick / btn_FuelClick
//   view->setValues(values);                            // after an edit of the active table
//   view->setBasis(basis);                              // after atb_KorrTab_MAF / atb_KorrTab_VV
// values[8 x (row - 1) + (column - 1)] in milliseconds, row and column 1..8 of the data table.
// The remembered views come from Info_A.ini at start-up (loadRememberedViews) and go back at
// shutdown (storeRememberedViews); TfmMain does both.
class SurfaceView : public QWidget {
    Q_OBJECT
public:
    explicit SurfaceView(QWidget* parent = nullptr,
                         SurfaceRenderer renderer = SurfaceRenderer::Automatic);
    ~SurfaceView() override;

    // Makes the table active (its own view, its clear colour), shows its values with the row
    // labels of the basis, and redraws.
    void showTable(TableKind table, const SurfaceValues& values, CorrectionBasis basis);
    void setValues(const SurfaceValues& values);
    void setBasis(CorrectionBasis basis);
    // The live cell and its trail, newest first: a marker on the surface with fading dots behind
    // it; an empty trail removes the marker.
    void setLiveTrail(const QList<LiveCell>& trail);
    // Colours over the cells (a recording's cell map) instead of the height colours; nothing
    // returns to the height colours.
    void setCellShades(const std::optional<CellShades>& shades);
    TableKind activeTable() const { return m_scene.activeTable(); }

    void loadRememberedViews(const InfoSettings& info);
    void storeRememberedViews(InfoSettings& info) const;

    const SurfaceScene& scene() const { return m_scene; }
    SurfaceScene& scene() { return m_scene; }

    bool usesOpenGL() const { return m_usesOpenGL; }
    // The picture as it is drawn now (the framebuffer with OpenGL).
    QImage grabPicture();
    // Whether this platform can show the OpenGL surface.
    static bool OpenGLAvailable();

    // Draws the labels and the height scale over the scene; both renderers use it.
    void drawLabels(QPainter& painter, int width, int height) const;
    // Draws the live marker and its trail over the scene; both renderers use it.
    void drawLive(QPainter& painter, int width, int height) const;

public slots:
    // The navigation buttons (SurfaceNavigation calls them).
    void atb_Default_3DClick(); // angles to ry 180, rx 0, rz 0; the zoom stays
    void atb_Push_3DClick();    // store the active table's view
    void atb_Pop_3DClick();     // restore it
    void zoomIn();
    void zoomOut();

signals:
    // Reset and restore reselect the active table (the page may refresh its grid on this).
    void tableReselected(TableKind table);

protected:
    // A repaint of the view (update(), exposure) draws the scene afresh.
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void redraw();

    SurfaceScene m_scene;
    QWidget* m_canvas = nullptr;
    bool m_usesOpenGL = false;
    bool m_dragging = false;
};

// The group "Навигация" (sgb_3D_Navygator) of the surface view: atb_Default_3D (reset the
// angles), atb_Push_3D (store the view), atb_Pop_3D (restore it) and atb_3D_Zoom (left button
// zooms in, right button out). The tables page places it beside the view.
class SurfaceNavigation : public QGroupBox {
    Q_OBJECT
public:
    explicit SurfaceNavigation(SurfaceView* view, QWidget* parent = nullptr);

    QToolButton* atb_Default_3D = nullptr;
    QToolButton* atb_Push_3D = nullptr;
    QToolButton* atb_Pop_3D = nullptr;
    QToolButton* atb_3D_Zoom = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SurfaceView* m_view;
};
