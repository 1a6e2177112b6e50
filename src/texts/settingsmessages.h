#pragma once

#include "files/changerecord.h"
#include "files/settingsfile.h"
#include "texts/message.h"

#include <QString>
#include <QStringList>

// The boxes of settings files, the comparison with the relay and the change journal,
// shared by the window and the command-line tool.
namespace kliv::msg {

Message settingsOpened(const QString& path);
Message settingsNotOpened(const QString& path); // the file's problems go beside it
// Everything that makes a settings file unusable, each naming its key: "z_umax_v — Umax: …".
QStringList settingsFileErrors(const settings::Decoded& decoded);
Message settingsSaved(const QString& path);
Message settingsNotSaved(const QString& path); // the reason goes beside it
// Fields a file did not hold, which keep the page's values (beside settingsOpened); empty
// when it held them all.
QString settingsMissingDetail(const QStringList& keys);

// The values came from one relay and are about to go to another.
QString otherSerialQuestion(int fileSerial, int relaySerial);

Message configSame();        // the page and the relay hold the same
Message nothingToUndo();     // no earlier block of this relay in the journal
Message journalNotWritten(); // the reason goes beside it

// The journal's line `line` is damaged and may be this relay's newest write: nothing is
// written. Why goes beside it.
Message undoDamaged(int line);
// The undo's question: the write it backs out, by its time and the fields it changed.
QString undoQuestion(const changes::ChangeRecord& write);
// The journal's own warnings, their count and the newest few, for beside a box or a
// question; empty when there are none.
QString journalWarnings(const QStringList& warnings);

} // namespace kliv::msg
