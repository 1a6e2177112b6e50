#include "config/changelogdialog.h"

#include "texts/shortlist.h"
#include "widgets/fields.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTextDocument>
#include <QVBoxLayout>

namespace kliv {

namespace {
enum Column { Time, Serial, Port, Job, Outcome, Detail, ColumnCount };
}

ChangeLogDialog::ChangeLogDialog(const changes::ChangeLog& log, int serial, QWidget* parent)
    : QDialog(parent), m_log(log), m_serial(serial) {
    setObjectName(QStringLiteral("ChangeLogDialog"));
    setWindowTitle(QStringLiteral("Журнал изменений"));

    m_table = new QTableWidget(0, ColumnCount);
    m_table->setObjectName(QStringLiteral("tbl_changes"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Время"), QStringLiteral("Реле"),
                                        QStringLiteral("Порт"), QStringLiteral("Операция"),
                                        QStringLiteral("Итог"), QStringLiteral("Подробности")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setStretchLastSection(true);

    m_only = new QCheckBox(QStringLiteral("Только реле № %1").arg(serial));
    m_only->setObjectName(QStringLiteral("chk_this_relay"));
    m_only->setChecked(true);
    connect(m_only, &QCheckBox::toggled, this, &ChangeLogDialog::fill);

    auto* close = button(QStringLiteral("btn_changes_close"), QStringLiteral("Закрыть"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_only);
    if (!log.warnings().isEmpty()) {
        auto* warning = new QLabel(
            QStringLiteral("Строк, которые не удалось прочитать: %1").arg(log.warnings().size()));
        warning->setObjectName(QStringLiteral("st_changes_skipped"));
        // Plain text however a bad line reads, and a screen's worth of it.
        warning->setToolTip(Qt::convertFromPlainText(msg::shortList(log.warnings())));
        bottom->addWidget(warning);
    }
    bottom->addStretch(1);
    bottom->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);
    resize(860, 420);
    fill();
}

void ChangeLogDialog::fill() {
    m_table->setRowCount(0);
    for (auto it = m_log.records.crbegin(); it != m_log.records.crend(); ++it) {
        if (m_only->isChecked() && it->serial != m_serial)
            continue;
        const int row = m_table->rowCount();
        m_table->insertRow(row);
        const QString cells[ColumnCount] = {
            it->time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")),
            QString::number(it->serial),
            it->port,
            jobText(it->job),
            outcomeText(it->outcome),
            QString(it->detail).replace(u'\n', QStringLiteral("; "))};
        for (int c = 0; c < ColumnCount; ++c)
            m_table->setItem(row, c, new QTableWidgetItem(cells[c]));
    }
    m_table->resizeColumnsToContents();
}

QString ChangeLogDialog::jobText(const QString& job) {
    static const QHash<QString, QString> texts = {
        {QString::fromLatin1(changes::ConfigWrite), QStringLiteral("Запись конфигурации")},
        {QString::fromLatin1(changes::CalibrationWrite), QStringLiteral("Автокалибровка")},
        {QString::fromLatin1(changes::Rs485Speed), QStringLiteral("Скорость RS485")},
        {QString::fromLatin1(changes::ClockSet), QStringLiteral("Корректировка часов")},
        {QString::fromLatin1(changes::ProtectionReset), QStringLiteral("Сброс защиты")},
        {QString::fromLatin1(changes::AccountingReset), QStringLiteral("Обнуление учетной записи")},
        {QString::fromLatin1(changes::RawRequest), QStringLiteral("Служебный запрос")},
    };
    return texts.value(job, job);
}

QString ChangeLogDialog::outcomeText(const QString& outcome) {
    static const QHash<QString, QString> texts = {
        {QString::fromLatin1(changes::Done), QStringLiteral("выполнено")},
        {QStringLiteral("refused"), QStringLiteral("отказано, ничего не отправлено")},
        {QStringLiteral("no-answer"), QStringLiteral("нет ответа")},
        {QStringLiteral("line-lost"), QStringLiteral("связь потеряна")},
        {QStringLiteral("port-not-opened"), QStringLiteral("порт не открыт")},
        {QStringLiteral("cancelled"), QStringLiteral("прервано")},
        {QStringLiteral("mismatch"), QStringLiteral("реле хранит другое")},
    };
    return texts.value(outcome, outcome);
}

} // namespace kliv
