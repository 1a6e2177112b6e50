#include "config/calibrationgroup.h"

#include "widgets/fields.h"
#include "widgets/spinedit.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace kliv {

namespace {

struct Channel {
    const char* caption;
    const char* coefficient;
    const char* coefficientDefault;
    const char* box;
    const char* reference;
    const char* unit;
};

// In the order the page shows them (voltages, currents, leakage).
constexpr Channel Channels[] = {
    {"Ua:", "st_kua", "570", "CB_uak", "ua_k", "В"},
    {"Ub:", "st_kub", "570", "CB_ubk", "ub_k", "В"},
    {"Uc:", "st_kuc", "570", "CB_uck", "uc_k", "В"},
    {"Ia:", "st_kia", "200", "CB_iak", "ia_k", "A"},
    {"Ib:", "st_kib", "200", "CB_ibk", "ib_k", "A"},
    {"Ic:", "st_kic", "200", "CB_ick", "ic_k", "A"},
    {"Iут:", "st_kidif", "5000", "CB_idifk", "idif_k", "A"},
};

enum Col { Caption, Coefficient, Separator, Box, Reference, Unit };

QLineEdit* narrow(QLineEdit* e, const QString& widest) {
    e->setAlignment(Qt::AlignRight);
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(widest) + 16);
    e->setMaximumWidth(e->minimumWidth() * 3 / 2);
    return e;
}

} // namespace

CalibrationGroup::CalibrationGroup(Engine& engine, Prompt& prompt, QWidget* parent)
    : QGroupBox(QStringLiteral("Калибровка"), parent), m_engine(engine), m_prompt(prompt) {
    auto* g = new QGridLayout(this);
    g->setHorizontalSpacing(4);
    g->setVerticalSpacing(3);
    int row = 0;
    for (const Channel& ch : Channels) {
        const QString captionText = QString::fromUtf8(ch.caption);
        auto* coefficient = narrow(textEdit(QString::fromLatin1(ch.coefficient),
                                            QString::fromLatin1(ch.coefficientDefault)),
                                   QStringLiteral("000000"));
        g->addWidget(caption(captionText, coefficient), row, Caption);
        g->addWidget(coefficient, row, Coefficient);

        auto* box = new QCheckBox(captionText);
        box->setObjectName(QString::fromLatin1(ch.box));
        auto* reference = narrow(textEdit(QString::fromLatin1(ch.reference), QStringLiteral("0")),
                                 QStringLiteral("00000"));
        reference->setAccessibleName(captionText + QStringLiteral(" эталон, ") +
                                     QString::fromUtf8(ch.unit));
        g->addWidget(box, row, Box);
        g->addWidget(reference, row, Reference);
        g->addWidget(unit(QString::fromUtf8(ch.unit)), row, Unit);
        ++row;
    }

    auto* cosf = new SpinEdit(QStringLiteral("pcosf"), -75, 75, 0);
    g->addWidget(caption(QStringLiteral("COSf:"), cosf), row, Caption);
    g->addWidget(cosf, row, Coefficient);
    ++row;

    auto* line = new QFrame;
    line->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    g->addWidget(line, 0, Separator, row, 1);
    g->setColumnMinimumWidth(Separator, 12);

    // Auto-calibration is started from the foot of the group, under its choices.
    g->setRowStretch(row++, 1);
    QProgressBar* progress =
        progressBar(QStringLiteral("PBk"), 11, QStringLiteral("Авто-калибровка"));
    progress->setMaximumHeight(cosf->sizeHint().height() * 2 / 3);
    g->addWidget(progress, row++, Caption, 1, Unit - Caption + 1);

    m_auto = button(QStringLiteral("Button5"), QStringLiteral("Авто-калибровка"));
    m_auto->setEnabled(false); // the calibration job is not built yet
    g->addWidget(m_auto, row, Box, 1, Unit - Box + 1);
}

} // namespace kliv
