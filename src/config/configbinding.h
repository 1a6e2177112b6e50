#pragma once

#include "model/configschema.h"
#include "texts/numfmt.h"

#include <QList>
#include <optional>

class QWidget;

namespace kliv {

// The configuration page's controls are the configuration: each control carries the name
// of its field, so one table (config::fields()) binds them both ways.
struct PageConfiguration {
    Configuration value;
    QList<Problem> problems; // texts that are no numbers, values that do not fit
};

// Reads every field from the controls under `page`. A current that is not a decimal
// number, or a coefficient that is not an integer, is a problem naming its field.
PageConfiguration readConfiguration(const QWidget* page, const NumberLocale& loc);

// The coefficients as the write command checks them before anything else, in its order
// (each voltage with the current of its phase): the first that is no number, else the first
// that is zero.
struct CoefficientCheck {
    std::optional<Problem> notANumber;   // its problem, naming the field
    const config::Field* zero = nullptr; // the first zero one
};
CoefficientCheck checkCoefficients(const QWidget* page, const NumberLocale& loc);

// Shows a configuration as the page shows it (config::forPage). A selection made here
// runs no list's change handler, so it starts no job.
void showConfiguration(QWidget* page, const Configuration& c, const NumberLocale& loc);

} // namespace kliv
