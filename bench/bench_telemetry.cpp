// Recordings at the size of a long road test: appending a sample to a recording that already
// holds 100,000, one graph tick at that size, handing a chart its points, loading a 100,000-line
// record file, and the memory of ten such recordings.
#include "bench_stats.h"
#include "decimal_format.h"
#include "journal_sink.h"
#include "languages.h"
#include "live_recorder.h"
#include "memory_port.h"
#include "module_settings.h"
#include "record_file.h"
#include "transaction_engine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

using namespace telemetry;

namespace {

constexpr qsizetype kSamples = 100000;

SampleRow rowFor(qsizetype i) {
    // Values of the size a recording writes: hundredths of realistic readings.
    return SampleRow{double(i * 25),
                     330 + double(i % 50),
                     123456 + double(i % 999),
                     275,
                     1230,
                     250,
                     230,
                     9000 + double(i % 7),
                     360,
                     85710 - double(i % 301),
                     0};
}

// Resident set in bytes, from /proc/self/statm (second field, in pages).
double residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) : 0;
}

double microseconds(const QElapsedTimer& clock) {
    return double(clock.nsecsElapsed()) / 1000.0;
}

} // namespace

// Ten recordings of 100,000 samples open at once, loaded like the program loads them. Runs in a
// process of its own, so memory freed by the timing runs cannot hide part of the growth.
int measureMemory(const QString& path) {
    const DecimalFormat format(u',');
    const double before = residentBytes();
    RecordingArchive archive;
    qsizetype blocks = 0;
    for (int i = 0; i < 10; ++i) {
        RecordFileContent content = ReadRecordFile(path, format);
        if (!content.ok())
            return 1;
        blocks += content.grid.blockBytes();
        archive.create(RecordFileCaption(path), Recording::Origin::File, std::move(content.grid));
    }
    malloc_trim(0); // what the loading's temporaries left behind goes back
    const double after = residentBytes();
    std::printf("%-48s %8.1f MB   (%.1f MB each; sample blocks %.1f MB each)\n",
                "resident set growth, ten 100,000-sample recordings", (after - before) / 1048576.0,
                (after - before) / 10 / 1048576.0, double(blocks) / 10 / 1048576.0);
    return 0;
}

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (app.arguments().size() == 3 && app.arguments().at(1) == QLatin1String("--memory"))
        return measureMemory(app.arguments().at(2));
    const DecimalFormat format(u',');

    // Appending to a recording of 100,000 samples (the chart's samplesAppended has a receiver,
    // as it will in the program).
    {
        Recording recording(1, QStringLiteral("1"), Recording::Origin::Live);
        qsizetype seen = 0;
        QObject::connect(&recording, &Recording::samplesAppended,
                         [&](qsizetype, qsizetype count) { seen += count; });
        for (qsizetype i = 0; i < kSamples; ++i)
            recording.appendSample(rowFor(i));
        std::vector<double> append;
        append.reserve(20000);
        QElapsedTimer clock;
        for (qsizetype i = kSamples; i < kSamples + 20000; ++i) {
            const SampleRow row = rowFor(i);
            clock.start();
            recording.appendSample(row);
            append.push_back(microseconds(clock));
        }
        printPercentiles("append one sample at 100,000+ samples", append, "us");

        // Handing a chart its points: all of one series, and a page window of 1,000.
        std::vector<double> whole, window;
        for (int round = 0; round < 50; ++round) {
            QList<double> keys, values;
            clock.start();
            recording.grid().seriesPoints(round % 10, 0, recording.sampleCount(), keys, values);
            whole.push_back(microseconds(clock) / 1000.0);
            keys.clear();
            values.clear();
            clock.start();
            recording.grid().seriesPoints(round % 10, 60000 + round * 100, 1000, keys, values);
            window.push_back(microseconds(clock));
        }
        printPercentiles("one series, all 120,000 points to the chart", whole, "ms");
        printPercentiles("one series, a 1,000-point window to the chart", window, "us");
        std::printf("(%lld appends announced)\n", static_cast<long long>(seen));
    }

    // A whole graph tick (channels, sample, poll re-armed) with the live recording at 100,000.
    {
        MemoryPort port;
        port.OpenPort();
        StringListJournal journal;
        TransactionEngine engine(port, journal);
        engine.setAutomaticTicks(false);
        ModuleSettingsModel settings;
        LiveRecorder recorder(engine, settings);
        recorder.start();
        for (qsizetype i = 0; i < kSamples; ++i)
            recorder.graphTick();
        std::vector<double> ticks;
        QElapsedTimer clock;
        for (int i = 0; i < 20000; ++i) {
            clock.start();
            recorder.graphTick();
            ticks.push_back(microseconds(clock));
        }
        printPercentiles("graph tick at 100,000+ samples", ticks, "us");
    }

    // Loading a 100,000-line record file (read, check every line, build the grid).
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long_data.txt"));
    {
        SampleGrid grid;
        for (qsizetype i = 0; i < kSamples; ++i)
            grid.append(rowFor(i));
        QElapsedTimer clock;
        clock.start();
        const QString error = WriteRecordFile(path, grid, format);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        std::printf("%-48s %8.1f ms   (%lld bytes)\n", "write a 100,000-line record file",
                    double(clock.nsecsElapsed()) / 1e6, static_cast<long long>(QFile(path).size()));
    }
    std::vector<double> loads;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer clock;
        clock.start();
        const RecordFileContent content = ReadRecordFile(path, format);
        loads.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (!content.ok() || content.grid.rowCount() != kSamples) {
            std::fprintf(stderr, "load failed: %s\n", qPrintable(EnglishText(content.error)));
            return 1;
        }
    }
    printPercentiles("load a 100,000-line record file", loads, "ms");

    std::fflush(stdout);
    QProcess memory;
    memory.setProcessChannelMode(QProcess::ForwardedChannels);
    memory.start(app.applicationFilePath(), {QStringLiteral("--memory"), path});
    memory.waitForFinished(-1);
    return 0;
}
