#pragma once

#include "model/configschema.h"

#include <QWidget>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;

namespace kliv {

class Engine;
class Prompt;
class ProtectionGroup;
class FieldbusGroup;
class CalibrationGroup;
class ConfigWriteJob;
class SettingsFileGroup;

// The "Конфигурация" page: information texts, monitoring choices, the RS485 settings,
// the protection set-points, calibration, the settings-file buttons, the firmware version
// and the read and write buttons. Its controls are the configuration.
class ConfigPage : public QWidget {
    Q_OBJECT
  public:
    ConfigPage(Engine& engine, Prompt& prompt, QWidget* parent = nullptr);

    // The settings-file buttons and their flows.
    SettingsFileGroup& settingsFiles() const { return *m_files; }

    QPushButton* vtzButton() const;     // "График ВТЗ"
    QString nominalCurrentText() const; // "Iном:" as typed
    int overloadSeconds() const;        // "ВТЗ:"
    void setOverloadSeconds(int seconds);
    void setBlocking(bool on); // "Блокировка защиты", as the relay reports it

    // The configuration the controls hold; empty when a field holds no valid value, after
    // a box naming every such field.
    std::optional<Configuration> configuration();
    void setConfiguration(const Configuration& c);

    // "Считать конфигурацию" and "Записать конфигурацию" (after its questions and checks):
    // the page's values over what the relay holds (config::merge), verified by the
    // read-back, which the page then shows.
    void readConfiguration();
    void writeConfiguration();
    // Writes `block` exactly as it stands, verified the same way.
    void restoreConfiguration(const QByteArray& block);

  private:
    void startWrite(ConfigWriteJob* job);
    void readVersion(); // "Версия программы МК"
    bool coefficientsNotZero();
    QWidget* buildInformation();
    QWidget* buildMonitoring();
    QWidget* buildBottom();

    Engine& m_engine;
    Prompt& m_prompt;
    ProtectionGroup* m_protection = nullptr;
    QLabel* m_version = nullptr;
    SettingsFileGroup* m_files;
};

} // namespace kliv
