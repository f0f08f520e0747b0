#include "recording.h"

#include "decimal_format.h"

#include <algorithm>

namespace telemetry {

Recording::Recording(int number, const QString& caption, Origin origin, QObject* parent)
    : QObject(parent), m_number(number), m_caption(caption), m_origin(origin) {
    m_seriesActive.fill(true);
}

std::array<double, kChannelCount> Recording::pointValues(qsizetype index) const {
    std::array<double, kChannelCount> values;
    for (int s = 0; s < kChannelCount; ++s)
        values[std::size_t(s)] = value(s, index);
    return values;
}

void Recording::seriesValues(int series, qsizetype first, qsizetype count,
                             QList<double>& out) const {
    const qsizetype start = out.size();
    m_grid.columnCells(ColumnOfSeries(series), first, count, out);
    for (qsizetype i = start; i < out.size(); ++i)
        out[i] /= 100;
}

QString Recording::sampleTimeText(qsizetype index, const DecimalFormat& format) const {
    return format.format(m_grid.cell(index, kStepColumn) / 100);
}

void Recording::appendSample(const SampleRow& row) {
    m_grid.append(row);
    emit samplesAppended(m_grid.rowCount() - 1, 1);
}

void Recording::setSamples(SampleGrid grid) {
    m_grid = std::move(grid);
    emit samplesReset();
}

void Recording::setSeriesActive(int series, bool active) {
    if (series < 0 || series >= kSeriesCount || m_seriesActive[std::size_t(series)] == active)
        return;
    m_seriesActive[std::size_t(series)] = active;
    emit seriesActiveChanged(series, active);
}

void Recording::setBottomWindow(const BottomWindow& window) {
    if (window == m_bottomWindow)
        return;
    m_bottomWindow = window;
    emit bottomWindowChanged(window);
}

RecordingArchive::RecordingArchive(QObject* parent) : QObject(parent) {}

RecordingArchive::~RecordingArchive() = default;

Recording* RecordingArchive::at(int index) const {
    return index >= 0 && index < count() ? m_recordings[std::size_t(index)].get() : nullptr;
}

int RecordingArchive::indexOf(const Recording* recording) const {
    for (int i = 0; i < count(); ++i) {
        if (m_recordings[std::size_t(i)].get() == recording)
            return i;
    }
    return -1;
}

bool RecordingArchive::isLast(const Recording* recording) const {
    return recording && !m_recordings.empty() && m_recordings.back().get() == recording;
}

Recording* RecordingArchive::create(const QString& caption, Recording::Origin origin,
                                    SampleGrid samples) {
    const int number = m_nextNumber++;
    auto recording = std::make_unique<Recording>(
        number, caption.isEmpty() ? QString::number(number) : caption, origin);
    Recording* added = recording.get();
    added->setSamples(std::move(samples)); // complete before anyone hears of it
    m_recordings.push_back(std::move(recording));
    emit recordingAdded(count() - 1, added);
    setCurrent(added);
    return added;
}

void RecordingArchive::select(int index) {
    if (Recording* r = at(index))
        setCurrent(r);
}

void RecordingArchive::removeCurrent() {
    const int index = currentIndex();
    if (index < 0)
        return;
    Recording* doomed = m_current;
    emit recordingAboutToBeRemoved(index, doomed);
    // The current recording is never left pointing at a destroyed one, not even while the
    // signals below run.
    m_current = nullptr;
    std::unique_ptr<Recording> owned = std::move(m_recordings[std::size_t(index)]);
    m_recordings.erase(m_recordings.begin() + index);
    emit recordingRemoved(index);
    setCurrent(at(std::min(index, count() - 1)));
    owned.reset();
}

void RecordingArchive::setCurrent(Recording* recording) {
    m_current = recording;
    emit currentChanged(recording);
}

} // namespace telemetry
