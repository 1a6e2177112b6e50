#pragma once

#include "protocol/accounting.h"
#include "protocol/eventlog.h"
#include "texts/accountingtexts.h"
#include "texts/eventtexts.h"

#include <QList>
#include <QWidget>
#include <functional>

class QDate;
class QLabel;
class QProgressBar;
class QTableWidget;

namespace kliv {

class Engine;
class Prompt;

// The "Протокол" page: the event log grid, the accounting record with its two buttons,
// and the log read, report and CSV buttons with their shared progress bar.
//
// The grid `StGr_prot` is a QTableWidget whose horizontal header is the log's header
// row (row 0): table row r - 1 holds log row r, so a grid of n events has n table rows
// (the row count of the log is rowCount() + 1). At start it holds 100 empty rows; a
// complete read of the log replaces them all.
class EventLogPage : public QWidget {
    Q_OBJECT
  public:
    static constexpr int Columns = 13;
    static constexpr int DataRows = 100;

    // Where to save a file: given the suggested name, the chosen path, empty to cancel.
    using SaveFileAsker = std::function<QString(const QString& suggestedName)>;

    EventLogPage(Engine& engine, Prompt& prompt, QWidget* parent = nullptr);

    QTableWidget* grid() const { return m_grid; }
    QProgressBar* progress() const { return m_progress; }

    // What the page shows, for the report: the grid's rows (columns 1..12) in order,
    // and the five accounting fields.
    const QList<EventTexts>& eventRows() const { return m_events; }
    AccountingTexts accountingTexts() const;

    void showEvents(const QList<EventTexts>& rows); // rebuilds the grid
    void showAccounting(const AccountingRecord& record);

    // "КЛИВ_№600_0612_26.csv": the serial number and the day's date.
    static QString csvFileName(int serial, const QDate& date);
    void setSaveFileAsker(SaveFileAsker asker) { m_askSaveFile = std::move(asker); }

  Q_SIGNALS:
    void saveReportRequested(); // "Сохранить протокол": the report reads other pages too

  private:
    // What the page's buttons do.
    void readLog();
    void readAccounting();
    void resetAccounting();
    void saveCsv();

    QWidget* buildGrid();
    QWidget* buildAccounting();
    QWidget* buildLogButtons();

    Engine& m_engine;
    Prompt& m_prompt;
    SaveFileAsker m_askSaveFile;
    QList<EventTexts> m_events;
    QTableWidget* m_grid = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_start = nullptr;
    QLabel* m_running = nullptr;
    QLabel* m_switchOns = nullptr;
    QLabel* m_trips = nullptr;
    QLabel* m_energy = nullptr;
};

} // namespace kliv
