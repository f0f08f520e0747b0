#include "table_values.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

const QStringList& SpeedLabels() {
    static const QStringList labels = {QStringLiteral("670"),  QStringLiteral("780"),
                                       QStringLiteral("940"),  QStringLiteral("1200"),
                                       QStringLiteral("1600"), QStringLiteral("2400"),
                                       QStringLiteral("4800"), QStringLiteral("10000")};
    return labels;
}

const QStringList& BasisRowLabels(CorrectionBasis basis) {
    static const QStringList volts = {
        QStringLiteral("0,0"), QStringLiteral("0,6"), QStringLiteral("1,3"), QStringLiteral("1,9"),
        QStringLiteral("2,5"), QStringLiteral("3,2"), QStringLiteral("3,8"), QStringLiteral("4,4")};
    static const QStringList milliseconds = {QStringLiteral("0,1"),  QStringLiteral("3,2"),
                                             QStringLiteral("6,4"),  QStringLiteral("9,6"),
                                             QStringLiteral("12,8"), QStringLiteral("16,0"),
                                             QStringLiteral("19,2"), QStringLiteral("22,4")};
    return basis == CorrectionBasis::Maf ? volts : milliseconds;
}

QString BasisAxisCaption(CorrectionBasis basis) {
    return basis == CorrectionBasis::Maf ? QStringLiteral("V") : QStringLiteral("t, мс");
}

double FlowDivisor(int column) {
    // Column 2 is 44.12, not 30000 / 780: the module's own figure.
    static constexpr std::array<double, kTableColumns> divisors = {44.78, 44.12, 31.91, 25.0,
                                                                   18.75, 12.5,  6.25,  3.0};
    return column >= 1 && column <= kTableColumns ? divisors[size_t(column - 1)] : 1.0;
}

double RoundHalfEven(double value, int decimals) {
    if (!std::isfinite(value))
        return value;
    // The shortest text that reads back as value: what the user typed or the file held.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc())
        return value;
    std::string text(buffer, result.ptr);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.erase(0, 1);
    const size_t point = text.find('.');
    if (point == std::string::npos || text.size() - point - 1 <= size_t(decimals))
        return value;
    std::string digits = text.substr(0, point) + text.substr(point + 1, size_t(decimals));
    const char next = text[point + 1 + size_t(decimals)];
    const std::string rest = text.substr(point + 2 + size_t(decimals));
    const bool restZero = rest.find_first_not_of('0') == std::string::npos;
    bool up = next > '5' || (next == '5' && !restZero);
    if (next == '5' && restZero)
        up = (digits.back() - '0') % 2 == 1;
    if (up) {
        int i = int(digits.size()) - 1;
        while (i >= 0 && digits[size_t(i)] == '9')
            digits[size_t(i--)] = '0';
        if (i < 0)
            digits.insert(digits.begin(), '1');
        else
            ++digits[size_t(i)];
    }
    const size_t integerDigits = digits.size() - size_t(decimals);
    std::string rounded = digits.substr(0, integerDigits);
    if (decimals > 0)
        rounded += '.' + digits.substr(integerDigits);
    const double magnitude = std::strtod(rounded.c_str(), nullptr);
    return negative ? -magnitude : magnitude;
}

double PercentMinimum(TableKind kind) {
    return kind == TableKind::Fuel ? 50 : 5;
}

CellPosition EnterWalk(CellPosition from) {
    if (from.row < kTableRows)
        return {from.column, from.row + 1};
    if (from.column < kTableColumns)
        return {from.column + 1, 1};
    return {1, 1};
}
