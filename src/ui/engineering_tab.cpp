#include "engineering_tab.h"

#include "decimal_texts.h"
#include "panel_parts.h"
#include "settings_features.h"
#include "settings_view.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

EngineeringTab::EngineeringTab(SettingsFeatures* features, QWidget* parent)
    : QWidget(parent), m_features(features) {
    setObjectName(QStringLiteral("stsIngeneer"));
    m_columns = new QHBoxLayout(this);
    buildPanel();
    addFixedGroup("sgb_LUup", QStringLiteral("Скорость нарастания напряжения на лямбде"),
                  {FixedEngineeringWrite::LUup_012, FixedEngineeringWrite::LUup_025,
                   FixedEngineeringWrite::LUup_050, FixedEngineeringWrite::LUup_075},
                  &slbl_Lup);
    addFixedGroup("sgb_LUdown", QStringLiteral("Скорость спада напряжения на лямбде"),
                  {FixedEngineeringWrite::LUdown_012, FixedEngineeringWrite::LUdown_025,
                   FixedEngineeringWrite::LUdown_050, FixedEngineeringWrite::LUdown_075},
                  &slbl_Ldown);
    addFixedGroup("sgb_UPL", QStringLiteral("Напряжение прогрева лямбды"),
                  {FixedEngineeringWrite::UPL_0, FixedEngineeringWrite::UPL_045}, nullptr);
    addFlagsGroup("sgb_LDiapazone", QStringLiteral("Растянуть диапазон эмулятора лямбды"),
                  EngineeringChoice::LDiapazone_No, QStringLiteral("Нет"), QStringLiteral("Да"));
    addFlagsGroup("sgb_CalcWater", QStringLiteral("Использовать для расчёта воды"),
                  EngineeringChoice::CalcWater_Summ, QStringLiteral("Сумму"),
                  QStringLiteral("Обычное"));
    addFlagsGroup("sgb_Use_L", QStringLiteral("Использовать сигнал лямбды при обучении"),
                  EngineeringChoice::Use_L_No, QStringLiteral("Нет"), QStringLiteral("Да"));
    m_panelLayout->addStretch(1);
    m_columns->addLayout(buildPriority());
    m_columns->addStretch(1);

    showPanel(EngineeringPanel::Locked);
    separateNumberCaptions();
}

void EngineeringTab::buildPanel() {
    spnl_2012_Ingener = new QWidget(this);
    spnl_2012_Ingener->setObjectName(QStringLiteral("spnl_2012_Ingener"));
    spnl_2012_Ingener->setFixedWidth(318);
    m_columns->addWidget(spnl_2012_Ingener);
    m_panelLayout = new QVBoxLayout(spnl_2012_Ingener);
    m_panelLayout->setContentsMargins(4, 4, 4, 4);

    m_caption = new QLabel(QStringLiteral("Только для опытных пользователей"), spnl_2012_Ingener);
    m_caption->setObjectName(QStringLiteral("Lbl_Ingener_Caption"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setWordWrap(true);
    QFont captionFont = m_caption->font();
    captionFont.setPointSizeF(captionFont.pointSizeF() * 1.4);
    captionFont.setBold(true);
    m_caption->setFont(captionFont);
    m_panelLayout->addWidget(m_caption);
    auto* confirm = new QHBoxLayout;
    sButton2 = new QPushButton(QStringLiteral("OK"), spnl_2012_Ingener);
    sButton2->setObjectName(QStringLiteral("sButton2"));
    sButton3 = new QPushButton(QStringLiteral("Отмена"), spnl_2012_Ingener);
    sButton3->setObjectName(QStringLiteral("sButton3"));
    confirm->addStretch(1);
    confirm->addWidget(sButton2);
    confirm->addWidget(sButton3);
    confirm->addStretch(1);
    m_panelLayout->addLayout(confirm);
}

// The fixed-value groups: LUup, LUdown (with the current value's label) and UPL.
void EngineeringTab::addFixedGroup(const char* name, const QString& title,
                                   std::initializer_list<FixedEngineeringWrite> writes,
                                   QLabel** label) {
    auto* box = new QGroupBox(title, spnl_2012_Ingener);
    box->setObjectName(QLatin1String(name));
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(6, 2, 6, 2);
    v->setSpacing(2);
    auto* row = new QHBoxLayout;
    BoundGroup& group = NewBoundGroup(m_groups, box);
    for (FixedEngineeringWrite write : writes) {
        const FixedEngineeringWriteInfo& info = InfoOf(write);
        auto* b = NamedButton(info.button, QString::fromUtf8(info.caption), box);
        b->setCheckable(true);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        row->addWidget(b);
        group.group->addButton(b);
        m_numberCaptions.append(b);
        const int index = int(write);
        group.buttons.append(
            {b, [this, index] {
                 const ChoiceSelection& s = m_features->page().main();
                 if (index <= int(FixedEngineeringWrite::LUup_075))
                     return s.LUup == LambdaRate(index);
                 if (index <= int(FixedEngineeringWrite::LUdown_075))
                     return s.LUdown == LambdaRate(index - int(FixedEngineeringWrite::LUdown_012));
                 return s.UPL == HeatingVoltage(index - int(FixedEngineeringWrite::UPL_0));
             }});
        connect(b, &QToolButton::clicked, this, [this, write] {
            if (!m_features)
                return;
            m_features->engineering().writeFixed(write);
            emit written();
        });
    }
    v->addLayout(row);
    if (label) {
        *label = new QLabel(QStringLiteral("Текущее значение ="), box);
        (*label)->setObjectName(name == QLatin1String("sgb_LUup") ? QStringLiteral("slbl_Lup")
                                                                  : QStringLiteral("slbl_Ldown"));
        v->addWidget(*label);
    }
    m_groupBoxes.append(box);
    m_panelLayout->addWidget(box);
}

// The EEPROM-1F pairs of this tab.
void EngineeringTab::addFlagsGroup(const char* name, const QString& title, EngineeringChoice first,
                                   const QString& firstCaption, const QString& secondCaption) {
    auto* box = new QGroupBox(title, spnl_2012_Ingener);
    box->setObjectName(QLatin1String(name));
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(6, 2, 6, 2);
    BoundGroup& group = NewBoundGroup(m_groups, box);
    for (int i = 0; i < 2; ++i) {
        const EngineeringChoice c = EngineeringChoice(int(first) + i);
        auto* b = NamedButton(ButtonOf(c), i == 0 ? firstCaption : secondCaption, box);
        b->setCheckable(true);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        row->addWidget(b);
        group.group->addButton(b);
        group.buttons.append({b, [this, c] {
                                  ChoiceSelection s = m_features->page().main();
                                  const ChoiceSelection before = s;
                                  Press(s, c);
                                  return s == before;
                              }});
        connect(b, &QToolButton::clicked, this, [this, c] {
            if (!m_features)
                return;
            m_features->engineering().changeFlags1F(c);
            emit written();
        });
    }
    m_groupBoxes.append(box);
    m_panelLayout->addWidget(box);
}

// Process priority: a setting of this program, not of the module, so it stays when the
// engineering panel is removed.
QLayout* EngineeringTab::buildPriority() {
    auto* priority = new QVBoxLayout;
    sRadioGroup1 = new QGroupBox(QStringLiteral("Установить приоритет программы"), this);
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
    priority->addWidget(sRadioGroup1);
    auto* query = new QHBoxLayout;
    sButton5 = new QPushButton(QStringLiteral("Запрос"), this);
    sButton5->setObjectName(QStringLiteral("sButton5"));
    sEdit11 = new QLineEdit(this);
    sEdit11->setObjectName(QStringLiteral("sEdit11"));
    sEdit11->setReadOnly(true);
    query->addWidget(sButton5);
    query->addWidget(sEdit11);
    priority->addLayout(query);
    priority->addStretch(1);
    return priority;
}

void EngineeringTab::bind() {
    SettingsPageModel& page = m_features->page();
    connect(sButton2, &QPushButton::clicked, &page, &SettingsPageModel::sButton2Click);
    connect(sButton3, &QPushButton::clicked, &page, &SettingsPageModel::sButton3Click);
    connect(&page, &SettingsPageModel::engineeringPanelChanged, this, &EngineeringTab::showPanel);
    separateNumberCaptions();
    showPanel(page.engineeringPanel());
}

void EngineeringTab::showChoices() {
    ShowBoundGroups(m_groups);
}

void EngineeringTab::showPanel(EngineeringPanel panel) {
    const bool unlocked = panel == EngineeringPanel::Unlocked;
    m_caption->setVisible(!unlocked);
    sButton2->setVisible(!unlocked);
    sButton3->setVisible(!unlocked);
    for (QGroupBox* box : std::as_const(m_groupBoxes))
        box->setVisible(unlocked);
    spnl_2012_Ingener->setVisible(panel != EngineeringPanel::Removed);
}

void EngineeringTab::showView(const SettingsView& view) {
    m_rateTexts = {view.slbl_Lup, view.slbl_Ldown};
    slbl_Lup->setText(view.slbl_Lup);
    slbl_Ldown->setText(view.slbl_Ldown);
}

void EngineeringTab::applyLanguage() {
    separateNumberCaptions();
    // The language's caption of the rate labels gives way to a value the module has shown.
    if (!m_rateTexts.first.isEmpty())
        slbl_Lup->setText(m_rateTexts.first);
    if (!m_rateTexts.second.isEmpty())
        slbl_Ldown->setText(m_rateTexts.second);
}

void EngineeringTab::separateNumberCaptions() {
    const DecimalFormat format = m_features ? m_features->context().format() : DecimalFormat();
    for (QToolButton* b : std::as_const(m_numberCaptions))
        b->setText(WithDecimalSeparator(b->text(), format.separator()));
}
