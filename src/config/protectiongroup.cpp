#include "config/protectiongroup.h"

#include "model/configitems.h"
#include "widgets/currenttext.h"
#include "widgets/delaytext.h"
#include "widgets/fields.h"
#include "widgets/spinedit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace kliv {

namespace {

// Each frame has the enable box on its first row and the fields on the second, under the
// box's text. Columns of the second row, shared by the frames of one side so they line up:
// indent, threshold caption, threshold, its unit, delay caption, delay, its unit.
enum Col { Indent, ThresholdCaption, Threshold, ThresholdUnit, DelayCaption, Delay, DelayUnit };
constexpr int FieldRow = 1;

struct Frame {
    QFrame* frame;
    QGridLayout* grid;
};

int checkBoxTextIndent(const QStyle* style) {
    return style->pixelMetric(QStyle::PM_IndicatorWidth) +
           style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
}

Frame frame(QCheckBox* enable) {
    auto* f = new QFrame;
    f->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    // The rows stay together, centred in whatever height the frame gets.
    auto* centre = new QVBoxLayout(f);
    centre->setContentsMargins(6, 4, 6, 4);
    auto* g = new QGridLayout;
    centre->addStretch(1);
    centre->addLayout(g);
    centre->addStretch(1);
    g->setContentsMargins(0, 0, 0, 0);
    g->setHorizontalSpacing(4);
    g->setVerticalSpacing(2);
    g->addWidget(enable, 0, Indent, 1, DelayCaption);
    g->setColumnMinimumWidth(Indent, checkBoxTextIndent(enable->style()));
    g->setColumnStretch(DelayUnit + 1, 1);
    return {f, g};
}

QCheckBox* enableBox(const QString& name, const QString& text, bool on) {
    auto* c = new QCheckBox(text);
    c->setObjectName(name);
    c->setChecked(on);
    return c;
}

// A field with no caption of its own is named after its enable box and its role.
template <class W> W* named(W* w, const QCheckBox* enable, const QString& role) {
    w->setAccessibleName(enable->text() + QLatin1Char(' ') + role);
    return w;
}

void threshold(Frame& f, QWidget* field, const QString& unitText) {
    f.grid->addWidget(field, FieldRow, Threshold);
    f.grid->addWidget(unit(unitText), FieldRow, ThresholdUnit);
}

void delay(Frame& f, QWidget* field) {
    f.grid->addWidget(field, FieldRow, Delay);
    f.grid->addWidget(unit(QStringLiteral("Сек")), FieldRow, DelayUnit);
}

// Every frame of a side gets the widest cell of each column of that side.
void alignColumns(const QList<Frame>& frames) {
    for (int col = Indent; col <= DelayUnit; ++col) {
        int width = 0;
        for (const Frame& f : frames) {
            width = qMax(width, f.grid->columnMinimumWidth(col));
            for (int i = 0; i < f.grid->count(); ++i) {
                int r, c, rs, cs;
                f.grid->getItemPosition(i, &r, &c, &rs, &cs);
                if (c == col && cs == 1)
                    width = qMax(width, f.grid->itemAt(i)->sizeHint().width());
            }
        }
        for (const Frame& f : frames)
            f.grid->setColumnMinimumWidth(col, width);
    }
}

} // namespace

ProtectionGroup::ProtectionGroup(QWidget* parent)
    : QGroupBox(QStringLiteral("Установки защиты"), parent) {
    const QString delayRole = QStringLiteral("задержка");

    auto* blok = enableBox(QStringLiteral("blok_z"), QStringLiteral("Блокировка защиты"), false);
    blok->setToolTip(QStringLiteral("Ограничение повторных пусков после срабатывания защиты"));
    Frame fBlok = frame(blok);

    auto* uminOk = enableBox(QStringLiteral("z_umin_ok"), QStringLiteral("Umin:"), false);
    Frame fUmin = frame(uminOk);
    threshold(fUmin,
              named(new SpinEdit(QStringLiteral("z_umin_v"), 100, 6000, 170), uminOk,
                    QStringLiteral("В")),
              QStringLiteral("В"));
    delay(fUmin,
          named(new DelayText(QStringLiteral("st_zumin_t"), QStringLiteral("spb_zumin"), 100),
                uminOk, delayRole));

    auto* umaxOk = enableBox(QStringLiteral("z_umax_ok"), QStringLiteral("Umax:"), false);
    Frame fUmax = frame(umaxOk);
    threshold(fUmax,
              named(new SpinEdit(QStringLiteral("z_umax_v"), 100, 7000, 250), umaxOk,
                    QStringLiteral("В")),
              QStringLiteral("В"));
    delay(fUmax,
          named(new DelayText(QStringLiteral("st_zumax_t"), QStringLiteral("SpinButton1"), 100),
                umaxOk, delayRole));

    auto* uasmOk = enableBox(QStringLiteral("z_uasm_ok"), QStringLiteral("Uасм:"), true);
    Frame fUasm = frame(uasmOk);
    threshold(fUasm,
              named(new SpinEdit(QStringLiteral("z_uasm"), 1, 99, 30), uasmOk, QStringLiteral("%")),
              QStringLiteral("%"));
    delay(fUasm,
          named(new DelayText(QStringLiteral("st_zuasm_t"), QStringLiteral("SpinButton2"), 150),
                uasmOk, delayRole));

    auto* isoOk = enableBox(QStringLiteral("z_iso_ok"), QStringLiteral("Изоляция:"), true);
    Frame fIso = frame(isoOk);
    QComboBox* isoR =
        dropDown(QStringLiteral("z_iso_r"), config::items::list(config::items::Insulation));
    isoR->setCurrentIndex(3); // 500 kOhm
    // A list of bare numbers: the name says what they are.
    isoR->setAccessibleName(QStringLiteral("Изоляция: сопротивление, кОм"));
    threshold(fIso, isoR, QStringLiteral("кОм"));

    auto* idifOk = enableBox(QStringLiteral("z_idif_ok"), QStringLiteral("Iут:"), true);
    Frame fIdif = frame(idifOk);
    threshold(fIdif,
              named(new CurrentText(QStringLiteral("z_idif_a"), QStringLiteral("1")), idifOk,
                    QStringLiteral("A")),
              QStringLiteral("A"));
    delay(fIdif,
          named(new DelayText(QStringLiteral("st_zidif_t"), QStringLiteral("SpinButton3"), 5),
                idifOk, delayRole));

    auto* iholOk = enableBox(QStringLiteral("z_ihol_ok"), QStringLiteral("Iхол:"), false);
    Frame fIhol = frame(iholOk);
    threshold(fIhol,
              named(new CurrentText(QStringLiteral("z_ihol_a"), QStringLiteral("0")), iholOk,
                    QStringLiteral("A")),
              QStringLiteral("A"));
    delay(fIhol, named(new SpinEdit(QStringLiteral("z_ihol_t"), 1, 999, 60), iholOk, delayRole));

    auto* iasmOk = enableBox(QStringLiteral("z_iasm_ok"), QStringLiteral("Iасм:"), true);
    Frame fIasm = frame(iasmOk);
    threshold(fIasm,
              named(new SpinEdit(QStringLiteral("z_iasm"), 1, 99, 25), iasmOk, QStringLiteral("%")),
              QStringLiteral("%"));
    delay(fIasm,
          named(new DelayText(QStringLiteral("st_ziasm_t"), QStringLiteral("SpinButton5"), 50),
                iasmOk, delayRole));

    auto* vtzOk = enableBox(QStringLiteral("z_ivtz_ok"), QStringLiteral("Перегруз:"), true);
    Frame fVtz = frame(vtzOk);
    auto* inom = new CurrentText(QStringLiteral("z_inom_a"), QStringLiteral("15"));
    m_inom = inom;
    fVtz.grid->addWidget(caption(QStringLiteral("Iном:"), inom), FieldRow, ThresholdCaption);
    threshold(fVtz, inom, QStringLiteral("А"));
    auto* vtz = new SpinEdit(QStringLiteral("z_vtz_t"), 1, 999, 300);
    m_vtzTime = vtz;
    fVtz.grid->addWidget(caption(QStringLiteral("ВТЗ:"), vtz), FieldRow, DelayCaption);
    delay(fVtz, vtz);
    m_vtz = button(QStringLiteral("Button9"), QStringLiteral("График ВТЗ"));
    fVtz.grid->addWidget(m_vtz, 0, DelayCaption, 1, DelayUnit - DelayCaption + 1);

    auto* zaklOk = enableBox(QStringLiteral("z_zakl_ok"), QStringLiteral("Заклинивание"), true);
    Frame fZakl = frame(zaklOk);
    auto* rotor = new QLabel(QStringLiteral("ротора"));
    // The second word of the box's caption, under its text, not under its tick.
    rotor->setIndent(checkBoxTextIndent(style()));
    rotor->setContentsMargins(0, 0, 8, 0); // kept apart from the caption that follows
    fZakl.grid->addWidget(rotor, FieldRow, Indent);
    auto* izkl = new CurrentText(QStringLiteral("z_izkl_a"), QStringLiteral("45"));
    fZakl.grid->addWidget(caption(QStringLiteral("Iзкл:"), izkl), FieldRow, ThresholdCaption);
    threshold(fZakl, izkl, QStringLiteral("А"));
    delay(fZakl,
          named(new DelayText(QStringLiteral("st_zizakl_t"), QStringLiteral("SpinButton4"), 30),
                zaklOk, delayRole));

    const QList<Frame> left = {fBlok, fUmin, fUmax, fUasm, fIso};
    const QList<Frame> right = {fIdif, fIhol, fIasm, fVtz, fZakl};
    alignColumns(left);
    alignColumns(right);

    auto* columns = new QHBoxLayout(this);
    for (const QList<Frame>* side : {&left, &right}) {
        auto* column = new QVBoxLayout;
        // The frames share whatever height the page has to spare.
        for (const Frame& f : *side)
            column->addWidget(f.frame, 1);
        columns->addLayout(column);
    }
}

} // namespace kliv
