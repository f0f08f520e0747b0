#pragma once

#include "dump_file.h"

#include <QString>
#include <QVector>

// Two EEPROM images side by side: the addresses whose bytes differ, each with the setting (or
// curve point, or table cell) the module keeps there.

struct ByteDifference {
    int address = 0;
    int left = 0;
    int right = 0;
    QString owner; // "OPR", "curve point 5", "water table column 1, row 1", "unused"
    bool operator==(const ByteDifference&) const = default;
};

QVector<ByteDifference> CompareDumps(const EepromImage& left, const EepromImage& right);

// What the module keeps at an EEPROM address, in the program's own names.
QString EepromAddressOwner(int address);
