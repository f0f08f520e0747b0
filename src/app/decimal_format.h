#pragma once

#include <QChar>
#include <QLocale>
#include <QString>

#include <optional>

// Decimal numbers shown in controls and written to files: the general format (up to 15
// significant digits, no trailing zeros) with the decimal separator of the system. Files written
// on a system with the other separator still read: the first '.' or ',' is taken as the
// separator. The separator is injectable so tests run with both.
class DecimalFormat {
public:
    // The system's decimal separator.
    DecimalFormat();
    explicit DecimalFormat(QChar separator);

    QChar separator() const { return m_separator; }

    // 15 significant digits, no trailing zeros, no exponent for magnitudes from 1e-5 up to 1e15;
    // outside that range "1,5E20" or "1E-7".
    QString format(double value) const;

    // With a comma separator the first '.' becomes ',', with a point separator the first ','
    // becomes '.'; then the text must be a number written with the separator. Blanks around the
    // number are allowed.
    std::optional<double> parse(const QString& text) const;

    QString normalised(const QString& text) const;

    // A locale that writes numbers with this separator and no digit grouping, for widgets that
    // format their own numbers (chart axes), so they agree with the rest of the display.
    QLocale locale() const;

private:
    QChar m_separator;
};
