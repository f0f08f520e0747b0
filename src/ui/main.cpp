#include "data_folders.h"
#include "main_window.h"
#include "termination_signals.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QScreen>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marvek 2"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Marvek-2 module service program"));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Serial port to preselect (device path)."),
                                        QStringLiteral("PATH"));
    parser.addOption(portOption);
    const QCommandLineOption userDataOption(
        QStringLiteral("user-data"),
        QStringLiteral("Keep the configuration files and journals in the per-user data folder "
                       "instead of the current folder."));
    parser.addOption(userDataOption);
    parser.process(app);

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
    // SIGTERM and SIGINT close the window the way the user does.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &window,
                     &QWidget::close);
    window.resize(window.screen()->availableGeometry().size());
    window.showMaximized();
    return app.exec();
}
