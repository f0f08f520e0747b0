#pragma once

#include "table_kind.h"

#include <QString>

#include <optional>

// A table cell in the module: one byte in units of 0.1 ms at an address given by two characters,
// the column character then the row character. Water columns 1..8 are "F".."8", fuel columns
// "7".."0", rows 1..8 "8".."F". Read low digit first, the characters are the EEPROM address: the
// water cell at column 1, row 1 ("F8") is EEPROM-8F.
QString CellAddressText(TableKind kind, int column, int row);
int CellEepromAddress(TableKind kind, int column, int row);

// "F8*"
QString ReadCellCommand(TableKind kind, int column, int row);
// The byte stored for a value: clamped to 0.01..25.5 ms first (a value from a file may lie
// outside), then value x 10 rounded to the nearest integer, halves to the even neighbour.
int EncodeCell(double milliseconds);
// Two hex digits high digit first, as the verify pass compares them: 0x1A -> "1A".
QString CellDigits(int byte);
// The write command: the digits low first, the address, ")": 2.6 ms at water (1, 1) -> "A1F8)".
QString WriteCellCommand(TableKind kind, int column, int row, int byte);
// The value of a cell byte in milliseconds.
double DecodeCell(int byte);
