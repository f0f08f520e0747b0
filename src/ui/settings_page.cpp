#include "settings_page.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QWidget* namedWidget(const char* name, QWidget* parent) {
    auto* w = new QWidget(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace

SettingsPage::SettingsPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("spnl_2012_Setting"));
    auto* layout = new QHBoxLayout(this);

    spc_Tuning = new QTabWidget(this);
    spc_Tuning->setObjectName(QStringLiteral("spc_Tuning"));
    spc_Tuning->addTab(namedWidget("stsMain", spc_Tuning), QStringLiteral("Основные"));
    spc_Tuning->addTab(namedWidget("stsAdditional", spc_Tuning), QStringLiteral("Дополнительные"));
    stsIngeneer = namedWidget("stsIngeneer", spc_Tuning);
    spc_Tuning->addTab(stsIngeneer, QStringLiteral("Инженер"));
    layout->addWidget(spc_Tuning, 1);

    auto* engineering = namedWidget("spnl_2012_Ingener", stsIngeneer);
    engineering->setFixedWidth(318);
    auto* tabLayout = new QHBoxLayout(stsIngeneer);
    tabLayout->addWidget(engineering);
    tabLayout->addStretch(1);
    auto* engLayout = new QVBoxLayout(engineering);
    sRadioGroup1 = new QGroupBox(QStringLiteral("Установить приоритет программы"), engineering);
    sRadioGroup1->setObjectName(QStringLiteral("sRadioGroup1"));
    auto* groupLayout = new QVBoxLayout(sRadioGroup1);
    const char* names[] = {"rbPriorityIdle", "rbPriorityNormal", "rbPriorityHigh",
                           "rbPriorityRealTime"};
    const QString captions[] = {QStringLiteral("Низкий"), QStringLiteral("Норма"),
                                QStringLiteral("Высокий"), QStringLiteral("Преобладающий")};
    for (int i = 0; i < 4; ++i) {
        auto* button = new QRadioButton(captions[i], sRadioGroup1);
        button->setObjectName(QLatin1String(names[i]));
        groupLayout->addWidget(button);
        priorityButtons.append(button);
    }
    priorityButtons[1]->setChecked(true);
    engLayout->addWidget(sRadioGroup1);
    auto* query = new QHBoxLayout;
    sButton5 = new QPushButton(QStringLiteral("Запрос"), engineering);
    sButton5->setObjectName(QStringLiteral("sButton5"));
    sEdit11 = new QLineEdit(engineering);
    sEdit11->setObjectName(QStringLiteral("sEdit11"));
    sEdit11->setReadOnly(true);
    query->addWidget(sButton5);
    query->addWidget(sEdit11);
    engLayout->addLayout(query);
    engLayout->addStretch(1);

    spnl_Shablon = namedWidget("spnl_Shablon", this);
    auto* templateLayout = new QVBoxLayout(spnl_Shablon);
    auto* templateTabs = new QTabWidget(spnl_Shablon);
    templateTabs->setObjectName(QStringLiteral("spc_Tuning_Sh"));
    templateTabs->addTab(namedWidget("stsMain_Sh", templateTabs), QStringLiteral("Основные"));
    templateTabs->addTab(namedWidget("stsAdditional_Sh", templateTabs),
                         QStringLiteral("Дополнительные"));
    templateLayout->addWidget(templateTabs);
    spnl_Shablon->hide();
    layout->addWidget(spnl_Shablon, 1);
}

void SettingsPage::showTemplate() {
    spnl_Shablon->show();
}

bool SettingsPage::templateShown() const {
    return !spnl_Shablon->isHidden();
}
