#include "settings_page.h"

#include "languages.h"

#include "decimal_texts.h"
#include "file_names.h"
#include "interface_lock.h"
#include "lambda_windows.h"
#include "module_settings.h"
#include "settings_features.h"
#include "settings_widgets.h"
#include "transaction_engine.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Whether the button of a choice shows pressed on a page: pressing it would change nothing.
template <typename Choice>
bool IsPressed(const SettingsPageModel& page, Choice choice, PageSide side) {
    ChoiceSelection s = side == PageSide::Main ? page.main() : page.templatePage().choices;
    const ChoiceSelection before = s;
    Press(s, choice);
    return s == before;
}

QWidget* namedWidget(const QString& name, QWidget* parent) {
    auto* w = new QWidget(parent);
    w->setObjectName(name);
    return w;
}

QString captionOf(ChoiceOperation operation) {
    switch (operation) {
    case ChoiceOperation::Other_System_On:
        return QStringLiteral("Включена");
    case ChoiceOperation::Other_System_Off:
        return QStringLiteral("Выключена");
    case ChoiceOperation::PInBurn_Water:
        return QStringLiteral("Вода");
    case ChoiceOperation::PInBurn_Fuel:
        return QStringLiteral("Топливо");
    case ChoiceOperation::TP_Auto:
        return QStringLiteral("Автомат");
    case ChoiceOperation::TP_Simple:
        return QStringLiteral("Простой");
    case ChoiceOperation::TP_Ignore:
        return QStringLiteral("Игнорировать");
    case ChoiceOperation::KorrTab_MAF:
        return QStringLiteral("MAF");
    case ChoiceOperation::KorrTab_VV:
        return QStringLiteral("Время впрыска");
    case ChoiceOperation::LAMBDA_2_Normal:
        return QStringLiteral("Обычный");
    case ChoiceOperation::LAMBDA_2_Catalizer:
        return QStringLiteral("Катализатор");
    case ChoiceOperation::Lang_Rus:
        return QStringLiteral("Русский");
    case ChoiceOperation::Lang_Eng:
        return QStringLiteral("English");
    case ChoiceOperation::DMRV_Type_Sensor_MAF:
        return QStringLiteral("MAF");
    case ChoiceOperation::DMRV_Type_Sensor_MAP:
        return QStringLiteral("MAP");
    case ChoiceOperation::Asinc_Same:
        return QStringLiteral("Одинаковое");
    case ChoiceOperation::Asinc_Different:
        return QStringLiteral("Разное");
    default:
        return QString::number(int(operation) - int(ChoiceOperation::Other_NumBurn_1) + 1);
    }
}

EngineeringChoice engineeringChoiceOf(int i) {
    return EngineeringChoice(i);
}

} // namespace

SettingsPage::SettingsPage(SettingsFeatures& features, QWidget* parent)
    : QWidget(parent), m_features(&features) {
    build();
    bind();
}

SettingsPage::SettingsPage(QWidget* parent) : QWidget(parent) {
    build();
}

SettingsPage::~SettingsPage() = default;

LambdaWindow* SettingsPage::lambdaWindow(LambdaConfirmation which) const {
    return which == LambdaConfirmation::SwitchOn ? TfmLambdaOn : TfmLambdaOff;
}

QToolButton* SettingsPage::toolButton(const QString& name, const QString& text, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    return b;
}

SettingsPage::BoundGroup& SettingsPage::newGroup(QList<BoundGroup>& groups, QWidget* parent) {
    BoundGroup group;
    group.group = new QButtonGroup(parent);
    group.group->setExclusive(true);
    groups.append(group);
    return groups.last();
}

void SettingsPage::build() {
    setObjectName(QStringLiteral("spnl_2012_Setting"));
    // The pressed button of a group must stand out from the released ones.
    setStyleSheet(QStringLiteral("QToolButton:checked { background-color: #8fb8e8; "
                                 "border: 1px solid #3a6ea5; border-radius: 2px; "
                                 "font-weight: bold; }"));
    m_main.side = PageSide::Main;
    m_template.side = PageSide::Template;
    m_template.suffix = QStringLiteral("_Sh");

    auto* layout = new QHBoxLayout(this);
    spc_Tuning = new QTabWidget(this);
    spc_Tuning->setObjectName(QStringLiteral("spc_Tuning"));
    auto* stsMain = namedWidget(QStringLiteral("stsMain"), spc_Tuning);
    auto* stsAdditional = namedWidget(QStringLiteral("stsAdditional"), spc_Tuning);
    stsIngeneer = namedWidget(QStringLiteral("stsIngeneer"), spc_Tuning);
    spc_Tuning->addTab(stsMain, QStringLiteral("Основные"));
    spc_Tuning->addTab(stsAdditional, QStringLiteral("Дополнительные"));
    spc_Tuning->addTab(stsIngeneer, QStringLiteral("Инженер"));
    buildMainTab(stsMain, m_main);
    buildAdditionalTab(stsAdditional, m_main);
    buildEngineeringTab();
    layout->addWidget(spc_Tuning, 1);

    buildTemplatePanel();
    layout->addWidget(spnl_Shablon, 1);

    TfmLambdaOn = new LambdaWindow(LambdaConfirmation::SwitchOn, this);
    TfmLambdaOff = new LambdaWindow(LambdaConfirmation::SwitchOff, this);

    askSaveFileName = [this] {
        return QFileDialog::getSaveFileName(this, QString(), QString(), dumpFilter());
    };
    askOpenFileName = [this] {
        return QFileDialog::getOpenFileName(this, QString(), QString(), dumpFilter());
    };
    askConfirmation = [this](const QString& question) {
        return QMessageBox::question(this, windowTitle(), question) == QMessageBox::Yes;
    };
}

QGroupBox* SettingsPage::choiceGroup(Side& side, const char* name, const QString& title,
                                     std::initializer_list<ChoiceOperation> operations,
                                     QWidget* parent, bool vertical) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(QLatin1String(name) + side.suffix);
    QBoxLayout* row = vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(box))
                               : static_cast<QBoxLayout*>(new QHBoxLayout(box));
    row->setContentsMargins(6, 4, 6, 4);
    BoundGroup& group = newGroup(side.groups, box);
    for (ChoiceOperation operation : operations) {
        const ChoiceOperationInfo& info = InfoOf(operation);
        const char* buttonName = side.side == PageSide::Main ? info.button : info.templateButton;
        if (!buttonName)
            continue;
        auto* b = toolButton(QLatin1String(buttonName), captionOf(operation), box);
        b->setCheckable(true);
        b->setAutoRaise(false);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setMinimumWidth(vertical ? 110 : 0);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        row->addWidget(b);
        group.group->addButton(b);
        const PageSide pageSide = side.side;
        group.buttons.append({b, [this, operation, pageSide] {
                                  const SettingsPageModel& page = m_features->page();
                                  ChoiceSelection selection = pageSide == PageSide::Main
                                                                  ? page.main()
                                                                  : page.templatePage().choices;
                                  const ChoiceSelection before = selection;
                                  Press(selection, operation);
                                  return selection == before;
                              }});
        connect(b, &QToolButton::clicked, this, [this, operation, pageSide] {
            if (!m_features)
                return;
            m_features->choices().run(operation, pageSide);
            showMain();
            showTemplatePage();
        });
    }
    return box;
}

QGroupBox* SettingsPage::scaleGroup(Side& side, NumericSetting setting, QWidget* parent) {
    const NumericSettingRow& row = RowOf(setting);
    ScaleControls& c = side.scales[IndexOf(setting)];
    c.group = new QGroupBox(QString::fromUtf8(RowOf(setting).defaultCaption), parent);
    c.group->setObjectName(QLatin1String(row.group) + side.suffix);
    auto* layout = new QHBoxLayout(c.group);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    c.down = toolButton(QLatin1String(row.downButton) + side.suffix, QStringLiteral("◄"), c.group);
    c.chart = new ScaleBar(setting, c.group);
    c.chart->setObjectName(QLatin1String(row.chart) + side.suffix);
    c.chart->setNumberText([this](double v) {
        return m_features ? m_features->context().format().format(v) : QString::number(v, 'g', 6);
    });
    c.up = toolButton(QLatin1String(row.upButton) + side.suffix, QStringLiteral("►"), c.group);
    c.value = new QLineEdit(c.group);
    c.value->setObjectName(QLatin1String(row.valueField) + side.suffix);
    c.value->setReadOnly(true);
    c.value->hide(); // the value shows in the caption; the field keeps its text
    for (QToolButton* b : {c.down, c.up})
        b->setFixedSize(24, 30);
    layout->addWidget(c.down);
    layout->addWidget(c.chart, 1);
    layout->addWidget(c.up);
    c.group->setFixedHeight(56);

    // The template's PTN buttons do nothing; every other pair drives the main page's scale.
    if (side.side == PageSide::Template && setting == NumericSetting::PTN)
        return c.group;
    for (auto [b, direction] :
         {std::pair{c.up, StepDirection::Up}, std::pair{c.down, StepDirection::Down}}) {
        const StepDirection d = direction;
        connect(b, &QToolButton::pressed, this, [this, setting, d] {
            if (m_features)
                m_features->stepper().press(setting, d);
        });
        connect(b, &QToolButton::released, this, [this] {
            if (m_features)
                m_features->stepper().release();
        });
    }
    return c.group;
}

void SettingsPage::buildMainTab(QWidget* tab, Side& side) {
    auto* grid = new QGridLayout(tab);
    grid->setContentsMargins(6, 6, 6, 6);

    // Left column: the bit choices.
    auto* left = new QVBoxLayout;
    left->addWidget(
        choiceGroup(side, "sgb_System", QStringLiteral("Система"),
                    {ChoiceOperation::Other_System_On, ChoiceOperation::Other_System_Off}, tab));
    left->addWidget(choiceGroup(side, "sgb_PInBurn", QStringLiteral("Применение выходов форсунок"),
                                {ChoiceOperation::PInBurn_Water, ChoiceOperation::PInBurn_Fuel},
                                tab));

    // The pump type group holds the pump current threshold group below its buttons; the
    // threshold shows only for "Простой", and the group grows to hold it whole.
    side.pumpType = new QGroupBox(QStringLiteral("Тип насоса"), tab);
    side.pumpType->setObjectName(QStringLiteral("sgb_PumpType") + side.suffix);
    side.pumpType->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    {
        auto* column = new QVBoxLayout(side.pumpType);
        column->setContentsMargins(6, 4, 6, 4);
        column->setSpacing(2);
        auto* inner = new QWidget(side.pumpType);
        column->addWidget(inner);
        auto* row = new QHBoxLayout(inner);
        row->setContentsMargins(0, 0, 0, 0);
        side.pumpButtons = row;
        BoundGroup& group = newGroup(side.groups, side.pumpType);
        const PageSide pageSide = side.side;
        for (ChoiceOperation operation :
             {ChoiceOperation::TP_Simple, ChoiceOperation::TP_Auto, ChoiceOperation::TP_Ignore}) {
            const ChoiceOperationInfo& info = InfoOf(operation);
            const char* name = pageSide == PageSide::Main ? info.button : info.templateButton;
            auto* b = toolButton(QLatin1String(name), captionOf(operation), inner);
            b->setCheckable(true);
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            row->addWidget(b);
            group.group->addButton(b);
            group.buttons.append({b, [this, operation, pageSide] {
                                      return IsPressed(m_features->page(), operation, pageSide);
                                  }});
            connect(b, &QToolButton::clicked, this, [this, operation, pageSide] {
                if (!m_features)
                    return;
                m_features->choices().run(operation, pageSide);
                showMain();
                showTemplatePage();
            });
        }
        column->addWidget(scaleGroup(side, NumericSetting::PTN, side.pumpType));
        side.pumpType->setMinimumHeight(PumpTypeHeightShort);
    }
    left->addWidget(side.pumpType);

    auto* numBurn =
        choiceGroup(side, "sgb_NumBurn", QStringLiteral("Число форсунок"),
                    {ChoiceOperation::Other_NumBurn_1, ChoiceOperation::Other_NumBurn_2,
                     ChoiceOperation::Other_NumBurn_3, ChoiceOperation::Other_NumBurn_4,
                     ChoiceOperation::Other_NumBurn_5, ChoiceOperation::Other_NumBurn_6,
                     ChoiceOperation::Other_NumBurn_7, ChoiceOperation::Other_NumBurn_8},
                    tab);
    for (int n : {5, 7, 8}) {
        if (auto* b = numBurn->findChild<QToolButton*>(QStringLiteral("sb_NumBurn_%1").arg(n) +
                                                       side.suffix))
            b->hide();
    }
    left->addWidget(numBurn);

    if (side.side == PageSide::Main) {
        auto* training = new QGroupBox(QStringLiteral("Обучение эмулятора Лямбды"), tab);
        training->setObjectName(QStringLiteral("sgb_TicherEmu"));
        auto* trainingLayout = new QHBoxLayout(training);
        trainingLayout->setContentsMargins(6, 4, 6, 4);
        m_training = new QStackedWidget(training);
        m_training->setFixedHeight(26);
        atb_Other_TicherEmu_On =
            toolButton(QStringLiteral("atb_Other_TicherEmu_On"), QStringLiteral("Включить"), tab);
        atb_Other_TicherEmu_Off =
            toolButton(QStringLiteral("atb_Other_TicherEmu_Off"), QStringLiteral("Выключить"), tab);
        for (QToolButton* b : {atb_Other_TicherEmu_On, atb_Other_TicherEmu_Off}) {
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
            m_training->addWidget(b);
        }
        trainingLayout->addWidget(m_training);
        left->addWidget(training);

        ssb_EEPROM_SaveToFile = toolButton(QStringLiteral("ssb_EEPROM_SaveToFile"),
                                           QStringLiteral("Сохранить в файл"), tab);
        ssb_EEPROM_SaveToFile->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        ssb_EEPROM_SaveToFile->setMinimumHeight(28);
        left->addWidget(ssb_EEPROM_SaveToFile);
    } else {
        // Hidden: the file's training bit as a colour.
        atb_Other_TicherEmu_Sh =
            toolButton(QStringLiteral("atb_Other_TicherEmu_Sh"), QString(), tab);
        atb_Other_TicherEmu_Sh->hide();
    }
    left->addStretch(1);
    grid->addLayout(left, 0, 0);

    // Right column: the numeric settings.
    auto* right = new QVBoxLayout;
    for (NumericSetting s : {NumericSetting::OPR, NumericSetting::Porog_T, NumericSetting::ZdK,
                             NumericSetting::VolEng, NumericSetting::KFuel})
        right->addWidget(scaleGroup(side, s, tab));
    side.scales[IndexOf(NumericSetting::VolEng)].group->hide();
    if (side.side == PageSide::Main) {
        Ed_Other_UKZ = new QLineEdit(tab);
        Ed_Other_UKZ->setObjectName(QStringLiteral("Ed_Other_UKZ"));
        Ed_Other_UKZ->setReadOnly(true);
        Ed_Other_UKZ->hide();
    }
    right->addStretch(1);
    grid->addLayout(right, 0, 1);
    // The scales' captions carry their values ("Определение переходных режимов: 0,25").
    grid->setColumnStretch(0, 2);
    grid->setColumnStretch(1, 3);
}

void SettingsPage::buildAdditionalTab(QWidget* tab, Side& side) {
    auto* column = new QVBoxLayout(tab);
    column->setContentsMargins(6, 6, 6, 6);
    column->addWidget(
        choiceGroup(side, "sgb_Lambda_2", QStringLiteral("Применение лямбда-2"),
                    {ChoiceOperation::LAMBDA_2_Normal, ChoiceOperation::LAMBDA_2_Catalizer}, tab));
    column->addWidget(choiceGroup(
        side, "sgb_DMRVType", QStringLiteral("Тип датчика"),
        {ChoiceOperation::DMRV_Type_Sensor_MAF, ChoiceOperation::DMRV_Type_Sensor_MAP}, tab));
    column->addWidget(choiceGroup(side, "sgb_ASinc", QStringLiteral("Асинхронный впрыск"),
                                  {ChoiceOperation::Asinc_Same, ChoiceOperation::Asinc_Different},
                                  tab));
    column->addWidget(choiceGroup(side, "sgb_Language", QStringLiteral("Язык меню модуля"),
                                  {ChoiceOperation::Lang_Rus, ChoiceOperation::Lang_Eng}, tab));

    // The menu view shares EEPROM-1F with the engineering settings.
    auto* view = new QGroupBox(QStringLiteral("Вид меню модуля"), tab);
    view->setObjectName(QStringLiteral("sgb_VidBloka") + side.suffix);
    auto* row = new QHBoxLayout(view);
    row->setContentsMargins(6, 4, 6, 4);
    BoundGroup& group = newGroup(side.groups, view);
    const PageSide pageSide = side.side;
    for (auto [choice, caption] :
         {std::pair{EngineeringChoice::VidBloka_Ingener, QStringLiteral("Инженерный")},
          std::pair{EngineeringChoice::VidBloka_Simple, QStringLiteral("Простой")}}) {
        const EngineeringChoice c = choice;
        auto* b = toolButton(QLatin1String(ButtonOf(c)) + side.suffix, caption, view);
        b->setCheckable(true);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        row->addWidget(b);
        group.group->addButton(b);
        group.buttons.append(
            {b, [this, c, pageSide] { return IsPressed(m_features->page(), c, pageSide); }});
        connect(b, &QToolButton::clicked, this, [this, c, pageSide] {
            if (!m_features)
                return;
            m_features->engineering().changeFlags1F(c, pageSide);
            showMain();
            showTemplatePage();
        });
    }
    column->addWidget(view);
    column->addStretch(1);
}

void SettingsPage::buildEngineeringTab() {
    spnl_2012_Ingener = namedWidget(QStringLiteral("spnl_2012_Ingener"), stsIngeneer);
    spnl_2012_Ingener->setFixedWidth(318);
    auto* tabLayout = new QHBoxLayout(stsIngeneer);
    m_engineeringColumns = tabLayout;
    tabLayout->addWidget(spnl_2012_Ingener);
    auto* engLayout = new QVBoxLayout(spnl_2012_Ingener);
    engLayout->setContentsMargins(4, 4, 4, 4);

    m_engineeringCaption =
        new QLabel(QStringLiteral("Только для опытных пользователей"), spnl_2012_Ingener);
    m_engineeringCaption->setObjectName(QStringLiteral("Lbl_Ingener_Caption"));
    m_engineeringCaption->setAlignment(Qt::AlignCenter);
    m_engineeringCaption->setWordWrap(true);
    QFont captionFont = m_engineeringCaption->font();
    captionFont.setPointSizeF(captionFont.pointSizeF() * 1.4);
    captionFont.setBold(true);
    m_engineeringCaption->setFont(captionFont);
    engLayout->addWidget(m_engineeringCaption);
    auto* confirm = new QHBoxLayout;
    sButton2 = new QPushButton(QStringLiteral("OK"), spnl_2012_Ingener);
    sButton2->setObjectName(QStringLiteral("sButton2"));
    sButton3 = new QPushButton(QStringLiteral("Отмена"), spnl_2012_Ingener);
    sButton3->setObjectName(QStringLiteral("sButton3"));
    confirm->addStretch(1);
    confirm->addWidget(sButton2);
    confirm->addWidget(sButton3);
    confirm->addStretch(1);
    engLayout->addLayout(confirm);

    // The fixed-value groups: LUup, LUdown (with the current value's label) and UPL.
    auto fixedGroup = [&](const char* name, const QString& title,
                          std::initializer_list<FixedEngineeringWrite> writes, QLabel** label) {
        auto* box = new QGroupBox(title, spnl_2012_Ingener);
        box->setObjectName(QLatin1String(name));
        auto* v = new QVBoxLayout(box);
        v->setContentsMargins(6, 2, 6, 2);
        v->setSpacing(2);
        auto* row = new QHBoxLayout;
        BoundGroup& group = newGroup(m_engineeringGroups, box);
        for (FixedEngineeringWrite write : writes) {
            const FixedEngineeringWriteInfo& info = InfoOf(write);
            auto* b = toolButton(QLatin1String(info.button), QString::fromUtf8(info.caption), box);
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
                         return s.LUdown ==
                                LambdaRate(index - int(FixedEngineeringWrite::LUdown_012));
                     return s.UPL == HeatingVoltage(index - int(FixedEngineeringWrite::UPL_0));
                 }});
            connect(b, &QToolButton::clicked, this, [this, write] {
                if (!m_features)
                    return;
                m_features->engineering().writeFixed(write);
                showMain();
            });
        }
        v->addLayout(row);
        if (label) {
            *label = new QLabel(QStringLiteral("Текущее значение ="), box);
            (*label)->setObjectName(name == QLatin1String("sgb_LUup")
                                        ? QStringLiteral("slbl_Lup")
                                        : QStringLiteral("slbl_Ldown"));
            v->addWidget(*label);
        }
        m_engineeringGroupBoxes.append(box);
        engLayout->addWidget(box);
    };
    fixedGroup("sgb_LUup", QStringLiteral("Скорость нарастания напряжения на лямбде"),
               {FixedEngineeringWrite::LUup_012, FixedEngineeringWrite::LUup_025,
                FixedEngineeringWrite::LUup_050, FixedEngineeringWrite::LUup_075},
               &slbl_Lup);
    fixedGroup("sgb_LUdown", QStringLiteral("Скорость спада напряжения на лямбде"),
               {FixedEngineeringWrite::LUdown_012, FixedEngineeringWrite::LUdown_025,
                FixedEngineeringWrite::LUdown_050, FixedEngineeringWrite::LUdown_075},
               &slbl_Ldown);
    fixedGroup("sgb_UPL", QStringLiteral("Напряжение прогрева лямбды"),
               {FixedEngineeringWrite::UPL_0, FixedEngineeringWrite::UPL_045}, nullptr);

    // The EEPROM-1F pairs of this tab.
    auto flagsGroup = [&](const char* name, const QString& title, EngineeringChoice first,
                          const QString& firstCaption, const QString& secondCaption) {
        auto* box = new QGroupBox(title, spnl_2012_Ingener);
        box->setObjectName(QLatin1String(name));
        auto* row = new QHBoxLayout(box);
        row->setContentsMargins(6, 2, 6, 2);
        BoundGroup& group = newGroup(m_engineeringGroups, box);
        const int firstIndex = int(first);
        for (int i = 0; i < 2; ++i) {
            const EngineeringChoice c = engineeringChoiceOf(firstIndex + i);
            auto* b =
                toolButton(QLatin1String(ButtonOf(c)), i == 0 ? firstCaption : secondCaption, box);
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
                showMain();
            });
        }
        m_engineeringGroupBoxes.append(box);
        engLayout->addWidget(box);
    };
    flagsGroup("sgb_LDiapazone", QStringLiteral("Растянуть диапазон эмулятора лямбды"),
               EngineeringChoice::LDiapazone_No, QStringLiteral("Нет"), QStringLiteral("Да"));
    flagsGroup("sgb_CalcWater", QStringLiteral("Использовать для расчёта воды"),
               EngineeringChoice::CalcWater_Summ, QStringLiteral("Сумму"),
               QStringLiteral("Обычное"));
    flagsGroup("sgb_Use_L", QStringLiteral("Использовать сигнал лямбды при обучении"),
               EngineeringChoice::Use_L_No, QStringLiteral("Нет"), QStringLiteral("Да"));
    engLayout->addStretch(1);

    // Process priority: a setting of this program, not of the module, so it stays when the
    // engineering panel is removed.
    auto* priority = new QVBoxLayout;
    sRadioGroup1 = new QGroupBox(QStringLiteral("Установить приоритет программы"), stsIngeneer);
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
    sButton5 = new QPushButton(QStringLiteral("Запрос"), stsIngeneer);
    sButton5->setObjectName(QStringLiteral("sButton5"));
    sEdit11 = new QLineEdit(stsIngeneer);
    sEdit11->setObjectName(QStringLiteral("sEdit11"));
    sEdit11->setReadOnly(true);
    query->addWidget(sButton5);
    query->addWidget(sEdit11);
    priority->addLayout(query);
    priority->addStretch(1);
    tabLayout->addLayout(priority);
    tabLayout->addStretch(1);

    showEngineeringPanel(EngineeringPanel::Locked);
    separateNumberCaptions();
}

void SettingsPage::separateNumberCaptions() {
    const DecimalFormat format = m_features ? m_features->context().format() : DecimalFormat();
    for (QToolButton* b : std::as_const(m_numberCaptions))
        b->setText(WithDecimalSeparator(b->text(), format.separator()));
}

void SettingsPage::buildTemplatePanel() {
    spnl_Shablon = namedWidget(QStringLiteral("spnl_Shablon"), this);
    auto* templateLayout = new QVBoxLayout(spnl_Shablon);
    templateLayout->setContentsMargins(0, 0, 0, 0);

    auto* nameRow = new QHBoxLayout;
    auto* nameCaption = new QLabel(QStringLiteral("Наименование модуля:"), spnl_Shablon);
    nameCaption->setObjectName(QStringLiteral("Lbl_Shablon_Name"));
    sPanel29 = new QLabel(spnl_Shablon);
    sPanel29->setObjectName(QStringLiteral("sPanel29"));
    sPanel29->setFrameShape(QFrame::Panel);
    sPanel29->setFrameShadow(QFrame::Sunken);
    sPanel29->setMinimumWidth(120);
    nameRow->addWidget(nameCaption);
    nameRow->addWidget(sPanel29, 1);
    templateLayout->addLayout(nameRow);

    auto* templateTabs = new QTabWidget(spnl_Shablon);
    templateTabs->setObjectName(QStringLiteral("spc_Tuning_Sh"));
    auto* mainSh = namedWidget(QStringLiteral("stsMain_Sh"), templateTabs);
    auto* additionalSh = namedWidget(QStringLiteral("stsAdditional_Sh"), templateTabs);
    templateTabs->addTab(mainSh, QStringLiteral("Основные"));
    templateTabs->addTab(additionalSh, QStringLiteral("Дополнительные"));
    buildMainTab(mainSh, m_template);
    buildAdditionalTab(additionalSh, m_template);
    templateLayout->addWidget(templateTabs, 1);

    auto* files = new QHBoxLayout;
    ssb_EEPROM_OpenFromFile = toolButton(QStringLiteral("ssb_EEPROM_OpenFromFile"),
                                         QStringLiteral("Открыть из файла"), spnl_Shablon);
    // The write button sits in a holder that the interface lock disables, so unlocking never
    // enables it while there is no file to write: the button itself follows the file.
    auto* writeHolder = new QWidget(spnl_Shablon);
    auto* writeLayout = new QHBoxLayout(writeHolder);
    writeLayout->setContentsMargins(0, 0, 0, 0);
    ssb_EEPROM_SaveToModule = toolButton(QStringLiteral("ssb_EEPROM_SaveToModule"),
                                         QStringLiteral("Записать в модуль"), writeHolder);
    ssb_EEPROM_SaveToModule->setEnabled(false);
    writeLayout->addWidget(ssb_EEPROM_SaveToModule);
    for (QToolButton* b : {ssb_EEPROM_OpenFromFile, ssb_EEPROM_SaveToModule}) {
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        b->setMinimumHeight(28);
    }
    writeHolder->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    files->addWidget(ssb_EEPROM_OpenFromFile);
    files->addWidget(writeHolder);
    templateLayout->addLayout(files);
    spnl_Shablon->hide();
}

void SettingsPage::bind() {
    SettingsFeatures& f = *m_features;
    SettingsPageModel& page = f.page();
    SettingsContext& context = f.context();

    connect(&page, &SettingsPageModel::mainChanged, this, &SettingsPage::showMain);
    connect(&page, &SettingsPageModel::templateChanged, this, &SettingsPage::showTemplatePage);
    connect(&page, &SettingsPageModel::scaleChanged, this, &SettingsPage::showScale);
    connect(&page, &SettingsPageModel::engineeringPanelChanged, this,
            &SettingsPage::showEngineeringPanel);
    connect(&context.model(), &ModuleSettingsModel::settingsChanged, this,
            &SettingsPage::showValues);
    connect(&f, &SettingsFeatures::viewRefreshed, this, &SettingsPage::showView);
    connect(&f.stepper(), &ScaleStepper::stepped, this, [this] { showValues(); });

    connect(&f.choices(), &ChoiceChange::started, this, [this](ChoiceOperation operation) {
        if (operation == ChoiceOperation::TP_Simple)
            m_simpleHeight = PumpTypeHeightSimpleAfterClick;
        showMain();
        showTemplatePage();
    });
    // A read shows the tall pump type group again.
    connect(&f, &SettingsFeatures::viewRefreshed, this, [this] {
        m_simpleHeight = PumpTypeHeightSimpleAfterRead;
        showMain();
        showTemplatePage();
    });

    connect(sButton2, &QPushButton::clicked, &page, &SettingsPageModel::sButton2Click);
    connect(sButton3, &QPushButton::clicked, &page, &SettingsPageModel::sButton3Click);

    LambdaTraining& lambda = f.lambda();
    connect(atb_Other_TicherEmu_On, &QToolButton::clicked, &lambda,
            [&lambda] { lambda.atb_Other_TicherEmu_OnClick(); });
    connect(atb_Other_TicherEmu_Sh, &QToolButton::clicked, &lambda,
            [&lambda] { lambda.atb_Other_TicherEmu_OnClick(); });
    connect(atb_Other_TicherEmu_Off, &QToolButton::clicked, &lambda,
            [&lambda] { lambda.atb_Other_TicherEmu_OffClick(); });
    connect(&lambda, &LambdaTraining::confirmationRequested, this,
            [this](LambdaConfirmation which, const LambdaConfirmationTexts& texts) {
                lambdaWindow(which)->ask(texts);
            });
    for (LambdaWindow* window : {TfmLambdaOn, TfmLambdaOff})
        connect(window, &LambdaWindow::answered, &lambda,
                [&lambda](LambdaConfirmation which, bool ok) { lambda.confirm(which, ok); });

    connect(ssb_EEPROM_SaveToFile, &QToolButton::clicked, this, &SettingsPage::saveToFile);
    connect(ssb_EEPROM_OpenFromFile, &QToolButton::clicked, this, &SettingsPage::openFromFile);
    connect(ssb_EEPROM_SaveToModule, &QToolButton::clicked, &f.dumps(), [this, &f] {
        // The whole EEPROM but the name is replaced: ask first, as the table write does.
        if (!askConfirmation || askConfirmation(m_restoreQuestion))
            f.dumps().saveToModule();
    });

    connect(&context, &SettingsContext::lockRequested, this, &SettingsPage::lockRequested);
    connect(&context, &SettingsContext::unlockRequested, this, &SettingsPage::unlockRequested);
    connect(&context, &SettingsContext::completionText, this, &SettingsPage::bottomStatusText);
    connect(&context, &SettingsContext::refused, this,
            [this](const QString&, StartResult, const QString& text) {
                showMain();
                showTemplatePage();
                if (!text.isEmpty())
                    emit message(text);
            });
    connect(&f.dumps(), &DumpFiles::failed, this, &SettingsPage::message);

    separateNumberCaptions();
    showMain();
    showTemplatePage();
    for (int i = 0; i < NumericSettingCount; ++i)
        showScale(NumericSetting(i));
    showValues();
    showEngineeringPanel(page.engineeringPanel());
}

void SettingsPage::showGroups(const QList<BoundGroup>& groups) {
    for (const BoundGroup& g : groups) {
        // An exclusive group cannot show no button pressed, which the model can.
        g.group->setExclusive(false);
        for (const auto& [button, pressed] : g.buttons)
            button->setChecked(pressed());
        g.group->setExclusive(true);
    }
}

void SettingsPage::setPumpTypeHeight(QGroupBox* group,
                                     const std::optional<settings_map::PumpTypeChoice>& pump,
                                     int simpleHeight) {
    if (!pump)
        return;
    const bool simple = *pump == settings_map::PumpTypeChoice::Simple;
    // The pump current threshold group lies inside and shows only in the tall group; the
    // group's old heights are minimums, never a cut through the threshold's scale.
    const Side& side = group == m_main.pumpType ? m_main : m_template;
    side.scales[IndexOf(NumericSetting::PTN)].group->setVisible(simple);
    group->layout()->invalidate();
    group->setMinimumHeight(0);
    const int needed = group->sizeHint().height();
    group->setMinimumHeight(std::max(simple ? simpleHeight : PumpTypeHeightShort, needed));
    group->setMaximumHeight(group->minimumHeight());
}

void SettingsPage::showMain() {
    if (!m_features)
        return;
    const SettingsPageModel& page = m_features->page();
    showGroups(m_main.groups);
    showGroups(m_engineeringGroups);
    setPumpTypeHeight(m_main.pumpType, page.main().PumpType, m_simpleHeight);
    m_training->setCurrentWidget(page.main().TicherEmu ? atb_Other_TicherEmu_Off
                                                       : atb_Other_TicherEmu_On);
}

void SettingsPage::showTemplatePage() {
    if (!m_features)
        return;
    const TemplatePage& t = m_features->page().templatePage();
    showGroups(m_template.groups);
    setPumpTypeHeight(m_template.pumpType, t.choices.PumpType, m_simpleHeight);
    for (int i = 0; i < NumericSettingCount; ++i) {
        const ScaleControls& c = m_template.scales[i];
        c.value->setText(t.valueTexts[i]);
        c.chart->setWindow(t.scales[i].window);
        if (!t.scales[i].caption.isEmpty())
            c.group->setTitle(t.scales[i].caption);
    }
    sPanel29->setText(t.moduleName);
    ssb_EEPROM_SaveToModule->setEnabled(t.loaded);
    if (t.TicherEmu) {
        atb_Other_TicherEmu_Sh->setText(QString());
        atb_Other_TicherEmu_Sh->setStyleSheet(
            *t.TicherEmu ? QStringLiteral("QToolButton { background: red; }")
                         : QStringLiteral("QToolButton { background: green; }"));
    }
}

void SettingsPage::showScale(NumericSetting setting) {
    if (!m_features)
        return;
    const ScaleDisplay& display = m_features->page().scale(setting);
    const ScaleControls& c = m_main.scales[IndexOf(setting)];
    c.chart->setWindow(display.window);
    if (!display.caption.isEmpty())
        c.group->setTitle(display.caption);
}

QString SettingsPage::dumpFilter() const {
    QString text =
        m_features ? m_features->context().texts().text(u"MsgTextFileFilter") : QString();
    if (text.isEmpty())
        text = QStringLiteral("текст");
    return QStringLiteral("EEPROM (*.mmr2);;") + text + QStringLiteral(" (*.txt)");
}

void SettingsPage::applyLanguage(const InterfaceTexts& texts) {
    m_restoreQuestion = texts.text(u"Msg_ConfirmRestore");
    separateNumberCaptions();
    // The language's caption of the rate labels gives way to a value the module has shown.
    if (!m_rateTexts.first.isEmpty())
        slbl_Lup->setText(m_rateTexts.first);
    if (!m_rateTexts.second.isEmpty())
        slbl_Ldown->setText(m_rateTexts.second);
    for (const NumericSettingRow& row : NumericSettingRows()) {
        const QString prefix = texts.text(row.captionText);
        if (prefix.isEmpty())
            continue;
        for (const Side* side : {&m_main, &m_template}) {
            const ScaleControls& c = side->scales[IndexOf(row.setting)];
            if (c.group)
                c.group->setTitle(prefix + c.value->text());
        }
    }
}

void SettingsPage::showValues() {
    if (!m_features)
        return;
    const ModuleSettings& settings = m_features->context().model().settings();
    const DecimalFormat& format = m_features->context().format();
    // A byte the connection read could not take shows empty, never a value of another module.
    for (const NumericSettingRow& row : NumericSettingRows()) {
        m_main.scales[IndexOf(row.setting)].value->setText(
            settings.isKnown(row.address) ? format.format(ValueOf(settings, row.setting))
                                          : QString());
    }
    Ed_Other_UKZ->setText(settings.isKnown(settings_map::address::UKZ) ? format.format(settings.UKZ)
                                                                       : QString());
}

void SettingsPage::showEngineeringPanel(EngineeringPanel panel) {
    const bool unlocked = panel == EngineeringPanel::Unlocked;
    m_engineeringCaption->setVisible(!unlocked);
    sButton2->setVisible(!unlocked);
    sButton3->setVisible(!unlocked);
    for (QGroupBox* box : m_engineeringGroupBoxes)
        box->setVisible(unlocked);
    spnl_2012_Ingener->setVisible(panel != EngineeringPanel::Removed);
}

void SettingsPage::showView(const SettingsView& view) {
    m_rateTexts = {view.slbl_Lup, view.slbl_Ldown};
    slbl_Lup->setText(view.slbl_Lup);
    slbl_Ldown->setText(view.slbl_Ldown);
}

void SettingsPage::saveToFile() {
    if (!m_features)
        return;
    const QString chosen = askSaveFileName ? askSaveFileName() : QString();
    if (chosen.isEmpty())
        return;
    m_features->dumps().saveToFile(FileNameWithSuffix(chosen, QStringLiteral(".mmr2")));
}

void SettingsPage::openFromFile() {
    if (!m_features)
        return;
    const QString chosen = askOpenFileName ? askOpenFileName() : QString();
    if (chosen.isEmpty())
        m_features->dumps().openCancelled();
    else
        m_features->dumps().openFromFile(chosen);
}

void SettingsPage::addToLock(InterfaceLock& lock) {
    lock.add(ssb_EEPROM_SaveToModule->parentWidget());
    lock.add(ssb_EEPROM_SaveToFile);
}

void SettingsPage::showTemplate() {
    arrangeForTemplate(true);
    spnl_Shablon->show();
}

void SettingsPage::arrangeForTemplate(bool shown) {
    const auto direction = shown ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight;
    for (const Side* side : {&m_main, &m_template}) {
        side->pumpButtons->setDirection(direction);
        side->pumpButtons->parentWidget()->updateGeometry();
    }
    m_engineeringColumns->setDirection(direction);
    // The pump type group takes the height its buttons need now.
    showMain();
    showTemplatePage();
}

bool SettingsPage::templateShown() const {
    return !spnl_Shablon->isHidden();
}
