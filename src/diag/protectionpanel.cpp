#include "diag/protectionpanel.h"

#include "protocol/status.h"
#include "texts/protections.h"
#include "texts/statustext.h"
#include "widgets/fields.h"
#include "widgets/shape.h"

#include <QGridLayout>
#include <QLabel>

namespace kliv {

namespace {

constexpr int SquareSize = 17;
constexpr int CircleSize = 9;

struct IndicatorNames {
    const char* circle;
    const char* square;
    const char* timer;
};

// In protection bit order, the same in the condition and the operated byte.
constexpr IndicatorNames Indicators[ProtectionPanel::ProtectionCount] = {
    {"sh_umin", "zp_umin", "c_umin"},  {"sh_umax", "zp_umax", "c_umax"},
    {"sh_uasm", "zp_uasm", "c_uasm"},  {"sh_ihol", "zp_ihol", "c_ihol"},
    {"sh_iasm", "zp_iasm", "c_iasm"},  {"Sh_ivtz", "zp_ivtz", "c_ivtz"},
    {"sh_zakl", "zp_zakl", "c_izakl"}, {"sh_idif", "zp_idif", "c_idif"},
};

// Column layout: caption, indicator, value, unit.
enum Column { CaptionCol, ShapeCol, ValueCol, UnitCol, ColumnsPerSide };

// The words a screen reader says for each indicator, set and clear.
struct StateWords {
    const char* set;
    const char* clear;
};
constexpr StateWords Operated{"сработала", "не сработала"};
constexpr StateWords Condition{"есть", "нет"};
constexpr StateWords Equipment{"включено", "отключено"};
constexpr StateWords Insulation{"неисправна", "в норме"};

void showBit(Shape* s, bool set, const StateWords& words,
             const QColor& clearColor = Shape::Silver) {
    s->setState(set ? Shape::Red : clearColor, QString::fromUtf8(set ? words.set : words.clear));
}

} // namespace

ProtectionPanel::ProtectionPanel(QWidget* parent)
    : QGroupBox(QStringLiteral("Состояние защиты"), parent) {
    auto* g = new QGridLayout(this);
    g->setHorizontalSpacing(6);
    g->setVerticalSpacing(4);
    const int left = 0;
    const int right = ColumnsPerSide + 1; // one spacer column between the sides

    m_equipment = addIndicator(g, 0, left, QStringLiteral("Оборуд.:"), QStringLiteral("sh_dv"));
    m_insulation = addIndicator(g, 1, left, QStringLiteral("Изоляц.:"), QStringLiteral("sh_iso"));
    addProtection(g, 2, left, 0); // Umin
    addProtection(g, 3, left, 1); // Umax
    addProtection(g, 4, left, 2); // Uасм
    m_any = addIndicator(g, 5, left, QStringLiteral("Защита:"), QStringLiteral("Sh_z"));

    addProtection(g, 0, right, 3); // Хол. ход
    addProtection(g, 1, right, 5); // Iвтз
    addProtection(g, 2, right, 4); // Iасм
    addProtection(g, 3, right, 6); // Заклин.
    addProtection(g, 4, right, 7); // Iут.
    m_overload = valueLabel(QStringLiteral("st_ikrp"));
    g->addWidget(caption(QStringLiteral("Кр.перег.:"), m_overload), 5, right + CaptionCol,
                 Qt::AlignRight);
    g->addWidget(m_overload, 5, right + ValueCol);

    g->setColumnMinimumWidth(ColumnsPerSide, 14);
    g->setColumnStretch(left + ValueCol, 1);
    g->setColumnStretch(right + ValueCol, 1);
}

Shape* ProtectionPanel::addIndicator(QGridLayout* g, int row, int col, const QString& text,
                                     const QString& name) {
    auto* s = new Shape(name, Shape::RoundSquare, SquareSize);
    g->addWidget(caption(text, s), row, col + CaptionCol, Qt::AlignRight);
    g->addWidget(s, row, col + ShapeCol, Qt::AlignCenter);
    return s;
}

void ProtectionPanel::addProtection(QGridLayout* g, int row, int col, int bit) {
    const IndicatorNames& d = Indicators[bit];
    Shape* square = addIndicator(g, row, col, QString::fromUtf8(protections::All[bit].panelCaption),
                                 QString::fromLatin1(d.square));
    auto* circle = new Shape(QString::fromLatin1(d.circle), Shape::Circle, CircleSize, square);
    circle->setAccessibleName(square->accessibleName() + QStringLiteral(", пуск"));
    const int inset = (SquareSize - CircleSize) / 2;
    circle->move(inset, inset);
    QLabel* timer = valueLabel(QString::fromLatin1(d.timer), QStringLiteral("0"), 48);
    timer->setAccessibleName(square->accessibleName() + QStringLiteral(", сек"));
    g->addWidget(timer, row, col + ValueCol);
    g->addWidget(new QLabel(QStringLiteral("сек")), row, col + UnitCol);
    m_operated[bit] = square;
    m_condition[bit] = circle;
    m_timers[bit] = timer;
}

void ProtectionPanel::showStatus(const LiveStatus& s, const LiveStatusTexts& t) {
    for (int bit = 0; bit < ProtectionCount; ++bit) {
        showBit(m_condition[bit], (s.conditionBits >> bit) & 1, Condition);
        showBit(m_operated[bit], (s.operatedBits >> bit) & 1, Operated);
        m_timers[bit]->setText(t.timers[bit]);
    }
    showBit(m_any, s.operatedBits != 0, Operated);
    showBit(m_equipment, s.stateBits & 1, Equipment);
    showBit(m_insulation, (s.stateBits >> 2) & 1, Insulation, Shape::Lime);
    m_overload->setText(t.overload);
}

} // namespace kliv
