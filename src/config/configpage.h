#pragma once

#include "protocol/configuration.h"

#include <QWidget>
#include <functional>
#include <optional>

class QDate;
class QLabel;
class QPushButton;

namespace kliv {

class Engine;
class Prompt;
class ProtectionGroup;
class FieldbusGroup;
class CalibrationGroup;
class ChangeJournal;

// The "Конфигурация" page: information texts, monitoring choices, the RS485 settings,
// the protection set-points, calibration, the firmware version and the read and write
// buttons. Its controls are the configuration; besides them the page keeps only the
// relay a loaded settings file came from and the firmware version last read.
class ConfigPage : public QWidget {
    Q_OBJECT
  public:
    // Which file to open or save: given a suggested name, the chosen path, empty to cancel.
    using FileAsker = std::function<QString(const QString& suggestedName)>;
    // Shows the fields that differ and returns the keys of those to take from the relay.
    using DifferenceChooser =
        std::function<QStringList(const QList<config::FieldDifference>& differences)>;

    ConfigPage(Engine& engine, Prompt& prompt, QWidget* parent = nullptr);

    void setOpenFileAsker(FileAsker asker) { m_askOpenFile = std::move(asker); }
    void setSaveFileAsker(FileAsker asker) { m_askSaveFile = std::move(asker); }
    void setDifferenceChooser(DifferenceChooser chooser) {
        m_chooseDifferences = std::move(chooser);
    }
    ChangeJournal& journal() const { return *m_journal; }

    QPushButton* vtzButton() const;     // "График ВТЗ"
    QString nominalCurrentText() const; // "Iном:" as typed
    int overloadSeconds() const;        // "ВТЗ:"
    void setOverloadSeconds(int seconds);
    void setBlocking(bool on); // "Блокировка защиты", as the relay reports it

    // The configuration the controls hold; empty when a field holds no valid value, after
    // a box naming every such field.
    std::optional<Configuration> configuration();
    void setConfiguration(const Configuration& c);

    // "Считать конфигурацию" and "Записать конфигурацию".
    void readConfiguration();
    void writeConfiguration();

    // "Открыть…" and "Сохранить…" with the path given; false when the page or the file was
    // left as it was (after a box saying why).
    bool openSettings(const QString& path);
    bool saveSettings(const QString& path);
    // "Сравнить с реле": reads the relay and shows what differs; the page changes only by
    // the fields the user takes.
    void compareWithRelay();
    // "Вернуть предыдущие": writes the block the relay held before its last write.
    void undoLastWrite();
    // "Журнал изменений…": the journal's lines, newest first.
    void showChangeLog();

    // "КЛИВ_№600_0612_26.json": the serial number and the day's date.
    static QString settingsFileName(int serial, const QDate& date);

  private:
    void readVersion(); // "Версия программы МК"
    void startWrite(const Configuration& c);
    bool coefficientsNotZero();
    QWidget* buildInformation();
    QWidget* buildMonitoring();
    QWidget* buildBottom();
    QWidget* buildFileButtons();

    Engine& m_engine;
    Prompt& m_prompt;
    ProtectionGroup* m_protection = nullptr;
    QLabel* m_version = nullptr;
    ChangeJournal* m_journal = nullptr;
    FileAsker m_askOpenFile, m_askSaveFile;
    DifferenceChooser m_chooseDifferences;
    std::optional<int> m_fileSerial; // the relay a loaded file's values came from
    QString m_firmware;              // as last read from the relay
    int m_firmwareSerial = 0;        // of that relay
};

} // namespace kliv
