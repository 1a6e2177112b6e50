#pragma once

#include <QStringList>
#include <QWidget>

class QProgressBar;
class QTableWidget;

namespace kliv {

// The "Протокол" page: the event log grid, the accounting record with its two buttons,
// and the log read and report buttons with their shared progress bar.
//
// The grid `StGr_prot` is a QTableWidget whose horizontal header is the log's header
// row (row 0): table row r - 1 holds log row r, so a grid of n events has n table rows
// (the row count of the log is rowCount() + 1). At start it holds 100 empty rows.
class ProtocolPage : public QWidget {
    Q_OBJECT
  public:
    static constexpr int Columns = 13;
    static constexpr int DataRows = 100;

    explicit ProtocolPage(QWidget* parent = nullptr);

    static QStringList headers(); // the header row, columns 0..12
    void writeHeaders();          // puts them on the grid
    QTableWidget* grid() const { return m_grid; }
    QProgressBar* progress() const { return m_progress; }

  private:
    QWidget* buildGrid();
    QWidget* buildAccounting();
    QWidget* buildLogButtons();

    QTableWidget* m_grid = nullptr;
    QProgressBar* m_progress = nullptr;
};

} // namespace kliv
