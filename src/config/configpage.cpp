#include "config/configpage.h"

#include "config/calibrationgroup.h"
#include "config/changelogdialog.h"
#include "config/comparedialog.h"
#include "config/configbinding.h"
#include "config/fieldbusgroup.h"
#include "config/protectiongroup.h"
#include "history/changejournal.h"
#include "link/engine.h"
#include "link/jobs/configreadjob.h"
#include "link/jobs/recordedconfigwritejob.h"
#include "link/jobs/versionjob.h"
#include "protocol/configitems.h"
#include "protocol/settingsfile.h"
#include "texts/messages.h"
#include "texts/settingsmessages.h"
#include "widgets/fields.h"
#include "widgets/prompt.h"
#include "widgets/spinedit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>
#include <algorithm>

namespace kliv {

namespace {

// The relay holds each text in sixteen characters.
constexpr int InfoTextChars = 16;
// A settings file is a few kilobytes; anything far larger is not one (or never ends).
constexpr qint64 MaxSettingsBytes = 1 << 20;

void takeField(const config::Field& f, const Configuration& from, Configuration& into) {
    if (f.number)
        into.*f.number = from.*f.number;
    else if (f.check)
        into.*f.check = from.*f.check;
    else
        into.*f.text = from.*f.text;
}

const QString SettingsFilter = QStringLiteral("Настройки (*.json);;Все файлы (*)");

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
    : QWidget(parent), m_engine(engine), m_prompt(prompt), m_journal(ChangeJournal::of(engine)) {
    m_askOpenFile = [this](const QString&) {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Открыть настройки"),
                                            QDir::homePath(), SettingsFilter);
    };
    m_askSaveFile = [this](const QString& name) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить настройки"),
                                            QDir::home().filePath(name), SettingsFilter);
    };
    m_chooseDifferences = [this](const QList<config::FieldDifference>& differences) {
        CompareDialog dialog(differences, this);
        return dialog.exec() == QDialog::Accepted ? dialog.chosenKeys() : QStringList();
    };
    connect(m_journal, &ChangeJournal::appendFailed, this, [this](const QString& reason) {
        m_prompt.show(msg::journalNotWritten(), m_journal->path() + QStringLiteral(": ") + reason);
    });

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
    page->addWidget(buildFileButtons());
    page->addWidget(buildBottom());
}

QWidget* ConfigPage::buildFileButtons() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* open = button(QStringLiteral("btn_open_settings"), QStringLiteral("Открыть…"));
    auto* save = button(QStringLiteral("btn_save_settings"), QStringLiteral("Сохранить…"));
    auto* compare = button(QStringLiteral("btn_compare"), QStringLiteral("Сравнить с реле"));
    auto* undo = button(QStringLiteral("btn_undo_write"), QStringLiteral("Вернуть предыдущие"));
    auto* log = button(QStringLiteral("btn_change_log"), QStringLiteral("Журнал изменений…"));
    for (QPushButton* b : {open, save, compare, undo, log})
        layout->addWidget(b);
    layout->addStretch(1);
    connect(open, &QPushButton::clicked, this, [this] {
        if (const QString path = m_askOpenFile({}); !path.isEmpty())
            openSettings(path);
    });
    connect(save, &QPushButton::clicked, this, [this] {
        const QString name = settingsFileName(m_engine.serial(), QDate::currentDate());
        if (const QString path = m_askSaveFile(name); !path.isEmpty())
            saveSettings(path);
    });
    connect(compare, &QPushButton::clicked, this, &ConfigPage::compareWithRelay);
    connect(undo, &QPushButton::clicked, this, &ConfigPage::undoLastWrite);
    connect(log, &QPushButton::clicked, this, &ConfigPage::showChangeLog);
    return row;
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
    connect(write, &QPushButton::clicked, this, &ConfigPage::writeConfiguration);
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
    const PageConfiguration page = kliv::readConfiguration(this, NumberLocale::system());
    if (page.problems.isEmpty())
        return page.value;
    QStringList texts;
    for (const config::FieldProblem& p : page.problems)
        texts.append(p.text);
    const msg::Report r = msg::refused(texts);
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
        m_fileSerial.reset(); // the page now holds this relay's values
        m_prompt.show(msg::configRead());
    });
    m_engine.start(job);
}

// The question first (a second one when the values came from another relay's file), then
// the coefficients in the order the relay's channels pair them, then every other field:
// nothing is sent unless all of it can be.
void ConfigPage::writeConfiguration() {
    if (m_fileSerial && *m_fileSerial != m_engine.serial() &&
        !m_prompt.ask(msg::ExchangeCaption,
                      msg::otherSerialQuestion(*m_fileSerial, m_engine.serial()))) {
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
    startWrite(*value);
}

void ConfigPage::startWrite(const Configuration& c) {
    auto* job = new RecordedConfigWriteJob(c);
    connect(job, &ConfigWriteJob::readBackDone, this, &ConfigPage::setConfiguration);
    // Written only once the read-back equals what was sent; the read ends as any read does.
    connect(job, &Job::succeeded, this, [this] {
        m_fileSerial.reset();
        m_prompt.show(msg::configWritten());
        m_prompt.show(msg::configRead());
    });
    m_engine.start(job);
}

// The block is written only if a write can give it back byte for byte; what the relay
// held before is then recorded like any write, so a second undo returns the first.
void ConfigPage::undoLastWrite() {
    const std::optional<changes::ChangeRecord> last = m_journal->lastWrite(m_engine.serial());
    if (!last) {
        m_prompt.show(msg::nothingToUndo());
        return;
    }
    const Configuration earlier = config::decode(last->before);
    if (config::encode(earlier) != last->before) {
        m_prompt.show(msg::undoNotExact());
        return;
    }
    if (!m_prompt.ask(msg::ExchangeCaption, msg::configWriteQuestion())) {
        m_prompt.show(msg::configWriteCancelled());
        return;
    }
    startWrite(earlier);
}

// Not modal: the journal can stay open beside the page while the engineer works.
void ConfigPage::showChangeLog() {
    auto* dialog = new ChangeLogDialog(m_journal->read(), m_engine.serial(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

QString ConfigPage::settingsFileName(int serial, const QDate& date) {
    return QStringLiteral("КЛИВ_№%1_%2.json").arg(serial).arg(date.toString(u"ddMM_yy"));
}

bool ConfigPage::openSettings(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_prompt.show(msg::settingsNotOpened(shown), file.errorString());
        return false;
    }
    const QByteArray bytes = file.read(MaxSettingsBytes + 1);
    if (bytes.size() > MaxSettingsBytes) {
        m_prompt.show(
            msg::settingsNotOpened(shown),
            QStringLiteral("Файл больше %1 байт: это не файл настроек.").arg(MaxSettingsBytes));
        return false;
    }
    const PageConfiguration page = kliv::readConfiguration(this, NumberLocale::system());
    const settings::Decoded decoded = settings::decode(bytes, page.value);
    if (!decoded.errors.isEmpty()) {
        m_prompt.show(msg::settingsNotOpened(shown), decoded.errors.join(u'\n'));
        return false;
    }
    setConfiguration(decoded.value);
    m_fileSerial = decoded.header ? decoded.header->serial : std::nullopt;
    m_prompt.show(msg::settingsOpened(shown),
                  decoded.missing.isEmpty()
                      ? QString()
                      : msg::settingsMissingDetail(int(decoded.missing.size())) +
                            QStringLiteral(" (") + decoded.missing.join(QStringLiteral(", ")) +
                            u')');
    return true;
}

// Written whole or not at all: a failed write leaves any earlier file as it was.
bool ConfigPage::saveSettings(const QString& path) {
    const std::optional<Configuration> value = configuration();
    if (!value)
        return false;
    settings::Header header;
    header.serial = m_engine.serial();
    // Another relay's version says nothing about this one.
    if (m_firmwareSerial == m_engine.serial())
        header.firmware = m_firmware;
    header.saved = QDateTime::currentDateTime();
    header.tool = QCoreApplication::applicationVersion();
    const QByteArray bytes = settings::encode(header, *value);
    const QString shown = QDir::toNativeSeparators(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        m_prompt.show(msg::settingsNotSaved(shown), file.errorString());
        return false;
    }
    m_prompt.show(msg::settingsSaved(shown));
    return true;
}

void ConfigPage::compareWithRelay() {
    const std::optional<Configuration> page = configuration();
    if (!page)
        return;
    auto* job = new ConfigReadJob;
    connect(job, &Job::succeeded, this, [this, job, page = *page] {
        const Configuration relay = job->configuration();
        const QList<config::FieldDifference> differences =
            config::differences(page, relay, NumberLocale::system());
        if (differences.isEmpty()) {
            m_prompt.show(msg::configSame());
            return;
        }
        const QStringList keys = m_chooseDifferences(differences);
        if (keys.isEmpty())
            return;
        Configuration taken = page;
        for (const QString& key : keys)
            takeField(*config::fieldNamed(key), relay, taken);
        setConfiguration(taken);
    });
    m_engine.start(job);
}

bool ConfigPage::coefficientsNotZero() {
    for (const char* key : config::CoefficientCheckOrder) {
        const QString text = findChild<QLineEdit*>(QLatin1String(key))->text();
        const auto tenths = config::parseTenths(text, NumberLocale::system());
        if (!tenths) {
            const config::Field* f = config::fieldNamed(QString::fromLatin1(key));
            const msg::Report r = msg::refused(
                {QStringLiteral("%1: «%2» — не число.").arg(QString::fromUtf8(f->label), text)});
            m_prompt.show(r.message, r.detail);
            return false;
        }
        // Only a value that is zero: "0,05" is no whole number, which the value check says.
        const bool zero = std::none_of(text.cbegin(), text.cend(), [](QChar ch) {
            return ch >= QLatin1Char('1') && ch <= QLatin1Char('9');
        });
        if (zero) {
            const config::Field* f = config::fieldNamed(QString::fromLatin1(key));
            m_prompt.show(msg::zeroCoefficient(),
                          msg::zeroCoefficientDetail(QString::fromUtf8(f->label)));
            return false;
        }
    }
    return true;
}

void ConfigPage::readVersion() {
    auto* job = new VersionJob;
    connect(job, &Job::succeeded, m_version, [this, job] {
        m_version->setText(job->text());
        m_firmware = job->text();
        m_firmwareSerial = job->serial();
    });
    m_engine.start(job);
}

} // namespace kliv
