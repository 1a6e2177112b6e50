#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace kliv {

class Engine;
class ProtectionGroup;

// The "Конфигурация" page: information texts, monitoring choices, the RS485 settings,
// the protection set-points, calibration, the firmware version and the read and write
// buttons. Its controls are the configuration; the page itself keeps nothing else.
class ConfigPage : public QWidget {
    Q_OBJECT
  public:
    explicit ConfigPage(Engine& engine, QWidget* parent = nullptr);

    // The items of the phase-monitoring lists ("Контроль Uфаз:", "Контроль Iфаз:").
    static QStringList phaseItems();

    QPushButton* vtzButton() const;     // "График ВТЗ"
    QString nominalCurrentText() const; // "Iном:" as typed
    int overloadSeconds() const;        // "ВТЗ:"
    void setOverloadSeconds(int seconds);

  private:
    void readVersion(); // "Версия программы МК"
    QWidget* buildInformation();
    QWidget* buildMonitoring();
    QWidget* buildBottom();

    Engine& m_engine;
    ProtectionGroup* m_protection = nullptr;
    QLabel* m_version = nullptr;
};

} // namespace kliv
