#include "line/overviewrows.h"

#include "texts/linetexts.h"
#include "texts/statustext.h"

namespace kliv {

namespace {

const QString NoValue = QStringLiteral("—");

} // namespace

OverviewRows::OverviewRows(const QList<int>& serials) {
    for (int s : serials)
        m_rows.append({s, std::nullopt, -1, 0, 0, false});
}

QStringList OverviewRows::headers() {
    return {QStringLiteral("Зав. №"), QStringLiteral("Ua, В"),       QStringLiteral("Ub, В"),
            QStringLiteral("Uc, В"),  QStringLiteral("Ia, А"),       QStringLiteral("Ib, А"),
            QStringLiteral("Ic, А"),  QStringLiteral("cos f"),       QStringLiteral("Защита"),
            QStringLiteral("Связь"),  QStringLiteral("Посл. ответ"), QStringLiteral("Повт."),
            QStringLiteral("Потери")};
}

int OverviewRows::indexOf(int serial) const {
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        if (m_rows.at(i).serial == serial)
            return int(i);
    return -1;
}

int OverviewRows::answered(int serial, const LiveStatus& record, qint64 nowMs) {
    const int i = indexOf(serial);
    if (i >= 0) {
        OverviewRow& r = m_rows[i];
        r.last = record;
        r.lastGoodMs = nowMs;
        r.silent = false;
    }
    return i;
}

int OverviewRows::silent(int serial) {
    const int i = indexOf(serial);
    if (i >= 0) {
        ++m_rows[i].losses;
        m_rows[i].silent = true;
    }
    return i;
}

int OverviewRows::repeated(int serial) {
    const int i = indexOf(serial);
    if (i >= 0)
        ++m_rows[i].repeats;
    return i;
}

QStringList OverviewRows::cells(int row, qint64 nowMs, const NumberLocale& loc) const {
    const OverviewRow& r = m_rows.at(row);
    QStringList c{QString::number(r.serial)};
    if (r.last) {
        const LiveStatusTexts t = status::texts(*r.last, loc);
        c << t.ua << t.ub << t.uc << t.ia << t.ib << t.ic << t.cosf
          << msg::protectionWords(*r.last);
    } else {
        for (int k = Ua; k <= Protection; ++k)
            c << NoValue;
    }
    c << (r.silent ? msg::silentMark() : QString());
    c << (r.lastGoodMs >= 0 ? msg::replyAge(nowMs - r.lastGoodMs) : NoValue);
    c << QString::number(r.repeats) << QString::number(r.losses);
    return c;
}

} // namespace kliv
