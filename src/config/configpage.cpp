#include "config/configpage.h"

#include "config/calibrationgroup.h"
#include "config/fieldbusgroup.h"
#include "config/protectiongroup.h"
#include "link/engine.h"
#include "link/jobs/versionjob.h"
#include "widgets/fields.h"
#include "widgets/spinedit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kliv {

namespace {

// The relay holds each text in sixteen characters.
constexpr int InfoTextChars = 16;

QGridLayout* captionGrid(QWidget* owner, const QList<QPair<QString, QWidget*>>& rows) {
    auto* g = new QGridLayout(owner);
    g->setHorizontalSpacing(6);
    int row = 0;
    for (const auto& [text, field] : rows) {
        g->addWidget(caption(text, field), row, 0);
        g->addWidget(field, row, 1);
        ++row;
    }
    g->setColumnStretch(1, 1);
    return g;
}

} // namespace

QStringList ConfigPage::phaseItems() {
    return {QStringLiteral("A/B/C"), QStringLiteral("   A/B"), QStringLiteral("   A/C"),
            QStringLiteral("       A")};
}

ConfigPage::ConfigPage(Engine& engine, QWidget* parent) : QWidget(parent), m_engine(engine) {
    auto* top = new QHBoxLayout;
    top->addWidget(buildInformation(), 3);
    top->addWidget(buildMonitoring(), 2);
    top->addWidget(new FieldbusGroup, 3);

    m_protection = new ProtectionGroup;
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_protection, 1);
    middle->addWidget(new CalibrationGroup, 0);

    auto* page = new QVBoxLayout(this);
    page->addLayout(top);
    page->addLayout(middle, 1);
    page->addWidget(buildBottom());
}

QWidget* ConfigPage::buildInformation() {
    auto* box = new QGroupBox(QStringLiteral("Информация"));
    captionGrid(box, {{QStringLiteral("Тип оборудования:"),
                       textEdit(QStringLiteral("tipo_text"), {}, InfoTextChars)},
                      {QStringLiteral("Объек/установка:"),
                       textEdit(QStringLiteral("oust_text"), {}, InfoTextChars)}});
    return box;
}

QWidget* ConfigPage::buildMonitoring() {
    auto* box = new QGroupBox(QStringLiteral("Параметры контроля"));
    captionGrid(
        box,
        {{QStringLiteral("Контроль Uфаз:"), dropDown(QStringLiteral("p_uf_c"), phaseItems())},
         {QStringLiteral("Контроль Iфаз:"), dropDown(QStringLiteral("p_if_c"), phaseItems())}});
    return box;
}

QWidget* ConfigPage::buildBottom() {
    auto* bottom = new QWidget;
    auto* row = new QHBoxLayout(bottom);
    row->setContentsMargins(0, 0, 0, 0);
    auto* version = button(QStringLiteral("Button12"), QStringLiteral("Версия программы МК"));
    m_version = valueText(QStringLiteral("st_vpmk"), version->text());
    m_version->setMinimumWidth(version->sizeHint().width());
    row->addWidget(version);
    row->addWidget(m_version);
    row->addStretch(1);
    for (QPushButton* b :
         {button(QStringLiteral("btn_read_konf"), QStringLiteral("Считать конфигурацию")),
          button(QStringLiteral("btn_write_konf"), QStringLiteral("Записать конфигурацию"))}) {
        b->setEnabled(false); // the configuration jobs are not built yet
        row->addWidget(b);
    }
    connect(version, &QPushButton::clicked, this, &ConfigPage::readVersion);
    return bottom;
}

QPushButton* ConfigPage::vtzButton() const {
    return m_protection->vtzButton();
}

QString ConfigPage::nominalCurrentText() const {
    return m_protection->nominalCurrent()->text();
}

int ConfigPage::overloadSeconds() const {
    return m_protection->overloadTime()->value();
}

void ConfigPage::setOverloadSeconds(int seconds) {
    m_protection->overloadTime()->setValue(seconds);
}

void ConfigPage::readVersion() {
    auto* job = new VersionJob;
    connect(job, &Job::succeeded, m_version, [this, job] { m_version->setText(job->text()); });
    m_engine.start(job);
}

} // namespace kliv
