#include "chart_page.h"

#include "decimal_format.h"
#include "file_names.h"
#include "hold_repeat.h"
#include "interface_lock.h"
#include "live_recorder.h"
#include "parameter_rows.h"
#include "record_file.h"
#include "recording_chart.h"
#include "recording_controls.h"

#include <QAction>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

using namespace telemetry;

ChartPage::ChartPage(LiveRecorder& recorder, QWidget* parent)
    : QWidget(parent), m_recorder(recorder) {
    setObjectName(QStringLiteral("Panel_Parr_Max"));

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

    wireRecorder();
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

void ChartPage::wireRecorder() {
    RecordingArchive& archive = m_recorder.archive();
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
    connect(&m_recorder.axes(), &ValueAxesModel::rangeChanged, this,
            [this](ValueAxis axis, const AxisRange& range) {
                if (RecordingChart* chart = currentChart()) {
                    if (axis == ValueAxis::Left)
                        chart->setLeftRange(range.minimum, range.maximum);
                    else
                        chart->setRightRange(range.minimum, range.maximum);
                    chart->refresh();
                }
            });
    connect(&m_recorder.axes(), &ValueAxesModel::editsChanged, this, &ChartPage::showAxisEdits);
    connect(&m_recorder, &LiveRecorder::controlsChanged, this, &ChartPage::showControls);
    connect(&m_recorder, &LiveRecorder::lockRequested, this, &ChartPage::lockRequested);
    connect(&m_recorder, &LiveRecorder::unlockRequested, this, &ChartPage::unlockRequested);
    connect(&m_recorder, &LiveRecorder::statusPanelClearRequested, this,
            &ChartPage::statusPanelClearRequested);
    connect(&m_recorder, &LiveRecorder::tickCompleted, m_rows, &ParameterRows::showValues);
    connect(m_rows, &ParameterRows::coloursChanged, this, [this] {
        if (RecordingChart* chart = currentChart()) {
            applyColours(chart);
            redraw(chart, *m_recorder.archive().current());
        }
    });
    connect(m_controls, &RecordingControls::openFileRequested, this, &ChartPage::openRecordFile);
    connect(m_controls, &RecordingControls::saveFileRequested, this, &ChartPage::saveRecordFile);
    connect(m_controls, &RecordingControls::axisPanelsToggled, this, [this] {
        m_recorder.axes().copyRangesToEdits();
        const bool hide = spnl_AxLeft->isVisible();
        spnl_AxLeft->setVisible(!hide);
        spnl_AxRight->setVisible(!hide);
    });
}

void ChartPage::showWaterPressure(bool present) {
    m_rows->showWaterPressure(present);
}

QWidget* ChartPage::buildParameters() {
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("sts_Parameters_Rows"));
    auto* outer = new QVBoxLayout(tab);
    outer->setSpacing(4);
    m_rows = new ParameterRows(m_recorder, tab);
    outer->addWidget(m_rows);
    m_controls = new RecordingControls(m_recorder, tab);
    outer->addWidget(m_controls);
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
    addAxisEnd(layout, axis, AxisEnd::Maximum);
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
    addAxisEnd(layout, axis, AxisEnd::Minimum);
    return panel;
}

// An axis end's caption, its four step buttons (held: they repeat) and its edit.
void ChartPage::addAxisEnd(QVBoxLayout* layout, ValueAxis axis, AxisEnd end) {
    QWidget* panel = layout->parentWidget();
    const bool left = axis == ValueAxis::Left;
    const QString side = left ? QStringLiteral("Left") : QStringLiteral("Right");
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
        b->setObjectName(QStringLiteral("sb_Ax%1_%2%3").arg(side, part, QLatin1String(s.suffix)));
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
    m_rows->addToLock(lock);
    m_controls->addToLock(lock);
}

void ChartPage::applyInfo(const InfoSettings& info) {
    m_rows->applyInfo(info);
    m_controls->applyInfo(info);
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
    m_rows->storeInfo(info);
    m_controls->storeInfo(info);
    info.leftAxisMax = m_axisEdits[0][0]->text();
    info.leftAxisMin = m_axisEdits[0][1]->text();
    info.rightAxisMax = m_axisEdits[1][0]->text();
    info.rightAxisMin = m_axisEdits[1][1]->text();
}

QColor ChartPage::channelColour(Channel channel) const {
    return m_rows->channelColour(channel);
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
        chart->setToolTip(m_rows->caption(series));
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
    m_controls->showControls(c);
    m_rows->showColourButtons();
    // The menu items of the main window follow their buttons.
    QWidget* top = window();
    if (auto* stop = top->findChild<QAction*>(QStringLiteral("ChartStop")))
        stop->setEnabled(c.stopEnabled);
    if (auto* clear = top->findChild<QAction*>(QStringLiteral("ChartClear")))
        clear->setEnabled(c.deleteEnabled);
    emit disconnectAllowed(c.disconnectEnabled);
}

void ChartPage::showValuesAt(int pointIndex) {
    const Recording* recording = m_recorder.archive().current();
    if (!recording || pointIndex >= recording->sampleCount())
        return;
    m_rows->showValuesAt(*recording, pointIndex);
}

void ChartPage::showAxisEdits(ValueAxis axis) {
    const int a = axis == ValueAxis::Left ? 0 : 1;
    m_axisEdits[a][0]->setText(
        m_recorder.decimalFormat().format(m_recorder.axes().edit(axis, AxisEnd::Maximum)));
    m_axisEdits[a][1]->setText(
        m_recorder.decimalFormat().format(m_recorder.axes().edit(axis, AxisEnd::Minimum)));
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

void ChartPage::afterUnlock() {
    m_rows->showColourButtons();
}
