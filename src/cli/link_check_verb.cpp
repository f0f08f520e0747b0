// marvek2-cli link-check: how the line and the module behave in both timings, reads only.
#include "cli_common.h"
#include "com_port.h"
#include "journal_sink.h"
#include "link_check.h"
#include "transaction_engine.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

namespace {

const char* const kUsage = "usage: marvek2-cli link-check --port PATH [--count N] [--json]";

QJsonObject timingJson(const LinkTimingFigures& f) {
    return {{"reads", f.reads},     {"malformed", f.malformed}, {"late", f.late},
            {"missing", f.missing}, {"min_ms", f.minMs},        {"median_ms", f.medianMs},
            {"max_ms", f.maxMs}};
}

QString timingText(const char* name, const LinkTimingFigures& f) {
    return QStringLiteral("%1: %2 answers, %3 / %4 / %5 ms (min / median / max), %6 malformed, "
                          "%7 late, %8 missing")
        .arg(QLatin1String(name))
        .arg(f.reads)
        .arg(f.minMs, 0, 'f', 1)
        .arg(f.medianMs, 0, 'f', 1)
        .arg(f.maxMs, 0, 'f', 1)
        .arg(f.malformed)
        .arg(f.late)
        .arg(f.missing);
}

} // namespace

int RunLinkCheck(QCoreApplication& app, const QStringList& args) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads %1 settings and name addresses N times with the default timing and "
                       "N times with the fast one (nothing is written), and reports answer times, "
                       "malformed, late and missing answers, and whether the fast timing read "
                       "the same bytes.")
            .arg(LinkCheck::Commands().size()));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Serial port."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("Rounds in each timing, 1 to %1 (default %2).")
                                       .arg(LinkCheck::MaxCount)
                                       .arg(LinkCheck::DefaultCount),
                                   QStringLiteral("N"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print one JSON object."));
    parser.addOptions({port, count, json});
    if (const auto status = ParseVerb(parser, args, QLatin1String(kUsage)))
        return *status;
    if (!parser.isSet(port) || !parser.positionalArguments().isEmpty())
        return fail(QLatin1String(kUsage));
    bool ok = true;
    const int rounds =
        parser.isSet(count) ? parser.value(count).toInt(&ok) : LinkCheck::DefaultCount;
    if (!ok || rounds < 1 || rounds > LinkCheck::MaxCount)
        return fail(
            QStringLiteral("--count takes a whole number from 1 to %1").arg(LinkCheck::MaxCount));

    TBComPort serial;
    QString error;
    if (!openPort(serial, parser.value(port), &error))
        return fail(error);
    StringListJournal journal;
    TransactionEngine engine(serial, journal);
    LinkCheck check(engine);
    int status = 0;
    QObject::connect(&check, &LinkCheck::finished, &app,
                     [&](bool complete, const QString& stoppedAt) {
                         if (!complete)
                             status = fail(QStringLiteral("the check stopped at \"%1\": no valid "
                                                          "answer within its limits")
                                               .arg(stoppedAt),
                                           3);
                         app.quit();
                     });
    QObject::connect(&serial, &ModulePort::PortLost, &app, [&](const QString& reason) {
        status = fail(parser.value(port) + QStringLiteral(": ") + reason);
        check.cancel();
        app.quit();
    });
    QTimer::singleShot(0, &app, [&] {
        if (!check.startCheck(rounds)) {
            status = fail(QStringLiteral("the port is not open"));
            app.quit();
        }
    });
    app.exec();
    serial.ClosePort();
    if (status != 0)
        return status;

    const LinkCheckReport& report = check.report();
    if (parser.isSet(json)) {
        const QJsonObject object{{"default", timingJson(report.normal)},
                                 {"fast", timingJson(report.fast)},
                                 {"same_bytes", report.sameBytes()},
                                 {"fast_is_safe", report.fastIsSafe()}};
        out() << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
    } else {
        out() << timingText("default", report.normal) << '\n'
              << timingText("fast", report.fast) << '\n'
              << (report.sameBytes() ? "both timings read the same bytes\n"
                                     : "the timings read different bytes\n")
              << (report.fastIsSafe() ? "verdict: the module takes the fast option\n"
                                      : "verdict: keep the default timing\n");
    }
    out().flush();
    return 0;
}
