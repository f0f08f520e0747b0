#include "status_panels.h"

#include <QHBoxLayout>
#include <QLabel>

StatusPanels::StatusPanels(const QString& name, const QList<int>& widths, QWidget* parent)
    : QFrame(parent) {
    setObjectName(name);
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(2);
    for (int i = 0; i < widths.size(); ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("%1_Panel%2").arg(name).arg(i));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        // The old widths are minimums: a longer text widens its panel instead of being cut.
        label->setMinimumWidth(widths[i]);
        layout->addWidget(label, i + 1 == widths.size() ? 1 : 0);
        m_panels.append(label);
    }
}

void StatusPanels::setPanelText(int index, const QString& text) {
    if (index >= 0 && index < m_panels.size())
        m_panels[index]->setText(text);
}

QString StatusPanels::panelText(int index) const {
    return index >= 0 && index < m_panels.size() ? m_panels[index]->text() : QString();
}

void StatusPanels::setAlarm(bool alarm) {
    QPalette p = palette();
    const QPalette normal = parentWidget() ? parentWidget()->palette() : QPalette();
    // White on a deep red reads well; black on pure red does not.
    p.setColor(QPalette::Window, alarm ? AlarmColour() : normal.color(QPalette::Window));
    p.setColor(QPalette::WindowText,
               alarm ? QColor(Qt::white) : normal.color(QPalette::WindowText));
    setPalette(p);
}
