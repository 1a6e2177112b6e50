#pragma once

#include "model/configschema.h"

#include <QWidget>
#include <functional>
#include <optional>

class QDate;

namespace kliv {

class ChangeJournal;
class ConfigPage;
class Engine;
class Prompt;

// The configuration page's row of settings-file buttons: "Открыть…", "Сохранить…",
// "Сравнить с реле", "Вернуть предыдущие" and "Журнал изменений…". It works on the page
// through its configuration and its write, and keeps the relay a loaded file came from.
class SettingsFileGroup : public QWidget {
    Q_OBJECT
  public:
    // Which file to open or save: given a suggested name, the chosen path, empty to cancel.
    using FileAsker = std::function<QString(const QString& suggestedName)>;
    // Shows the fields that differ and returns the keys of those to take from the relay.
    using DifferenceChooser =
        std::function<QStringList(const QList<config::FieldDifference>& differences)>;

    SettingsFileGroup(Engine& engine, Prompt& prompt, ConfigPage& page);

    void setOpenFileAsker(FileAsker asker) { m_askOpenFile = std::move(asker); }
    void setSaveFileAsker(FileAsker asker) { m_askSaveFile = std::move(asker); }
    void setDifferenceChooser(DifferenceChooser chooser) {
        m_chooseDifferences = std::move(chooser);
    }
    ChangeJournal& journal() const { return *m_journal; }

    // "Открыть…" and "Сохранить…" with the path given; false when the page or the file was
    // left as it was (after a box saying why).
    bool openSettings(const QString& path);
    bool saveSettings(const QString& path);
    // "Сравнить с реле": reads the relay and shows what differs; the page changes only by
    // the fields the user takes.
    void compareWithRelay();
    // "Вернуть предыдущие": writes the block the relay held before its last write, once
    // asked; refused, writing nothing, when the journal's newest line for it is damaged.
    void undoLastWrite();
    // "Журнал изменений…": the journal's lines, newest first.
    void showChangeLog();

    // The relay the page's values came from when they were loaded from a file; none once
    // they were read from or written to a relay.
    std::optional<int> fileSerial() const { return m_fileSerial; }
    void forgetFile() { m_fileSerial.reset(); }
    // The firmware version last read, kept in the files of the relay it was read from.
    void setFirmware(int serial, const QString& version);

    // "КЛИВ_№600_0612_26.json": the serial number and the day's date.
    static QString settingsFileName(int serial, const QDate& date);

  private:
    Engine& m_engine;
    Prompt& m_prompt;
    ConfigPage& m_page;
    ChangeJournal* m_journal;
    FileAsker m_askOpenFile, m_askSaveFile;
    DifferenceChooser m_chooseDifferences;
    std::optional<int> m_fileSerial;
    QString m_firmware;
    int m_firmwareSerial = 0;
};

} // namespace kliv
