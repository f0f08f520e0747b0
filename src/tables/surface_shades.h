#pragma once

#include "surface_scene.h"

// Colours laid over a table by something measured per cell (how long a recording stayed in it,
// a channel's mean there): a shade from 0 (least) to 1 (most) per cell, not a number where there
// is nothing to show. The grid and the surface share the scale.
namespace surface_scene {

// Pale yellow at 0 through green to deep green at 1: apart from the blues and reds of the
// height colours, so a coloured cell is never taken for a height.
SceneColour ShadeColour(double shade);

// The shade of each cell relative to the range of values: (value - lowest) / (highest - lowest),
// every shown cell 1 when all values are equal; cells that are not a number stay so.
CellShades ShadesOf(const std::array<double, kSurfaceCellCount>& values);

// Each quad between four cells takes the colour of the largest shade among its corners, as its
// height colour takes the largest height; a quad whose corners have no shade keeps its colour.
void ShadeQuads(QList<SurfaceQuad>& quads, const CellShades& shades);

} // namespace surface_scene
