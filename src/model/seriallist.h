#pragma once

#include <QList>
#include <QString>

// Lists of relays' serial numbers, as the user gives them for a line.
namespace kliv::serials {

// The numbers a line scan probes unless told otherwise.
constexpr int ScanFrom = 100, ScanTo = 999;

enum class ListProblem { None, Empty, NotANumber, OutOfRange, Repeated };

struct ParsedList {
    QList<int> serials;
    ListProblem problem = ListProblem::None;
    QString item; // the item at fault
};

// "600,601, 602": numbers separated by commas or blanks, each a serial number, each once.
ParsedList parseList(const QString& text);

// from..to inclusive; empty when the range is reversed or reaches beyond the serial numbers.
QList<int> range(int from, int to);

} // namespace kliv::serials
