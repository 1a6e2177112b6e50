#pragma once

#include <QString>

namespace kliv {

// A box as the windows show it and the command-line tool prints it.
enum class Icon { Information, Error, Question };

struct Message {
    QString caption;
    QString text;
    Icon icon = Icon::Information;
    bool operator==(const Message&) const = default;
};

} // namespace kliv
