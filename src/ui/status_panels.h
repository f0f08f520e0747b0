#pragma once

#include <QColor>
#include <QFrame>
#include <QList>

class QLabel;

// A status bar of text panels addressed by index, each at least its given width and wider when
// its text needs it; the last panel takes the rest.
class StatusPanels : public QFrame {
    Q_OBJECT
public:
    StatusPanels(const QString& name, const QList<int>& widths, QWidget* parent = nullptr);

    void setPanelText(int index, const QString& text);
    QString panelText(int index) const;
    int panelCount() const { return int(m_panels.size()); }
    void setAlarm(bool alarm); // the red state of the upper bar
    // The alarm's deep red, under white text.
    static QColor AlarmColour() { return QColor(180, 0, 0); }

private:
    QList<QLabel*> m_panels;
};
