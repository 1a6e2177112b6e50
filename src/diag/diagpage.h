#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QPushButton;
class QLabel;

namespace kliv {

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

// The "Диагностика" page: connection settings, the relay clock, live values, the
// protection state, the phase chart and the poll buttons, all bound to the engine.
class DiagnosticsPage : public QWidget {
    Q_OBJECT
  public:
    DiagnosticsPage(Engine& engine, Prompt& prompt, QWidget* parent = nullptr);

    // The ports to choose from: at start the first becomes the engine's; later the chosen
    // one stays while it is listed.
    void setPorts(const QStringList& ports);

    // Shows one live status record (the poll's liveStatus signal lands here).
    void showLiveStatus(const LiveStatus& record);
    void showWaveform(const WaveformStore& samples);

    SpinEdit* serialField() const { return m_serial; }   // "Зав. №:"
    QComboBox* portList() const { return m_ports; }      // "Порт:"
    QComboBox* speedList() const { return m_speed; }     // the line speed
    SpinEdit* retriesField() const { return m_retries; } // "Повторы:"
    RecordPanel* recordPanel() const { return m_record; }

  Q_SIGNALS:
    void searchRequested(); // "Поиск устройства"

  private:
    // What the page's controls do.
    void togglePoll();
    void applyPickedSpeed(int index);
    void applyPickedPort();
    void applySerial(int serial);
    void setLineControlsEnabled(bool on);
    void resetProtection();
    void correctClock();

    QWidget* buildConnection();
    QWidget* buildButtons();
    QWidget* buildStatistics();
    QWidget* buildTotals();
    void bindEngine();

    Engine& m_engine;
    Prompt& m_prompt;
    QPointer<PollJob> m_poll;
    SpinEdit* m_serial = nullptr;
    QComboBox* m_ports = nullptr;
    QString m_pickedPort; // the user's choice, kept while its adapter is away
    QComboBox* m_speed = nullptr;
    QComboBox* m_view = nullptr;
    QPushButton* m_diagnos = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_search = nullptr;
    SpinEdit* m_retries = nullptr;
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
