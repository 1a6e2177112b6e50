#include "config/configpage.h"

#include "config/calibrationgroup.h"
#include "config/configbinding.h"
#include "config/fieldbusgroup.h"
#include "config/protectiongroup.h"
#include "config/settingsfilegroup.h"
#include "link/engine.h"
#include "link/jobs/configreadjob.h"
#include "link/jobs/configrestorejob.h"
#include "link/jobs/versionjob.h"
#include "model/configitems.h"
#include "texts/configtexts.h"
#include "texts/messages.h"
#include "texts/problemtexts.h"
#include "texts/settingsmessages.h"
#include "widgets/fields.h"
#include "widgets/prompt.h"
#include "widgets/spinedit.h"

#include <QCheckBox>
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

ConfigPage::ConfigPage(Engine& engine, Prompt& prompt, QWidget* parent)
    : QWidget(parent), m_engine(engine), m_prompt(prompt),
      m_files(new SettingsFileGroup(engine, prompt, *this)) {
    auto* top = new QHBoxLayout;
    top->addWidget(buildInformation(), 3);
    top->addWidget(buildMonitoring(), 2);
    top->addWidget(new FieldbusGroup(engine, prompt), 3);

    m_protection = new ProtectionGroup;
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_protection, 1);
    auto* calibration = new CalibrationGroup(engine, prompt);
    connect(calibration, &CalibrationGroup::blockingReported, this, &ConfigPage::setBlocking);
    middle->addWidget(calibration, 0);

    auto* page = new QVBoxLayout(this);
    page->addLayout(top);
    page->addLayout(middle, 1);
    page->addWidget(m_files);
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
    captionGrid(box,
                {{QStringLiteral("Контроль Uфаз:"),
                  dropDown(QStringLiteral("p_uf_c"), config::items::list(config::items::Phases))},
                 {QStringLiteral("Контроль Iфаз:"),
                  dropDown(QStringLiteral("p_if_c"), config::items::list(config::items::Phases))}});
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
    auto* read = button(QStringLiteral("btn_read_konf"), QStringLiteral("Считать конфигурацию"));
    auto* write = button(QStringLiteral("btn_write_konf"), QStringLiteral("Записать конфигурацию"));
    row->addWidget(read);
    row->addWidget(write);
    connect(read, &QPushButton::clicked, this, &ConfigPage::readConfiguration);
    connect(write, &QPushButton::clicked, this, [this] { writeConfiguration(); });
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

void ConfigPage::setBlocking(bool on) {
    findChild<QCheckBox*>(QStringLiteral("blok_z"))->setChecked(on);
}

std::optional<Configuration> ConfigPage::configuration() {
    const NumberLocale loc = NumberLocale::system();
    const PageConfiguration page = kliv::readConfiguration(this, loc);
    if (page.problems.isEmpty())
        return page.value;
    const msg::Report r = msg::refused(msg::problemTexts(page.problems, loc));
    m_prompt.show(r.message, r.detail);
    return std::nullopt;
}

void ConfigPage::setConfiguration(const Configuration& c) {
    showConfiguration(this, c, NumberLocale::system());
}

void ConfigPage::readConfiguration() {
    auto* job = new ConfigReadJob;
    connect(job, &Job::succeeded, this, [this, job] {
        setConfiguration(job->configuration());
        m_files->forgetFile(); // the page now holds this relay's values
        m_prompt.show(msg::configRead());
    });
    m_engine.start(job);
}

// The question first (a second one when the values came from another relay's file), then
// the coefficients in the order the relay's channels pair them, then every other field:
// nothing is sent unless all of it can be.
void ConfigPage::writeConfiguration() {
    const std::optional<int> from = m_files->fileSerial();
    if (from && *from != m_engine.serial() &&
        !m_prompt.ask(msg::ExchangeCaption, msg::otherSerialQuestion(*from, m_engine.serial()))) {
        m_prompt.show(msg::configWriteCancelled());
        return;
    }
    if (!m_prompt.ask(msg::ExchangeCaption, msg::configWriteQuestion())) {
        m_prompt.show(msg::configWriteCancelled());
        return;
    }
    if (!coefficientsNotZero())
        return;
    const std::optional<Configuration> value = configuration();
    if (!value)
        return;
    startWrite(new ConfigWriteJob(*value));
}

void ConfigPage::restoreConfiguration(const QByteArray& block) {
    startWrite(new ConfigRestoreJob(block));
}

void ConfigPage::startWrite(ConfigWriteJob* job) {
    connect(job, &ConfigWriteJob::readBackDone, this, &ConfigPage::setConfiguration);
    // Written only once the read-back equals what was sent; the read ends as any read does.
    connect(job, &Job::succeeded, this, [this] {
        m_files->forgetFile();
        m_prompt.show(msg::configWritten());
        m_prompt.show(msg::configRead());
    });
    m_engine.start(job);
}

bool ConfigPage::coefficientsNotZero() {
    const NumberLocale loc = NumberLocale::system();
    const CoefficientCheck check = checkCoefficients(this, loc);
    if (!check.notANumber && !check.zero)
        return true;
    if (check.zero) {
        m_prompt.show(msg::zeroCoefficient(),
                      msg::zeroCoefficientDetail(QString::fromUtf8(check.zero->label)));
    } else {
        const msg::Report r = msg::refused({msg::problemText(*check.notANumber, loc)});
        m_prompt.show(r.message, r.detail);
    }
    return false;
}

void ConfigPage::readVersion() {
    auto* job = new VersionJob;
    connect(job, &Job::succeeded, m_version, [this, job] {
        m_version->setText(job->text());
        m_files->setFirmware(job->serial(), job->text());
    });
    m_engine.start(job);
}

} // namespace kliv
