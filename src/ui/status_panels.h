#pragma once

#include <QFrame>
#include <QList>

class QLabel;

// A status bar of fixed-width text panels addressed by index; the last panel takes the rest.
class StatusPanels : public QFrame {
    Q_OBJECT
public:
    StatusPanels(const QString& name, const QList<int>& widths, QWidget* parent = nullptr);

    void setPanelText(int index, const QString& text);
    QString panelText(int index) const;
    void setAlarm(bool alarm); // the red state of the upper bar

private:
    QList<QLabel*> m_panels;
};
