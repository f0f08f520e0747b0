#include "live_recorder.h"

#include "record_file.h"
#include "transaction_engine.h"

#include <algorithm>
#include <cmath>

// States and operations (an operation marked "—" does not apply and changes nothing):
//
//   state    | Start              | Pause  | Continue                 | Stop | Delete
//   ---------+--------------------+--------+--------------------------+------+--------------------
//   Idle     | new tab, Running   | —      | into the current tab if  | Idle | destroy current tab
//            |                    |        | it is the last, Running  |      |
//   Running  | —                  | Paused | —                        | Idle | —
//   Paused   | —                  | —      | live recording, Running  | Idle | destroy current
//            |                    |        |                          |      | tab, Idle
//
// Only the applicable button is shown: Start in Idle, Pause while Running, Continue while Paused
// and, in Idle, after the last tab was selected (until Stop or Delete).

namespace telemetry {

namespace {

constexpr double kClampAfterSeconds = 4.0;

} // namespace

LiveRecorder::LiveRecorder(TransactionEngine& engine, ModuleSettingsModel& settings,
                           QObject* parent)
    : QObject(parent), m_engine(engine), m_poll(engine, settings), m_reset(engine) {
    for (int c = 0; c < kChannelCount; ++c)
        m_channels[std::size_t(c)] = TelemetryChannel::of(Channel(c));
    m_graphTimer.setObjectName(QStringLiteral("Timer_Module_Graf"));
    connect(&m_graphTimer, &QTimer::timeout, this, &LiveRecorder::graphTick);
    // The module's error signal stops every timer of the window, the graph tick included; the
    // recording keeps its running appearance until the user pauses and continues or stops it.
    connect(&engine, &TransactionEngine::stopAllTimersRequested, this,
            [this] { setGraphTimerEnabled(false); });
    connect(&m_reset, &FuelCounterReset::fuelUsedShownAsZero, this,
            [this] { setFuelUsedText(QStringLiteral("0")); });
}

LiveRecorder::~LiveRecorder() = default;

QString LiveRecorder::channelText(Channel c) const {
    return m_format.format(channel(c).current);
}

void LiveRecorder::setState(RecorderState state) {
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void LiveRecorder::setControls(const RecorderControls& controls) {
    if (controls == m_controls)
        return;
    m_controls = controls;
    emit controlsChanged(m_controls);
}

void LiveRecorder::setGraphTimerEnabled(bool enabled) {
    m_graphTimerEnabled = enabled;
    if (enabled && m_engine.automaticTicks()) {
        // Scaled like the transaction timers, so tests can run quickly; the time base of the
        // samples always uses the real interval.
        const double scaled = m_graphIntervalMs * m_engine.intervalScale();
        m_graphTimer.start(std::max(1, int(std::lround(scaled))));
    } else {
        m_graphTimer.stop();
    }
}

void LiveRecorder::clearTimeBase() {
    m_page = PageState();
    m_elapsedMs = 0;
    m_tickPeriodMs = 0;
    for (const Channel c : {Channel::TVT, Channel::PVK}) {
        TelemetryChannel& ch = m_channels[std::size_t(c)];
        ch.previous = ch.beforePrevious = ch.thirdBack = 0;
    }
}

void LiveRecorder::setFuelUsedText(const QString& text) {
    m_fuelUsedText = text;
    emit fuelUsedTextChanged(text);
}

void LiveRecorder::setGraphIntervalItem(int item) {
    if (item == m_graphIntervalItem)
        return;
    m_graphIntervalItem = item;
    emit graphIntervalItemChanged(item);
}

void LiveRecorder::setPageDisplay(bool on) {
    if (on == m_pageDisplay)
        return;
    m_pageDisplay = on;
    emit pageDisplayChanged(on);
}

void LiveRecorder::setPageWidthSeconds(int seconds) {
    if (seconds == m_pageWidthSeconds)
        return;
    m_pageWidthSeconds = seconds;
    emit pageWidthChanged(seconds);
}

BoundedStep LiveRecorder::stepPageWidth(int delta) {
    const BoundedStep s =
        StepWithin(m_pageWidthSeconds, delta, kPageWidthLowest, kPageWidthHighest);
    setPageWidthSeconds(s.value);
    return s;
}

void LiveRecorder::releasePageWidth() {
    Recording* r = m_archive.current();
    if (!r || r->sampleCount() == 0)
        return;
    const double axisMinimum = ShownMinimum(r->bottomWindow(), r->sampleCount());
    // The old width is the one the last page computation left (0 when none has run yet).
    const double oldPointsPerPage = m_page.PointsPerPage;
    m_page.PointsPerPage = PointsPerPageFor(m_pageWidthSeconds, m_graphIntervalMs);
    const BottomWindow window = RecentreWindow(oldPointsPerPage, axisMinimum, m_page.PointsPerPage);
    r->setBottomWindow(window);
    m_page.PageStart = window.minimum;
    m_page.PageEnd = window.maximum;
}

void LiveRecorder::setDeviationLimit(int percent) {
    if (percent == m_deviationLimit)
        return;
    m_deviationLimit = percent;
    emit deviationLimitChanged(percent);
}

BoundedStep LiveRecorder::stepDeviationLimit(int delta) {
    const BoundedStep s =
        StepWithin(m_deviationLimit, delta, kDeviationLimitLowest, kDeviationLimitHighest);
    setDeviationLimit(s.value);
    return s;
}

void LiveRecorder::setAveraging(bool on) {
    if (on == m_averaging)
        return;
    m_averaging = on;
    emit averagingChanged(on);
}

void LiveRecorder::setParameterChecked(Channel channel, bool checked) {
    m_checks[std::size_t(channel)] = checked;
    if (Recording* r = m_archive.current())
        r->setSeriesActive(SeriesOf(channel), checked);
    emit parameterChecksChanged();
}

void LiveRecorder::setParameterChecks(const ParameterChecks& checks) {
    m_checks = checks;
    if (Recording* r = m_archive.current()) {
        for (int c = 0; c < kChannelCount; ++c)
            r->setSeriesActive(c, checks[std::size_t(c)]);
    }
    emit parameterChecksChanged();
}

bool LiveRecorder::start() {
    if (m_state != RecorderState::Idle)
        return false;
    clearTimeBase();
    setGraphTimerEnabled(false);

    Recording* r = m_archive.create(QString(), Recording::Origin::Live);
    m_axes.applyEditsToRanges();
    if (const auto ms = GraphIntervalForItem(m_graphIntervalItem))
        m_graphIntervalMs = *ms;
    if (m_pageDisplay)
        StartPages(m_page, PointsPerPageFor(m_pageWidthSeconds, m_graphIntervalMs));

    RecorderControls c = m_controls;
    c.fileButtonsEnabled = false;
    c.navigationEnabled = false;
    c.deleteEnabled = false;
    c.stopEnabled = true;
    c.disconnectEnabled = false;
    c.startVisible = false;
    c.pauseVisible = true;
    c.continueVisible = false;
    c.colourButtonsEnabled = true; // a recording to colour again (the lock disables them for now)
    setControls(c);
    emit lockRequested();

    m_live = r;
    m_poll.beginRecording();
    setGraphTimerEnabled(true);
    setState(RecorderState::Running);

    for (int s = 0; s < kChannelCount; ++s) {
        bool active = m_checks[std::size_t(s)];
        if (s == SeriesOf(Channel::PVK))
            active = active && m_pvkCheckBoxVisible;
        r->setSeriesActive(s, active);
    }
    return true;
}

bool LiveRecorder::pause() {
    if (m_state != RecorderState::Running)
        return false;
    setGraphTimerEnabled(false);
    m_poll.stop();
    RecorderControls c = m_controls;
    c.pauseVisible = false;
    c.continueVisible = true;
    c.deleteEnabled = true;
    setControls(c);
    setState(RecorderState::Paused);
    emit unlockRequested();
    return true;
}

bool LiveRecorder::continueRecording() {
    Recording* target = nullptr;
    if (m_state == RecorderState::Paused)
        target = m_live;
    else if (m_state == RecorderState::Idle && m_controls.continueVisible &&
             m_archive.isLast(m_archive.current()))
        target = m_archive.current();
    if (!target)
        return false;

    RecorderControls c = m_controls;
    if (m_state == RecorderState::Idle) {
        // Resuming from Idle is a recording running again: keep the same controls away from it
        // as Start does, so a file cannot be loaded or the module disconnected under it.
        c.fileButtonsEnabled = false;
        c.navigationEnabled = false;
        c.disconnectEnabled = false;
        c.stopEnabled = true;
    }
    c.startVisible = false;
    c.pauseVisible = true;
    c.continueVisible = false;
    c.deleteEnabled = false;
    setControls(c);
    m_live = target;
    setGraphTimerEnabled(true);
    setState(RecorderState::Running);
    emit lockRequested();
    return true;
}

bool LiveRecorder::stop() {
    setGraphTimerEnabled(false);
    m_poll.stop();
    RecorderControls c = m_controls;
    c.disconnectEnabled = true;
    c.navigationEnabled = true;
    c.deleteEnabled = m_archive.count() > 0;
    c.fileButtonsEnabled = true;
    c.startVisible = true;
    c.pauseVisible = false;
    c.continueVisible = false;
    setControls(c);
    m_live = nullptr;
    setState(RecorderState::Idle);
    emit unlockRequested();
    emit statusPanelClearRequested();
    return true;
}

bool LiveRecorder::deleteCurrent() {
    if (m_state == RecorderState::Running || !m_archive.current())
        return false;
    m_archive.removeCurrent();
    // The tab that takes the deleted one's place is shown like a selected tab.
    if (m_archive.current())
        m_axes.applyEditsToRanges();
    RecorderControls c = m_controls;
    if (m_archive.count() == 0) {
        c.deleteEnabled = false;
        c.colourButtonsEnabled = false;
    }
    c.continueVisible = false;
    c.startVisible = true;
    c.pauseVisible = false;
    setControls(c);
    clearTimeBase();
    // Delete from Paused ends the recording; Stop stays enabled and the disconnect and
    // navigation buttons stay disabled until Stop is pressed.
    m_live = nullptr;
    setState(RecorderState::Idle);
    return true;
}

void LiveRecorder::selectRecording(int index) {
    if (!m_archive.at(index))
        return;
    m_archive.select(index);
    m_axes.applyEditsToRanges();
    const bool last = m_archive.isLast(m_archive.current());
    RecorderControls c = m_controls;
    switch (m_state) {
    case RecorderState::Idle:
    case RecorderState::Paused:
        // Only the last tab can be continued.
        c.continueVisible = last;
        break;
    case RecorderState::Running:
        c.continueVisible = false; // the running recording goes on; nothing to continue
        break;
    }
    setControls(c);
}

void LiveRecorder::navigate(NavigationButton button) {
    Recording* r = m_archive.current();
    if (!r)
        return;
    const double p = PointsPerPageFor(m_pageWidthSeconds, m_graphIntervalMs);
    const auto window = NavigateWindow(button, r->bottomWindow(), m_page, r->sampleCount(), p);
    if (!window)
        return;
    r->setBottomWindow(*window);
    m_page.PageStart = window->minimum;
    m_page.PageEnd = window->maximum;
}

Message LiveRecorder::loadRecordFile(const QString& path) {
    if (m_state != RecorderState::Idle)
        return {QStringLiteral("Msg_RecordingRunning"), {path}};
    RecordFileContent content = ReadRecordFile(path, m_format);
    if (!content.ok())
        return content.error;
    m_archive.create(RecordFileCaption(path), Recording::Origin::File, std::move(content.grid));
    m_axes.applyEditsToRanges();
    RecorderControls c = m_controls;
    c.stopEnabled = true;
    c.deleteEnabled = true;
    c.colourButtonsEnabled = true;
    setControls(c);
    m_axes.copyRangesToEdits();
    return {};
}

QString LiveRecorder::saveCurrentRecording(const QString& path) const {
    const Recording* r = m_archive.current();
    if (!r)
        return QString();
    return WriteRecordFile(path, r->grid(), m_format);
}

void LiveRecorder::resetFuelCounter() {
    m_reset.startReset();
}

SampleRow LiveRecorder::sampleRow() const {
    SampleRow row;
    row[kStepColumn] = Hundredths(m_sampleTime);
    for (int c = 0; c < kChannelCount; ++c)
        row[std::size_t(ColumnOfSeries(c))] = Hundredths(m_channels[std::size_t(c)].current);
    return row;
}

void LiveRecorder::graphTick() {
    Recording* live = m_live;
    if (!live)
        return;

    // Page bookkeeping and the bottom axis of the live recording's chart.
    live->setBottomWindow(
        PageTick(m_page, PointsPerPageFor(m_pageWidthSeconds, m_graphIntervalMs), m_pageDisplay));

    m_poll.openCycle();
    const TelemetryDigits& d = m_poll.digits();
    // The factor is taken once per recording, on its first tick, from the slots filled before.
    if (m_poll.FirstPollFlag() == 1) {
        if (const auto factor = FieldValue(d.FuelFlow))
            m_fuelFlowFactor = *factor;
    }
    if (const auto counter = FieldValue(d.FuelCounter))
        m_fuelUsed = FuelUsedLitres(*counter, m_fuelFlowFactor);

    UpdateContext context;
    context.clampActive = ElapsedSeconds() > kClampAfterSeconds;
    context.deviationLimit = m_deviationLimit;
    context.averaging = m_averaging;
    for (const Channel c : kUpdateOrder) {
        UpdateChannel(m_channels[std::size_t(c)], RawChannelValue(c, d, m_fuelFlowFactor), context,
                      c == Channel::RashTopl);
        m_axes.followCheckedChannel(c);
    }

    m_elapsedMs += m_tickPeriodMs;
    // Hundredths of the exact millisecond count, ties to even.
    m_sampleTime = std::nearbyint(double(m_elapsedMs) / 10) / 100;
    m_tickPeriodMs = m_graphIntervalMs;

    setFuelUsedText(m_format.format(m_fuelUsed));
    live->appendSample(sampleRow());
    m_poll.rearm();
    CountPagePoint(m_page);
    emit tickCompleted();
}

} // namespace telemetry
