// kliv-cli: the exchange engine without windows, for scripts and service work.

#include "commands.h"
#include "invocation.h"
#include "link/serialport.h"
#include "options.h"
#include "outputfile.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"
#include "texts/speedtexts.h"
#include "tracefile.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <algorithm>

using namespace kliv;
using namespace kliv::cli;

namespace {

int usage(const QString& why) {
    QTextStream(stderr) << why << Qt::endl
                        << QStringLiteral("kliv-cli --help: команды и параметры") << Qt::endl;
    return BadUsage;
}

QString description() {
    QString d = QStringLiteral("Обмен с реле КЛИВ-1M без окон.\n\nКоманды:\n");
    const QList<Command>& all = commands();
    for (const Command& c : all) {
        // A word that only gathers a family ("config") is told of by its commands.
        const QString family = c.name + u' ';
        if (std::none_of(all.cbegin(), all.cend(),
                         [&family](const Command& o) { return o.name.startsWith(family); }))
            d += QStringLiteral("  %1%2\n").arg(c.name, -20).arg(c.synopsis);
    }
    d += QStringLiteral("\nkliv-cli КОМАНДА --help: параметры команды. Параметры линии ниже "
                        "принимает каждая команда, которая обращается к реле.\n");
    d += QStringLiteral("\nКоды выхода: 0 выполнено, 1 устройство не ответило, связь потеряна "
                        "или данные не совпали,\n2 неверные параметры (ничего не отправлено), "
                        "3 порт не открылся.");
    return d;
}

// No command named: the program's own --help and --version, or what is missing.
int withoutCommand(const Invocation& call) {
    if (!call.word.isEmpty())
        return usage(QStringLiteral("Неизвестная команда: %1").arg(call.word));
    QCommandLineParser p;
    p.setApplicationDescription(description());
    p.addHelpOption();
    p.addVersionOption();
    p.addPositionalArgument(QStringLiteral("command"), QStringLiteral("команда"));
    p.addOptions(option::line());
    if (!p.parse(call.words))
        return usage(p.errorText());
    if (p.isSet(QStringLiteral("help-all")))
        p.process(call.words); // shows Qt's own options too, and ends the program
    if (p.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << p.helpText();
        return Done;
    }
    if (p.isSet(QStringLiteral("version"))) {
        QTextStream(stdout) << QCoreApplication::applicationName() << ' '
                            << QCoreApplication::applicationVersion() << Qt::endl;
        return Done;
    }
    return usage(QStringLiteral("Не указана команда."));
}

// The line a command talks over, as its options give it; an offline command keeps the
// defaults.
struct Line {
    QString port;
    int serial = frame::SerialDefault;
    int speedIndex = speeds::indexForSerial(frame::SerialDefault);
    int retries = Engine::DefaultRetries;
};

QString readLine(const QCommandLineParser& p, Line* line) {
    const QString port = QStringLiteral("port");
    // An empty name would quietly fall back to the first port that opens.
    if (p.isSet(port) && p.value(port).trimmed().isEmpty())
        return QStringLiteral("--port: не указан порт.");
    line->port = p.value(port);
    if (QString why = option::serialProblem(p.value(QStringLiteral("serial")), &line->serial);
        !why.isEmpty())
        return why;
    line->speedIndex = speeds::indexForSerial(line->serial);
    if (p.isSet(QStringLiteral("baud"))) {
        int b = 0;
        line->speedIndex =
            parseInt(p.value(QStringLiteral("baud")), 1, 1000000, &b) ? speeds::indexOfBaud(b) : -1;
        if (line->speedIndex < 0)
            return QStringLiteral("Скорость должна быть одной из: %1.").arg(speeds::bauds());
    }
    if (!parseInt(p.value(QStringLiteral("retries")), 0, Engine::MaxRetries, &line->retries))
        return QStringLiteral("--retries: от 0 до %1.").arg(Engine::MaxRetries);
    return {};
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kliv-cli"));
    QCoreApplication::setApplicationVersion(programVersion());

    const Invocation call = invocation(option::csvWithoutFile(QCoreApplication::arguments()));
    if (!call.command)
        return withoutCommand(call);
    const Command& command = *call.command;

    QCommandLineParser p;
    p.setApplicationDescription(command.synopsis);
    p.addHelpOption();
    p.addOptions(command.allOptions());
    if (!p.parse(call.words)) {
        const QString unknown = unknownOption(command, p);
        return usage(unknown.isEmpty() ? p.errorText() : unknown);
    }
    if (p.isSet(QStringLiteral("help-all")))
        p.process(call.words);
    if (p.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << commandHelp(command, p);
        return Done;
    }
    Line line;
    if (!command.offline)
        if (const QString why = readLine(p, &line); !why.isEmpty())
            return usage(why);
    const QStringList args = p.positionalArguments();
    if (args.size() > command.maxArgs)
        return usage(QStringLiteral("%1: лишние параметры: %2")
                         .arg(command.name, args.mid(command.maxArgs).join(QLatin1Char(' '))));
    const Prepared prepared = command.prepare(CommandLine{p, args});
    if (!prepared.error.isEmpty())
        return usage(prepared.error);
    const bool tracing = !command.offline && p.isSet(QStringLiteral("trace"));
    const QString trace = tracing ? p.value(QStringLiteral("trace")) : QString();
    if (tracing)
        if (const QString why = outputFileProblem(QStringLiteral("--trace"), trace); !why.isEmpty())
            return usage(why);

    if (line.port.isEmpty() && !command.offline) {
        const QStringList ports = SerialPort::openablePorts();
        if (ports.isEmpty()) {
            QTextStream(stderr) << msg::noPortFound().text << Qt::endl;
            return PortFailed;
        }
        line.port = ports.first();
    }

    TraceFile traceFile; // outlives the engine, which may still tell it of a last frame
    Engine engine(new SerialPort);
    engine.setPortName(line.port);
    engine.setSerial(line.serial);
    engine.applySpeed(line.speedIndex);
    engine.setRetries(line.retries);
    if (tracing && !traceFile.open(engine, trace)) {
        QTextStream(stderr) << QStringLiteral("--trace: файл %1 не открывается.").arg(trace)
                            << Qt::endl;
        return BadUsage;
    }
    Runner runner(engine, p.isSet(QStringLiteral("json")));
    return prepared.run(runner);
}
