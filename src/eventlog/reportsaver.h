#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace kliv {

class ConfigPage;
class Engine;
class EventLogPage;
class Prompt;
class SaveProtocolJob;

// "Сохранить протокол": reads the configuration, the accounting record and the event log
// onto their pages, then fills the report template and saves it where the user says.
// A report is only announced as saved once its file is really written.
class ReportSaver : public QObject {
    Q_OBJECT
  public:
    // Given the proposed file name, the chosen path; empty when the user cancels.
    using SaveFileAsker = std::function<QString(const QString& proposedName)>;

    ReportSaver(Engine& engine, Prompt& prompt, ConfigPage& config, EventLogPage& protocol,
                QWidget* dialogParent);

    void setSaveFileAsker(SaveFileAsker asker) { m_ask = std::move(asker); }
    void setTemplatePath(const QString& path) { m_templatePath = path; }

    void start();

  private:
    void write(int serial); // of the relay the report was read from

    Engine& m_engine;
    Prompt& m_prompt;
    ConfigPage& m_config;
    EventLogPage& m_protocol;
    SaveFileAsker m_ask;
    QString m_templatePath;
};

} // namespace kliv
