#pragma once

#include "widgets/connectionbar.h"

#include <QPointer>
#include <QWidget>

class QComboBox;
class QPushButton;
class QLabel;

namespace kliv {

namespace model {
class Line;
}
class Engine;
class Prompt;
class SpinEdit;
class ClockPanel;
class LiveValuesPanel;
class ProtectionPanel;
class LiveChart;
class PollJob;
class RecordPanel;
struct LiveStatus;
struct WaveformStore;

// The "Диагностика" page: the line's settings, the relay clock, live values, the
// protection state, the phase chart and the poll buttons, bound to the engine and to
// the line every window shows.
class DiagnosticsPage : public QWidget {
    Q_OBJECT
  public:
    DiagnosticsPage(Engine& engine, model::Line& line, Prompt& prompt, QWidget* parent = nullptr);

    // Shows one live status record (the poll's liveStatus signal lands here).
    void showLiveStatus(const LiveStatus& record);
    void showWaveform(const WaveformStore& samples);

    SpinEdit* serialField() const { return m_bar->serialField(); }   // "Зав. №:"
    QComboBox* portList() const { return m_bar->portList(); }        // "Порт:"
    QComboBox* speedList() const { return m_bar->speedList(); }      // the line speed
    SpinEdit* retriesField() const { return m_bar->retriesField(); } // "Повторы:"
    RecordPanel* recordPanel() const { return m_record; }

  Q_SIGNALS:
    void searchRequested(); // "Поиск устройства"

  private:
    // What the page's controls do.
    void togglePoll();
    void setLineControlsEnabled(bool on);
    void resetProtection();
    void correctClock();

    QWidget* buildConnection(model::Line& line);
    QWidget* buildButtons();
    QWidget* buildStatistics();
    QWidget* buildTotals();
    void bindEngine();

    Engine& m_engine;
    Prompt& m_prompt;
    QPointer<PollJob> m_poll;
    ConnectionBar* m_bar = nullptr;
    QComboBox* m_view = nullptr;
    QPushButton* m_diagnos = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_search = nullptr;
    QLabel* m_txd = nullptr;
    QLabel* m_rxd = nullptr;
    QLabel* m_repeats = nullptr;
    QLabel* m_moto = nullptr;
    QLabel* m_wa = nullptr;
    ClockPanel* m_clock = nullptr;
    LiveValuesPanel* m_values = nullptr;
    ProtectionPanel* m_protection = nullptr;
    LiveChart* m_chart = nullptr;
    RecordPanel* m_record = nullptr;
};

} // namespace kliv
