// kliv-cli: the exchange engine without windows, for scripts and service work.

#include "commands.h"
#include "link/serialport.h"
#include "link/speeds.h"
#include "protocol/frame.h"

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

bool parseInt(const QString& text, int min, int max, int* out) {
    bool ok = false;
    const int v = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                      ? text.mid(2).toInt(&ok, 16)
                      : text.toInt(&ok, 10);
    if (!ok || v < min || v > max)
        return false;
    *out = v;
    return true;
}

int listPorts(bool json) {
    const QStringList ports = SerialPort::openablePorts();
    QTextStream out(stdout);
    if (json)
        out << QJsonDocument(QJsonArray::fromStringList(ports)).toJson(QJsonDocument::Compact);
    else
        for (const QString& p : ports)
            out << p << Qt::endl;
    if (ports.isEmpty() && !json)
        QTextStream(stderr) << msg::noPortFound().text << Qt::endl;
    return Done;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kliv-cli"));

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Обмен с реле КЛИВ-1M без окон.\n\nКоманды:\n"
        "  ports                       порты, которые можно открыть\n"
        "  version                     версия программы МК\n"
        "  status                      одна запись текущих данных\n"
        "  poll                        опрос: --count N, --view none|A|AB|ABC\n"
        "  clock-set                   корректировка часов по часам ПК: --stop,\n"
        "                              --calibration N (-31..31), --auto-dst\n"
        "  protection-reset            сброс защиты\n"
        "  raw KIND [HEX]              один запрос, ответ в шестнадцатеричном виде\n\n"
        "Коды выхода: 0 выполнено, 1 устройство не ответило или связь потеряна,\n"
        "2 неверные параметры (ничего не отправлено), 3 порт не открылся."));
    p.addHelpOption();
    p.addPositionalArgument(QStringLiteral("command"), QStringLiteral("команда"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("последовательный порт"),
                                  QStringLiteral("PATH"));
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("заводской номер 100..65535 (600)"),
                                    QStringLiteral("N"), QStringLiteral("600"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("скорость, бод"),
                                  QStringLiteral("N"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("вывод в JSON"));
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("poll: число записей"),
                                   QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption view(QStringLiteral("view"),
                                  QStringLiteral("poll: осциллограммы none|A|AB|ABC"),
                                  QStringLiteral("V"), QStringLiteral("none"));
    const QCommandLineOption stop(QStringLiteral("stop"),
                                  QStringLiteral("clock-set: остановить часы"));
    const QCommandLineOption cal(QStringLiteral("calibration"),
                                 QStringLiteral("clock-set: калибровка -31..31"),
                                 QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption dst(QStringLiteral("auto-dst"),
                                 QStringLiteral("clock-set: авт. перевод часов"));
    p.addOptions({port, serial, baud, json, count, view, stop, cal, dst});
    if (!p.parse(QCoreApplication::arguments()))
        return usage(p.errorText());
    if (p.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << p.helpText();
        return Done;
    }
    const QStringList args = p.positionalArguments();
    if (args.isEmpty())
        return usage(QStringLiteral("Не указана команда."));
    const QString command = args.first();
    const bool asJson = p.isSet(json);
    if (command == QLatin1String("ports"))
        return listPorts(asJson);

    int serialNo = 0;
    if (!parseInt(p.value(serial), frame::SerialMin, frame::SerialMax, &serialNo))
        return usage(QStringLiteral("Заводской номер должен быть от 100 до 65535."));
    int speedIndex = speeds::indexForSerial(serialNo);
    if (p.isSet(baud)) {
        int b = 0;
        speedIndex = parseInt(p.value(baud), 1, 1000000, &b) ? speeds::indexOfBaud(b) : -1;
        if (speedIndex < 0)
            return usage(QStringLiteral("Скорость должна быть одной из: 300 600 1200 2400 4800 "
                                        "9600 14400 19200 38400 57600 115200."));
    }

    std::function<int(Runner&)> job;
    if (command == QLatin1String("version")) {
        job = [](Runner& r) { return version(r); };
    } else if (command == QLatin1String("status")) {
        job = [](Runner& r) { return cli::status(r); };
    } else if (command == QLatin1String("protection-reset")) {
        job = [](Runner& r) { return protectionReset(r); };
    } else if (command == QLatin1String("poll")) {
        PollOptions o;
        if (!parseInt(p.value(count), 0, 100000000, &o.count))
            return usage(QStringLiteral("--count: целое число не меньше 0."));
        o.view = QStringList{QStringLiteral("none"), QStringLiteral("A"), QStringLiteral("AB"),
                             QStringLiteral("ABC")}
                     .indexOf(p.value(view).toUpper() == QLatin1String("NONE")
                                  ? QStringLiteral("none")
                                  : p.value(view).toUpper());
        if (o.view < 0)
            return usage(QStringLiteral("--view: none, A, AB или ABC."));
        job = [o](Runner& r) { return poll(r, o); };
    } else if (command == QLatin1String("clock-set")) {
        ClockOptions o;
        o.stop = p.isSet(stop);
        o.autoDst = p.isSet(dst);
        if (!parseInt(p.value(cal), -31, 31, &o.calibration))
            return usage(QStringLiteral("--calibration: от -31 до 31."));
        job = [o](Runner& r) { return clockSet(r, o); };
    } else if (command == QLatin1String("raw")) {
        int kind = 0;
        if (args.size() < 2 || args.size() > 3 || !parseInt(args.at(1), 0, 255, &kind))
            return usage(QStringLiteral("raw KIND [HEX]: KIND от 0 до 255."));
        bool ok = true;
        const QByteArray payload =
            args.size() == 3 ? frame::fromHex(args.at(2), &ok) : QByteArray();
        if (!ok || payload.size() > frame::MaxRequestPayload)
            return usage(QStringLiteral("HEX: до 79 байт в шестнадцатеричном виде."));
        job = [kind, payload](Runner& r) { return raw(r, quint8(kind), payload); };
    } else {
        return usage(QStringLiteral("Неизвестная команда: %1").arg(command));
    }

    QString portName = p.value(port);
    if (portName.isEmpty()) {
        const QStringList ports = SerialPort::openablePorts();
        if (ports.isEmpty()) {
            QTextStream(stderr) << msg::noPortFound().text << Qt::endl;
            return PortFailed;
        }
        portName = ports.first();
    }

    Engine engine(new SerialPort);
    engine.setPortName(portName);
    engine.setSerial(serialNo);
    engine.Comspeed(speedIndex);
    Runner runner(engine, asJson);
    return job(runner);
}
