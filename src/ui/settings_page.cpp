#include "settings_page.h"

#include "languages.h"

#include "decimal_texts.h"
#include "engineering_tab.h"
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
    spc_Tuning->addTab(stsMain, QStringLiteral("Основные"));
    spc_Tuning->addTab(stsAdditional, QStringLiteral("Дополнительные"));
    buildMainTab(stsMain, m_main);
    buildAdditionalTab(stsAdditional, m_main);
    stsIngeneer = new EngineeringTab(m_features, spc_Tuning);
    spc_Tuning->addTab(stsIngeneer, QStringLiteral("Инженер"));
    sRadioGroup1 = stsIngeneer->sRadioGroup1;
    priorityButtons = stsIngeneer->priorityButtons;
    sButton5 = stsIngeneer->sButton5;
    sEdit11 = stsIngeneer->sEdit11;
    connect(stsIngeneer, &EngineeringTab::written, this, &SettingsPage::showMain);
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
    BoundGroup& group = NewBoundGroup(side.groups, box);
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

    buildPumpType(tab, side);
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

    addTrainingAndDumpButtons(tab, side, left);
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

void SettingsPage::buildPumpType(QWidget* tab, Side& side) {
    // The pump type group holds the pump current threshold group below its buttons; the
    // threshold shows only for "Простой", and the group grows to hold it whole.
    side.pumpType = new QGroupBox(QStringLiteral("Тип насоса"), tab);
    side.pumpType->setObjectName(QStringLiteral("sgb_PumpType") + side.suffix);
    side.pumpType->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* column = new QVBoxLayout(side.pumpType);
    column->setContentsMargins(6, 4, 6, 4);
    column->setSpacing(2);
    auto* inner = new QWidget(side.pumpType);
    column->addWidget(inner);
    auto* row = new QHBoxLayout(inner);
    row->setContentsMargins(0, 0, 0, 0);
    side.pumpButtons = row;
    BoundGroup& group = NewBoundGroup(side.groups, side.pumpType);
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

// The main page's lambda training and dump button; the template's hidden training indicator.
void SettingsPage::addTrainingAndDumpButtons(QWidget* tab, Side& side, QVBoxLayout* left) {
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
    BoundGroup& group = NewBoundGroup(side.groups, view);
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

    bindLambdaTraining();
    bindDumpButtons();

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

    showMain();
    showTemplatePage();
    for (int i = 0; i < NumericSettingCount; ++i)
        showScale(NumericSetting(i));
    showValues();
    stsIngeneer->bind();
}

void SettingsPage::bindLambdaTraining() {
    LambdaTraining& lambda = m_features->lambda();
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
}

void SettingsPage::bindDumpButtons() {
    SettingsFeatures& f = *m_features;
    connect(ssb_EEPROM_SaveToFile, &QToolButton::clicked, this, &SettingsPage::saveToFile);
    connect(ssb_EEPROM_OpenFromFile, &QToolButton::clicked, this, &SettingsPage::openFromFile);
    connect(ssb_EEPROM_SaveToModule, &QToolButton::clicked, &f.dumps(), [this, &f] {
        // The whole EEPROM but the name is replaced: ask first, as the table write does.
        if (!askConfirmation || askConfirmation(m_restoreQuestion))
            f.dumps().saveToModule();
    });
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
    ShowBoundGroups(m_main.groups);
    stsIngeneer->showChoices();
    setPumpTypeHeight(m_main.pumpType, page.main().PumpType, m_simpleHeight);
    m_training->setCurrentWidget(page.main().TicherEmu ? atb_Other_TicherEmu_Off
                                                       : atb_Other_TicherEmu_On);
}

void SettingsPage::showTemplatePage() {
    if (!m_features)
        return;
    const TemplatePage& t = m_features->page().templatePage();
    ShowBoundGroups(m_template.groups);
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
    stsIngeneer->applyLanguage();
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

void SettingsPage::showView(const SettingsView& view) {
    stsIngeneer->showView(view);
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
    stsIngeneer->setColumnsDirection(direction);
    // The pump type group takes the height its buttons need now.
    showMain();
    showTemplatePage();
}

bool SettingsPage::templateShown() const {
    return !spnl_Shablon->isHidden();
}
