#include "config/comparedialog.h"

#include "texts/configtexts.h"

#include "widgets/fields.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kliv {

namespace {
enum Column { Caption, PageValue, RelayValue, ColumnCount };
}

CompareDialog::CompareDialog(const QList<config::FieldDifference>& differences, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("CompareDialog"));
    setWindowTitle(QStringLiteral("Сравнение с реле"));

    m_table = new QTableWidget(int(differences.size()), ColumnCount);
    m_table->setObjectName(QStringLiteral("tbl_compare"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("Параметр"), QStringLiteral("На странице"), QStringLiteral("В реле")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    const NumberLocale loc = NumberLocale::system();
    for (int row = 0; row < differences.size(); ++row) {
        const config::FieldDifference& d = differences.at(row);
        auto* caption = new QTableWidgetItem(config::labelOf(d));
        caption->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        caption->setCheckState(Qt::Checked);
        caption->setData(Qt::UserRole, d.key);
        m_table->setItem(row, Caption, caption);
        m_table->setItem(row, PageValue, new QTableWidgetItem(config::valueText(d, d.sent, loc)));
        m_table->setItem(row, RelayValue, new QTableWidgetItem(config::valueText(d, d.read, loc)));
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto* take = button(QStringLiteral("btn_take_relay"), QStringLiteral("Взять значения реле"));
    auto* close = button(QStringLiteral("btn_compare_close"), QStringLiteral("Закрыть"));
    connect(take, &QPushButton::clicked, this, &QDialog::accept);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("Отмеченные параметры примут значения реле.")), 1);
    buttons->addWidget(take);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Различается параметров: %1").arg(differences.size())));
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    resize(560, 420);
}

QStringList CompareDialog::chosenKeys() const {
    QStringList keys;
    for (int row = 0; row < m_table->rowCount(); ++row)
        if (m_table->item(row, Caption)->checkState() == Qt::Checked)
            keys << m_table->item(row, Caption)->data(Qt::UserRole).toString();
    return keys;
}

} // namespace kliv
