#include "diag/clockpanel.h"

#include "protocol/clock.h"
#include "texts/clocktexts.h"
#include "widgets/fields.h"
#include "widgets/spinedit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace kliv {

namespace {

// The check box's own caption stands left of the box, like the other captions.
QCheckBox* captionedCheck(const QString& objectName, const QString& text) {
    auto* c = new QCheckBox(text);
    c->setObjectName(objectName);
    c->setLayoutDirection(Qt::RightToLeft);
    c->setAccessibleName(nameOf(text));
    return c;
}

} // namespace

ClockPanel::ClockPanel(QWidget* parent) : QGroupBox(parent) {
    setAccessibleName(QStringLiteral("Часы реле"));
    m_date = valueLabel(QStringLiteral("tDATE"), QStringLiteral("==.==.====г."), 96);
    m_time = valueLabel(QStringLiteral("ttime"), QStringLiteral("==:==:=="), 72);
    m_date->setAccessibleName(QStringLiteral("Дата"));
    m_time->setAccessibleName(QStringLiteral("Время"));
    m_cal = new SpinEdit(QStringLiteral("rcal"), -31, 31, 0);
    m_stop = captionedCheck(QStringLiteral("rstop"), QStringLiteral("Остановка часов:"));
    m_auto = captionedCheck(QStringLiteral("tavto"), QStringLiteral("Авт. перевод часов:"));
    m_correct = new QPushButton(QStringLiteral("Корректировка часов"));
    m_correct->setObjectName(QStringLiteral("Button11"));

    auto* g = new QGridLayout(this);
    g->setHorizontalSpacing(8);
    g->addWidget(m_date, 0, 0);
    g->addWidget(m_time, 0, 1);
    auto* calRow = new QHBoxLayout;
    calRow->addWidget(caption(QStringLiteral("Калибровка:"), m_cal));
    calRow->addWidget(m_cal);
    g->addLayout(calRow, 1, 0, 1, 2, Qt::AlignLeft);
    g->addWidget(m_stop, 0, 2, Qt::AlignRight);
    g->addWidget(m_auto, 1, 2, Qt::AlignRight);
    g->addWidget(m_correct, 2, 0, 1, 3);

    connect(m_correct, &QPushButton::clicked, this, &ClockPanel::correctRequested);
}

void ClockPanel::showClock(const ClockBlock& c) {
    m_date->setText(clock::dateText(c));
    m_time->setText(clock::timeText(c));
    m_cal->setValue(c.calibration);
    m_stop->setChecked(c.stopped);
    m_auto->setChecked(c.autoDst);
}

int ClockPanel::calibration() const {
    return m_cal->value();
}
bool ClockPanel::stop() const {
    return m_stop->isChecked();
}
bool ClockPanel::autoDst() const {
    return m_auto->isChecked();
}

} // namespace kliv
