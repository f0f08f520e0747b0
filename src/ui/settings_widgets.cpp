#include "settings_widgets.h"

#include <QPainter>

#include <cmath>

ScaleBar::ScaleBar(NumericSetting setting, QWidget* parent) : QWidget(parent), m_setting(setting) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(34);
}

void ScaleBar::setWindow(const std::optional<ScaleWindow>& window) {
    if (m_window == window)
        return;
    m_window = window;
    update();
}

void ScaleBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect area = rect().adjusted(0, 0, -1, -1);
    p.fillRect(area, Qt::white);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(area);
    const QRectF plot(area.left() + 4, area.top() + 2, area.width() - 8, 16);
    if (!m_window || m_window->maximum <= m_window->minimum) {
        // No value yet: the scale's frame and axis, greyed, so the box reads as an empty scale.
        p.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
        p.drawRect(plot);
        p.drawLine(QPointF(plot.left(), plot.bottom() + 3),
                   QPointF(plot.right(), plot.bottom() + 3));
        return;
    }

    const NumericSettingRow& row = RowOf(m_setting);
    const double lo = m_window->minimum;
    const double hi = m_window->maximum;
    auto xOf = [&](double v) { return plot.left() + (v - lo) / (hi - lo) * plot.width(); };

    // Beyond the limits the scale cannot go.
    const QColor outside(220, 220, 220);
    if (row.lower > lo)
        p.fillRect(QRectF(plot.left(), plot.top(), xOf(row.lower) - plot.left(), plot.height()),
                   outside);
    if (row.upper < hi)
        p.fillRect(QRectF(xOf(row.upper), plot.top(), plot.right() - xOf(row.upper), plot.height()),
                   outside);

    // The value: the window's centre.
    const double value = ValueOfWindow(m_setting, *m_window);
    const double barWidth = std::max(4.0, row.step / (hi - lo) * plot.width());
    p.fillRect(QRectF(xOf(value) - barWidth / 2, plot.top() + 2, barWidth, plot.height() - 2),
               QColor(40, 110, 200));

    // Axis with a tick per step (thinned so that ticks stay apart) and the end values.
    p.setPen(palette().color(QPalette::WindowText));
    p.drawLine(QPointF(plot.left(), plot.bottom()), QPointF(plot.right(), plot.bottom()));
    const int steps = int(std::lround((hi - lo) / row.step));
    const int every = std::max(1, steps / 10);
    for (int i = 0; i <= steps; i += every) {
        const double x = xOf(lo + i * row.step);
        p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 3));
    }
    QFont small = font();
    small.setPixelSize(9);
    p.setFont(small);
    const QRectF labels(area.left() + 2, plot.bottom() + 3, area.width() - 4, 12);
    auto text = [this](double v) {
        return m_numberText ? m_numberText(v) : QString::number(v, 'g', 6);
    };
    p.drawText(labels, Qt::AlignLeft | Qt::AlignVCenter, text(lo));
    p.drawText(labels, Qt::AlignRight | Qt::AlignVCenter, text(hi));
}
