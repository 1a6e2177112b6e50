#pragma once

#include "link/jobs/linescanjob.h"

#include <QDialog>
#include <QPointer>
#include <functional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace kliv {

class BatchSaver;
class Engine;
class OverviewWindow;
class Prompt;
class SpinEdit;

// "Реле на линии": finds every relay on the line at the line's present port and speed,
// over a range of serial numbers or a list, and lists them with their firmware versions;
// from the list, the overview of their live values and a report of each. A relay chosen
// in the overview is handed on as plain values, for the main window to work with.
class LineWindow : public QDialog {
    Q_OBJECT
  public:
    // The folder for the reports of every relay; empty when the user cancels.
    using FolderAsker = std::function<QString()>;

    LineWindow(Engine& engine, Prompt& prompt, QWidget* parent = nullptr);

    void setFolderAsker(FolderAsker asker) { m_askFolder = std::move(asker); }
    void setTemplatePath(const QString& path) { m_templatePath = path; }

    SpinEdit* fromField() const { return m_from; }
    SpinEdit* toField() const { return m_to; }
    QLineEdit* listField() const { return m_list; }
    QPushButton* scanButton() const { return m_scan; }
    QProgressBar* progress() const { return m_progress; }
    QLabel* status() const { return m_status; }
    QTableWidget* relays() const { return m_relays; }
    QPushButton* overviewButton() const { return m_overviewButton; }
    QPushButton* saveAllButton() const { return m_saveAll; }
    OverviewWindow& overview() const { return *m_overview; }
    LineScanJob* scan() const { return m_job; } // the scan in flight, if any
    BatchSaver* saver() const;                  // the reports in flight, if any
    QList<int> listed() const;                  // the relays in the list

    // Closing the window ends a scan or the reports in flight.
    void done(int result) override;

  Q_SIGNALS:
    void relayChosen(int serial, int speedIndex);

  private:
    bool busy() const;
    void toggle(); // "Искать" / "Остановить"
    void startScan();
    void showProgress(int probed, int total, int msLeft);
    void showRelays();
    void scanEnded(bool succeeded);
    void showOverview();
    void saveAll();
    void showSaved();
    void setIdle(bool idle);

    Engine& m_engine;
    Prompt& m_prompt;
    QPointer<LineScanJob> m_job;
    QPointer<BatchSaver> m_saver;
    QList<LineScanJob::Relay> m_found;
    QList<LineScanJob::Damaged> m_damaged; // rows of their own below the relays found
    FolderAsker m_askFolder;
    QString m_templatePath;
    SpinEdit* m_from;
    SpinEdit* m_to;
    QLineEdit* m_list;
    QPushButton* m_scan;
    QProgressBar* m_progress;
    QLabel* m_status;
    QTableWidget* m_relays;
    QPushButton* m_overviewButton;
    QPushButton* m_saveAll;
    OverviewWindow* m_overview;
};

} // namespace kliv
