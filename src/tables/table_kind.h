#pragma once

// The two injection tables of the module. Water is the active table when the page button
// atb_2012_Water is down, fuel when atb_2012_Fuel is down.
enum class TableKind {
    Water, // sgrid_3D_Water
    Fuel,  // sgrid_3D_Fuel
};
