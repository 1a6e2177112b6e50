#pragma once

#include "link/job.h"

#include <QMainWindow>
#include <functional>

class QSpinBox;
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

    static QString title();

    // The ports found at start, for both port lists: the one given first on the command
    // line, else the one used last time if it is there, else the first.
    void setPorts(const QStringList& ports, bool firstGiven = false);
    // Where the lists look when they refresh: by default the given paths and the ports the
    // system lists.
    void setPortLister(std::function<QStringList()> lister);
    PortWatcher& portWatcher() const { return *m_watcher; }
    // The port, serial number, speed, retries and window geometry of the last run, and
    // kept from now on for the next (per user; KLIV_DATA_DIR moves them).
    void rememberBetweenRuns();

    QTabWidget* pages() const { return m_pages; }
    ConfigPage* configPage() const { return m_config; }
    DiagnosticsPage* diagnosticsPage() const { return m_diagnostics; }
    EventLogPage* eventLogPage() const { return m_protocol; }
    ReportSaver* reportSaver() const { return m_report; }
    SearchDialog& searchDialog() const { return *m_form2; }
    CharacteristicWindow& characteristicWindow() const { return *m_form3; }
    TrafficWindow& trafficWindow() const { return *m_traffic; } // "Обмен"
    StatusLine& statusLine() const { return *m_status; }
    LineWindow& lineWindow() const { return *m_line; }

    // "Поиск устройства": ends the poll and shows the search window modally.
    void showSearch();
    // "График ВТЗ": fills the characteristic window from the page and shows it modally.
    void showCharacteristic();
    // "Реле на линии": ends the poll and shows the line window modally.
    void showLine();

  private:
    void linkSearchWindow();
    QWidget* buildTools();
    void linkLineWindow();
    void remember(QSpinBox* field); // its value from the last run, and kept for the next
    void rememberLine();            // the port, serial number and speed the engine has
    void restoreLine(const QStringList& ports, bool portGiven);
    void showPorts(const QStringList& ports); // both lists, the choice kept
    void closeEvent(QCloseEvent* e) override;
    void reportFailure(Job* job, const Outcome& outcome);

    Engine& m_engine;
    Prompt& m_prompt;
    QTabWidget* m_pages;
    ConfigPage* m_config;
    DiagnosticsPage* m_diagnostics;
    EventLogPage* m_protocol;
    ReportSaver* m_report = nullptr;
    SearchDialog* m_form2 = nullptr;
    CharacteristicWindow* m_form3 = nullptr;
    TrafficWindow* m_traffic = nullptr;
    StatusLine* m_status = nullptr;
    PortWatcher* m_watcher = nullptr;
    std::function<QStringList()> m_listPorts;
    QStringList m_givenPorts;
    bool m_remembering = false;
    LineWindow* m_line = nullptr;
};

} // namespace kliv
