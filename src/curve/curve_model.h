#pragma once

#include "curve_codec.h"
#include "curve_messages.h"
#include "decimal_format.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

namespace curve {

inline constexpr double kStepVolts = 0.02;
inline constexpr int kLabelBlanks = 18;

// The position label of point i: i, or i / 2 with the stretched lambda emulator range
// (LDiapazone), in the number format.
QString PositionText(int point, bool stretched, const DecimalFormat& format);
// Column 0 of sgrid_Emu: 18 blanks and the position.
QString PointLabel(int point, bool stretched, const DecimalFormat& format);

// The 64-point emulation curve: the value texts of sgrid_Emu's column 1 (what is written to the
// module and to files) and their values, the one series the chart draws, drags and steps and
// the proposals start from. A value is always the number of its text (NaN for a text that is
// not a number), so the chart, the grid and a write never differ.
class CurveModel : public QObject {
    Q_OBJECT
public:
    explicit CurveModel(QObject* parent = nullptr);

    const DecimalFormat& format() const { return m_format; }
    void setFormat(const DecimalFormat& format);

    bool stretched() const { return m_stretched; }
    void setStretched(bool stretched);
    QString label(int point) const { return PointLabel(point, m_stretched, m_format); }
    QString positionText(int point) const { return PositionText(point, m_stretched, m_format); }

    const QString& text(int point) const { return m_texts.at(point); }
    const QStringList& texts() const { return m_texts; }
    // The 64 values of the texts, point by point.
    const QVector<double>& values() const { return m_values; }

    // sgrid_EmuKeyDown: the typed text of a row is committed. The first '.' or ',' becomes the
    // system separator; a value below 0 is written back as "0", above 5 as "5"; otherwise the
    // text stays as typed (no rounding). A text that is not a number changes nothing and is
    // reported.
    std::optional<Message> commit(int point, const QString& typed);

    // A step button: the row's value lowered (direction -1) or raised (+1) by 0.02 within 0..5.
    // False when the value cannot move further that way (the step that reached the limit still
    // returns true).
    bool step(int point, int direction);

    // Dragging on the chart: the value rounded to 0.01 (halves to even) and limited to 0..5.
    void drag(int point, double volts);

    // A read starts (or the lambda training was switched off): the chart draws again; the
    // values stay those of the grid until points are read.
    void clearSeries();
    // A point read from the module, truncated to two decimals, into the text.
    void acceptRead(int point, double volts);
    // A curve file's 64 lines (already checked): the texts as read.
    void load(const QStringList& texts);
    // An accepted proposal: the values, limited to 0..5 and truncated to two decimals, for
    // points from .. to; the other points keep theirs.
    void acceptValues(int from, int to, const QVector<double>& valuesByPoint);
    // A text as it is (not checked): the value follows it.
    void setText(int point, const QString& text);
    // Undo and redo: the texts as they were, all at once.
    void restore(const QStringList& texts);

    // The bytes a write sends: every text converted and limited to 0..5 V. Nothing and a message
    // naming the point when a text is not a number.
    std::optional<QVector<int>> bytesToWrite(Message* error) const;
    std::optional<int> byteToWrite(int point) const;

signals:
    void textChanged(int point);
    void seriesChanged();
    void labelsChanged();
    void formatChanged();

private:
    void setValueText(int point, double value);
    void setPointText(int point, const QString& text);

    DecimalFormat m_format;
    bool m_stretched = false;
    QStringList m_texts;
    QVector<double> m_values;
};

} // namespace curve
