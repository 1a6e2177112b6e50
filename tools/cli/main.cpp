// kliv-cli: the exchange engine without windows, for scripts and service work.

#include "commands.h"
#include "link/serialport.h"
#include "outputfile.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"
#include "texts/speedtexts.h"
#include "tracefile.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

using namespace kliv;
using namespace kliv::cli;

namespace {

int usage(const QString& why) {
    QTextStream(stderr) << why << Qt::endl
                        << QStringLiteral("kliv-cli --help: команды и параметры") << Qt::endl;
    return BadUsage;
}

int listPorts(const QStringList& given, bool json) {
    const QStringList ports = SerialPort::openablePorts(given);
    QTextStream out(stdout);
    if (json)
        out << QJsonDocument(QJsonArray::fromStringList(ports)).toJson(QJsonDocument::Compact)
            << Qt::endl;
    else
        for (const QString& p : ports)
            out << p << Qt::endl;
    if (ports.isEmpty() && !json)
        QTextStream(stderr) << msg::noPortFound().text << Qt::endl;
    return Done;
}

QString description() {
    QString d = QStringLiteral("Обмен с реле КЛИВ-1M без окон.\n\nКоманды:\n");
    d += QStringLiteral("  %1%2\n")
             .arg(QStringLiteral("ports"), -20)
             .arg(QStringLiteral("порты, которые можно открыть"));
    for (const Command& c : commands())
        d += QStringLiteral("  %1%2\n").arg(c.name, -20).arg(c.synopsis);
    d += QStringLiteral("\nКоды выхода: 0 выполнено, 1 устройство не ответило, связь потеряна "
                        "или данные не совпали,\n2 неверные параметры (ничего не отправлено), "
                        "3 порт не открылся.");
    return d;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kliv-cli"));
    QCoreApplication::setApplicationVersion(programVersion());

    QCommandLineParser p;
    p.setApplicationDescription(description());
    p.addHelpOption();
    p.addVersionOption();
    p.addPositionalArgument(QStringLiteral("command"), QStringLiteral("команда"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("последовательный порт"),
                                  QStringLiteral("PATH"));
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("заводской номер 100..65535 (600)"),
                                    QStringLiteral("N"), QString::number(frame::SerialDefault));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("скорость, бод"),
                                  QStringLiteral("N"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("вывод в JSON"));
    const QCommandLineOption retries(
        QStringLiteral("retries"),
        QStringLiteral("повторов запроса, оставшегося без ответа, 0..%1 (%2)")
            .arg(Engine::MaxRetries)
            .arg(Engine::DefaultRetries),
        QStringLiteral("N"), QString::number(Engine::DefaultRetries));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("кадры обмена в файл, как их показывает «Обмен»"),
                                   QStringLiteral("FILE"));
    p.addOptions({port, serial, baud, json, retries, trace});
    p.addOptions(commandOptions());
    if (!p.parse(QCoreApplication::arguments()))
        return usage(p.errorText());
    if (p.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << p.helpText();
        return Done;
    }
    if (p.isSet(QStringLiteral("version"))) {
        QTextStream(stdout) << QCoreApplication::applicationName() << ' '
                            << QCoreApplication::applicationVersion() << Qt::endl;
        return Done;
    }
    const QStringList args = p.positionalArguments();
    if (args.isEmpty())
        return usage(QStringLiteral("Не указана команда."));
    // An empty name would quietly fall back to the first port that opens.
    if (p.isSet(port) && p.value(port).trimmed().isEmpty())
        return usage(QStringLiteral("--port: не указан порт."));
    const QString name = args.first();
    if (name == QLatin1String("ports"))
        return listPorts(p.values(port), p.isSet(json));

    int serialNo = 0;
    if (!parseInt(p.value(serial), frame::SerialMin, frame::SerialMax, &serialNo))
        return usage(QStringLiteral("Заводской номер должен быть от 100 до 65535."));
    int speedIndex = speeds::indexForSerial(serialNo);
    if (p.isSet(baud)) {
        int b = 0;
        speedIndex = parseInt(p.value(baud), 1, 1000000, &b) ? speeds::indexOfBaud(b) : -1;
        if (speedIndex < 0)
            return usage(QStringLiteral("Скорость должна быть одной из: %1.").arg(speeds::bauds()));
    }

    int retryCount = 0;
    if (!parseInt(p.value(retries), 0, Engine::MaxRetries, &retryCount))
        return usage(QStringLiteral("--retries: от 0 до %1.").arg(Engine::MaxRetries));

    const auto command = std::find_if(commands().cbegin(), commands().cend(),
                                      [&name](const Command& c) { return c.name == name; });
    if (command == commands().cend())
        return usage(QStringLiteral("Неизвестная команда: %1").arg(name));
    if (args.size() - 1 > command->maxArgs)
        return usage(QStringLiteral("%1: лишние параметры: %2")
                         .arg(name, args.mid(1 + command->maxArgs).join(QLatin1Char(' '))));
    const Prepared prepared = command->prepare(CommandLine{p, args.mid(1)});
    if (!prepared.error.isEmpty())
        return usage(prepared.error);
    if (p.isSet(trace))
        if (const QString why = outputFileProblem(QStringLiteral("--trace"), p.value(trace));
            !why.isEmpty())
            return usage(why);

    QString portName = p.value(port);
    if (portName.isEmpty() && !command->offline) {
        const QStringList ports = SerialPort::openablePorts();
        if (ports.isEmpty()) {
            QTextStream(stderr) << msg::noPortFound().text << Qt::endl;
            return PortFailed;
        }
        portName = ports.first();
    }

    TraceFile traceFile; // outlives the engine, which may still tell it of a last frame
    Engine engine(new SerialPort);
    engine.setPortName(portName);
    engine.setSerial(serialNo);
    engine.applySpeed(speedIndex);
    engine.setRetries(retryCount);
    if (p.isSet(trace) && !traceFile.open(engine, p.value(trace))) {
        QTextStream(stderr)
            << QStringLiteral("--trace: файл %1 не открывается.").arg(p.value(trace)) << Qt::endl;
        return BadUsage;
    }
    Runner runner(engine, p.isSet(json));
    return prepared.run(runner);
}
