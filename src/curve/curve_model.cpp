#include "curve_model.h"

#include <QtNumeric>

#include <algorithm>
#include <cmath>

namespace curve {

QString PositionText(int point, bool stretched, const DecimalFormat& format) {
    return format.format(stretched ? point / 2.0 : double(point));
}

QString PointLabel(int point, bool stretched, const DecimalFormat& format) {
    return QString(kLabelBlanks, QLatin1Char(' ')) + PositionText(point, stretched, format);
}

CurveModel::CurveModel(QObject* parent) : QObject(parent) {
    for (int i = 0; i < kPointCount; ++i)
        m_texts.append(QStringLiteral("0"));
    m_values = QVector<double>(kPointCount, 0.0);
}

void CurveModel::setFormat(const DecimalFormat& format) {
    m_format = format;
    for (int i = 0; i < kPointCount; ++i)
        m_values[i] = m_format.parse(m_texts.at(i)).value_or(qQNaN());
    emit formatChanged();
    emit labelsChanged();
    emit seriesChanged();
}

void CurveModel::setStretched(bool stretched) {
    m_stretched = stretched;
    emit labelsChanged();
}

void CurveModel::setPointText(int point, const QString& text) {
    if (point < 0 || point >= kPointCount)
        return;
    m_texts[point] = text;
    const std::optional<double> v = m_format.parse(text);
    m_values[point] = v && std::isfinite(*v) ? *v : qQNaN();
    emit textChanged(point);
}

std::optional<Message> CurveModel::commit(int point, const QString& typed) {
    const QString normalised = m_format.normalised(typed);
    const std::optional<double> value = m_format.parse(typed);
    if (!value || !std::isfinite(*value)) {
        emit textChanged(point); // the grid shows the kept text again
        return MakeMessage(kMsgNotNumber, {typed});
    }
    QString text = normalised.trimmed();
    if (*value < 0)
        text = QStringLiteral("0");
    else if (*value > kMaxVolts)
        text = QStringLiteral("5");
    setPointText(point, text);
    emit seriesChanged();
    return std::nullopt;
}

bool CurveModel::step(int point, int direction) {
    const std::optional<double> current = m_format.parse(m_texts.at(point));
    if (!current || !std::isfinite(*current))
        return false; // a text that is not a number is left for the user to correct
    const double from = LimitVolts(*current);
    if ((direction < 0 && from <= 0) || (direction > 0 && from >= kMaxVolts)) {
        setValueText(point, from);
        emit seriesChanged();
        return false;
    }
    // Kept at nine decimals so that repeated steps do not gather binary noise.
    const double to = LimitVolts(std::round((from + direction * kStepVolts) * 1e9) / 1e9);
    setValueText(point, to);
    emit seriesChanged();
    return true;
}

void CurveModel::drag(int point, double volts) {
    setValueText(point, LimitVolts(RoundHalfEven(volts, 2)));
    emit seriesChanged();
}

void CurveModel::clearSeries() {
    emit seriesChanged();
}

void CurveModel::acceptRead(int point, double volts) {
    setValueText(point, TruncateDecimals(volts, 2));
    emit seriesChanged();
}

void CurveModel::load(const QStringList& texts) {
    for (int i = 0; i < kPointCount && i < texts.size(); ++i)
        setPointText(i, texts.at(i));
    emit seriesChanged();
}

void CurveModel::acceptValues(int from, int to, const QVector<double>& valuesByPoint) {
    for (int i = std::max(0, from); i <= to && i < kPointCount && i < valuesByPoint.size(); ++i)
        setValueText(i, TruncateDecimals(LimitVolts(valuesByPoint.at(i)), 2));
    emit seriesChanged();
}

void CurveModel::setText(int point, const QString& text) {
    setPointText(point, text);
    emit seriesChanged();
}

void CurveModel::restore(const QStringList& texts) {
    for (int i = 0; i < kPointCount && i < texts.size(); ++i) {
        if (m_texts.at(i) != texts.at(i))
            setPointText(i, texts.at(i));
    }
    emit seriesChanged();
}

void CurveModel::setValueText(int point, double value) {
    setPointText(point, m_format.format(value));
}

std::optional<int> CurveModel::byteToWrite(int point) const {
    const std::optional<double> value = m_format.parse(m_texts.at(point));
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return EncodeVolts(*value);
}

std::optional<QVector<int>> CurveModel::bytesToWrite(Message* error) const {
    QVector<int> bytes;
    for (int i = 0; i < kPointCount; ++i) {
        const std::optional<int> byte = byteToWrite(i);
        if (!byte) {
            if (error)
                *error = MakeMessage(kMsgGridNotNumber, {QString::number(i), m_texts.at(i)});
            return std::nullopt;
        }
        bytes.append(*byte);
    }
    return bytes;
}

} // namespace curve
