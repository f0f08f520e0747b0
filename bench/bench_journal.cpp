// A long run: 300,000 traffic lines appended to the journal and shown on the journal page, a few
// lines per event-loop turn as receive events bring them. Prints the cost per line and per turn.
#include "bench_stats.h"
#include "journal.h"
#include "journal_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QPlainTextEdit memo;
    memo.resize(900, 600);
    memo.show();
    Journal journal;
    JournalView view(journal, &memo);

    const int lines = 300000, perTurn = 3;
    std::vector<double> turns;
    QElapsedTimer total, clock;
    total.start();
    for (int i = 0; i < lines; i += perTurn) {
        clock.start();
        for (int k = 0; k < perTurn; ++k)
            journal.Append(
                QStringLiteral("Команда: 23%03&65&   Ответ: A3 1234 5678 %1").arg(i + k));
        QCoreApplication::processEvents();
        turns.push_back(double(clock.nsecsElapsed()) / 1000.0);
    }
    const double seconds = double(total.nsecsElapsed()) / 1e9;
    printPercentiles("journal: 3 lines appended and shown per turn, first 10,000 turns",
                     std::vector<double>(turns.begin(), turns.begin() + 10000), "us");
    printPercentiles("journal: 3 lines appended and shown per turn, last 10,000 turns",
                     std::vector<double>(turns.end() - 10000, turns.end()), "us");
    std::printf("%d lines in %.2f s (%.2f us a line); the page holds %d lines\n", lines, seconds,
                seconds * 1e6 / lines, memo.document()->blockCount());
    clock.start();
    const QStringList saved = view.lines();
    std::printf("taking the %lld lines to save: %.1f ms\n", static_cast<long long>(saved.size()),
                double(clock.nsecsElapsed()) / 1e6);
    return 0;
}
