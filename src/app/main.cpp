#include "app/mainwindow.h"
#include "link/engine.h"
#include "link/serialport.h"
#include "texts/messages.h"
#include "version.h"
#include "widgets/prompt.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kliv-service"));
    QApplication::setApplicationVersion(kliv::programVersion());

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Serial device to list first (repeatable), e.g. a pseudo-terminal."),
        QStringLiteral("PATH"));
    parser.addOption(portOption);
    parser.process(app);

    kliv::Engine engine(new kliv::SerialPort);
    kliv::BoxPrompt prompt;
    kliv::MainWindow form1(engine, prompt);

    // The port lists are built once, at start; an empty list leaves every job unable to
    // open a line, which the user learns here rather than at the first button.
    const QStringList ports = kliv::SerialPort::openablePorts(parser.values(portOption));
    form1.setPorts(ports, !parser.values(portOption).isEmpty());
    form1.rememberBetweenRuns();
    if (ports.isEmpty())
        prompt.show(kliv::msg::noPortFound());

    form1.show();
    return app.exec();
}
