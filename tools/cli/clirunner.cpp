#include "clirunner.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QTextStream>
#include <QTimer>

namespace kliv::cli {

Runner::Runner(Engine& engine, bool json) : m_engine(engine), m_json(json) {
    connect(&engine, &Engine::noReply, this, [this] { fail(NoAnswer, msg::noReply()); });
    connect(&engine, &Engine::deviceLost, this,
            [this](const QString& detail) { fail(NoAnswer, msg::deviceLost(), detail); });
    connect(&engine, &Engine::portOpenFailed, this, [this](OpenError, const QString& detail) {
        fail(PortFailed, msg::portOpenFailed(), detail);
    });
}

int Runner::run(const std::function<void()>& start) {
    QTimer::singleShot(0, this, start);
    return QCoreApplication::exec();
}

void Runner::finish(int code) {
    if (m_finished)
        return;
    m_finished = true;
    m_engine.endPoll();
    m_engine.comclose();
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
