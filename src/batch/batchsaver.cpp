#include "batch/batchsaver.h"

#include "files/settingsfiles.h"
#include "link/jobs/configreadjob.h"
#include "link/jobs/saveprotocoljob.h"
#include "link/linebatch.h"
#include "report/document.h"
#include "texts/accountingtexts.h"
#include "texts/eventtexts.h"

#include <QDir>

namespace kliv {

ReportData reportData(const SaveProtocolJob& job, const NumberLocale& loc) {
    ReportData data;
    data.serial = job.serial();
    data.events = eventlog::texts(job.events(), loc);
    data.configuration = job.configuration();
    data.accounting = accounting::texts(job.accounting(), loc);
    return data;
}

BatchSaver::BatchSaver(Engine& engine, Kind kind, const QString& folder, QList<int> serials,
                       const QString& templatePath, QObject* parent)
    : QObject(parent), m_kind(kind), m_folder(folder), m_templatePath(templatePath) {
    LineBatch::MakeJob make;
    if (kind == Kind::Reports)
        make = [] { return new SaveProtocolJob; };
    else
        make = [] {
            auto* read = new ConfigReadJob;
            read->askVersionFirst(); // each file names its relay's firmware
            return read;
        };
    m_batch = new LineBatch(engine, std::move(serials), make, this);
    connect(m_batch, &LineBatch::relayStarted, this,
            [this](int serial, Job*, int index) { Q_EMIT relayStarted(serial, index); });
    connect(m_batch, &LineBatch::relayEnded, this, &BatchSaver::save);
    connect(m_batch, &LineBatch::finished, this, &BatchSaver::finished);
}

QString BatchSaver::fileName(int serial, Kind kind) {
    return QString::number(serial) +
           (kind == Kind::Reports ? QStringLiteral(".docx") : QStringLiteral(".json"));
}

void BatchSaver::start() {
    m_results.clear();
    m_batch->start();
}

void BatchSaver::stop() {
    m_batch->stop();
}

bool BatchSaver::running() const {
    return m_batch->running();
}

const QList<int>& BatchSaver::serials() const {
    return m_batch->serials();
}

void BatchSaver::save(int serial, Job* job) {
    RelayFile r;
    r.serial = serial;
    r.path = QDir(m_folder).filePath(fileName(serial, m_kind));
    if (job->phase() != Job::Phase::Succeeded) {
        r.failure = job->outcome();
    } else if (m_kind == Kind::Reports) {
        r.fileError = writeReport(*static_cast<SaveProtocolJob*>(job), r.path);
    } else {
        const auto* read = static_cast<ConfigReadJob*>(job);
        r.fileError = files::saveSettings(r.path, files::headerNow(serial, read->firmware()),
                                          read->configuration());
    }
    m_results.append(r);
    Q_EMIT relayDone(r);
}

QString BatchSaver::writeReport(const SaveProtocolJob& job, const QString& path) const {
    const NumberLocale loc = NumberLocale::system();
    QString error;
    auto doc = report::build(m_templatePath, reportData(job, loc), loc, {}, &error);
    if (!doc)
        return error;
    return doc->saveAs(path) ? QString() : doc->errorString();
}

} // namespace kliv
