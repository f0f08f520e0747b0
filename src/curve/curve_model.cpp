#include "curve_model.h"

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
    m_curve = QVector<double>(kPointCount, 0.0);
    m_edit = m_curve;
}

void CurveModel::setFormat(const DecimalFormat& format) {
    m_format = format;
    emit formatChanged();
    emit labelsChanged();
}

void CurveModel::setStretched(bool stretched) {
    m_stretched = stretched;
    emit labelsChanged();
}

std::optional<Message> CurveModel::commit(int point, const QString& typed) {
    const QString normalised = m_format.normalised(typed);
    const std::optional<double> value = m_format.parse(typed);
    if (!value || !std::isfinite(*value)) {
        emit textChanged(point); // the grid shows the kept text again
        return MakeMessage(kMsgNotNumber, {typed});
    }
    double v = *value;
    QString text = normalised.trimmed();
    if (v < 0) {
        v = 0;
        text = QStringLiteral("0");
    } else if (v > kMaxVolts) {
        v = kMaxVolts;
        text = QStringLiteral("5");
    }
    m_texts[point] = text;
    if (point < m_curve.size())
        m_curve[point] = v;
    emit textChanged(point);
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
        return false;
    }
    // Kept at nine decimals so that repeated steps do not gather binary noise.
    const double to = LimitVolts(std::round((from + direction * kStepVolts) * 1e9) / 1e9);
    setValueText(point, to);
    if (point < m_edit.size())
        m_edit[point] = to;
    emit seriesChanged();
    return true;
}

void CurveModel::drag(int point, double volts) {
    const double v = LimitVolts(RoundHalfEven(volts, 2));
    setValueText(point, v);
    if (point < m_edit.size())
        m_edit[point] = v;
    emit seriesChanged();
}

void CurveModel::clearSeries() {
    m_curve.clear();
    m_edit.clear();
    emit seriesChanged();
}

void CurveModel::acceptRead(int point, double volts) {
    if (point == m_curve.size())
        m_curve.append(volts);
    if (point == m_edit.size())
        m_edit.append(volts);
    setValueText(point, TruncateDecimals(volts, 2));
    emit seriesChanged();
}

void CurveModel::load(const QStringList& texts, const QVector<double>& values) {
    m_curve = values;
    m_edit = values;
    for (int i = 0; i < kPointCount && i < texts.size(); ++i) {
        m_texts[i] = texts.at(i);
        emit textChanged(i);
    }
    emit seriesChanged();
}

void CurveModel::acceptValues(int from, int to, const QVector<double>& valuesByPoint) {
    if (m_curve.size() < kPointCount)
        m_curve.resize(kPointCount);
    if (m_edit.size() < kPointCount)
        m_edit.resize(kPointCount);
    for (int i = std::max(0, from); i <= to && i < kPointCount && i < valuesByPoint.size(); ++i) {
        const double v = LimitVolts(valuesByPoint.at(i));
        m_curve[i] = v;
        m_edit[i] = v;
        setValueText(i, TruncateDecimals(v, 2));
    }
    emit seriesChanged();
}

void CurveModel::setText(int point, const QString& text) {
    m_texts[point] = text;
    emit textChanged(point);
}

void CurveModel::restore(const QStringList& texts, const QVector<double>& curve,
                         const QVector<double>& edit) {
    m_curve = curve;
    m_edit = edit;
    for (int i = 0; i < kPointCount && i < texts.size(); ++i) {
        if (m_texts.at(i) != texts.at(i)) {
            m_texts[i] = texts.at(i);
            emit textChanged(i);
        }
    }
    emit seriesChanged();
}

void CurveModel::setValueText(int point, double value) {
    m_texts[point] = m_format.format(value);
    emit textChanged(point);
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
