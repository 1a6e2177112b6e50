#include "config/settingsfilegroup.h"

#include "config/changelogdialog.h"
#include "config/comparedialog.h"
#include "config/configbinding.h"
#include "config/configpage.h"
#include "files/settingsfiles.h"
#include "history/changejournal.h"
#include "link/engine.h"
#include "link/jobs/configreadjob.h"
#include "texts/messages.h"
#include "texts/settingsmessages.h"
#include "widgets/fields.h"
#include "widgets/prompt.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QPushButton>

namespace kliv {

namespace {

const QString SettingsFilter = QStringLiteral("Настройки (*.json);;Все файлы (*)");

} // namespace

SettingsFileGroup::SettingsFileGroup(Engine& engine, Prompt& prompt, ConfigPage& page)
    : m_engine(engine), m_prompt(prompt), m_page(page), m_journal(ChangeJournal::of(engine)) {
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

    auto* layout = new QHBoxLayout(this);
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
    connect(compare, &QPushButton::clicked, this, &SettingsFileGroup::compareWithRelay);
    connect(undo, &QPushButton::clicked, this, &SettingsFileGroup::undoLastWrite);
    connect(log, &QPushButton::clicked, this, &SettingsFileGroup::showChangeLog);
}

void SettingsFileGroup::setFirmware(int serial, const QString& version) {
    m_firmwareSerial = serial;
    m_firmware = version;
}

QString SettingsFileGroup::settingsFileName(int serial, const QDate& date) {
    return QStringLiteral("КЛИВ_№%1_%2.json").arg(serial).arg(date.toString(u"ddMM_yy"));
}

// A field the file does not hold keeps what the page shows.
bool SettingsFileGroup::openSettings(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    const files::LoadedSettings loaded =
        files::loadSettings(path, readConfiguration(&m_page, NumberLocale::system()).value);
    const settings::Decoded& decoded = loaded.decoded;
    if (!loaded.error.isEmpty() || !decoded.usable()) {
        m_prompt.show(msg::settingsNotOpened(shown),
                      loaded.error.isEmpty() ? msg::settingsFileErrors(decoded).join(u'\n')
                                             : loaded.error);
        return false;
    }
    m_page.setConfiguration(decoded.value);
    m_fileSerial = decoded.header ? decoded.header->serial : std::nullopt;
    m_prompt.show(msg::settingsOpened(shown), msg::settingsMissingDetail(decoded.missing));
    return true;
}

bool SettingsFileGroup::saveSettings(const QString& path) {
    const std::optional<Configuration> value = m_page.configuration();
    if (!value)
        return false;
    // Another relay's version says nothing about this one.
    const settings::Header header = files::headerNow(
        m_engine.serial(), m_firmwareSerial == m_engine.serial() ? m_firmware : QString());
    const QString shown = QDir::toNativeSeparators(path);
    if (const QString why = files::saveSettings(path, header, *value); !why.isEmpty()) {
        m_prompt.show(msg::settingsNotSaved(shown), why);
        return false;
    }
    m_prompt.show(msg::settingsSaved(shown));
    return true;
}

void SettingsFileGroup::compareWithRelay() {
    const std::optional<Configuration> page = m_page.configuration();
    if (!page)
        return;
    auto* job = new ConfigReadJob;
    connect(job, &Job::succeeded, this, [this, job, page = *page] {
        const Configuration relay = job->configuration();
        const QList<config::FieldDifference> differences = config::differences(page, relay);
        if (differences.isEmpty()) {
            m_prompt.show(msg::configSame());
            return;
        }
        if (const QStringList keys = m_chooseDifferences(differences); !keys.isEmpty())
            m_page.setConfiguration(config::takeFields(page, relay, keys));
    });
    m_engine.start(job);
}

// Only the newest write of this relay, whole, is backed out, to its block before exactly as
// it was; what the relay held before the undo is then recorded like any write, so a second
// undo returns the first.
void SettingsFileGroup::undoLastWrite() {
    const ChangeJournal::Undo undo = m_journal->undo(m_engine.serial());
    const QString warnings = msg::journalWarnings(undo.warnings);
    if (undo.damaged) {
        QString detail = QDir::toNativeSeparators(m_journal->path()) +
                         QStringLiteral(", строка %1: ").arg(undo.damaged->line) +
                         undo.damaged->why;
        if (undo.warnings.size() > 1)
            detail += QStringLiteral("\n\n") + warnings;
        m_prompt.show(msg::undoDamaged(undo.damaged->line), detail);
        return;
    }
    if (!undo.write) {
        m_prompt.show(msg::nothingToUndo(), warnings);
        return;
    }
    QString question = msg::undoQuestion(*undo.write);
    if (!warnings.isEmpty())
        question += QStringLiteral("\n\n") + warnings;
    if (!m_prompt.ask(msg::ExchangeCaption, question)) {
        m_prompt.show(msg::configWriteCancelled());
        return;
    }
    m_page.restoreConfiguration(undo.write->before);
}

// Not modal: the journal can stay open beside the page while the engineer works.
void SettingsFileGroup::showChangeLog() {
    auto* dialog = new ChangeLogDialog(m_journal->read(), m_engine.serial(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

} // namespace kliv
