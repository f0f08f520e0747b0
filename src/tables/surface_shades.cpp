#include "surface_shades.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace surface_scene {

namespace {

// Quads lie between rows 1 … 7 and columns 1 … 7, row by row, like Quads() makes them.
constexpr int kQuadsPerSide = 7;

} // namespace

SceneColour ShadeColour(double shade) {
    const double s = std::clamp(std::isfinite(shade) ? shade : 0.0, 0.0, 1.0);
    // Two straight runs: pale yellow to green, green to deep green.
    constexpr SceneColour pale{1.0, 0.95, 0.55, 0.9};
    constexpr SceneColour green{0.45, 0.8, 0.25, 0.9};
    constexpr SceneColour deep{0.0, 0.45, 0.15, 0.9};
    const auto mix = [](const SceneColour& a, const SceneColour& b, double t) {
        return SceneColour{a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t,
                           a.blue + (b.blue - a.blue) * t, a.alpha};
    };
    return s <= 0.5 ? mix(pale, green, s * 2) : mix(green, deep, (s - 0.5) * 2);
}

CellShades ShadesOf(const std::array<double, kSurfaceCellCount>& values) {
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -std::numeric_limits<double>::infinity();
    for (const double v : values) {
        if (std::isfinite(v)) {
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
        }
    }
    CellShades shades;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!std::isfinite(values[i]))
            shades[i] = std::numeric_limits<double>::quiet_NaN();
        else
            shades[i] = highest > lowest ? (values[i] - lowest) / (highest - lowest) : 1.0;
    }
    return shades;
}

void ShadeQuads(QList<SurfaceQuad>& quads, const CellShades& shades) {
    for (int row = 1; row <= kQuadsPerSide; ++row) {
        for (int column = 1; column <= kQuadsPerSide; ++column) {
            const qsizetype q = qsizetype(row - 1) * kQuadsPerSide + (column - 1);
            if (q >= quads.size())
                return;
            const std::size_t i = std::size_t(8 * (row - 1) + (column - 1));
            double largest = std::numeric_limits<double>::quiet_NaN();
            for (const std::size_t corner : {i, i + 1, i + 8, i + 9}) {
                if (std::isfinite(shades[corner]) && !(largest >= shades[corner]))
                    largest = shades[corner];
            }
            if (std::isfinite(largest))
                quads[q].fill = ShadeColour(largest);
        }
    }
}

} // namespace surface_scene
