#include "app/statusline.h"

#include "link/engine.h"
#include "protocol/speeds.h"

#include <QHBoxLayout>
#include <QLabel>

namespace kliv {

StatusLine::StatusLine(Engine& engine, QWidget* parent)
    : QWidget(parent), m_engine(engine), m_line(new QLabel), m_age(new QLabel),
      m_repeats(new QLabel) {
    setObjectName(QStringLiteral("status_line"));
    m_line->setObjectName(QStringLiteral("st_line"));
    m_age->setObjectName(QStringLiteral("st_age"));
    m_repeats->setObjectName(QStringLiteral("st_repeats"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(m_line);
    layout->addSpacing(24);
    layout->addWidget(m_age);
    layout->addSpacing(24);
    layout->addWidget(m_repeats);
    layout->addStretch(1);

    connect(&engine, &Engine::lineChanged, this, &StatusLine::showLine);
    connect(&engine, &Engine::frameAccepted, this, [this] {
        m_lastReply.start();
        tick();
    });
    connect(&engine, &Engine::repeatsChanged, this,
            [this](int n) { m_repeats->setText(QStringLiteral("Повторов: %1").arg(n)); });
    m_ticks.setInterval(1000);
    connect(&m_ticks, &QTimer::timeout, this, &StatusLine::tick);
    m_ticks.start();
    showLine();
    tick();
    m_repeats->setText(QStringLiteral("Повторов: %1").arg(engine.repeats()));
}

void StatusLine::showLine() {
    const QString port =
        m_engine.portName().isEmpty() ? QStringLiteral("не выбран") : m_engine.portName();
    m_line->setText(QStringLiteral("Порт: %1   %2 бод   Зав. № %3")
                        .arg(port)
                        .arg(speeds::Baud[std::size_t(m_engine.speedIndex())])
                        .arg(m_engine.serial()));
}

void StatusLine::tick() {
    if (!m_lastReply.isValid()) {
        m_age->setText(QStringLiteral("Ответов еще не было"));
        return;
    }
    const qint64 seconds = m_lastReply.elapsed() / 1000;
    m_age->setText(seconds == 0 ? QStringLiteral("Последний ответ: только что")
                                : QStringLiteral("Последний ответ: %1 с назад").arg(seconds));
}

QString StatusLine::text() const {
    return m_line->text() + QStringLiteral(". ") + m_age->text() + QStringLiteral(". ") +
           m_repeats->text();
}

} // namespace kliv
