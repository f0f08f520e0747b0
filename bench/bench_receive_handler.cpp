// Cost of one receive event: reading the chunk, offering it to the enabled branches in order and
// the common tail (status texts, ReceiveBuffer, journal line), as in the 50 ms live poll.
#include "bench_stats.h"
#include "journal_sink.h"
#include "memory_port.h"
#include "transaction.h"
#include "transaction_engine.h"
#include "wire_codec.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <memory>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    MemoryPort port;
    port.OpenPort();
    StringListJournal journal;
    TransactionEngine engine(port, journal);
    engine.setAutomaticTicks(false);
    engine.setTexts(
        {QStringLiteral("Передано:"), QStringLiteral("Принято:"), QString(), QString(), QString()});

    // All 24 branches registered, the poll enabled, decoding the batch when it is complete.
    std::vector<std::unique_ptr<Transaction>> owners;
    for (const char* name : TransactionEngine::BranchOrder())
        owners.push_back(std::make_unique<Transaction>(engine, QString::fromLatin1(name), 50,
                                                       PortClosedPolicy::SkipWrite, false));
    Transaction* poll = engine.transaction(QStringLiteral("Timer_NeprOpros"));
    long long checksum = 0;
    poll->setBranch([&](const QString& chunk) {
        if (engine.SentCommand() != QLatin1String("23%03&65&"))
            return;
        const QString answer = engine.answerSoFar(chunk);
        if (answer.size() != 13)
            return;
        checksum += wire::DecodeByte(QStringView(answer).mid(0, 2)).value_or(0) +
                    wire::DecodeWord(QStringView(answer).mid(3, 4)).value_or(0) +
                    wire::DecodeWord(QStringView(answer).mid(8, 4)).value_or(0);
    });
    poll->start(QStringLiteral("23%03&65&"));

    const int rounds = 200000;
    std::vector<double> whole, split;
    whole.reserve(rounds);
    split.reserve(rounds);
    QElapsedTimer clock;
    for (int i = 0; i < rounds; ++i) {
        poll->tick();
        clock.start();
        port.feed(QStringLiteral("A3 1234 5678 "));
        whole.push_back(double(clock.nsecsElapsed()) / 1000.0);
        poll->tick();
        port.feed(QStringLiteral("A3 123"));
        clock.start();
        port.feed(QStringLiteral("4 5678 "));
        split.push_back(double(clock.nsecsElapsed()) / 1000.0);
    }
    std::printf("receive handler, 24 branches registered, journal of %lld lines at the end\n",
                static_cast<long long>(journal.lines().size()));
    printPercentiles("one event, whole batch answer", whole, "us");
    printPercentiles("second event of a split answer", split, "us");
    std::printf("(checksum %lld)\n", checksum);
    return 0;
}
