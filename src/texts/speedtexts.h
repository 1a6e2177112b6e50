#pragma once

#include <QString>
#include <QStringList>

// The line speeds in words: the tool's speed list and the relay's RS485 list.
namespace kliv::speeds {

QStringList items();      // the tool's speed list, right-aligned with its blanks
QStringList relayItems(); // the relay's RS485 list on the configuration page
QString bauds();          // "300 600 … 115200", for messages that list them

} // namespace kliv::speeds
