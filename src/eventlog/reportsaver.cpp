#include "eventlog/reportsaver.h"

#include "config/configpage.h"
#include "eventlog/eventlogpage.h"
#include "link/engine.h"
#include "link/jobs/saveprotocoljob.h"
#include "report/document.h"
#include "report/protocolreport.h"
#include "report/templatepath.h"
#include "texts/eventtexts.h"
#include "texts/messages.h"
#include "widgets/prompt.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressBar>

namespace kliv {

ReportSaver::ReportSaver(Engine& engine, Prompt& prompt, ConfigPage& config, EventLogPage& protocol,
                         QWidget* dialogParent)
    : QObject(dialogParent), m_engine(engine), m_prompt(prompt), m_config(config),
      m_protocol(protocol), m_templatePath(findTemplate(QCoreApplication::applicationDirPath())) {
    m_ask = [dialogParent](const QString& name) {
        return QFileDialog::getSaveFileName(dialogParent, QStringLiteral("Сохранить протокол"),
                                            QDir::home().filePath(name),
                                            QStringLiteral("Документ Word (*.docx)"));
    };
}

void ReportSaver::start() {
    QProgressBar* bar = m_protocol.progress();
    bar->setValue(0);
    auto* job = new SaveProtocolJob;
    connect(job, &SaveProtocolJob::configurationRead, &m_config, &ConfigPage::setConfiguration);
    connect(job, &SaveProtocolJob::accountingRead, &m_protocol, &EventLogPage::showAccounting);
    connect(job, &SaveProtocolJob::eventsProgress, bar, &QProgressBar::setValue);
    connect(job, &Job::succeeded, this, [this, job] {
        m_protocol.showEvents(eventlog::texts(job->events(), NumberLocale::system()));
        m_protocol.progress()->setValue(0);
        write(job->serial());
    });
    m_engine.start(job);
}

// The report is filled from what the pages now show, as the relay answered.
void ReportSaver::write(int serial) {
    if (m_templatePath.isEmpty() || !QFileInfo::exists(m_templatePath)) {
        m_prompt.show(msg::templateMissing());
        return;
    }
    const NumberLocale loc = NumberLocale::system();
    const std::optional<Configuration> configuration = m_config.configuration();
    if (!configuration)
        return;
    ReportData data;
    data.serial = serial;
    data.events = m_protocol.eventRows();
    data.configuration = *configuration;
    data.accounting = m_protocol.accountingTexts();
    QString error;
    QProgressBar* bar = m_protocol.progress();
    auto doc = report::build(
        m_templatePath, data, loc, [bar](int v) { bar->setValue(v); }, &error);
    if (!doc) {
        m_prompt.show(msg::reportNotSaved(), error);
        return;
    }
    const QString path = m_ask(report::proposedFileName(data.serial, QDate::currentDate()));
    if (path.isEmpty())
        return;
    if (!doc->saveAs(path)) {
        m_prompt.show(msg::reportNotSaved(), doc->errorString());
        return;
    }
    m_prompt.show(msg::reportSaved());
}

} // namespace kliv
