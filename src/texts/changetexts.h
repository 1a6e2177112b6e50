#pragma once

#include "link/change.h"
#include "link/outcome.h"

#include <QString>

// The words the change journal keeps beside a change: what was asked or set, and why a
// job that failed did.
namespace kliv::msg {

// "скорость RS485 19200 бод", "запрос вида 5: без данных", "коэффициенты: Ua 575, …", each
// followed by the failure's detail when there is one.
QString changeDetail(Task task, const RelayChange& change, const Outcome* failure);

} // namespace kliv::msg
