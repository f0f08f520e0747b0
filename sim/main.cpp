// marvek2-sim: a simulated Marvek-2 module on a pseudo-terminal, for trying the program without
// hardware and for end-to-end tests.

#include "pty_module.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cstdio>

namespace {

const char* const kDescription =
    "Simulated Marvek-2 module on a pseudo-terminal.\n"
    "\n"
    "Prints the device path of the pseudo-terminal alone on the first line of standard output;\n"
    "open it as the serial port. Runs until SIGINT or SIGTERM.\n"
    "\n"
    "Every command gets its answer (two hex digits, four for \"&\", \"!\" for writes, \"*\" for\n"
    "an invalid command). Several commands arriving together form a batch: each answer is then\n"
    "followed by one blank. Unterminated characters are answered \"*\" after 30 ms of silence.\n"
    "\n"
    "Image files (--image, --save-image): text, 16 rows of 16 bytes, each byte two hex digits\n"
    "high nibble first, separated by blanks; a row may start with a label such as \"30:\", and\n"
    "\"#\" starts a comment. Also read: the program's dump lines (\"EEPROM-1F = A5\", 256 lines)\n"
    "and raw binary files of exactly 256 bytes. Saved images are text.\n"
    "\n"
    "Fault rates are probabilities 0..1, drawn per answer from one generator seeded by --seed:\n"
    "drop (no answer), delay (answer held back by --delay-ms), split (answer sent in 2 to 4\n"
    "chunks 5 ms apart), corrupt (one character changed: a hex digit to another digit, any other\n"
    "character to '?'), lower (lower-case hex letters), error (\"*\" instead of the answer);\n"
    "lose (the command never reaches the module: not executed, not answered); busy (the module\n"
    "is busy for --busy-ms before it takes a command; whatever arrives meanwhile waits and is\n"
    "taken and answered afterwards, in order of arrival).\n"
    "\n"
    "--delay holds one answer back while the command is already done (a later answer waits\n"
    "behind it); --busy holds the command itself back, so commands sent meanwhile queue up\n"
    "behind it and their answers follow one another when the module is free.";

struct Options {
    QString image, saveImage, link;
    bool verbose = false;
};

double rateOption(const QCommandLineParser& parser, const QString& name) {
    if (!parser.isSet(name))
        return 0;
    bool ok = false;
    const double rate = parser.value(name).toDouble(&ok);
    if (!ok || rate < 0 || rate > 1) {
        std::fprintf(stderr, "marvek2-sim: --%s needs a rate between 0 and 1\n", qPrintable(name));
        std::exit(2);
    }
    return rate;
}

int intOption(const QCommandLineParser& parser, const QString& name, int fallback) {
    if (!parser.isSet(name))
        return fallback;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < 0) {
        std::fprintf(stderr, "marvek2-sim: --%s needs a non-negative integer\n", qPrintable(name));
        std::exit(2);
    }
    return value;
}

QString printable(const QByteArray& bytes) {
    QString out;
    for (const char c : bytes)
        out += c >= 0x20 && c < 0x7F
                   ? QString(QLatin1Char(c))
                   : QStringLiteral("\\x%1").arg(quint8(c), 2, 16, QLatin1Char('0'));
    return out;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marvek2-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addHelpOption();
    parser.addOptions({
        {"image", "Load the EEPROM from <file>.", "file"},
        {"save-image", "Save the EEPROM to <file> when stopped.", "file"},
        {"name", "Module name (EEPROM 0x78..0x7F), up to 8 characters.", "text"},
        {"seed", "Seed of the fault generator and the engine model (default 1).", "n"},
        {"drop", "Rate of answers not sent.", "rate"},
        {"delay", "Rate of answers sent late.", "rate"},
        {"delay-ms", "Delay of a late answer in ms (default 150).", "ms"},
        {"split", "Rate of answers sent in several chunks.", "rate"},
        {"corrupt", "Rate of answers with one changed character.", "rate"},
        {"lower", "Rate of answers in lower case.", "rate"},
        {"error", "Rate of answers replaced by \"*\".", "rate"},
        {"lose", "Rate of commands lost before the module (not executed).", "rate"},
        {"busy", "Rate of commands the module is busy before (taken late, in order).", "rate"},
        {"busy-ms", "How long the module is busy in ms (default 130).", "ms"},
        {"silent", "Answer nothing (commands are still executed and logged)."},
        {"no-engine", "Freeze the live registers (no engine model)."},
        {"link", "Also create the symbolic link <path> to the device; removed on exit.", "path"},
        {"verbose", "Log every command and answer on standard error."},
    });
    parser.process(app);

    sim::PtyModule pty;
    sim::Module& module = pty.module();
    QString error;
    if (parser.isSet("image") && !module.state().loadImage(parser.value("image"), &error)) {
        std::fprintf(stderr, "marvek2-sim: %s\n", qPrintable(error));
        return 1;
    }
    if (parser.isSet("name"))
        module.state().setName(parser.value("name").toLatin1());
    module.setSeed(quint32(intOption(parser, "seed", 1)));
    sim::FaultRates rates;
    rates.drop = rateOption(parser, "drop");
    rates.delay = rateOption(parser, "delay");
    rates.delayMs = intOption(parser, "delay-ms", rates.delayMs);
    rates.split = rateOption(parser, "split");
    rates.corrupt = rateOption(parser, "corrupt");
    rates.lower = rateOption(parser, "lower");
    rates.error = rateOption(parser, "error");
    rates.lose = rateOption(parser, "lose");
    rates.busy = rateOption(parser, "busy");
    rates.busyMs = intOption(parser, "busy-ms", rates.busyMs);
    module.setFaults(rates);
    module.setSilent(parser.isSet("silent"));
    module.setEngineEnabled(!parser.isSet("no-engine"));

    const int stopFd = sim::posix::stopSignalPipe();
    if (stopFd < 0) {
        std::fprintf(stderr, "marvek2-sim: cannot catch SIGINT and SIGTERM\n");
        return 1;
    }
    if (!pty.start(&error)) {
        std::fprintf(stderr, "marvek2-sim: %s\n", qPrintable(error));
        return 1;
    }
    const QString link = parser.value("link");
    if (!link.isEmpty()) {
        if (QFileInfo(link).isSymLink())
            QFile::remove(link);
        if (!QFile::link(pty.slavePath(), link)) {
            std::fprintf(stderr, "marvek2-sim: cannot create link %s\n", qPrintable(link));
            return 1;
        }
    }
    std::printf("%s\n", qPrintable(pty.slavePath()));
    std::fflush(stdout);

    if (parser.isSet("verbose")) {
        QObject::connect(
            &module, &sim::Module::exchanged, [](const QString& command, const QByteArray& answer) {
                std::fprintf(stderr, "<< %s  -> %s\n", qPrintable(printable(command.toLatin1())),
                             qPrintable(printable(answer)));
            });
        QObject::connect(&module, &sim::Module::answerReady, [](const QByteArray& chunk) {
            std::fprintf(stderr, ">> %s\n", qPrintable(printable(chunk)));
        });
    }

    QSocketNotifier stopNotifier(stopFd, QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &app, [stopFd] {
        sim::posix::drain(stopFd);
        QCoreApplication::quit();
    });

    const int result = app.exec();
    int status = result;
    if (parser.isSet("save-image") &&
        !module.state().saveImage(parser.value("save-image"), &error)) {
        std::fprintf(stderr, "marvek2-sim: %s\n", qPrintable(error));
        status = 1;
    }
    pty.unplug();
    if (!link.isEmpty())
        QFile::remove(link);
    return status;
}
