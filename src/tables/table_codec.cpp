#include "table_codec.h"

#include "table_values.h"
#include "wire_codec.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr char kWaterColumns[] = "FEDCBA98";
constexpr char kFuelColumns[] = "76543210";
constexpr char kRows[] = "89ABCDEF";

} // namespace

QString CellAddressText(TableKind kind, int column, int row) {
    const char* columns = kind == TableKind::Water ? kWaterColumns : kFuelColumns;
    const QChar c = QLatin1Char(columns[std::clamp(column, 1, kTableColumns) - 1]);
    const QChar r = QLatin1Char(kRows[std::clamp(row, 1, kTableRows) - 1]);
    return QString(c) + r;
}

int CellEepromAddress(TableKind kind, int column, int row) {
    const int low = (kind == TableKind::Water ? 16 : 8) - column;
    return (7 + row) * 16 + low;
}

QString ReadCellCommand(TableKind kind, int column, int row) {
    return CellAddressText(kind, column, row) + QLatin1Char('*');
}

int EncodeCell(double milliseconds) {
    if (!(milliseconds >= kCellMinimum)) // NaN included
        milliseconds = kCellMinimum;
    milliseconds = std::min(milliseconds, kCellMaximum);
    return int(std::lround(RoundHalfEven(milliseconds, 1) * 10));
}

QString CellDigits(int byte) {
    return wire::HexByteTexts()[size_t(byte & 0xFF)];
}

QString WriteCellCommand(TableKind kind, int column, int row, int byte) {
    return wire::ValueToSend(byte) + CellAddressText(kind, column, row) + QLatin1Char(')');
}

double DecodeCell(int byte) {
    return byte / 10.0;
}
