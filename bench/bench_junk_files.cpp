// Every reader of outside files handed 100 MB of junk: how long it takes to refuse it. Two kinds
// of junk: random bytes, and random printable lines of 80 characters (which a reader that splits
// lines first would have to take apart whole).

#include "bench_stats.h"

#include "config_file.h"
#include "curve_file.h"
#include "dump_file.h"
#include "info_file.h"
#include "languages.h"
#include "record_file.h"
#include "table_file.h"
#include "text_file.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <functional>

namespace {

bool WriteJunk(const QString& path, bool lines) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QRandomGenerator random(7);
    QByteArray block(1024 * 1024, Qt::Uninitialized);
    for (int mb = 0; mb < 100; ++mb) {
        for (qsizetype i = 0; i < block.size(); ++i) {
            const quint32 r = random.generate();
            block[i] = lines ? (i % 81 == 80 ? '\n' : char(' ' + r % 95)) : char(r);
        }
        if (file.write(block) != block.size())
            return false;
    }
    return true;
}

} // namespace

int main() {
    QTemporaryDir dir;
    const DecimalFormat comma(u',');
    const std::pair<const char*, std::function<bool(const QString&)>> readers[] = {
        {"Info_A.ini",
         [&](const QString& p) { return !ReadInfoFile(p, comma).problems.isEmpty(); }},
        {"Config_A.ini", [](const QString& p) { return !ReadConfigFile(p).problems.isEmpty(); }},
        {"language", [](const QString& p) { return !ReadLanguageFile(p).ok(); }},
        {"dump", [](const QString& p) { return !ReadDumpFile(p).ok(); }},
        {"record", [&](const QString& p) { return !telemetry::ReadRecordFile(p, comma).ok(); }},
        {"table", [&](const QString& p) { return !ReadTableFile(p, comma).ok(); }},
        {"curve", [&](const QString& p) { return !curve::ReadCurveFile(p, comma).ok(); }},
        // For comparison: what a reader without a bound pays before it can look at a line.
        {"(unbounded: read, decode, split)",
         [](const QString& p) { return ReadTextFile(p).lines.size() > 1; }},
    };
    for (const bool lines : {false, true}) {
        const QString path =
            dir.filePath(lines ? QStringLiteral("lines") : QStringLiteral("bytes"));
        if (!WriteJunk(path, lines)) {
            std::printf("cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("100 MB of %s:\n", lines ? "printable lines" : "random bytes");
        for (const auto& [name, read] : readers) {
            std::vector<double> ms;
            bool refused = true;
            for (int run = 0; run < 7; ++run) {
                QElapsedTimer clock;
                clock.start();
                refused = read(path) && refused;
                ms.push_back(double(clock.nsecsElapsed()) / 1e6);
            }
            const QByteArray what = QByteArray("  ") + name + (refused ? " refused" : " ACCEPTED");
            printPercentiles(what.constData(), ms, "ms");
        }
    }
    return 0;
}
