#include "config/fieldbusgroup.h"

#include "link/engine.h"
#include "link/jobs/rs485speedjob.h"
#include "model/configitems.h"
#include "protocol/speeds.h"
#include "texts/speedtexts.h"
#include "widgets/fields.h"
#include "widgets/prompt.h"
#include "widgets/spinedit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

namespace kliv {

FieldbusGroup::FieldbusGroup(Engine& engine, Prompt& prompt, QWidget* parent)
    : QGroupBox(parent), m_engine(engine), m_prompt(prompt) {
    // The group has no caption of its own ("RS485:" leads its first row); a blank one
    // keeps its frame level with the captioned groups beside it.
    setTitle(QStringLiteral(" "));
    setAccessibleName(QStringLiteral("Параметры RS485"));
    auto* speed = dropDown(QStringLiteral("cb_rs485"), speeds::relayItems());
    speed->setCurrentIndex(speeds::RelayStart);
    speed->setToolTip(QStringLiteral("Скорость RS485"));
    auto* protocol =
        dropDown(QStringLiteral("cb_uprotbus"), config::items::list(config::items::Protocols));
    protocol->setToolTip(QStringLiteral("Протокол передачи данных"));
    protocol->setAccessibleName(protocol->toolTip());
    auto* address = new SpinEdit(QStringLiteral("sp_uaddr"), 1, 247, 1);
    address->setToolTip(QStringLiteral("Сетевой адрес устройства"));
    auto* silence = new SpinEdit(QStringLiteral("sp_utb"), 3, 200, 5);
    silence->setToolTip(QStringLiteral("Время тишины между сообщениями"));
    auto* end = new SpinEdit(QStringLiteral("sp_ute"), 2, 99, 3);
    end->setToolTip(QStringLiteral("Время окончания сообщения"));

    auto* g = new QGridLayout(this);
    g->setHorizontalSpacing(4);
    g->addWidget(caption(QStringLiteral("RS485:"), speed), 0, 0);
    g->addWidget(speed, 0, 1);
    g->addWidget(unit(QStringLiteral("бод/сек")), 0, 2, 1, 2);
    g->addWidget(protocol, 0, 4, 1, 3);

    g->addWidget(caption(QStringLiteral("Адрес:"), address), 1, 0);
    g->addWidget(address, 1, 1);
    for (auto [col, text, field] : {std::tuple{2, QStringLiteral("Tb:"), silence},
                                    std::tuple{4, QStringLiteral("Te:"), end}}) {
        QLabel* l = caption(text, field);
        l->setToolTip(field->toolTip());
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        g->addWidget(l, 1, col);
        g->addWidget(field, 1, col + 1);
    }
    g->addWidget(unit(QStringLiteral("мСек")), 1, 6);

    // Only the user's pick: a configuration read selects the relay's speed quietly.
    connect(speed, &QComboBox::activated, this, &FieldbusGroup::changeRs485Speed);
}

// Answering No leaves the picked entry in the list, so a later configuration write
// sends it.
void FieldbusGroup::changeRs485Speed(int index) {
    const Message question = msg::rs485Question();
    if (!m_prompt.ask(question.caption, question.text)) {
        m_prompt.show(msg::rs485Cancelled());
        return;
    }
    auto* job = new Rs485SpeedJob(index);
    connect(job, &Job::succeeded, this, [this] { m_prompt.show(msg::rs485Changed()); });
    m_engine.start(job);
}

} // namespace kliv
