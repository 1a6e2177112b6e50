#pragma once

#include "line/overviewrows.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

class QLabel;
class QPushButton;
class QTableWidget;

namespace kliv {

class Engine;
class OverviewJob;

// "Обзор": the live values of the listed relays, one row a relay, polled in turn on the
// shared line while the window is open. A relay that stops answering is marked in its
// row; the others keep going. Choosing a row (a double click, or "Выбрать") hands that
// relay on, so the pages work with it, and closes the window.
class OverviewWindow : public QDialog {
    Q_OBJECT
  public:
    static constexpr int AgeTickMs = 1000;

    explicit OverviewWindow(Engine& engine, QWidget* parent = nullptr);

    // Fills a row for each relay and starts the poll.
    void start(const QList<int>& serials);

    QTableWidget* table() const { return m_table; }
    QPushButton* chooseButton() const { return m_choose; }
    QLabel* status() const { return m_status; }
    OverviewJob* job() const; // the poll, while it runs
    const OverviewRows& rows() const { return m_rows; }
    const QTimer& ageTimer() const { return m_ageTimer; }

    // The ages of the last good replies move on. Public so tests call it.
    void onAgeTick();
    // Closing the window ends the poll.
    void done(int result) override;

  Q_SIGNALS:
    void relayChosen(int serial);

  private:
    void showRow(int row);
    void choose();
    qint64 nowMs() const { return m_clock.elapsed(); }

    Engine& m_engine;
    OverviewRows m_rows;
    QPointer<OverviewJob> m_job;
    QTableWidget* m_table;
    QPushButton* m_choose;
    QLabel* m_status;
    QTimer m_ageTimer;
    QElapsedTimer m_clock;
};

} // namespace kliv
