#pragma once

#include "decimal_format.h"
#include "info_file.h"
#include "live_cell.h"
#include "table_kind.h"

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <array>
#include <functional>
#include <optional>

// The 3D surface of the active injection table, computed without any drawing API: the view state
// of each table (angles and frustum) with its operations, and the geometry that a renderer draws
// (wall lines, the 49 surface quads with their colours, label texts with their 3D anchors). The
// matrices are those of the fixed-function pipeline (column-major, as glLoadMatrixd takes them), so
// a renderer and the label projection agree.

inline constexpr int kSurfaceCellCount = 64; // 8 rows x 8 columns
using SurfaceValues = std::array<double, kSurfaceCellCount>;
// 0 … 1 per cell for colours laid over the surface, not a number for none (surface_shades.h).
using CellShades = std::array<double, kSurfaceCellCount>;

// The view of one table. Angles in degrees, single precision; frustum in double precision.
struct SurfaceViewState {
    float ry = 180;
    float rx = 0;
    float rz = 0;
    double left = -1;
    double right = 1;
    double bottom = -1;
    double top = 1;
    double zNear = 4;
    double zFar = 10;

    bool operator==(const SurfaceViewState&) const = default;
};

struct ScenePoint {
    double x = 0;
    double y = 0;
    double z = 0;
    bool operator==(const ScenePoint&) const = default;
};

struct SceneLine {
    ScenePoint from;
    ScenePoint to;
};

struct SceneColour {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    bool operator==(const SceneColour&) const = default;
};

struct SurfaceQuad {
    // In drawing order: (x, z), (x, z + 0.25), (x - 0.25, z + 0.25), (x - 0.25, z).
    std::array<ScenePoint, 4> corners;
    SceneColour fill;
};

enum class SceneLabelKind {
    Speed,       // column labels, crankshaft speed
    Row,         // row labels of the correction basis
    HeightScale, // "0.00" .. "25.50" beside the back wall
};

struct SceneLabel {
    SceneLabelKind kind = SceneLabelKind::Speed;
    QString text;
    // The label is written beside the projection of the anchor, on the side away from the
    // projection of awayFrom, so whatever the view it stays off the surface and its edge.
    ScenePoint anchor;
    ScenePoint awayFrom;
};

// Column-major 4x4 matrix.
using SceneMatrix = std::array<double, 16>;

struct ScreenPoint {
    double x = 0;     // pixels from the left
    double y = 0;     // pixels from the top
    double depth = 0; // distance from the eye along the view direction (larger is farther)
};

namespace surface_scene {

inline constexpr double kHeightScale = 0.078; // scene units per millisecond
inline constexpr double kFloorY = -1.0;
inline constexpr double kCellStep = 0.25;
// A zoom step moves each frustum edge by this much.
inline constexpr double kZoomStep = 0.1;
// Zooming in stops before the frustum gets narrower than this (it would collapse, then mirror).
inline constexpr double kMinimumFrustumSpan = 0.1;

// Height in scene units of a cell value in milliseconds: value x 0.078 - 1.
double HeightOf(double milliseconds);
// Fill colour of a quad whose largest raw height (value x 0.078, not shifted) is m.
SceneColour QuadColour(double largestRawHeight);
SceneColour ClearColour(TableKind table);
SceneColour GridColour();

// Scene position of a cell, row and column 1..8 (x from 1.0 at row 1, z from -1.0 at column 1).
double RowX(int row);
double ColumnZ(int column);

// Where the live cell lies in the scene: x and z interpolated between the rows and columns, the
// height that of the surface there (bilinear between the four values around it; a value that is
// not a number counts as 0, as the quads take it).
ScenePoint LivePoint(const SurfaceValues& values, const LiveCell& cell);

// The back wall, the side wall and the floor, as line segments.
QList<SceneLine> WallLines();
// The 49 quads between neighbouring rows and columns. values[8 x (row - 1) + (column - 1)].
QList<SurfaceQuad> Quads(const SurfaceValues& values);
// Speed labels, row labels of the basis, height scale; their decimals written with the
// separator of the format, as every other number on the screen.
QList<SceneLabel> Labels(CorrectionBasis basis, const DecimalFormat& format = DecimalFormat());
QStringList RowLabelTexts(CorrectionBasis basis);
QStringList SpeedLabelTexts();  // column 1 .. 8
QStringList HeightScaleTexts(); // bottom to top

// Projection: glFrustum of the view for a viewport of width x height pixels. The frustum is
// widened along the longer side of the viewport so the surface keeps its shape in a panel of any
// proportions (a square panel gets the frustum as it is). Model view: translate (0, 0, -8),
// rotate 30 deg about x, 70 deg about y, then the view's rx about x, ry about y, rz about z.
SceneMatrix Projection(const SurfaceViewState& view, int width, int height);
SceneMatrix ModelView(const SurfaceViewState& view);
// Window position of a scene point in a viewport of width x height pixels; nothing when the point
// lies behind the eye.
std::optional<ScreenPoint> Project(const SurfaceViewState& view, const ScenePoint& point, int width,
                                   int height);

// Where a label of textWidth x textHeight pixels is written: beside its anchor, a small gap away
// from it, on the side opposite awayFrom. Nothing when the anchor lies behind the eye.
std::optional<QRectF> LabelBox(const SurfaceViewState& view, const SceneLabel& label,
                               double textWidth, double textHeight, int width, int height);

// Pixel height of the label font: in step with the projected size of the base (as text written in
// the scene would be), so labels grow when zooming in and never crowd a small picture.
int LabelPixelSize(const SurfaceViewState& view, int width, int height);

// The labels as they are written: each label's font pixel size and box (an empty box for one
// whose anchor lies behind the eye). Each kind of label starts at LabelPixelSize and shrinks, down
// to kSmallestLabelPixels, until no two of its neighbouring labels overlap (the line spacing above
// and below the digits may). measure gives the size of a text at a pixel size.
struct PlacedLabels {
    QList<int> pixelSizes; // parallel to the labels
    QList<QRectF> boxes;   // parallel to the labels
};
inline constexpr int kSmallestLabelPixels = 9;
PlacedLabels PlaceLabels(const SurfaceViewState& view, const QList<SceneLabel>& labels,
                         const std::function<QSizeF(const QString& text, int pixelSize)>& measure,
                         int width, int height);

// True when left < right and bottom < top, all finite, with near and far usable.
bool FrustumValid(const SurfaceViewState& view);

// The remembered view as Info_A.ini holds it (x 100) and back. A stored frustum that is not valid
// (mirrored, collapsed, not a number) is replaced by the default frustum; the angles are kept.
SurfaceViewParameters RememberedFromStored(const SurfaceViewTimes100& stored);
SurfaceViewTimes100 StoredFromRemembered(const SurfaceViewParameters& remembered);

} // namespace surface_scene

// Both tables' views, their remembered views, the active table, its values and the basis.
class SurfaceScene {
public:
    SurfaceScene();

    TableKind activeTable() const { return m_active; }
    // Selects a table: its own view becomes the current one.
    void setActiveTable(TableKind table) { m_active = table; }
    const SurfaceViewState& currentView() const { return view(m_active); }

    const SurfaceViewState& view(TableKind table) const { return m_views[index(table)]; }
    void setView(TableKind table, const SurfaceViewState& view) { m_views[index(table)] = view; }
    const SurfaceViewParameters& remembered(TableKind table) const {
        return m_remembered[index(table)];
    }
    void setRemembered(TableKind table, const SurfaceViewParameters& remembered) {
        m_remembered[index(table)] = remembered;
    }

    // Info_A.ini: the water table's remembered view is the "MAF" set, the fuel table's "Lambda".
    void loadRemembered(const InfoSettings& info);
    void storeRemembered(InfoSettings& info) const;

    // On the active table. Reset sets the angles to ry 180, rx 0, rz 0 and keeps the frustum.
    void resetAngles();
    // Copies the active table's angles and frustum (near and far excepted) into its remembered
    // view.
    void store();
    // Copies the remembered view back (near and far stay).
    void restore();
    // Return whether the frustum changed; zoomIn refuses a step that would leave the frustum
    // narrower than kMinimumFrustumSpan.
    bool zoomIn();
    bool zoomOut();

    // Drag rotation: from the press point, every move adds (x - x0) / 75 to rx and (y - y0) / 75
    // to rz of the active table.
    void beginDrag(int x, int y);
    void dragTo(int x, int y);

    const SurfaceValues& values() const { return m_values; }
    void setValues(const SurfaceValues& values) { m_values = values; }
    CorrectionBasis basis() const { return m_basis; }
    void setBasis(CorrectionBasis basis) { m_basis = basis; }

    // The live cell and its trail, newest first (as TableGridTools keeps them).
    const QList<LiveCell>& liveTrail() const { return m_liveTrail; }
    void setLiveTrail(const QList<LiveCell>& trail) { m_liveTrail = trail; }
    // Their positions on the surface, newest first.
    QList<ScenePoint> livePoints() const;

    // Colours over the cells instead of the height colours; nothing for the height colours.
    const std::optional<CellShades>& cellShades() const { return m_cellShades; }
    void setCellShades(const std::optional<CellShades>& shades) { m_cellShades = shades; }

    QList<SurfaceQuad> quads() const;
    QList<SceneLabel> labels() const { return surface_scene::Labels(m_basis, m_format); }
    void setDecimalFormat(const DecimalFormat& format) { m_format = format; }
    SceneColour clearColour() const { return surface_scene::ClearColour(m_active); }

private:
    static int index(TableKind table) { return table == TableKind::Water ? 0 : 1; }
    SurfaceViewState& active() { return m_views[index(m_active)]; }

    std::array<SurfaceViewState, 2> m_views;
    std::array<SurfaceViewParameters, 2> m_remembered;
    TableKind m_active = TableKind::Water;
    SurfaceValues m_values;
    CorrectionBasis m_basis = CorrectionBasis::Maf;
    QList<LiveCell> m_liveTrail;
    std::optional<CellShades> m_cellShades;
    DecimalFormat m_format;
    int m_pressX = 0;
    int m_pressY = 0;
};
