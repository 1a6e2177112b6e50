#pragma once

#include "model/problem.h"
#include "texts/numfmt.h"

#include <QList>
#include <QString>
#include <QStringList>

// A refused value in words, each naming what it is about: "Umax: значение должно быть от
// 100 до 7000 В".
namespace kliv::msg {

QString problemText(const Problem& p, const NumberLocale& loc);
QStringList problemTexts(const QList<Problem>& problems, const NumberLocale& loc);

} // namespace kliv::msg
