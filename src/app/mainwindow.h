#pragma once

#include "link/job.h"
#include "model/session.h"

#include <QMainWindow>
#include <functional>

class QTabWidget;

namespace kliv {

class ConfigPage;
class DiagnosticsPage;
class Engine;
class Prompt;
class EventLogPage;
class ReportSaver;
class SearchDialog;
class PortWatcher;
class StatusLine;
class TrafficWindow;
class CharacteristicWindow;
class LineWindow;

// The main window: the three pages, the start-up selections, and the boxes that any
// job of the engine may raise. It owns the search and characteristic windows.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow(Engine& engine, Prompt& prompt, QWidget* parent = nullptr);
    ~MainWindow() override;

    static QString title();

    // The ports found at start: the one given first on the command line is chosen, else
    // the one used last time if it is there, else the first.
    void setPorts(const QStringList& ports, bool firstGiven = false);
    // Where the lists look when they refresh: by default the given paths and the ports the
    // system lists.
    void setPortLister(std::function<QStringList()> lister);
    PortWatcher& portWatcher() const { return *m_watcher; }
    // The port, serial number, speed, retries and window geometry of the last run, and
    // kept from now on for the next (per user; KLIV_DATA_DIR moves them).
    void rememberBetweenRuns();

    // The session: the line every window shows, and what is known of the relays.
    model::Session& session() { return m_session; }
    model::Line& line() { return m_session.line(); }
    QTabWidget* pages() const { return m_pages; }
    ConfigPage* configPage() const { return m_config; }
    DiagnosticsPage* diagnosticsPage() const { return m_diagnostics; }
    EventLogPage* eventLogPage() const { return m_protocol; }
    ReportSaver* reportSaver() const { return m_report; }
    SearchDialog& searchDialog() const { return *m_form2; }
    CharacteristicWindow& characteristicWindow() const { return *m_form3; }
    TrafficWindow& trafficWindow() const { return *m_traffic; } // "Обмен"
    StatusLine& statusLine() const { return *m_status; }
    LineWindow& lineWindow() const { return *m_lineWindow; }

    // "Поиск устройства": ends the poll and shows the search window modally.
    void showSearch();
    // "График ВТЗ": fills the characteristic window from the page and shows it modally.
    void showCharacteristic();
    // "Реле на линии": ends the poll and shows the line window modally.
    void showLine();

  private:
    QWidget* buildTools();
    void linkLineWindow();
    void restorePlace(); // the window where it was last time, held to the screen
    void closeEvent(QCloseEvent* e) override;
    void reportFailure(Job* job, const Outcome& outcome);

    Engine& m_engine;
    Prompt& m_prompt;
    model::Session m_session;
    QTabWidget* m_pages = nullptr;
    ConfigPage* m_config = nullptr;
    DiagnosticsPage* m_diagnostics = nullptr;
    EventLogPage* m_protocol = nullptr;
    ReportSaver* m_report = nullptr;
    SearchDialog* m_form2 = nullptr;
    CharacteristicWindow* m_form3 = nullptr;
    TrafficWindow* m_traffic = nullptr;
    StatusLine* m_status = nullptr;
    PortWatcher* m_watcher = nullptr;
    std::function<QStringList()> m_listPorts;
    QStringList m_givenPorts;
    bool m_remembering = false;
    LineWindow* m_lineWindow = nullptr;
};

} // namespace kliv
