#pragma once

#include "link/jobs/searchjob.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace kliv {

class Engine;
class Prompt;
class SpinEdit;

// The device search dialog: serial number, port, start/stop and the progress of the
// probes at each line speed. The search runs on the main window's engine, so a relay
// found leaves the tool set to its speed.
class SearchDialog : public QDialog {
    Q_OBJECT
  public:
    SearchDialog(Engine& engine, Prompt& prompt, QWidget* parent = nullptr);

    // The ports found at start; the first one is selected.
    void setPorts(const QStringList& ports);

    SpinEdit* serial() const { return m_serial; }
    QComboBox* ports() const { return m_ports; }
    QPushButton* startButton() const { return m_start; }
    QProgressBar* progress() const { return m_progress; }
    QLabel* status() const { return m_status; }
    SearchJob* search() const { return m_job; } // the search in flight, if any

    // Closing the dialog ends a search in flight.
    void done(int result) override;

  Q_SIGNALS:
    // The number a search is about to look for: the main window takes it, so the relay
    // found is the one it then talks to.
    void serialSought(int serial);

  private:
    bool searching() const;
    void toggleSearch(); // "Начать поиск" / "Остановить поиск"
    void startSearch();
    void showFound(int speedIndex);
    void setLineControlsEnabled(bool on);

    Engine& m_engine;
    Prompt& m_prompt;
    QPointer<SearchJob> m_job;
    SpinEdit* m_serial;
    QComboBox* m_ports;
    QPushButton* m_start;
    QProgressBar* m_progress;
    QLabel* m_status;
};

} // namespace kliv
