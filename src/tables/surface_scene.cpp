#include "surface_scene.h"

#include "surface_shades.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace surface_scene {

namespace {

constexpr double kWallBottomY = -0.8;
constexpr double kWallTopY = 1.0;
constexpr double kWallRowStep = 0.2;
constexpr int kWallRows = 9;
constexpr double kBackWallZ = 0.75;
constexpr double kSideWallX = -0.75;
constexpr double kFirstRowX = 1.0;
constexpr double kFirstColumnZ = -1.0;
constexpr int kGridCells = 7;
// The labels: the speeds along the edge of row 1, the rows along the open edge of column 1 (the
// back wall stands on column 8), the height scale up the free vertical edge of the back wall,
// where speeds and scale meet as the axes of a chart do.
constexpr double kBaseCentreX = 0.125;
constexpr double kBaseCentreZ = -0.125;
constexpr double kLabelGap = 4; // pixels between an anchor and its text
constexpr int kScaleSteps = 10; // 0.00 .. 25.50 in steps of 2.55
constexpr double kScaleStep = 2.55;

SceneMatrix Identity() {
    SceneMatrix m{};
    m[0] = m[5] = m[10] = m[15] = 1;
    return m;
}

SceneMatrix Multiply(const SceneMatrix& a, const SceneMatrix& b) {
    SceneMatrix r{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a[k * 4 + row] * b[column * 4 + k];
            r[column * 4 + row] = sum;
        }
    return r;
}

SceneMatrix Translation(double x, double y, double z) {
    SceneMatrix m = Identity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

// Rotation about one of the axes (0 = x, 1 = y, 2 = z), as glRotate turns.
SceneMatrix Rotation(double degrees, int axis) {
    const double a = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    SceneMatrix m = Identity();
    const int i = (axis + 1) % 3; // the plane turned: i -> j
    const int j = (axis + 2) % 3;
    m[i * 4 + i] = c;
    m[i * 4 + j] = s;
    m[j * 4 + i] = -s;
    m[j * 4 + j] = c;
    return m;
}

std::array<double, 4> Transform(const SceneMatrix& m, const std::array<double, 4>& v) {
    std::array<double, 4> r{};
    for (int row = 0; row < 4; ++row)
        for (int k = 0; k < 4; ++k)
            r[row] += m[k * 4 + row] * v[k];
    return r;
}

bool Finite(const SurfaceViewParameters& p) {
    for (float v : {p.ry, p.rx, p.rz, p.vLeft, p.vRight, p.vBottom, p.vTop})
        if (!std::isfinite(v))
            return false;
    return true;
}

} // namespace

double HeightOf(double milliseconds) {
    return milliseconds * kHeightScale - 1.0;
}

SceneColour QuadColour(double m) {
    // Each later passing test overrides the earlier ones.
    SceneColour c{0.1, 0.1, 0.5, 0.9};
    if (m > -0.7)
        c = {0.1, 0.1, 0.75, 0.9};
    if (m > -0.3)
        c = {0.1, 0.1, 1.0, 0.9};
    if (m > 0)
        c = {0.5, 0.1, 0.1, 0.9};
    if (m > 0.3)
        c = {0.75, 0.1, 0.1, 0.9};
    if (m > 0.7)
        c = {1.0, 0.1, 0.1, 0.9};
    return c;
}

SceneColour ClearColour(TableKind table) {
    return table == TableKind::Water ? SceneColour{0.4745, 0.7412, 0.8431, 1}
                                     : SceneColour{0.8549, 0.7529, 0.6039, 1};
}

SceneColour GridColour() {
    return {0.1, 0.1, 0.1, 1};
}

double RowX(int row) {
    return kFirstRowX - kCellStep * (row - 1);
}

double ColumnZ(int column) {
    return kFirstColumnZ + kCellStep * (column - 1);
}

ScenePoint LivePoint(const SurfaceValues& values, const LiveCell& cell) {
    const double row = std::clamp(std::isfinite(cell.row) ? cell.row : 1.0, 1.0, 8.0);
    const double column = std::clamp(std::isfinite(cell.column) ? cell.column : 1.0, 1.0, 8.0);
    const int r = std::min(int(row), 7); // the cell at the upper left of the point, 1..7
    const int c = std::min(int(column), 7);
    const double fr = row - r;
    const double fc = column - c;
    const auto height = [&values](int rr, int cc) {
        const double v = values[8 * (rr - 1) + (cc - 1)];
        return std::isfinite(v) ? v * kHeightScale : 0.0;
    };
    const double top = height(r, c) * (1 - fc) + height(r, c + 1) * fc;
    const double bottom = height(r + 1, c) * (1 - fc) + height(r + 1, c + 1) * fc;
    return {kFirstRowX - kCellStep * (row - 1), top * (1 - fr) + bottom * fr - 1.0,
            kFirstColumnZ + kCellStep * (column - 1)};
}

QList<SceneLine> WallLines() {
    QList<SceneLine> lines;
    const double farX = kFirstRowX;
    const double farZ = ColumnZ(8);
    for (int k = 0; k <= kGridCells; ++k) {
        const double x = kSideWallX + kCellStep * k;
        const double z = kFirstColumnZ + kCellStep * k;
        // Back wall (z = 0.75) and side wall (x = -0.75): the vertical lines.
        lines.append(SceneLine{{x, kWallBottomY, kBackWallZ}, {x, kWallTopY, kBackWallZ}});
        lines.append(SceneLine{{kSideWallX, kWallBottomY, z}, {kSideWallX, kWallTopY, z}});
        // Floor (y = -1).
        lines.append(SceneLine{{x, kFloorY, kFirstColumnZ}, {x, kFloorY, farZ}});
        lines.append(SceneLine{{kSideWallX, kFloorY, z}, {farX, kFloorY, z}});
    }
    for (int j = 0; j <= kWallRows; ++j) {
        const double y = kWallBottomY + kWallRowStep * j;
        lines.append(SceneLine{{kSideWallX, y, kBackWallZ}, {farX, y, kBackWallZ}});
        lines.append(SceneLine{{kSideWallX, y, kFirstColumnZ}, {kSideWallX, y, farZ}});
    }
    return lines;
}

QList<SurfaceQuad> Quads(const SurfaceValues& values) {
    std::array<double, kSurfaceCellCount> h{};
    for (int i = 0; i < kSurfaceCellCount; ++i)
        h[i] = std::isfinite(values[i]) ? values[i] * kHeightScale : 0.0;
    QList<SurfaceQuad> quads;
    quads.reserve(kGridCells * kGridCells);
    for (int row = 1; row <= kGridCells; ++row)
        for (int column = 1; column <= kGridCells; ++column) {
            const int i = 8 * (row - 1) + (column - 1);
            const double x = RowX(row);
            const double z = ColumnZ(column);
            SurfaceQuad q;
            q.corners = {ScenePoint{x, h[i] - 1, z}, ScenePoint{x, h[i + 1] - 1, z + kCellStep},
                         ScenePoint{x - kCellStep, h[i + 9] - 1, z + kCellStep},
                         ScenePoint{x - kCellStep, h[i + 8] - 1, z}};
            q.fill = QuadColour(std::max({h[i], h[i + 1], h[i + 9], h[i + 8]}));
            quads.append(q);
        }
    return quads;
}

QStringList SpeedLabelTexts() {
    return {QStringLiteral("670"),  QStringLiteral("780"),  QStringLiteral("940"),
            QStringLiteral("1200"), QStringLiteral("1600"), QStringLiteral("2400"),
            QStringLiteral("4800"), QStringLiteral("10000")};
}

QStringList RowLabelTexts(CorrectionBasis basis) {
    if (basis == CorrectionBasis::InjectionTime)
        return {QStringLiteral("0,0"),  QStringLiteral("3,2"),  QStringLiteral("6,4"),
                QStringLiteral("9,6"),  QStringLiteral("12,8"), QStringLiteral("16,0"),
                QStringLiteral("19,2"), QStringLiteral("22,4")};
    return {QStringLiteral("0,0"), QStringLiteral("0,6"), QStringLiteral("1,3"),
            QStringLiteral("1,9"), QStringLiteral("2,5"), QStringLiteral("3,2"),
            QStringLiteral("3,8"), QStringLiteral("4,4")};
}

QStringList HeightScaleTexts() {
    QStringList texts;
    for (int k = 0; k <= kScaleSteps; ++k) {
        const int hundredths = k * 255;
        texts << QStringLiteral("%1.%2")
                     .arg(hundredths / 100)
                     .arg(hundredths % 100, 2, 10, QLatin1Char('0'));
    }
    return texts;
}

// Each label is pushed straight out of its edge (away from the base's middle line across that
// edge), so the labels that share a corner go different ways.
QList<SceneLabel> Labels(CorrectionBasis basis, const DecimalFormat& format) {
    QList<SceneLabel> labels;
    const QStringList speeds = SpeedLabelTexts();
    for (int column = 1; column <= 8; ++column) {
        const double z = ColumnZ(column);
        labels.append(SceneLabel{SceneLabelKind::Speed,
                                 speeds[column - 1],
                                 {RowX(1), kFloorY, z},
                                 {kBaseCentreX, kFloorY, z}});
    }
    const QStringList rows = RowLabelTexts(basis);
    for (int row = 1; row <= 8; ++row) {
        const double x = RowX(row);
        labels.append(SceneLabel{SceneLabelKind::Row,
                                 format.normalised(rows[row - 1]),
                                 {x, kFloorY, ColumnZ(1)},
                                 {x, kFloorY, kBaseCentreZ}});
    }
    const QStringList scale = HeightScaleTexts();
    for (int k = 0; k <= kScaleSteps; ++k) {
        // Out of the back wall's plane at its own height, so each stays level with its value.
        const double y = HeightOf(kScaleStep * k);
        labels.append(SceneLabel{SceneLabelKind::HeightScale,
                                 format.normalised(scale[k]),
                                 {RowX(1), y, kBackWallZ},
                                 {RowX(1), y, kBaseCentreZ}});
    }
    return labels;
}

std::optional<QRectF> LabelBox(const SurfaceViewState& view, const SceneLabel& label,
                               double textWidth, double textHeight, int width, int height) {
    const std::optional<ScreenPoint> at = Project(view, label.anchor, width, height);
    const std::optional<ScreenPoint> from = Project(view, label.awayFrom, width, height);
    if (!at || !from)
        return std::nullopt;
    double dx = at->x - from->x;
    double dy = at->y - from->y;
    const double length = std::hypot(dx, dy);
    if (length < 1e-9) {
        dx = 0;
        dy = 1; // seen end-on: below the anchor
    } else {
        dx /= length;
        dy /= length;
    }
    // Far enough along the direction that the nearest point of the box is kLabelGap away.
    const double reach = kLabelGap + std::abs(dx) * textWidth / 2 + std::abs(dy) * textHeight / 2;
    const double cx = at->x + dx * reach;
    const double cy = at->y + dy * reach;
    return QRectF(cx - textWidth / 2, cy - textHeight / 2, textWidth, textHeight);
}

SceneMatrix Projection(const SurfaceViewState& view, int width, int height) {
    SurfaceViewState v = view;
    if (width > 0 && height > 0) {
        const double aspect = double(width) / height;
        const double middleX = (v.left + v.right) / 2;
        const double middleY = (v.bottom + v.top) / 2;
        const double halfX = (v.right - v.left) / 2 * std::max(aspect, 1.0);
        const double halfY = (v.top - v.bottom) / 2 * std::max(1 / aspect, 1.0);
        v.left = middleX - halfX;
        v.right = middleX + halfX;
        v.bottom = middleY - halfY;
        v.top = middleY + halfY;
    }
    SceneMatrix m{};
    const double w = v.right - v.left;
    const double h = v.top - v.bottom;
    const double d = v.zFar - v.zNear;
    m[0] = 2 * v.zNear / w;
    m[5] = 2 * v.zNear / h;
    m[8] = (v.right + v.left) / w;
    m[9] = (v.top + v.bottom) / h;
    m[10] = -(v.zFar + v.zNear) / d;
    m[11] = -1;
    m[14] = -2 * v.zFar * v.zNear / d;
    return m;
}

SceneMatrix ModelView(const SurfaceViewState& v) {
    SceneMatrix m = Translation(0, 0, -8);
    m = Multiply(m, Rotation(30, 0));
    m = Multiply(m, Rotation(70, 1));
    m = Multiply(m, Rotation(v.rx, 0));
    m = Multiply(m, Rotation(v.ry, 1));
    m = Multiply(m, Rotation(v.rz, 2));
    return m;
}

std::optional<ScreenPoint> Project(const SurfaceViewState& view, const ScenePoint& point, int width,
                                   int height) {
    const std::array<double, 4> eye = Transform(ModelView(view), {point.x, point.y, point.z, 1});
    const std::array<double, 4> clip = Transform(Projection(view, width, height), eye);
    if (!(clip[3] > 0))
        return std::nullopt;
    const double nx = clip[0] / clip[3];
    const double ny = clip[1] / clip[3];
    return ScreenPoint{(nx + 1) / 2 * width, (1 - ny) / 2 * height, -eye[2]};
}

int LabelPixelSize(const SurfaceViewState& view, int width, int height) {
    // Pixels per scene unit at the middle of the picture, from the narrower frustum side over the
    // shorter panel side (the longer one is widened to keep the proportions).
    const double span = std::min(view.right - view.left, view.top - view.bottom);
    constexpr int kSmallest = 9;
    constexpr int kLargest = 16;
    if (!(span > 0))
        return kSmallest;
    const double pixelsPerUnit = std::min(width, height) / span;
    return std::clamp(int(std::lround(pixelsPerUnit * 0.056)), kSmallest, kLargest);
}

PlacedLabels PlaceLabels(const SurfaceViewState& view, const QList<SceneLabel>& labels,
                         const std::function<QSizeF(const QString&, int)>& measure, int width,
                         int height) {
    // The digits fill about this much of a text line's height.
    constexpr double kInkShare = 0.7;
    PlacedLabels placed;
    placed.pixelSizes.resize(labels.size());
    placed.boxes.resize(labels.size());
    const int start = LabelPixelSize(view, width, height);
    for (const SceneLabelKind kind :
         {SceneLabelKind::Speed, SceneLabelKind::Row, SceneLabelKind::HeightScale}) {
        for (int size = start;; --size) {
            bool crowded = false;
            QRectF previousInk;
            for (qsizetype i = 0; i < labels.size(); ++i) {
                if (labels[i].kind != kind)
                    continue;
                const QSizeF text = measure(labels[i].text, size);
                const std::optional<QRectF> box =
                    LabelBox(view, labels[i], text.width(), text.height(), width, height);
                placed.pixelSizes[i] = size;
                placed.boxes[i] = box.value_or(QRectF());
                if (!box)
                    continue;
                const double margin = box->height() * (1 - kInkShare) / 2;
                const QRectF ink = box->adjusted(0, margin, 0, -margin);
                crowded = crowded || (previousInk.isValid() && previousInk.intersects(ink));
                previousInk = ink;
            }
            if (!crowded || size <= kSmallestLabelPixels)
                break;
        }
    }
    return placed;
}

bool FrustumValid(const SurfaceViewState& v) {
    for (double d : {v.left, v.right, v.bottom, v.top, v.zNear, v.zFar})
        if (!std::isfinite(d))
            return false;
    return v.left < v.right && v.bottom < v.top && 0 < v.zNear && v.zNear < v.zFar;
}

SurfaceViewParameters RememberedFromStored(const SurfaceViewTimes100& stored) {
    SurfaceViewParameters p = ToSurfaceViewParameters(stored);
    const SurfaceViewParameters defaults;
    if (!Finite(p) || !(p.vLeft < p.vRight) || !(p.vBottom < p.vTop)) {
        p.vLeft = defaults.vLeft;
        p.vRight = defaults.vRight;
        p.vBottom = defaults.vBottom;
        p.vTop = defaults.vTop;
    }
    for (float* angle : {&p.ry, &p.rx, &p.rz})
        if (!std::isfinite(*angle))
            *angle = 0;
    return p;
}

SurfaceViewTimes100 StoredFromRemembered(const SurfaceViewParameters& remembered) {
    return ToSurfaceViewTimes100(remembered);
}

} // namespace surface_scene

QList<ScenePoint> SurfaceScene::livePoints() const {
    QList<ScenePoint> points;
    points.reserve(m_liveTrail.size());
    for (const LiveCell& cell : m_liveTrail)
        points.append(surface_scene::LivePoint(m_values, cell));
    return points;
}

SurfaceScene::SurfaceScene() {
    m_values.fill(0.01);
    // Until a view is stored (or read from Info_A.ini), restoring gives the view a table starts
    // with, not the zero angles that show the surface from behind.
    const SurfaceViewState start;
    m_remembered.fill({start.ry, start.rx, start.rz, float(start.left), float(start.right),
                       float(start.bottom), float(start.top)});
}

void SurfaceScene::loadRemembered(const InfoSettings& info) {
    m_remembered[index(TableKind::Water)] = surface_scene::RememberedFromStored(info.surfaceMaf);
    m_remembered[index(TableKind::Fuel)] = surface_scene::RememberedFromStored(info.surfaceLambda);
}

void SurfaceScene::storeRemembered(InfoSettings& info) const {
    info.surfaceMaf = surface_scene::StoredFromRemembered(m_remembered[index(TableKind::Water)]);
    info.surfaceLambda = surface_scene::StoredFromRemembered(m_remembered[index(TableKind::Fuel)]);
}

void SurfaceScene::resetAngles() {
    const SurfaceViewState defaults;
    SurfaceViewState& v = active();
    v.ry = defaults.ry;
    v.rx = defaults.rx;
    v.rz = defaults.rz;
}

void SurfaceScene::store() {
    const SurfaceViewState& v = active();
    m_remembered[index(m_active)] = {
        v.ry, v.rx, v.rz, float(v.left), float(v.right), float(v.bottom), float(v.top)};
}

void SurfaceScene::restore() {
    const SurfaceViewParameters& r = m_remembered[index(m_active)];
    SurfaceViewState& v = active();
    v.ry = r.ry;
    v.rx = r.rx;
    v.rz = r.rz;
    v.left = r.vLeft;
    v.right = r.vRight;
    v.bottom = r.vBottom;
    v.top = r.vTop;
}

bool SurfaceScene::zoomIn() {
    using namespace surface_scene;
    SurfaceViewState next = active();
    next.left += kZoomStep;
    next.right -= kZoomStep;
    next.bottom += kZoomStep;
    next.top -= kZoomStep;
    // A tolerance for the rounding of repeated steps: nine steps from the default span of 2 must
    // reach 0.2, not refuse at 0.19999999999999984.
    constexpr double kTolerance = 1e-9;
    if (next.right - next.left < kMinimumFrustumSpan - kTolerance ||
        next.top - next.bottom < kMinimumFrustumSpan - kTolerance || !FrustumValid(next))
        return false;
    active() = next;
    return true;
}

bool SurfaceScene::zoomOut() {
    using namespace surface_scene;
    SurfaceViewState next = active();
    next.left -= kZoomStep;
    next.right += kZoomStep;
    next.bottom -= kZoomStep;
    next.top += kZoomStep;
    if (!FrustumValid(next))
        return false;
    active() = next;
    return true;
}

void SurfaceScene::beginDrag(int x, int y) {
    m_pressX = x;
    m_pressY = y;
}

void SurfaceScene::dragTo(int x, int y) {
    SurfaceViewState& v = active();
    v.rx += float(x - m_pressX) / 75.0f;
    v.rz += float(y - m_pressY) / 75.0f;
}

QList<SurfaceQuad> SurfaceScene::quads() const {
    QList<SurfaceQuad> quads = surface_scene::Quads(m_values);
    if (m_cellShades)
        surface_scene::ShadeQuads(quads, *m_cellShades);
    return quads;
}
