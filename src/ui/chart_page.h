#pragma once

#include <QWidget>

// Live chart and parameters.
class ChartPage : public QWidget {
    Q_OBJECT
public:
    explicit ChartPage(QWidget* parent = nullptr);
};
