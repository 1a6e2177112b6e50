#include "texts/changetexts.h"

#include "protocol/frame.h"
#include "protocol/speeds.h"
#include "texts/calibrationtexts.h"
#include "texts/messages.h"

#include <QStringList>

namespace kliv::msg {

namespace {

QString asked(Task task, const RelayChange& c, bool done) {
    switch (task) {
    case Task::Rs485Speed:
        return c.speedIndex >= 0 && c.speedIndex < speeds::Count
                   ? QStringLiteral("скорость RS485 %1 бод")
                         .arg(speeds::Baud[std::size_t(c.speedIndex)])
                   : QStringLiteral("скорость RS485 №%1").arg(c.speedIndex);
    case Task::Raw:
        return QStringLiteral("запрос вида %1: %2")
            .arg(c.requestKind)
            .arg(c.requestPayload.isEmpty() ? QStringLiteral("без данных")
                                            : frame::hex(c.requestPayload));
    case Task::Calibration: {
        if (!done || !c.coefficients)
            return {};
        QStringList parts;
        for (int k = 0; k < calibration::ChannelCount; ++k)
            parts << QStringLiteral("%1 %2")
                         .arg(calibration::labelOf(k))
                         .arg((*c.coefficients)[std::size_t(k)]);
        return QStringLiteral("коэффициенты: ") + parts.join(QStringLiteral(", "));
    }
    default:
        return {};
    }
}

} // namespace

QString changeDetail(Task task, const RelayChange& change, const Outcome* failure) {
    const QString what = asked(task, change, !failure);
    const QString why = failure ? failureDetail(*failure) : QString();
    if (what.isEmpty() || why.isEmpty())
        return what + why;
    return what + u'\n' + why;
}

} // namespace kliv::msg
