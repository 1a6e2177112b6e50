// kliv-relay-sim: a simulated relay on a pseudo-terminal, for training and for tests.

#include "faults.h"
#include "lineup.h"
#include "ptyrelay.h"

#include "model/configschema.h"
#include "protocol/frame.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using namespace kliv::sim;

namespace {

int g_signalPipe[2] = {-1, -1};
QFile* g_logFile = nullptr;

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[0], &c, 1);
}

// A termination signal only wakes the event loop, so the device and its link are closed
// in the ordinary way.
bool quitOnSignals(QCoreApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return false;
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        if (sigaction(sig, &sa, nullptr) != 0)
            return false;
    return true;
}

void writeLog(QtMsgType, const QMessageLogContext&, const QString& message) {
    const QByteArray line =
        (QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz ")) + message + u'\n')
            .toLocal8Bit();
    if (g_logFile) {
        g_logFile->write(line);
        g_logFile->flush();
    } else {
        std::fputs(line.constData(), stderr);
    }
}

[[noreturn]] void usageError(const QCommandLineParser& parser, const QString& why) {
    std::fprintf(stderr, "kliv-relay-sim: %s\n\n%s", qPrintable(why),
                 qPrintable(parser.helpText()));
    std::exit(2);
}

int intOption(const QCommandLineParser& p, const QString& name, int lo, int hi) {
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < lo || v > hi)
        usageError(p, QStringLiteral("--%1 must be %2..%3").arg(name).arg(lo).arg(hi));
    return v;
}

// One serial number, or several separated by commas: relays that share the line. A number
// given twice is two relays of that number, whose answers collide.
QList<quint16> serialsOption(const QCommandLineParser& p) {
    QList<quint16> serials;
    for (const QString& part : p.value(QStringLiteral("serial")).split(QLatin1Char(','))) {
        bool ok = false;
        const int v = part.trimmed().toInt(&ok);
        if (!ok || v < kliv::frame::SerialMin || v > kliv::frame::SerialMax)
            usageError(p, QStringLiteral("--serial takes 100..65535, or several such numbers "
                                         "separated by commas"));
        serials.append(quint16(v));
    }
    return serials;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kliv-relay-sim"));
    QCoreApplication::setApplicationVersion(kliv::programVersion());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated relay on a pseudo-terminal. Prints the device path, then answers "
        "the service tool's requests until interrupted."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("serial"),
         QStringLiteral("Factory serial number (100..65535); several separated by commas put "
                        "that many relays on the line, e.g. 600,601,602; a number given twice "
                        "is two relays that answer it at once, garbled."),
         QStringLiteral("N"), QStringLiteral("600")},
        {QStringLiteral("baud"), QStringLiteral("Line speed the replies are paced at."),
         QStringLiteral("N"), QStringLiteral("115200")},
        {QStringLiteral("link"),
         QStringLiteral("Symbolic link to the device, replaced if present."),
         QStringLiteral("PATH")},
        {QStringLiteral("latency"), QStringLiteral("Answer latency in milliseconds."),
         QStringLiteral("MS"), QStringLiteral("0")},
        {QStringLiteral("no-pace"), QStringLiteral("Send each reply at once, not at line speed.")},
        {QStringLiteral("any-speed"),
         QStringLiteral("Answer whatever line speed the tool has set (by default only --baud).")},
        {QStringLiteral("follow"),
         QStringLiteral("Presence reply of one byte: the tool follows an RS485 speed change, and "
                        "the line moves to the new speed once the reply has left.")},
        {QStringLiteral("config-hex"),
         QStringLiteral("Configuration block at start: its 78 bytes in hexadecimal (by default "
                        "the configuration page's start-up values)."),
         QStringLiteral("HEX")},
        {QStringLiteral("reference"),
         QStringLiteral("Reference signals at the inputs for calibration measurements, e.g. "
                        "ua=230,ia=5.5,iut=0.5 (channels ua ub uc ia ib ic iut; those not given "
                        "read 0); by default the simulated motor's steady values."),
         QStringLiteral("SPEC")},
        {QStringLiteral("events"),
         QStringLiteral("Event log at start: \"empty\", or N (0..100) valid events; by default "
                        "a wrapped log with erased and damaged slots."),
         QStringLiteral("N")},
        {QStringLiteral("version-text"),
         QStringLiteral("Firmware version text (up to 16 characters)."), QStringLiteral("T")},
        {QStringLiteral("fault"),
         QStringLiteral("Fault rule, e.g. drop:kind=1:every=10, misstore or drop:serial=601:from=5 "
                        "(repeatable)."),
         QStringLiteral("SPEC")},
        {QStringLiteral("log"), QStringLiteral("Log every frame to stderr.")},
        {QStringLiteral("log-file"), QStringLiteral("Log every frame to a file."),
         QStringLiteral("PATH")},
    });
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        usageError(
            parser,
            QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

    const QList<quint16> serials = serialsOption(parser);
    RelaySettings relay;
    relay.follow = parser.isSet(QStringLiteral("follow"));
    if (parser.isSet(QStringLiteral("config-hex"))) {
        bool ok = false;
        relay.configBlock = kliv::frame::fromHex(parser.value(QStringLiteral("config-hex")), &ok);
        if (!ok || relay.configBlock.size() != kliv::config::BlockSize)
            usageError(parser, QStringLiteral("--config-hex takes the %1 bytes of a configuration "
                                              "block in hexadecimal")
                                   .arg(kliv::config::BlockSize));
    }
    if (parser.isSet(QStringLiteral("reference"))) {
        QString why;
        relay.reference =
            parseCalibrationReference(parser.value(QStringLiteral("reference")), &why);
        if (!relay.reference)
            usageError(parser, QStringLiteral("--reference: %1").arg(why));
    }
    if (parser.isSet(QStringLiteral("events"))) {
        const QString events = parser.value(QStringLiteral("events"));
        bool ok = false;
        relay.events = events == QLatin1String("empty") ? 0 : events.toInt(&ok);
        if (events != QLatin1String("empty") && (!ok || relay.events < 0 || relay.events > 100))
            usageError(parser, QStringLiteral("--events takes \"empty\" or 0..100"));
    }
    if (parser.isSet(QStringLiteral("version-text"))) {
        relay.versionText = parser.value(QStringLiteral("version-text"));
        if (relay.versionText.size() > RelayModel::VersionSize)
            usageError(parser, QStringLiteral("--version-text takes at most 16 characters"));
    }

    PtyOptions line;
    line.baud = intOption(parser, QStringLiteral("baud"), 50, 4000000);
    line.latencyMs = intOption(parser, QStringLiteral("latency"), 0, 60000);
    line.pace = !parser.isSet(QStringLiteral("no-pace"));
    line.strictSpeed = !parser.isSet(QStringLiteral("any-speed"));
    line.linkPath = parser.value(QStringLiteral("link"));

    QList<FaultRule> faults;
    for (const QString& spec : parser.values(QStringLiteral("fault"))) {
        QString why;
        const auto rule = parseFaultRule(spec, &why);
        if (!rule)
            usageError(parser, QStringLiteral("--fault %1: %2").arg(spec, why));
        faults.append(*rule);
    }
    QString lineError;
    const QList<RelayOnLine> relays = lineUp(relay, serials, faults, &lineError);
    if (relays.isEmpty())
        usageError(parser, QStringLiteral("--fault: %1").arg(lineError));

    QFile logFile(parser.value(QStringLiteral("log-file")));
    if (parser.isSet(QStringLiteral("log-file"))) {
        if (!logFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            usageError(parser, QStringLiteral("cannot write %1: %2")
                                   .arg(logFile.fileName(), logFile.errorString()));
        g_logFile = &logFile;
    }
    qInstallMessageHandler(writeLog);
    if (parser.isSet(QStringLiteral("log")) || g_logFile)
        QLoggingCategory::setFilterRules(QStringLiteral("kliv.sim.frames.info=true"));

    if (!quitOnSignals(app)) {
        qCritical("kliv-relay-sim: cannot install the signal handlers");
        return 1;
    }

    PtyRelay sim(relays, line);
    QString error;
    const QString device = sim.start(&error);
    if (device.isEmpty()) {
        qCritical().noquote() << "kliv-relay-sim:" << error;
        return 1;
    }
    std::printf("%s\n", qPrintable(device));
    std::fflush(stdout);
    // Once the device has vanished there is nothing left to simulate.
    QObject::connect(&sim, &PtyRelay::vanished, &app, &QCoreApplication::quit);

    const int rc = app.exec();
    sim.stop();
    qInstallMessageHandler(nullptr);
    return rc;
}
