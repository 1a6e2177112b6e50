#include "commands.h"

#include "liveoutput.h"
#include "protocol/clock.h"
#include "protocol/frame.h"
#include "protocol/numfmt.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QTimer>
#include <atomic>
#include <csignal>

namespace kliv::cli {

namespace {

std::atomic_bool interrupted = false;

void onSignal(int) {
    interrupted = true;
}

// A job that ends with an information box: print the box's text.
int boxJob(Runner& r, void (Engine::*done)(), const Message& m,
           const std::function<void()>& start) {
    QObject::connect(&r.engine(), done, &r, [&r, m] {
        if (r.json())
            r.printJson({{QStringLiteral("result"), m.text}});
        else
            r.print(m.text);
        r.finish(Done);
    });
    return r.run(start);
}

} // namespace

int version(Runner& r) {
    QObject::connect(&r.engine(), &Engine::versionRead, &r, [&r](const QString& text) {
        if (r.json())
            r.printJson({{QStringLiteral("version"), text}});
        else
            r.print(text);
        r.finish(Done);
    });
    return r.run([&r] { r.engine().readVersion(); });
}

int raw(Runner& r, quint8 kind, const QByteArray& payload) {
    QObject::connect(&r.engine(), &Engine::rawReply, &r, [&r](const QByteArray& f) {
        if (r.json())
            r.printJson({{QStringLiteral("reply"), frame::hex(f)},
                         {QStringLiteral("kind"), frame::kindOf(f)},
                         {QStringLiteral("payload"), frame::hex(frame::payloadOf(f))}});
        else
            r.print(frame::hex(f));
        r.finish(Done);
    });
    return r.run([&r, kind, payload] { r.engine().sendRaw(kind, payload); });
}

int status(Runner& r) {
    QObject::connect(&r.engine(), &Engine::liveStatus, &r, [&r](const LiveStatus& s) {
        if (r.json())
            r.printJson(liveJson(s));
        else
            r.print(liveText(s, NumberLocale::system()));
        r.finish(Done);
    });
    return r.run([&r] {
        r.engine().setView(0);
        r.engine().diagnosClick();
    });
}

int poll(Runner& r, const PollOptions& o) {
    auto records = std::make_shared<int>(0);
    auto clock = std::make_shared<QElapsedTimer>();
    const NumberLocale loc = NumberLocale::system();
    auto summary = [&r, records, clock, loc] {
        const double seconds = clock->isValid() ? clock->nsecsElapsed() / 1e9 : 0.0;
        const double rate = seconds > 0 ? *records / seconds : 0.0;
        if (r.json())
            r.printJson({{QStringLiteral("records"), *records},
                         {QStringLiteral("seconds"), seconds},
                         {QStringLiteral("recordsPerSecond"), rate}});
        else
            r.print(QStringLiteral("Записей: %1 за %2 с, %3 записей/с")
                        .arg(*records)
                        .arg(numfmt::format(seconds, u"0.000", loc))
                        .arg(numfmt::format(rate, u"0.0", loc)));
    };
    QObject::connect(&r.engine(), &Engine::liveStatus, &r,
                     [&r, records, clock, o, loc, summary](const LiveStatus& s) {
                         if (!clock->isValid())
                             clock->start();
                         ++*records;
                         if (r.json())
                             r.printJson(liveJson(s));
                         else
                             r.print(liveLine(s, loc));
                         if (o.count > 0 && *records >= o.count) {
                             summary();
                             r.finish(Done);
                         }
                     });
    // The poll's give-up and a lost line still end with the rate line before the error.
    r.setBeforeFailure(summary);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    auto watch = new QTimer(&r);
    QObject::connect(watch, &QTimer::timeout, &r, [&r, summary] {
        if (interrupted) {
            summary();
            r.finish(Done);
        }
    });
    watch->start(100);
    return r.run([&r, o] {
        r.engine().setView(o.view);
        r.engine().diagnosClick();
    });
}

int clockSet(Runner& r, const ClockOptions& o) {
    return boxJob(r, &Engine::clockSetDone, msg::clockSet(), [&r, o] {
        r.engine().setClock(
            clock::setPayload(QDateTime::currentDateTime(), o.calibration, o.stop, o.autoDst));
    });
}

int protectionReset(Runner& r) {
    return boxJob(r, &Engine::protectionResetDone, msg::protectionReset(),
                  [&r] { r.engine().resetProtection(); });
}

} // namespace kliv::cli
