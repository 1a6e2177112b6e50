#include "diag/livevalues.h"

#include "protocol/status.h"
#include "texts/statustext.h"
#include "widgets/fields.h"

#include <QGridLayout>
#include <QLabel>

namespace kliv {

namespace {

struct FieldDef {
    const char* name;
    const char* caption;
};

// Voltages and their asymmetry in the left column, currents in the right one, so a
// phase reads across a line.
constexpr FieldDef Fields[] = {
    {"st_ua", "Ua, В:"},  {"st_ub", "Ub, В:"},     {"st_uc", "Uc, В:"},    {"st_uasm", "Uasm, %:"},
    {"st_cos", "cos f:"}, {"st_pa", "Р, кВт:"},    {"st_ia", "Ia, А:"},    {"st_ib", "Ib, А:"},
    {"st_ic", "Ic, А:"},  {"st_iasm", "Iasm, %:"}, {"st_idif", "Iут, А:"},
};

} // namespace

LiveValuesPanel::LiveValuesPanel(QWidget* parent)
    : QGroupBox(QStringLiteral("Текущие данные"), parent) {
    auto* g = new QGridLayout(this);
    g->setHorizontalSpacing(6);
    g->setVerticalSpacing(4);
    constexpr int RowsPerColumn = 6;
    for (int i = 0; i < FieldCount; ++i) {
        QLabel* value = valueLabel(QString::fromLatin1(Fields[i].name));
        m_fields[i] = value;
        const int row = i % RowsPerColumn;
        const int col = (i / RowsPerColumn) * 3;
        g->addWidget(caption(QString::fromUtf8(Fields[i].caption), value), row, col,
                     Qt::AlignRight);
        g->addWidget(value, row, col + 1);
    }
    g->setColumnMinimumWidth(2, 12);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(4, 1);
}

void LiveValuesPanel::showTexts(const LiveStatusTexts& t) {
    const QString* texts[FieldCount] = {&t.ua, &t.ub, &t.uc, &t.uasm, &t.cosf, &t.power,
                                        &t.ia, &t.ib, &t.ic, &t.iasm, &t.idif};
    for (int i = 0; i < FieldCount; ++i)
        m_fields[i]->setText(*texts[i]);
}

} // namespace kliv
