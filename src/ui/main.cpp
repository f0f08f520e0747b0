#include "data_folders.h"
#include "main_window.h"
#include "termination_signals.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char* argv[]) {
    // The arguments are parsed before the application object exists, so that --help and a bad
    // option answer on a terminal without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Marvek-2 module service program"));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Serial port to preselect (device path)."),
                                        QStringLiteral("PATH"));
    parser.addOption(portOption);
    const QCommandLineOption userDataOption(
        QStringLiteral("user-data"),
        QStringLiteral("Keep the configuration files and journals in the per-user data folder "
                       "instead of the current folder."));
    parser.addOption(userDataOption);
    // Without an application object the parser cannot name the program in its usage line.
    QString help = parser.helpText();
    help.replace(QStringLiteral("<executable_name>"), QFileInfo(arguments.first()).fileName());
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s\n\n%s", qPrintable(parser.errorText()), qPrintable(help));
        return 1;
    }
    if (parser.isSet(helpOption)) {
        std::fputs(qPrintable(help), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marvek 2"));
    // Installed before the window is built: SIGTERM or SIGINT during start-up waits for the
    // event loop and then closes the window the way the user does, with its closing steps.
    TerminationSignals termination;

    StartOptions options;
    options.port = parser.value(portOption);
    if (parser.isSet(userDataOption)) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        options.workingDirectory = ChooseWorkingFolder(true, QDir::currentPath(), folder);
        if (options.workingDirectory.isEmpty()) {
            std::fprintf(stderr, "marvek2: cannot create the folder %s\n", qPrintable(folder));
            return 1;
        }
    }
    TfmMain window(options);
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &window,
                     &QWidget::close);
    window.resize(window.screen()->availableGeometry().size());
    window.showMaximized();
    return app.exec();
}
