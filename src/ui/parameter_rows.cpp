#include "parameter_rows.h"

#include "decimal_format.h"
#include "interface_lock.h"
#include "live_recorder.h"
#include "panel_parts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>

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

} // namespace

ParameterRows::ParameterRows(LiveRecorder& recorder, QWidget* parent)
    : QWidget(parent), m_recorder(recorder) {
    for (int i = 0; i < kInfoColourCount; ++i)
        m_colours[size_t(i)] = fromColourValue(InfoSettings().chartColours[size_t(i)]);
    auto* rows = new QGridLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    // The spacing the rows had inside the tab's column.
    rows->setHorizontalSpacing(4);
    rows->setVerticalSpacing(2);
    for (int r = 0; r < 11; ++r)
        rows->setRowMinimumHeight(r, 23);
    m_leftRadios = new QButtonGroup(this);
    m_rightRadios = new QButtonGroup(this);
    int r = 0;
    for (int i = 0; i < int(std::size(kRows)); ++i)
        addChannelRow(rows, r++, i);
    addFuelUsedRow(rows, r);

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
    connect(&recorder, &LiveRecorder::fuelUsedTextChanged, Lbl_KRT, &QLabel::setText);
    connect(&recorder, &LiveRecorder::averagingChanged, this,
            [this](bool on) { showAveragingButton(on); });
    connect(&recorder, &LiveRecorder::parameterChecksChanged, this, &ParameterRows::showChecks);
    showChecks();
}

void ParameterRows::addChannelRow(QGridLayout* rows, int r, int rowIndex) {
    const Row row = kRows[rowIndex];
    const ChannelInfo& info = InfoOf(row.channel);
    const size_t c = size_t(row.channel);
    auto* check = new QCheckBox(this);
    check->setObjectName(QLatin1String(info.checkBox));
    auto* colour = NamedButton(info.colourButton, QString(), this);
    paintColourButton(colour, m_colours[size_t(row.colourIndex)]);
    auto* value = new QLabel(ValuePlaceholder(), this);
    value->setObjectName(QLatin1String(info.label));
    value->setMinimumWidth(60);
    auto* caption = new QLabel(QString::fromUtf8(info.caption), this);
    caption->setObjectName(QLatin1String(info.label) + QStringLiteral("_Caption"));
    auto* radio = new QRadioButton(this);
    radio->setObjectName(QLatin1String(info.axisRadio));
    (info.axis == ValueAxis::Left ? m_leftRadios : m_rightRadios)->addButton(radio);
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
    connect(colour, &QToolButton::clicked, this, [this, row] { chooseColour(row.colourIndex); });
    connect(radio, &QRadioButton::clicked, this,
            [this, row] { m_recorder.axes().checkChannel(row.channel); });
    if (row.channel == Channel::RashTopl)
        addAveragingButtons(rows, r);
    if (row.channel == Channel::Per4_imp) {
        for (QWidget* w : {static_cast<QWidget*>(check), static_cast<QWidget*>(colour),
                           static_cast<QWidget*>(value), static_cast<QWidget*>(caption),
                           static_cast<QWidget*>(radio)})
            w->hide();
    }
}

// The fuel consumption's "Норма" and "Среднее" in one place.
void ParameterRows::addAveragingButtons(QGridLayout* rows, int r) {
    atb_RT_TCNorma = NamedButton("atb_RT_TCNorma", QStringLiteral("Норма"), this);
    atb_RT_TCAverage = NamedButton("atb_RT_TCAverage", QStringLiteral("Среднее"), this);
    rows->addWidget(OnePlace(this, {atb_RT_TCNorma, atb_RT_TCAverage}), r, 5);
    atb_RT_TCAverage->hide();
    // "Норма" clears the averaging and brings "Среднее" to the front; "Среднее" sets it and
    // brings "Норма" to the front. Each brings the other to the front even when the
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

void ParameterRows::addFuelUsedRow(QGridLayout* rows, int r) {
    // The hidden output-frequency row and the fuel-used row.
    atb_digDMRV_Output_Color = NamedButton("atb_digDMRV_Output_Color", QString(), this);
    paintColourButton(atb_digDMRV_Output_Color, m_outputColour);
    atb_digDMRV_Output_Color->hide();
    atb_KRT_Color = NamedButton("atb_KRT_Color", QString(), this);
    paintColourButton(atb_KRT_Color, m_fuelUsedColour);
    Lbl_KRT = new QLabel(ValuePlaceholder(), this);
    Lbl_KRT->setObjectName(QStringLiteral("Lbl_KRT"));
    atb_Get_0 = NamedButton("atb_Get_0", QStringLiteral("обнулить"), this);
    rows->addWidget(atb_KRT_Color, r, 1);
    rows->addWidget(Lbl_KRT, r, 2);
    auto* fuelUsedCaption = new QLabel(QStringLiteral("Израсходовано топлива, л "), this);
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
}

void ParameterRows::addToLock(InterfaceLock& lock) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{atb_Get_0, atb_KRT_Color, atb_digDMRV_Output_Color})
        lock.add(w);
    for (QToolButton* b : m_colourButtons)
        lock.add(b);
}

void ParameterRows::applyInfo(const InfoSettings& info) {
    for (int i = 0; i < kInfoColourCount; ++i)
        m_colours[size_t(i)] = fromColourValue(info.chartColours[size_t(i)]);
    for (const Row& r : kRows)
        paintColourButton(m_colourButtons[size_t(r.channel)], m_colours[size_t(r.colourIndex)]);
    // Which of the two buttons is in front; averaging itself always starts off.
    const bool averageInFront = info.fuelConsumptionFront != QLatin1String("0");
    atb_RT_TCAverage->setVisible(averageInFront);
    atb_RT_TCNorma->setVisible(!averageInFront);
}

void ParameterRows::storeInfo(InfoSettings& info) const {
    for (int i = 0; i < kInfoColourCount; ++i)
        info.chartColours[size_t(i)] = toColourValue(m_colours[size_t(i)]);
    info.chartColours[kUnusedColourIndex] = info.chartColours[kUnusedColourIndex - 1];
    info.fuelConsumptionFront = atb_RT_TCAverage->isVisible() || !atb_RT_TCAverage->isHidden()
                                    ? QStringLiteral("1")
                                    : QStringLiteral("0");
}

QColor ParameterRows::channelColour(Channel channel) const {
    return m_colours[size_t(colourIndexOf(channel))];
}

QString ParameterRows::caption(int series) const {
    return series >= 0 && series < kChannelCount ? m_captions[size_t(series)]->text().trimmed()
                                                 : QString();
}

void ParameterRows::showWaterPressure(bool present) {
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

void ParameterRows::showAveragingButton(bool averaging) {
    // While averaging, "Норма" is in front (pressing it goes back to the plain values).
    atb_RT_TCNorma->setVisible(averaging);
    atb_RT_TCAverage->setVisible(!averaging);
}

void ParameterRows::showChecks() {
    for (int c = 0; c < kChannelCount; ++c) {
        const bool on = m_recorder.parameterChecks()[size_t(c)];
        m_checks[size_t(c)]->setChecked(on);
        m_colourButtons[size_t(c)]->setEnabled(on && m_recorder.controls().colourButtonsEnabled);
        showChannelDrawn(m_colourButtons[size_t(c)], on);
    }
}

void ParameterRows::showColourButtons() {
    // A channel's colour button needs both its check box and a recording to colour.
    const bool allowed = m_recorder.controls().colourButtonsEnabled;
    for (int c = 0; c < kChannelCount; ++c) {
        m_colourButtons[size_t(c)]->setEnabled(allowed && m_checks[size_t(c)]->isChecked());
        showChannelDrawn(m_colourButtons[size_t(c)], m_checks[size_t(c)]->isChecked());
    }
    atb_KRT_Color->setEnabled(allowed);
    atb_digDMRV_Output_Color->setEnabled(allowed);
}

void ParameterRows::showValues() {
    for (int c = 0; c < kChannelCount; ++c)
        m_values[size_t(c)]->setText(m_recorder.channelText(Channel(c)));
}

void ParameterRows::showValuesAt(const Recording& recording, int pointIndex) {
    for (int c = 0; c < kChannelCount; ++c) {
        if (m_values[size_t(c)]->isVisible())
            m_values[size_t(c)]->setText(
                m_recorder.decimalFormat().format(recording.value(c, pointIndex)));
    }
}

void ParameterRows::chooseColour(int colourIndex) {
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
    emit coloursChanged();
}
