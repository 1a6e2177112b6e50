#include "config/calibrationgroup.h"

#include "texts/problemtexts.h"

#include "link/engine.h"
#include "link/jobs/recordedcalibrationjob.h"
#include "model/calibrationcheck.h"
#include "texts/calibrationtexts.h"
#include "widgets/fields.h"
#include "widgets/prompt.h"
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

// In the order the page shows them (voltages, currents, leakage), which is the order of
// the relay's channels.
constexpr Channel Channels[calibration::ChannelCount] = {
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
        const auto i = std::size_t(row);
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
        m_coefficients[i] = coefficient;
        m_boxes[i] = box;
        m_references[i] = reference;
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
    m_progress = progressBar(QStringLiteral("PBk"), calibration::Measurements + 1,
                             QStringLiteral("Авто-калибровка"));
    m_progress->setMaximumHeight(cosf->sizeHint().height() * 2 / 3);
    g->addWidget(m_progress, row++, Caption, 1, Unit - Caption + 1);

    m_auto = button(QStringLiteral("Button5"), QStringLiteral("Авто-калибровка"));
    g->addWidget(m_auto, row, Box, 1, Unit - Box + 1);
    connect(m_auto, &QPushButton::clicked, this, &CalibrationGroup::calibrate);
}

// The question first, then every text the calibration needs, so that nothing is sent
// unless the calibration can be written: the reference of each ticked channel, and the
// coefficient each other channel keeps.
void CalibrationGroup::calibrate() {
    const Message question = msg::calibrationQuestion();
    if (!m_prompt.ask(question.caption, question.text)) {
        m_prompt.show(msg::calibrationCancelled());
        return;
    }
    calibration::References references;
    calibration::Coefficients kept{};
    for (int c = 0; c < calibration::ChannelCount; ++c) {
        const auto i = std::size_t(c);
        if (m_boxes[i]->isChecked()) {
            references[i] = calibration::parseReference(m_references[i]->text());
            if (!references[i]) {
                m_prompt.show(msg::calibrationRefused(),
                              msg::problemText(calibration::referenceProblem(
                                                   c, QStringView(m_references[i]->text())),
                                               NumberLocale::system()));
                return;
            }
        } else if (const auto k = calibration::parseCoefficient(m_coefficients[i]->text())) {
            kept[i] = *k;
        } else {
            m_prompt.show(msg::calibrationRefused(),
                          msg::problemText(calibration::coefficientProblem(
                                               c, QStringView(m_coefficients[i]->text())),
                                           NumberLocale::system()));
            return;
        }
    }
    m_progress->setValue(0);
    auto* job = new RecordedCalibrationJob(references, kept);
    connect(job, &CalibrationJob::progress, m_progress, &QProgressBar::setValue);
    connect(job, &CalibrationJob::coefficientsComputed, this, &CalibrationGroup::showCoefficients);
    connect(job, &Job::succeeded, this, [this, job] {
        showCoefficients(job->result().coefficients);
        Q_EMIT blockingReported(job->result().blocking);
        m_prompt.show(msg::calibrationDone());
    });
    // A write the relay stored otherwise: the page shows what it holds, the box says why.
    connect(job, &Job::failed, this, [this, job] {
        if (const auto& held = job->writeReply()) {
            showCoefficients(held->coefficients);
            Q_EMIT blockingReported(held->blocking);
        }
    });
    m_engine.start(job);
}

void CalibrationGroup::showCoefficients(const calibration::Coefficients& coefficients) {
    for (std::size_t i = 0; i < coefficients.size(); ++i)
        m_coefficients[i]->setText(QString::number(coefficients[i]));
}

} // namespace kliv
