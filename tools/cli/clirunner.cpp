#include "clirunner.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QTextStream>
#include <QTimer>

namespace kliv::cli {

int exitCodeFor(Failure reason) {
    switch (reason) {
    case Failure::PortNotOpened:
        return PortFailed;
    case Failure::RefusedInput:
        return BadUsage;
    case Failure::NoAnswer:
    case Failure::LineLost:
    case Failure::Cancelled:
    case Failure::Mismatch:
    case Failure::ShortReply:
        break;
    }
    return NoAnswer;
}

Runner::Runner(Engine& engine, bool json) : m_engine(engine), m_json(json) {
    connect(&engine, &Engine::jobFailed, this, [this](Job*, const Outcome& outcome) {
        const msg::Report r = msg::forFailure(outcome);
        fail(exitCodeFor(outcome.reason), r.message, r.detail);
    });
    connect(&engine, &Engine::requestRepeated, this, [](quint8 kind, int attempt, int of) {
        QTextStream(stderr) << msg::repeatLine(kind, attempt, of) << Qt::endl;
    });
}

int Runner::exec(Job* job) {
    QTimer::singleShot(0, this, [this, job] { m_engine.start(job); });
    return QCoreApplication::exec();
}

int Runner::runLoop(std::function<void()> begin) {
    QTimer::singleShot(0, this, std::move(begin));
    return QCoreApplication::exec();
}

void Runner::finish(int code) {
    if (m_finished)
        return;
    m_finished = true;
    m_engine.cancel();
    QCoreApplication::exit(code);
}

void Runner::print(const QString& text) {
    QTextStream out(stdout);
    out << text << Qt::endl;
}

void Runner::printJson(const QJsonObject& object) {
    QTextStream out(stdout);
    out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << Qt::endl;
}

void Runner::printBox(const Message& m) {
    if (m_json)
        printJson({{QStringLiteral("result"), m.text}});
    else
        print(m.text);
}

void Runner::fail(int code, const Message& m, const QString& detail) {
    if (m_finished)
        return;
    if (m_beforeFailure)
        m_beforeFailure();
    if (m_json) {
        QJsonObject o{{QStringLiteral("error"), m.text}};
        if (!detail.isEmpty())
            o[QStringLiteral("detail")] = detail;
        printJson(o);
    } else {
        QTextStream err(stderr);
        err << m.text << Qt::endl;
        if (!detail.isEmpty())
            err << detail << Qt::endl;
    }
    finish(code);
}

} // namespace kliv::cli
