#include "chart_page.h"

ChartPage::ChartPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel_Parr_Max"));
}
