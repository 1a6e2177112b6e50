#pragma once

#include "model/configschema.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace kliv::config {

// The settings file of the command-line tool: one key per control, named after it. Check
// boxes are true or false, lists their item index, spin edits, whole-second delays and
// coefficients integers, delays in seconds and currents in amperes numbers with one decimal
// (10.0, 0.5), texts strings with their blanks.
QJsonObject toJson(const Configuration& c);
// The same as indented text with the keys in field order (a QJsonObject would sort them)
// and every delay and current written with its decimal.
QString toJsonText(const Configuration& c);

struct ConfigFromJson {
    Configuration value;
    QStringList errors; // each names its key; empty when the file was read whole
};

// Takes the keys the object holds over `base`. An unknown key, a value of the wrong JSON
// type, a fraction on an integer field and more than one decimal on a delay or a current
// (which would otherwise be cut off unseen) are errors. Ranges are not checked here: run
// problems() on the value.
ConfigFromJson fromJson(const QJsonObject& object, const Configuration& base);
// The same from the file's bytes; text that is not a JSON object, or one that names a key
// more than once, is an error.
ConfigFromJson fromJsonText(const QByteArray& text, const Configuration& base);
// The errors of the keys an object's text names more than once (`prefix` goes before each
// key); empty when it names each once.
QStringList repeatedKeyErrors(QByteArrayView objectText, const QString& prefix = {});

} // namespace kliv::config
