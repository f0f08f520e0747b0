#include "decimal_format.h"

#include <QLocale>

#include <cmath>
#include <cstdlib>

namespace {

constexpr int kSignificantDigits = 15;

QChar SystemSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.isEmpty() ? QChar(u'.') : point.at(0);
}

} // namespace

DecimalFormat::DecimalFormat() : m_separator(SystemSeparator()) {}

DecimalFormat::DecimalFormat(QChar separator) : m_separator(separator) {}

QString DecimalFormat::format(double value) const {
    if (!std::isfinite(value))
        return value != value ? QStringLiteral("NAN")
               : value > 0    ? QStringLiteral("INF")
                              : QStringLiteral("-INF");
    if (value == 0)
        return QStringLiteral("0");

    // "d.dddddddddddddde±x": the rounding to 15 significant digits is done here, once.
    const QString scientific = QString::number(value, 'e', kSignificantDigits - 1);
    const qsizetype exponentAt = scientific.indexOf(u'e');
    const bool negative = scientific.startsWith(u'-');
    QString digits = scientific.left(exponentAt).remove(u'-').remove(u'.');
    const int exponent = scientific.mid(exponentAt + 1).toInt();
    while (digits.size() > 1 && digits.endsWith(u'0'))
        digits.chop(1);

    QString text;
    if (negative)
        text += u'-';
    if (exponent >= -5 && exponent < kSignificantDigits) {
        if (exponent < 0) {
            text += u'0';
            text += m_separator;
            text += QString(-exponent - 1, u'0');
            text += digits;
        } else {
            const qsizetype integerDigits = exponent + 1;
            if (digits.size() <= integerDigits) {
                text += digits;
                text += QString(integerDigits - digits.size(), u'0');
            } else {
                text += digits.left(integerDigits);
                text += m_separator;
                text += digits.mid(integerDigits);
            }
        }
    } else {
        text += digits.at(0);
        if (digits.size() > 1) {
            text += m_separator;
            text += digits.mid(1);
        }
        text += u'E';
        text += QString::number(exponent);
    }
    return text;
}

QString DecimalFormat::normalised(const QString& text) const {
    QString result = text;
    QChar other;
    if (m_separator == u',')
        other = u'.';
    else if (m_separator == u'.')
        other = u',';
    else
        return result;
    const qsizetype at = result.indexOf(other);
    if (at >= 0)
        result[at] = m_separator;
    return result;
}

std::optional<double> DecimalFormat::parse(const QString& text) const {
    QString plain = normalised(text).trimmed();
    if (plain.isEmpty())
        return std::nullopt;
    if (m_separator != u'.') {
        // A point surviving normalisation is not ours to accept (the first one was converted).
        if (plain.contains(u'.'))
            return std::nullopt;
        plain.replace(m_separator, u'.');
    }
    // Only digits, one separator, a sign and an exponent; no group separators, no "inf".
    for (QChar c : plain) {
        if (!(c.isDigit() && c.unicode() < 128) && c != u'.' && c != u'-' && c != u'+' &&
            c != u'e' && c != u'E')
            return std::nullopt;
    }
    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QLocale DecimalFormat::locale() const {
    QLocale locale(m_separator == QLatin1Char(',') ? QLocale::German : QLocale::C);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}
