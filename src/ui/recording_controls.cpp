#include "recording_controls.h"

#include "decimal_format.h"
#include "hold_repeat.h"
#include "interface_lock.h"
#include "live_recorder.h"
#include "panel_parts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace telemetry;

RecordingControls::RecordingControls(LiveRecorder& recorder, QWidget* parent)
    : QWidget(parent), m_recorder(recorder) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(4);
    outer->addWidget(buildNavigation());
    outer->addWidget(buildRecording());
    auto* files = new QHBoxLayout;
    atb_Param_Open_2 = NamedButton("atb_Param_Open_2", QStringLiteral("Открыть из файла"), this);
    atb_Param_Save_2 = NamedButton("atb_Param_Save_2", QStringLiteral("Сохранить в файл"), this);
    files->addWidget(atb_Param_Open_2);
    files->addWidget(atb_Param_Save_2);
    connect(atb_Param_Open_2, &QToolButton::clicked, this, &RecordingControls::openFileRequested);
    connect(atb_Param_Save_2, &QToolButton::clicked, this, &RecordingControls::saveFileRequested);
    outer->addLayout(files);
    outer->addWidget(buildDeviationLimit());
    outer->addWidget(buildInterval());

    connect(&recorder, &LiveRecorder::deviationLimitChanged, this,
            [this](int percent) { Ed_Limit->setText(QString::number(percent)); });
    connect(&recorder, &LiveRecorder::pageWidthChanged, this,
            [this](int seconds) { Edit_Width_Page_Graf->setText(QString::number(seconds)); });
    connect(&recorder, &LiveRecorder::pageDisplayChanged, this, [this](bool on) {
        atb_Type_Graf_Page->setChecked(on);
        atb_Type_Graf_Nepr->setChecked(!on);
    });
    connect(&recorder, &LiveRecorder::graphIntervalItemChanged, cb_Int_Graf_In,
            &QComboBox::setCurrentIndex);
}

QWidget* RecordingControls::buildNavigation() {
    auto* navigation = new QGroupBox(QStringLiteral("Навигация"), this);
    navigation->setObjectName(QStringLiteral("sGroupBox_Navigation"));
    auto* nav = new QGridLayout(navigation);
    struct Nav {
        const char* name;
        const char* text;
        NavigationButton action;
    };
    const Nav navs[] = {{"Btn_toBegin", "|<", NavigationButton::ToBegin},
                        {"Btn_Page_toLeft", "<<", NavigationButton::PageLeft},
                        {"Btn_Step_toLeft", "<", NavigationButton::StepLeft},
                        {"Btn_Step_toRight", ">", NavigationButton::StepRight},
                        {"Btn_Page_toRight", ">>", NavigationButton::PageRight},
                        {"Btn_toEnd", ">|", NavigationButton::ToEnd}};
    int col = 0;
    for (const Nav& n : navs) {
        auto* b = NamedButton(n.name, QString::fromLatin1(n.text), navigation);
        nav->addWidget(b, 0, col++);
        m_navigation.append(b);
        const NavigationButton action = n.action;
        if (action == NavigationButton::StepLeft || action == NavigationButton::StepRight)
            new HoldRepeat(b, 100, [this, action] {
                m_recorder.navigate(action);
                return true;
            });
        else
            connect(b, &QToolButton::clicked, this,
                    [this, action] { m_recorder.navigate(action); });
    }
    atb_Type_Graf_Nepr =
        NamedButton("atb_Type_Graf_Nepr", QStringLiteral("Непрерывно"), navigation);
    atb_Type_Graf_Page = NamedButton("atb_Type_Graf_Page", QStringLiteral("Страницы"), navigation);
    for (QToolButton* b : {atb_Type_Graf_Nepr, atb_Type_Graf_Page})
        b->setCheckable(true);
    atb_Type_Graf_Nepr->setChecked(true);
    connect(atb_Type_Graf_Nepr, &QToolButton::clicked, this,
            [this] { m_recorder.setPageDisplay(false); });
    connect(atb_Type_Graf_Page, &QToolButton::clicked, this,
            [this] { m_recorder.setPageDisplay(true); });
    addPageWidth(nav, navigation);
    auto* showAxes = NamedButton("atb_ShowAxis_ChartM", QStringLiteral("Оси"), navigation);
    connect(showAxes, &QToolButton::clicked, this, &RecordingControls::axisPanelsToggled);
    nav->addWidget(atb_Type_Graf_Nepr, 1, 0, 1, 2);
    nav->addWidget(atb_Type_Graf_Page, 1, 2, 1, 2);
    nav->addWidget(showAxes, 1, 4, 1, 2);
    return navigation;
}

// The page width in seconds with its held "-" and "+".
void RecordingControls::addPageWidth(QGridLayout* nav, QWidget* navigation) {
    auto* pageDown = NamedButton("atb_PageDown", QStringLiteral("-"), navigation);
    auto* pageUp = NamedButton("atb_PageUp", QStringLiteral("+"), navigation);
    Edit_Width_Page_Graf = new QLineEdit(QStringLiteral("10"), navigation);
    Edit_Width_Page_Graf->setObjectName(QStringLiteral("Edit_Width_Page_Graf"));
    Edit_Width_Page_Graf->setReadOnly(true);
    Edit_Width_Page_Graf->setMaximumWidth(40);
    for (auto [b, delta] : {std::pair{pageDown, -1}, std::pair{pageUp, 1}}) {
        const int d = delta;
        new HoldRepeat(
            b, 200, [this, d] { return !m_recorder.stepPageWidth(d).atLimit; },
            [this] { m_recorder.releasePageWidth(); });
    }
    nav->addWidget(pageDown, 2, 0);
    nav->addWidget(Edit_Width_Page_Graf, 2, 1, 1, 2);
    nav->addWidget(pageUp, 2, 3);
}

QWidget* RecordingControls::buildRecording() {
    auto* dynamic = new QGroupBox(QStringLiteral("Динамический вывод"), this);
    dynamic->setObjectName(QStringLiteral("sGroupBox_Dynamic"));
    auto* dyn = new QHBoxLayout(dynamic);
    atb_Chart1_Start = NamedButton("atb_Chart1_Start", QStringLiteral("Пуск"), dynamic);
    atb_Chart1_Pause = NamedButton("atb_Chart1_Pause", QStringLiteral("Пауза"), dynamic);
    atb_Chart1_Continue = NamedButton("atb_Chart1_Continue", QStringLiteral("Продолжить"), dynamic);
    atb_Chart1_Stop = NamedButton("atb_Chart1_Stop", QStringLiteral("Стоп"), dynamic);
    atb_Chart1_Delete = NamedButton("atb_Chart1_Delete", QStringLiteral("Очистить"), dynamic);
    dyn->addWidget(OnePlace(dynamic, {atb_Chart1_Start, atb_Chart1_Pause, atb_Chart1_Continue}));
    dyn->addWidget(atb_Chart1_Stop);
    dyn->addWidget(atb_Chart1_Delete);
    connect(atb_Chart1_Start, &QToolButton::clicked, this, [this] { m_recorder.start(); });
    connect(atb_Chart1_Pause, &QToolButton::clicked, this, [this] { m_recorder.pause(); });
    connect(atb_Chart1_Continue, &QToolButton::clicked, this,
            [this] { m_recorder.continueRecording(); });
    connect(atb_Chart1_Stop, &QToolButton::clicked, this, [this] { m_recorder.stop(); });
    connect(atb_Chart1_Delete, &QToolButton::clicked, this, [this] { m_recorder.deleteCurrent(); });
    return dynamic;
}

QWidget* RecordingControls::buildDeviationLimit() {
    sGroupBox14 = new QGroupBox(QStringLiteral("Диапазон разрешенных отклонений"), this);
    sGroupBox14->setObjectName(QStringLiteral("sGroupBox14"));
    auto* limit = new QHBoxLayout(sGroupBox14);
    auto* limitDown = NamedButton("atb_Limit_Down", QStringLiteral("-"), sGroupBox14);
    auto* limitUp = NamedButton("atb_Limit_Up", QStringLiteral("+"), sGroupBox14);
    Ed_Limit = new QLineEdit(sGroupBox14);
    Ed_Limit->setObjectName(QStringLiteral("Ed_Limit"));
    Ed_Limit->setReadOnly(true);
    Ed_Limit->setMaximumWidth(50);
    for (auto [b, delta] : {std::pair{limitDown, -1}, std::pair{limitUp, 1}}) {
        const int d = delta;
        new HoldRepeat(b, 200, [this, d] { return !m_recorder.stepDeviationLimit(d).atLimit; });
    }
    limit->addWidget(limitDown);
    limit->addWidget(Ed_Limit);
    limit->addWidget(limitUp);
    limit->addWidget(new QLabel(QStringLiteral("%"), sGroupBox14));
    limit->addStretch(1);
    return sGroupBox14;
}

QWidget* RecordingControls::buildInterval() {
    auto* interval = new QGroupBox(QStringLiteral("Интервал опроса"), this);
    interval->setObjectName(QStringLiteral("sGroupBox_Interval"));
    auto* intervalLayout = new QHBoxLayout(interval);
    cb_Int_Graf_In = new QComboBox(interval);
    cb_Int_Graf_In->setObjectName(QStringLiteral("cb_Int_Graf_In"));
    // The intervals in seconds, written with the separator of every other number shown.
    for (const char* seconds : {"0.2", "0.25", "0.5", "1.0", "1.5", "2.0"})
        cb_Int_Graf_In->addItem(
            QString::fromLatin1(seconds).replace(QLatin1Char('.'), DecimalFormat().separator()));
    connect(cb_Int_Graf_In, &QComboBox::activated, this,
            [this](int item) { m_recorder.setGraphIntervalItem(item); });
    intervalLayout->addWidget(cb_Int_Graf_In);
    auto* seconds = new QLabel(QStringLiteral("с"), interval);
    seconds->setObjectName(QStringLiteral("Lbl_Interval_Seconds"));
    intervalLayout->addWidget(seconds);
    intervalLayout->addStretch(1);
    return interval;
}

void RecordingControls::addToLock(InterfaceLock& lock) {
    for (QWidget* w : std::initializer_list<QWidget*>{atb_Chart1_Start, atb_Chart1_Continue,
                                                      sGroupBox14, cb_Int_Graf_In})
        lock.add(w);
}

void RecordingControls::applyInfo(const InfoSettings& info) {
    if (info.graphIntervalIndex >= 0 && info.graphIntervalIndex < cb_Int_Graf_In->count()) {
        cb_Int_Graf_In->setCurrentIndex(info.graphIntervalIndex);
        m_recorder.setGraphIntervalItem(info.graphIntervalIndex);
    }
    bool ok = false;
    if (const int limit = info.deviationLimit.toInt(&ok); ok)
        m_recorder.setDeviationLimit(limit);
    Ed_Limit->setText(info.deviationLimit);
    m_recorder.setPageDisplay(info.chartMode == QLatin1String("1"));
    if (const int width = info.pageWidth.toInt(&ok); ok)
        m_recorder.setPageWidthSeconds(width);
    Edit_Width_Page_Graf->setText(info.pageWidth);
}

void RecordingControls::storeInfo(InfoSettings& info) const {
    if (cb_Int_Graf_In->currentIndex() >= 0)
        info.graphIntervalIndex = cb_Int_Graf_In->currentIndex();
    info.deviationLimit = Ed_Limit->text();
    info.chartMode = m_recorder.pageDisplay() ? QStringLiteral("1") : QStringLiteral("0");
    info.pageWidth = Edit_Width_Page_Graf->text();
}

void RecordingControls::showControls(const RecorderControls& c) {
    atb_Chart1_Start->setVisible(c.startVisible);
    atb_Chart1_Pause->setVisible(c.pauseVisible);
    atb_Chart1_Continue->setVisible(c.continueVisible);
    atb_Chart1_Stop->setEnabled(c.stopEnabled);
    atb_Chart1_Delete->setEnabled(c.deleteEnabled);
    for (QToolButton* b : m_navigation)
        b->setEnabled(c.navigationEnabled);
    atb_Param_Open_2->setEnabled(c.fileButtonsEnabled);
    atb_Param_Save_2->setEnabled(c.fileButtonsEnabled);
}
