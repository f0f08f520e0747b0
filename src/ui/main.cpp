#include "main_window.h"
#include "termination_signals.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>

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
    parser.process(app);

    StartOptions options;
    options.port = parser.value(portOption);
    TfmMain window(options);
    // SIGTERM and SIGINT close the window the way the user does.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &window,
                     &QWidget::close);
    window.resize(window.screen()->availableGeometry().size());
    window.showMaximized();
    return app.exec();
}
