#pragma once

#include "protocol/configuration.h"

#include <QList>

class QWidget;

namespace kliv {

// The configuration page's controls are the configuration: each control carries the name
// of its field, so one table (config::fields()) binds them both ways.
struct PageConfiguration {
    Configuration value;
    QList<config::FieldProblem> problems; // texts that are no numbers, values that do not fit
};

// Reads every field from the controls under `page`. A current that is not a decimal
// number, or a coefficient that is not an integer, is a problem naming its field.
PageConfiguration readConfiguration(const QWidget* page, const NumberLocale& loc);

// Shows a configuration as the page shows it (config::forPage). A selection made here
// runs no list's change handler, so it starts no job.
void showConfiguration(QWidget* page, const Configuration& c, const NumberLocale& loc);

} // namespace kliv
