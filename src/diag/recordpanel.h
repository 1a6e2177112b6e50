#pragma once

#include "protocol/status.h"
#include "protocol/waveform.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QPushButton;

namespace kliv {

class Engine;
class Prompt;
namespace files {
class LiveRecorder;
}

// The poll's recording buttons on "Диагностика": "Записать…" writes every live record to
// a CSV file while the poll runs, "Снимок…" saves the last complete waveform the chart shows
// as a COMTRADE record, "Открыть запись…" shows a recording as a trend chart.
class RecordPanel : public QWidget {
    Q_OBJECT
  public:
    using FileAsker = std::function<QString(const QString& suggestedName)>;

    RecordPanel(Engine& engine, Prompt& prompt, QWidget* parent = nullptr);
    ~RecordPanel() override;

    void setSaveFileAsker(FileAsker asker) { m_askSaveFile = std::move(asker); }
    void setOpenFileAsker(FileAsker asker) { m_askOpenFile = std::move(asker); }

    // What the poll brings, as it comes.
    void takeLive(const LiveStatus& record);
    void takeWaveform(const WaveformStore& samples);

    bool recording() const { return m_recorder != nullptr; }
    void startRecording(); // asks for the file
    void stopRecording();  // and says how many records were written of those received
    void saveSnapshot();   // asks for the file name
    void openRecording();  // asks for the file and shows it

  private:
    void pollStarted(bool poll);
    void pollEnded();

    Engine& m_engine;
    Prompt& m_prompt;
    QPushButton *m_record, *m_snapshot;
    std::unique_ptr<files::LiveRecorder> m_recorder;
    QString m_recordPath;
    std::optional<WaveformStore> m_lastWaveform;
    FileAsker m_askSaveFile, m_askOpenFile;
};

} // namespace kliv
