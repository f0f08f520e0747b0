#include "chart_page.h"

#include "decimal_format.h"
#include "file_names.h"
#include "hold_repeat.h"
#include "interface_lock.h"
#include "live_recorder.h"
#include "record_file.h"
#include "recording_chart.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedLayout>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

using namespace telemetry;

namespace {

// What a value label shows before the first value: the digits' room, with the separator the
// values will have.
QString ValuePlaceholder() {
    return QStringLiteral("XXX") + DecimalFormat().separator() + QStringLiteral("XX");
}

// Channel rows of the "Параметры" tab, top to bottom, with their Info_A.ini colour index.
struct Row {
    Channel channel;
    int colourIndex;
};
constexpr Row kRows[] = {{Channel::TVT, 0},      {Channel::RTT, 4},      {Channel::RT, 3},
                         {Channel::RashTopl, 1}, {Channel::U_analog, 2}, {Channel::DP, 5},
                         {Channel::II, 6},       {Channel::T, 7},        {Channel::PVK, 9},
                         {Channel::Per4_imp, 10}};

int colourIndexOf(Channel channel) {
    for (const Row& r : kRows) {
        if (r.channel == channel)
            return r.colourIndex;
    }
    return 0;
}

QColor fromColourValue(ColourValue v) {
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

ColourValue toColourValue(const QColor& c) {
    return ColourValue(c.red()) | ColourValue(c.green()) << 8 | ColourValue(c.blue()) << 16;
}

QToolButton* button(const char* name, const QString& text, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(text);
    return b;
}

// The dashes are the key to which line is which: locked while a recording runs, a button keeps
// its colour; only the button of a channel that is not drawn turns grey.
void paintColourButton(QToolButton* b, const QColor& colour) {
    b->setText(QStringLiteral("-----"));
    b->setStyleSheet(QStringLiteral("QToolButton { color: %1; font-weight: bold; }"
                                    "QToolButton[channelOff=\"true\"] { color: palette(mid); "
                                    "font-weight: normal; }")
                         .arg(colour.name()));
}

void showChannelDrawn(QToolButton* b, bool drawn) {
    if (b->property("channelOff").toBool() == !drawn)
        return;
    b->setProperty("channelOff", !drawn);
    b->style()->unpolish(b);
    b->style()->polish(b);
    b->update();
}

// Puts widgets on one place; the one shown is the one in front.
QWidget* onePlace(QWidget* parent, std::initializer_list<QWidget*> widgets) {
    auto* holder = new QWidget(parent);
    auto* stack = new QStackedLayout(holder);
    stack->setStackingMode(QStackedLayout::StackAll);
    for (QWidget* w : widgets) {
        w->setParent(holder);
        stack->addWidget(w);
    }
    return holder;
}

} // namespace

ChartPage::ChartPage(LiveRecorder& recorder, QWidget* parent)
    : QWidget(parent), m_recorder(recorder) {
    setObjectName(QStringLiteral("Panel_Parr_Max"));
    for (int i = 0; i < kInfoColourCount; ++i)
        m_colours[size_t(i)] = fromColourValue(InfoSettings().chartColours[size_t(i)]);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* parameters = new QTabWidget(this);
    parameters->setObjectName(QStringLiteral("sPageControl1"));
    // On a small screen the rows keep their height and the tab scrolls.
    auto* scroll = new QScrollArea(parameters);
    scroll->setObjectName(QStringLiteral("sts_Parameters"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    QWidget* rows = buildParameters();
    scroll->setWidget(rows);
    // The form's 392 pixels are a minimum: no caption or button of the rows is cut off (the
    // "Норма"/"Среднее" column among them), and only a vertical scroll bar may appear.
    parameters->setFixedWidth(std::max(
        392, rows->sizeHint().width() + scroll->verticalScrollBar()->sizeHint().width() + 12));
    parameters->addTab(scroll, QStringLiteral("Параметры"));
    layout->addWidget(parameters);

    spnl_AxLeft = buildAxisPanel(ValueAxis::Left);
    layout->addWidget(spnl_AxLeft);
    spc_Graph = new QTabWidget(this);
    spc_Graph->setObjectName(QStringLiteral("spc_Graph"));
    layout->addWidget(spc_Graph, 1);
    spnl_AxRight = buildAxisPanel(ValueAxis::Right);
    layout->addWidget(spnl_AxRight);

    RecordingArchive& archive = recorder.archive();
    connect(&archive, &RecordingArchive::recordingAdded, this, &ChartPage::addRecordingTab);
    connect(&archive, &RecordingArchive::recordingAboutToBeRemoved, this,
            [this](int, Recording* r) { removeRecordingTab(r); });
    connect(&archive, &RecordingArchive::currentChanged, this, [this](Recording* r) {
        RecordingChart* chart = m_charts.value(r);
        if (chart && spc_Graph->currentWidget() != chart) {
            const QSignalBlocker block(spc_Graph);
            spc_Graph->setCurrentWidget(chart);
        }
        if (chart && r) {
            // A chart made current is drawn with the colours chosen now.
            applyColours(chart);
            chart->refresh();
        }
    });
    connect(spc_Graph, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0)
            m_recorder.selectRecording(index);
    });
    connect(&recorder.axes(), &ValueAxesModel::rangeChanged, this,
            [this](ValueAxis axis, const AxisRange& range) {
                if (RecordingChart* chart = currentChart()) {
                    if (axis == ValueAxis::Left)
                        chart->setLeftRange(range.minimum, range.maximum);
                    else
                        chart->setRightRange(range.minimum, range.maximum);
                    chart->refresh();
                }
            });
    connect(&recorder.axes(), &ValueAxesModel::editsChanged, this, &ChartPage::showAxisEdits);
    connect(&recorder.axes(), &ValueAxesModel::checkedChannelChanged, this, [this](ValueAxis axis) {
        const auto checked = m_recorder.axes().checkedChannel(axis);
        for (const ChannelInfo& info : Channels()) {
            QRadioButton* radio = m_radios[size_t(info.channel)];
            if (info.axis != axis || !radio)
                continue;
            radio->setAutoExclusive(false);
            radio->setChecked(checked == info.channel);
            radio->setAutoExclusive(true);
        }
    });
    connect(&recorder, &LiveRecorder::controlsChanged, this, &ChartPage::showControls);
    connect(&recorder, &LiveRecorder::lockRequested, this, &ChartPage::lockRequested);
    connect(&recorder, &LiveRecorder::unlockRequested, this, &ChartPage::unlockRequested);
    connect(&recorder, &LiveRecorder::statusPanelClearRequested, this,
            &ChartPage::statusPanelClearRequested);
    connect(&recorder, &LiveRecorder::tickCompleted, this, &ChartPage::showValues);
    connect(&recorder, &LiveRecorder::fuelUsedTextChanged, Lbl_KRT, &QLabel::setText);
    connect(&recorder, &LiveRecorder::deviationLimitChanged, this,
            [this](int percent) { Ed_Limit->setText(QString::number(percent)); });
    connect(&recorder, &LiveRecorder::pageWidthChanged, this,
            [this](int seconds) { Edit_Width_Page_Graf->setText(QString::number(seconds)); });
    connect(&recorder, &LiveRecorder::pageDisplayChanged, this, [this](bool on) {
        atb_Type_Graf_Page->setChecked(on);
        atb_Type_Graf_Nepr->setChecked(!on);
    });
    connect(&recorder, &LiveRecorder::averagingChanged, this,
            [this](bool on) { showAveragingButton(on); });
    connect(&recorder, &LiveRecorder::graphIntervalItemChanged, cb_Int_Graf_In,
            &QComboBox::setCurrentIndex);
    auto showChecks = [this] {
        for (int c = 0; c < kChannelCount; ++c) {
            const bool on = m_recorder.parameterChecks()[size_t(c)];
            m_checks[size_t(c)]->setChecked(on);
            m_colourButtons[size_t(c)]->setEnabled(on &&
                                                   m_recorder.controls().colourButtonsEnabled);
            showChannelDrawn(m_colourButtons[size_t(c)], on);
        }
    };
    connect(&recorder, &LiveRecorder::parameterChecksChanged, this, showChecks);
    showChecks();

    askOpenFileName = [this] {
        return QFileDialog::getOpenFileName(this, QString(), QString(),
                                            m_fileFilterName + QStringLiteral(" (*_data.txt)"));
    };
    askSaveFileName = [this] {
        return QFileDialog::getSaveFileName(this, QString(), QString(),
                                            m_fileFilterName + QStringLiteral(" (*_data.txt)"));
    };
    showControls();
}

void ChartPage::showWaterPressure(bool present) {
    // Bit 0 of EEPROM-00: without the water pressure channel its row shows nothing. The row's
    // caption is the water pressure panel Panel20: disabled and emptied, its caption back when
    // the channel is present.
    const size_t c = size_t(Channel::DP);
    QLabel* panel20 = m_captions[c];
    // A caption on the panel is the latest one (a language may have just set it).
    if (!panel20->text().isEmpty())
        m_waterPressureCaption = panel20->text();
    panel20->setEnabled(present);
    panel20->setText(present ? m_waterPressureCaption : QString());
    for (QWidget* w :
         {static_cast<QWidget*>(m_values[c]), static_cast<QWidget*>(m_checks[c]),
          static_cast<QWidget*>(m_colourButtons[c]), static_cast<QWidget*>(m_radios[c])})
        w->setVisible(present);
    // rbDP is unchecked in both cases; its group is exclusive, so it is let go for a moment.
    QButtonGroup* group = m_radios[c]->group();
    const bool exclusive = group && group->exclusive();
    if (group)
        group->setExclusive(false);
    m_radios[c]->setChecked(false);
    if (group)
        group->setExclusive(exclusive);
}

void ChartPage::showAveragingButton(bool averaging) {
    // While averaging, "Норма" is in front (pressing it goes back to the plain values).
    atb_RT_TCNorma->setVisible(averaging);
    atb_RT_TCAverage->setVisible(!averaging);
}

QWidget* ChartPage::buildParameters() {
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("sts_Parameters_Rows"));
    auto* outer = new QVBoxLayout(tab);
    outer->setSpacing(4);
    auto* rows = new QGridLayout;
    rows->setVerticalSpacing(2);
    for (int r = 0; r < 11; ++r)
        rows->setRowMinimumHeight(r, 23);
    outer->addLayout(rows);
    auto* leftRadios = new QButtonGroup(tab);
    auto* rightRadios = new QButtonGroup(tab);
    int r = 0;
    for (const Row& row : kRows) {
        const ChannelInfo& info = InfoOf(row.channel);
        const size_t c = size_t(row.channel);
        auto* check = new QCheckBox(tab);
        check->setObjectName(QLatin1String(info.checkBox));
        auto* colour = button(info.colourButton, QString(), tab);
        paintColourButton(colour, m_colours[size_t(row.colourIndex)]);
        auto* value = new QLabel(ValuePlaceholder(), tab);
        value->setObjectName(QLatin1String(info.label));
        value->setMinimumWidth(60);
        auto* caption = new QLabel(QString::fromUtf8(info.caption), tab);
        caption->setObjectName(QLatin1String(info.label) + QStringLiteral("_Caption"));
        auto* radio = new QRadioButton(tab);
        radio->setObjectName(QLatin1String(info.axisRadio));
        (info.axis == ValueAxis::Left ? leftRadios : rightRadios)->addButton(radio);
        rows->addWidget(check, r, 0);
        rows->addWidget(colour, r, 1);
        rows->addWidget(value, r, 2);
        rows->addWidget(caption, r, 3);
        rows->addWidget(radio, r, 4);
        m_checks[c] = check;
        m_colourButtons[c] = colour;
        m_values[c] = value;
        m_radios[c] = radio;
        m_captions[c] = caption;
        if (row.channel == Channel::DP)
            m_waterPressureCaption = caption->text();
        connect(check, &QCheckBox::clicked, this, [this, row](bool on) {
            m_recorder.setParameterChecked(row.channel, on);
            m_colourButtons[size_t(row.channel)]->setEnabled(
                on && m_recorder.controls().colourButtonsEnabled);
            showChannelDrawn(m_colourButtons[size_t(row.channel)], on);
        });
        connect(colour, &QToolButton::clicked, this,
                [this, row] { chooseColour(row.colourIndex); });
        connect(radio, &QRadioButton::clicked, this,
                [this, row] { m_recorder.axes().checkChannel(row.channel); });
        if (row.channel == Channel::RashTopl) {
            atb_RT_TCNorma = button("atb_RT_TCNorma", QStringLiteral("Норма"), tab);
            atb_RT_TCAverage = button("atb_RT_TCAverage", QStringLiteral("Среднее"), tab);
            rows->addWidget(onePlace(tab, {atb_RT_TCNorma, atb_RT_TCAverage}), r, 5);
            atb_RT_TCAverage->hide();
            // "Норма" clears the averaging and brings "Среднее" to the front; "Среднее" sets it
            // and brings "Норма" to the front. Each brings the other to the front even when the
            // averaging does not change (after a restart it always starts off).
            connect(atb_RT_TCNorma, &QToolButton::clicked, this, [this] {
                m_recorder.setAveraging(false);
                showAveragingButton(false);
            });
            connect(atb_RT_TCAverage, &QToolButton::clicked, this, [this] {
                m_recorder.setAveraging(true);
                showAveragingButton(true);
            });
        }
        if (row.channel == Channel::Per4_imp) {
            for (QWidget* w : {static_cast<QWidget*>(check), static_cast<QWidget*>(colour),
                               static_cast<QWidget*>(value), static_cast<QWidget*>(caption),
                               static_cast<QWidget*>(radio)})
                w->hide();
        }
        ++r;
    }
    // The hidden output-frequency row and the fuel-used row.
    atb_digDMRV_Output_Color = button("atb_digDMRV_Output_Color", QString(), tab);
    paintColourButton(atb_digDMRV_Output_Color, m_outputColour);
    atb_digDMRV_Output_Color->hide();
    atb_KRT_Color = button("atb_KRT_Color", QString(), tab);
    paintColourButton(atb_KRT_Color, m_fuelUsedColour);
    Lbl_KRT = new QLabel(ValuePlaceholder(), tab);
    Lbl_KRT->setObjectName(QStringLiteral("Lbl_KRT"));
    atb_Get_0 = button("atb_Get_0", QStringLiteral("обнулить"), tab);
    rows->addWidget(atb_KRT_Color, r, 1);
    rows->addWidget(Lbl_KRT, r, 2);
    auto* fuelUsedCaption = new QLabel(QStringLiteral("Израсходовано топлива, л "), tab);
    fuelUsedCaption->setObjectName(QStringLiteral("Lbl_KRT_Caption"));
    rows->addWidget(fuelUsedCaption, r, 3);
    rows->addWidget(atb_Get_0, r, 5);
    connect(atb_Get_0, &QToolButton::clicked, this, [this] { m_recorder.resetFuelCounter(); });
    for (QToolButton* b : {atb_KRT_Color, atb_digDMRV_Output_Color}) {
        connect(b, &QToolButton::clicked, this, [this, b] {
            if (!m_recorder.controls().colourButtonsEnabled)
                return; // no recording to colour (an unlock may have enabled the button)
            QColor& colour = b == atb_KRT_Color ? m_fuelUsedColour : m_outputColour;
            const QColor chosen = QColorDialog::getColor(colour, this);
            if (chosen.isValid()) {
                colour = chosen;
                paintColourButton(b, chosen);
            }
        });
    }

    // Navigation.
    auto* navigation = new QGroupBox(QStringLiteral("Навигация"), tab);
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
        auto* b = button(n.name, QString::fromLatin1(n.text), navigation);
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
    atb_Type_Graf_Nepr = button("atb_Type_Graf_Nepr", QStringLiteral("Непрерывно"), navigation);
    atb_Type_Graf_Page = button("atb_Type_Graf_Page", QStringLiteral("Страницы"), navigation);
    for (QToolButton* b : {atb_Type_Graf_Nepr, atb_Type_Graf_Page})
        b->setCheckable(true);
    atb_Type_Graf_Nepr->setChecked(true);
    connect(atb_Type_Graf_Nepr, &QToolButton::clicked, this,
            [this] { m_recorder.setPageDisplay(false); });
    connect(atb_Type_Graf_Page, &QToolButton::clicked, this,
            [this] { m_recorder.setPageDisplay(true); });
    auto* pageDown = button("atb_PageDown", QStringLiteral("-"), navigation);
    auto* pageUp = button("atb_PageUp", QStringLiteral("+"), navigation);
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
    auto* showAxes = button("atb_ShowAxis_ChartM", QStringLiteral("Оси"), navigation);
    connect(showAxes, &QToolButton::clicked, this, [this] {
        m_recorder.axes().copyRangesToEdits();
        const bool hide = spnl_AxLeft->isVisible();
        spnl_AxLeft->setVisible(!hide);
        spnl_AxRight->setVisible(!hide);
    });
    nav->addWidget(atb_Type_Graf_Nepr, 1, 0, 1, 2);
    nav->addWidget(atb_Type_Graf_Page, 1, 2, 1, 2);
    nav->addWidget(showAxes, 1, 4, 1, 2);
    nav->addWidget(pageDown, 2, 0);
    nav->addWidget(Edit_Width_Page_Graf, 2, 1, 1, 2);
    nav->addWidget(pageUp, 2, 3);
    outer->addWidget(navigation);

    // Recording.
    auto* dynamic = new QGroupBox(QStringLiteral("Динамический вывод"), tab);
    dynamic->setObjectName(QStringLiteral("sGroupBox_Dynamic"));
    auto* dyn = new QHBoxLayout(dynamic);
    atb_Chart1_Start = button("atb_Chart1_Start", QStringLiteral("Пуск"), dynamic);
    atb_Chart1_Pause = button("atb_Chart1_Pause", QStringLiteral("Пауза"), dynamic);
    atb_Chart1_Continue = button("atb_Chart1_Continue", QStringLiteral("Продолжить"), dynamic);
    atb_Chart1_Stop = button("atb_Chart1_Stop", QStringLiteral("Стоп"), dynamic);
    atb_Chart1_Delete = button("atb_Chart1_Delete", QStringLiteral("Очистить"), dynamic);
    dyn->addWidget(onePlace(dynamic, {atb_Chart1_Start, atb_Chart1_Pause, atb_Chart1_Continue}));
    dyn->addWidget(atb_Chart1_Stop);
    dyn->addWidget(atb_Chart1_Delete);
    connect(atb_Chart1_Start, &QToolButton::clicked, this, [this] { m_recorder.start(); });
    connect(atb_Chart1_Pause, &QToolButton::clicked, this, [this] { m_recorder.pause(); });
    connect(atb_Chart1_Continue, &QToolButton::clicked, this,
            [this] { m_recorder.continueRecording(); });
    connect(atb_Chart1_Stop, &QToolButton::clicked, this, [this] { m_recorder.stop(); });
    connect(atb_Chart1_Delete, &QToolButton::clicked, this, [this] { m_recorder.deleteCurrent(); });
    outer->addWidget(dynamic);

    auto* files = new QHBoxLayout;
    atb_Param_Open_2 = button("atb_Param_Open_2", QStringLiteral("Открыть из файла"), tab);
    atb_Param_Save_2 = button("atb_Param_Save_2", QStringLiteral("Сохранить в файл"), tab);
    files->addWidget(atb_Param_Open_2);
    files->addWidget(atb_Param_Save_2);
    connect(atb_Param_Open_2, &QToolButton::clicked, this, &ChartPage::openRecordFile);
    connect(atb_Param_Save_2, &QToolButton::clicked, this, &ChartPage::saveRecordFile);
    outer->addLayout(files);

    sGroupBox14 = new QGroupBox(QStringLiteral("Диапазон разрешенных отклонений"), tab);
    sGroupBox14->setObjectName(QStringLiteral("sGroupBox14"));
    auto* limit = new QHBoxLayout(sGroupBox14);
    auto* limitDown = button("atb_Limit_Down", QStringLiteral("-"), sGroupBox14);
    auto* limitUp = button("atb_Limit_Up", QStringLiteral("+"), sGroupBox14);
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
    outer->addWidget(sGroupBox14);

    auto* interval = new QGroupBox(QStringLiteral("Интервал опроса"), tab);
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
    outer->addWidget(interval);
    outer->addStretch(1);
    return tab;
}

QWidget* ChartPage::buildAxisPanel(ValueAxis axis) {
    const bool left = axis == ValueAxis::Left;
    const QString side = left ? QStringLiteral("Left") : QStringLiteral("Right");
    auto* panel = new QWidget(this);
    panel->setObjectName(left ? QStringLiteral("spnl_AxLeft") : QStringLiteral("spnl_AxRight"));
    panel->setFixedWidth(64);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(1);
    auto addEnd = [&](AxisEnd end) {
        const bool top = end == AxisEnd::Maximum;
        const QString part = top ? QStringLiteral("Top") : QStringLiteral("Bottom");
        auto* endCaption = new QLabel(top ? QStringLiteral("Верх") : QStringLiteral("Низ"), panel);
        endCaption->setObjectName(QStringLiteral("Lbl_Ax%1_%2").arg(side, part));
        layout->addWidget(endCaption);
        auto* edit = new QLineEdit(panel);
        edit->setObjectName(QStringLiteral("sEd_Ax%1_%2")
                                .arg(side, top ? QStringLiteral("Max") : QStringLiteral("Min")));
        edit->setReadOnly(true);
        m_axisEdits[left ? 0 : 1][top ? 0 : 1] = edit;
        auto* grid = new QGridLayout;
        struct Step {
            const char* suffix;
            const char* text;
            double step;
        };
        const Step steps[] = {
            {"Up10", "+10", 10}, {"Up", "+1", 1}, {"Down", "-1", -1}, {"Down10", "-10", -10}};
        int i = 0;
        for (const Step& s : steps) {
            auto* b = new QToolButton(panel);
            b->setObjectName(
                QStringLiteral("sb_Ax%1_%2%3").arg(side, part, QLatin1String(s.suffix)));
            b->setText(QLatin1String(s.text));
            b->setAutoRaise(false);
            const double step = s.step;
            auto first = std::make_shared<bool>(true);
            new HoldRepeat(
                b, 200,
                [this, axis, end, step, first] {
                    if (*first)
                        m_recorder.axes().pressEnd(axis, end, step);
                    else
                        m_recorder.axes().repeatEnd(axis, end, step);
                    *first = false;
                    return true;
                },
                [this, axis, end, first] {
                    *first = true;
                    m_recorder.axes().releaseEnd(axis, end);
                });
            grid->addWidget(b, i / 2, i % 2);
            ++i;
        }
        if (top) {
            layout->addLayout(grid);
            layout->addWidget(edit);
        } else {
            layout->addWidget(edit);
            layout->addLayout(grid);
        }
    };
    addEnd(AxisEnd::Maximum);
    layout->addStretch(1);
    auto* automatic = new QToolButton(panel);
    automatic->setObjectName(QStringLiteral("sb_Ax%1_Auto").arg(side));
    automatic->setText(QStringLiteral("Авто"));
    connect(automatic, &QToolButton::clicked, this,
            [this, axis] { m_recorder.axes().automatic(axis); });
    layout->addWidget(automatic);
    auto* fit = new QToolButton(panel);
    fit->setObjectName(QStringLiteral("sb_Ax%1_Fit").arg(side));
    fit->setText(QStringLiteral("Вписать"));
    fit->setToolTip(QStringLiteral("Границы оси по видимым значениям её каналов"));
    connect(fit, &QToolButton::clicked, this, [this, axis] { fitValueAxis(axis); });
    layout->addWidget(fit);
    layout->addStretch(1);
    addEnd(AxisEnd::Minimum);
    return panel;
}

void ChartPage::fitValueAxis(ValueAxis axis) {
    const RecordingChart* chart = currentChart();
    const auto range =
        chart ? chart->visibleValueRange(axis == ValueAxis::Right) : std::optional<QCPRange>();
    if (!range)
        return;
    // Like an end button, the fit stops a checked channel from setting its own range each tick.
    m_recorder.axes().automatic(axis);
    m_recorder.axes().setLimits(axis, range->lower, range->upper);
}

void ChartPage::addToLock(InterfaceLock& lock) {
    for (QWidget* w : std::initializer_list<QWidget*>{
             atb_Get_0, atb_Chart1_Start, atb_Chart1_Continue, sGroupBox14, cb_Int_Graf_In,
             atb_KRT_Color, atb_digDMRV_Output_Color})
        lock.add(w);
    for (QToolButton* b : m_colourButtons)
        lock.add(b);
}

void ChartPage::applyInfo(const InfoSettings& info) {
    for (int i = 0; i < kInfoColourCount; ++i)
        m_colours[size_t(i)] = fromColourValue(info.chartColours[size_t(i)]);
    for (const Row& r : kRows)
        paintColourButton(m_colourButtons[size_t(r.channel)], m_colours[size_t(r.colourIndex)]);
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
    // Which of the two buttons is in front; averaging itself always starts off.
    const bool averageInFront = info.fuelConsumptionFront != QLatin1String("0");
    atb_RT_TCAverage->setVisible(averageInFront);
    atb_RT_TCNorma->setVisible(!averageInFront);
    const auto number = [](const QString& t) {
        return QString(t).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    };
    m_recorder.axes().setLimits(ValueAxis::Left, number(info.leftAxisMin),
                                number(info.leftAxisMax));
    m_recorder.axes().setLimits(ValueAxis::Right, number(info.rightAxisMin),
                                number(info.rightAxisMax));
    showAxisEdits(ValueAxis::Left);
    showAxisEdits(ValueAxis::Right);
}

void ChartPage::storeInfo(InfoSettings& info) const {
    for (int i = 0; i < kInfoColourCount; ++i)
        info.chartColours[size_t(i)] = toColourValue(m_colours[size_t(i)]);
    info.chartColours[kUnusedColourIndex] = info.chartColours[kUnusedColourIndex - 1];
    if (cb_Int_Graf_In->currentIndex() >= 0)
        info.graphIntervalIndex = cb_Int_Graf_In->currentIndex();
    info.deviationLimit = Ed_Limit->text();
    info.chartMode = m_recorder.pageDisplay() ? QStringLiteral("1") : QStringLiteral("0");
    info.pageWidth = Edit_Width_Page_Graf->text();
    info.fuelConsumptionFront = atb_RT_TCAverage->isVisible() || !atb_RT_TCAverage->isHidden()
                                    ? QStringLiteral("1")
                                    : QStringLiteral("0");
    info.leftAxisMax = m_axisEdits[0][0]->text();
    info.leftAxisMin = m_axisEdits[0][1]->text();
    info.rightAxisMax = m_axisEdits[1][0]->text();
    info.rightAxisMin = m_axisEdits[1][1]->text();
}

QColor ChartPage::channelColour(Channel channel) const {
    return m_colours[size_t(colourIndexOf(channel))];
}

RecordingChart* ChartPage::currentChart() const {
    return m_charts.value(m_recorder.archive().current());
}

void ChartPage::applyColours(RecordingChart* chart) const {
    for (int c = 0; c < kChannelCount; ++c)
        chart->setSeriesColour(c, channelColour(Channel(c)));
}

void ChartPage::redraw(RecordingChart* chart, const Recording& recording) const {
    std::array<QVector<double>, RecordingChart::ChannelSeriesCount> values;
    for (int s = 0; s < RecordingChart::ChannelSeriesCount; ++s)
        recording.seriesValues(s, 0, recording.sampleCount(), values[size_t(s)]);
    chart->setValues(values);
    chart->refresh();
}

void ChartPage::addRecordingTab(int index, Recording* recording) {
    auto* chart = new RecordingChart(recording->number());
    m_charts.insert(recording, chart);
    applyColours(chart);
    const AxisRange left = m_recorder.axes().range(ValueAxis::Left);
    const AxisRange right = m_recorder.axes().range(ValueAxis::Right);
    chart->setLeftRange(left.minimum, left.maximum);
    chart->setRightRange(right.minimum, right.maximum);
    for (int s = 0; s < kSeriesCount; ++s)
        chart->setSeriesActive(s, recording->isSeriesActive(s));
    redraw(chart, *recording);
    {
        const QSignalBlocker block(spc_Graph);
        spc_Graph->insertTab(index, chart, recording->caption());
        spc_Graph->setCurrentWidget(chart);
    }
    connect(recording, &Recording::samplesAppended, chart,
            [chart, recording](qsizetype first, qsizetype count) {
                for (qsizetype i = first; i < first + count; ++i)
                    chart->appendPoint(recording->pointValues(i));
                chart->refresh();
            });
    connect(recording, &Recording::samplesReset, chart,
            [this, chart, recording] { redraw(chart, *recording); });
    connect(recording, &Recording::seriesActiveChanged, chart, [chart](int series, bool active) {
        chart->setSeriesActive(series, active);
        chart->refresh();
    });
    connect(recording, &Recording::bottomWindowChanged, chart, [chart](const BottomWindow& w) {
        if (w.automatic)
            chart->setBottomAutomatic();
        else
            chart->setBottomWindow(w.minimum, w.maximum);
        chart->refresh();
    });
    chart->setPointLabels([this, recording](int index) {
        return recording->sampleTimeText(index, m_recorder.decimalFormat());
    });
    connect(chart, &RecordingChart::seriesHovered, chart, [this, chart](int series) {
        // The row's caption as the language shows it.
        chart->setToolTip(series >= 0 && series < kChannelCount
                              ? m_captions[size_t(series)]->text().trimmed()
                              : QString());
    });
    connect(chart, &RecordingChart::pointClicked, this, &ChartPage::showValuesAt);
    connect(chart, &RecordingChart::cursorMoved, this, &ChartPage::showValuesAt);
}

void ChartPage::removeRecordingTab(Recording* recording) {
    if (RecordingChart* chart = m_charts.take(recording)) {
        const QSignalBlocker block(spc_Graph);
        spc_Graph->removeTab(spc_Graph->indexOf(chart));
        // The recording goes now, the chart later: a redraw queued before must not ask the
        // recording for its sample times.
        chart->setPointLabels({});
        chart->deleteLater();
    }
}

void ChartPage::showControls() {
    const RecorderControls& c = m_recorder.controls();
    atb_Chart1_Start->setVisible(c.startVisible);
    atb_Chart1_Pause->setVisible(c.pauseVisible);
    atb_Chart1_Continue->setVisible(c.continueVisible);
    atb_Chart1_Stop->setEnabled(c.stopEnabled);
    atb_Chart1_Delete->setEnabled(c.deleteEnabled);
    for (QToolButton* b : m_navigation)
        b->setEnabled(c.navigationEnabled);
    atb_Param_Open_2->setEnabled(c.fileButtonsEnabled);
    atb_Param_Save_2->setEnabled(c.fileButtonsEnabled);
    showColourButtons();
    // The menu items of the main window follow their buttons.
    QWidget* top = window();
    if (auto* stop = top->findChild<QAction*>(QStringLiteral("ChartStop")))
        stop->setEnabled(c.stopEnabled);
    if (auto* clear = top->findChild<QAction*>(QStringLiteral("ChartClear")))
        clear->setEnabled(c.deleteEnabled);
    emit disconnectAllowed(c.disconnectEnabled);
}

void ChartPage::showValues() {
    for (int c = 0; c < kChannelCount; ++c)
        m_values[size_t(c)]->setText(m_recorder.channelText(Channel(c)));
}

void ChartPage::showValuesAt(int pointIndex) {
    const Recording* recording = m_recorder.archive().current();
    if (!recording || pointIndex >= recording->sampleCount())
        return;
    for (int c = 0; c < kChannelCount; ++c) {
        if (m_values[size_t(c)]->isVisible())
            m_values[size_t(c)]->setText(
                m_recorder.decimalFormat().format(recording->value(c, pointIndex)));
    }
}

void ChartPage::showAxisEdits(ValueAxis axis) {
    const int a = axis == ValueAxis::Left ? 0 : 1;
    m_axisEdits[a][0]->setText(
        m_recorder.decimalFormat().format(m_recorder.axes().edit(axis, AxisEnd::Maximum)));
    m_axisEdits[a][1]->setText(
        m_recorder.decimalFormat().format(m_recorder.axes().edit(axis, AxisEnd::Minimum)));
}

void ChartPage::showColourButtons() {
    // A channel's colour button needs both its check box and a recording to colour.
    const bool allowed = m_recorder.controls().colourButtonsEnabled;
    for (int c = 0; c < kChannelCount; ++c) {
        m_colourButtons[size_t(c)]->setEnabled(allowed && m_checks[size_t(c)]->isChecked());
        showChannelDrawn(m_colourButtons[size_t(c)], m_checks[size_t(c)]->isChecked());
    }
    atb_KRT_Color->setEnabled(allowed);
    atb_digDMRV_Output_Color->setEnabled(allowed);
}

void ChartPage::chooseColour(int colourIndex) {
    if (!m_recorder.controls().colourButtonsEnabled)
        return; // no recording to colour (an unlock may have enabled the button)
    const QColor chosen = QColorDialog::getColor(m_colours[size_t(colourIndex)], this);
    if (!chosen.isValid())
        return;
    m_colours[size_t(colourIndex)] = chosen;
    for (const Row& r : kRows) {
        if (r.colourIndex == colourIndex)
            paintColourButton(m_colourButtons[size_t(r.channel)], chosen);
    }
    if (RecordingChart* chart = currentChart()) {
        applyColours(chart);
        redraw(chart, *m_recorder.archive().current());
    }
}

void ChartPage::openRecordFile() {
    const QString path = askOpenFileName ? askOpenFileName() : QString();
    if (path.isEmpty())
        return;
    if (const Message error = m_recorder.loadRecordFile(path); !error.isEmpty())
        emit keyedError(error);
}

void ChartPage::saveRecordFile() {
    if (!m_recorder.archive().current()) {
        // Nothing to save: said before the dialog, not after it with nothing written.
        emit messageKey(QStringLiteral("Msg_NoRecording"));
        return;
    }
    const QString chosen = askSaveFileName ? askSaveFileName() : QString();
    if (chosen.isEmpty() || !m_recorder.archive().current())
        return;
    const QString error = m_recorder.saveCurrentRecording(RecordFileName(chosen));
    if (!error.isEmpty())
        emit message(error);
}
