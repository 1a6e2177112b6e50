#include "texts/speedtexts.h"

#include "model/configitems.h"
#include "protocol/speeds.h"

namespace kliv::speeds {

namespace {

constexpr const char* LineItems[] = {"    300", "    600", "  1200", "  2400", "  4800", "  9600",
                                     " 14400",  " 19200",  " 38400", " 57600", "115200"};
static_assert(std::size(LineItems) == std::size_t(Count));

} // namespace

QStringList items() {
    return config::items::list(LineItems);
}

QStringList relayItems() {
    return config::items::list(config::items::RelaySpeeds);
}

QString bauds() {
    QStringList out;
    for (int baud : Baud)
        out << QString::number(baud);
    return out.join(QLatin1Char(' '));
}

} // namespace kliv::speeds
