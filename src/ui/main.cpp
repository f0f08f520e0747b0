#include "main_window.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("marvek2"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Marvek-2 module service program"));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Serial port to preselect (device path)."),
                                        QStringLiteral("PATH"));
    parser.addOption(portOption);
    parser.process(app);

    TfmMain window(parser.value(portOption));
    window.resize(1024, 700);
    window.show();
    return app.exec();
}
