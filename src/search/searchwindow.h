#pragma once

#include "link/jobs/searchjob.h"
#include "widgets/connectionbar.h"

#include <QDialog>
#include <QPointer>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace kliv {

namespace model {
class Line;
}
class Engine;
class Prompt;
class SpinEdit;

// The device search dialog: the serial number and port of the line every window shows,
// start/stop and the progress of the probes at each line speed. The search runs on the
// main window's engine, so a relay found leaves the tool set to its speed.
class SearchDialog : public QDialog {
    Q_OBJECT
  public:
    SearchDialog(Engine& engine, model::Line& line, Prompt& prompt, QWidget* parent = nullptr);

    SpinEdit* serial() const { return m_bar->serialField(); }
    QComboBox* ports() const { return m_bar->portList(); }
    QPushButton* startButton() const { return m_start; }
    QProgressBar* progress() const { return m_progress; }
    QLabel* status() const { return m_status; }
    SearchJob* search() const { return m_job; } // the search in flight, if any

    // Closing the dialog ends a search in flight.
    void done(int result) override;

  private:
    bool searching() const;
    void toggleSearch(); // "Начать поиск" / "Остановить поиск"
    void startSearch();
    void showFound(int speedIndex);

    Engine& m_engine;
    model::Line& m_line;
    Prompt& m_prompt;
    QPointer<SearchJob> m_job;
    ConnectionBar* m_bar;
    QPushButton* m_start;
    QProgressBar* m_progress;
    QLabel* m_status;
};

} // namespace kliv
