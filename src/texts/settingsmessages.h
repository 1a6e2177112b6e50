#pragma once

#include "texts/message.h"

#include <QString>
#include <QStringList>

// The boxes of settings files, the comparison with the relay and the change journal,
// shared by the window and the command-line tool.
namespace kliv::msg {

Message settingsOpened(const QString& path);
Message settingsNotOpened(const QString& path); // the file's problems go beside it
Message settingsSaved(const QString& path);
Message settingsNotSaved(const QString& path); // the reason goes beside it
// Fields a file did not hold, which keep the page's values (beside settingsOpened); empty
// when it held them all.
QString settingsMissingDetail(const QStringList& keys);

// The values came from one relay and are about to go to another.
QString otherSerialQuestion(int fileSerial, int relaySerial);

Message configSame();        // the page and the relay hold the same
Message nothingToUndo();     // no earlier block of this relay in the journal
Message undoNotExact();      // the earlier block is not one a write can give back
Message journalNotWritten(); // the reason goes beside it

} // namespace kliv::msg
