#include "search/searchwindow.h"

#include "protocol/frame.h"
#include "widgets/fields.h"
#include "widgets/spinedit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>

namespace kliv {

SearchDialog::SearchDialog(QWidget* parent)
    : QDialog(parent), m_serial(new SpinEdit(QStringLiteral("frm2_zn"), frame::SerialMin,
                                             frame::SerialMax, frame::SerialMin)),
      m_ports(dropDown(QStringLiteral("cmbPorts"), {})),
      m_start(button(QStringLiteral("Button1"), QStringLiteral("Начать поиск"))),
      m_progress(progressBar(QStringLiteral("pb_search"), ProgressSteps,
                             QStringLiteral("Поиск устройства"))),
      m_status(new QLabel(QStringLiteral("Процесс..."))) {
    setObjectName(QStringLiteral("Form2"));
    m_start->setEnabled(false); // the search job is not built yet
    setWindowTitle(QStringLiteral("   Поиск устройства"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

    m_ports->setMinimumContentsLength(12);
    m_ports->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // Wide enough for its other caption, "Остановить поиск", so the dialog never jumps.
    m_start->setMinimumWidth(
        m_start->fontMetrics().horizontalAdvance(QStringLiteral("Остановить поиск")) + 32);
    m_status->setObjectName(QStringLiteral("lser"));
    m_status->setMinimumWidth(m_status->fontMetrics().horizontalAdvance(
                                  QStringLiteral("Найдено устройство: скорость 115200 бод/сек")) +
                              8);

    auto* g = new QGridLayout(this);
    g->setSizeConstraint(QLayout::SetFixedSize);
    g->addWidget(caption(QStringLiteral("Зав. №:"), m_serial), 0, 0);
    g->addWidget(m_serial, 0, 1);
    g->addWidget(caption(QStringLiteral("COM-порт"), m_ports), 0, 2, Qt::AlignRight);
    g->addWidget(m_ports, 0, 3);
    g->addWidget(m_start, 1, 0, 1, 4, Qt::AlignHCenter);
    g->addWidget(m_progress, 2, 0, 1, 4);
    g->addWidget(m_status, 3, 0, 1, 4);
    g->setColumnStretch(2, 1);
}

void SearchDialog::setPorts(const QStringList& ports) {
    const QSignalBlocker quiet(m_ports);
    m_ports->clear();
    m_ports->addItems(ports);
    m_ports->setCurrentIndex(ports.isEmpty() ? -1 : 0);
}

} // namespace kliv
