#pragma once

#include "link/outcome.h"
#include "report/protocolreport.h"

#include <QList>
#include <QObject>
#include <QString>
#include <optional>

namespace kliv {

class Engine;
class Job;
class LineBatch;
class SaveProtocolJob;

// What a batch did for one relay.
struct RelayFile {
    int serial = 0;
    QString path;                   // the relay's file, written or not
    std::optional<Outcome> failure; // its reads did not succeed; nothing was written
    QString fileError;              // they did, but the file could not be written
    bool written() const { return !failure && fileError.isEmpty(); }
};

// The report of a relay as its reads found it.
ReportData reportData(const SaveProtocolJob& job, const NumberLocale& loc);

// "Сохранить протоколы всех…", `report --all`, `config read --all`: for each relay of a
// list in turn, its reads, then a file of its own in one folder, named by its serial number
// (600.docx, 600.json). A relay that does not answer, or whose file cannot be written, is
// noted and the next one goes on.
class BatchSaver : public QObject {
    Q_OBJECT
  public:
    enum class Kind { Reports, Settings };

    // The folder must exist; a report batch needs the template (report/templatepath.h).
    BatchSaver(Engine& engine, Kind kind, const QString& folder, QList<int> serials,
               const QString& templatePath = {}, QObject* parent = nullptr);

    static QString fileName(int serial, Kind kind);

    void start();
    void stop(); // the relay in flight is given up; no further one is read
    bool running() const;
    const QList<int>& serials() const;
    const QList<RelayFile>& results() const { return m_results; }

  Q_SIGNALS:
    void relayStarted(int serial, int index); // index into serials()
    void relayDone(const kliv::RelayFile& result);
    void finished(); // results() holds a line for every relay that was tried

  private:
    void save(int serial, Job* job);
    QString writeReport(const SaveProtocolJob& job, const QString& path) const;

    Kind m_kind;
    QString m_folder;
    QString m_templatePath;
    LineBatch* m_batch;
    QList<RelayFile> m_results;
};

} // namespace kliv
