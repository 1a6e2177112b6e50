#include "journal/protocolpage.h"

#include "widgets/fields.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <array>

namespace kliv {

namespace {

constexpr std::array<int, ProtocolPage::Columns> ColumnWidths = {45, 162, 48, 46, 122, 49, 50,
                                                                 48, 47,  47, 48, 49,  46};
constexpr int RowHeight = 24;
constexpr int GridFontPixels = 13;

} // namespace

QStringList ProtocolPage::headers() {
    return {QStringLiteral("№ п/п"), QStringLiteral("Дата/Время"), QStringLiteral("КЛИВ"),
            QStringLiteral("Обор."), QStringLiteral("Защита"),     QStringLiteral("Ua, В"),
            QStringLiteral("Ub, В"), QStringLiteral("Uc, В"),      QStringLiteral("Ia, A"),
            QStringLiteral("Ib, A"), QStringLiteral("Ic, A"),      QStringLiteral("Iут, А"),
            QStringLiteral("cos f")};
}

ProtocolPage::ProtocolPage(QWidget* parent) : QWidget(parent) {
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(buildAccounting(), 1);
    bottom->addWidget(buildLogButtons(), 0);

    auto* page = new QVBoxLayout(this);
    page->addWidget(buildGrid(), 1);
    page->addLayout(bottom);
    writeHeaders();
}

void ProtocolPage::writeHeaders() {
    m_grid->setHorizontalHeaderLabels(headers());
}

QWidget* ProtocolPage::buildGrid() {
    m_grid = new QTableWidget(DataRows, Columns);
    m_grid->setObjectName(QStringLiteral("StGr_prot"));
    m_grid->setAccessibleName(QStringLiteral("Протокол"));
    QFont bold = m_grid->font();
    bold.setBold(true);
    bold.setPixelSize(GridFontPixels);
    m_grid->setFont(bold);
    m_grid->horizontalHeader()->setFont(bold);
    m_grid->verticalHeader()->hide(); // the row number is column 0
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(RowHeight);
    m_grid->horizontalHeader()->setFixedHeight(RowHeight);
    m_grid->horizontalHeader()->setHighlightSections(false);
    for (int c = 0; c < Columns; ++c)
        m_grid->setColumnWidth(c, ColumnWidths[c]);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    return m_grid;
}

QWidget* ProtocolPage::buildAccounting() {
    auto* box = new QGroupBox;
    auto* g = new QGridLayout(box);
    g->setHorizontalSpacing(6);
    struct Field {
        const char* name;
        const char* label;
        const char* widest; // the longest text the field shows
        int row, col;
    };
    constexpr Field fields[] = {
        {"st_nuh", "Начало учета:", "00.00.2000г/00:00:00", 0, 0},
        {"st_tdv", "Наработка об., (ч:м:с):", "00.00.2000г/00:00:00", 1, 0},
        {"st_nwa", "Wа:", "0000000,0", 2, 0},
        {"st_kvdv", "К-во включений оборуд.:", "000000", 0, 2},
        {"st_kzdv", "К-во сработан. защит:", "000000", 1, 2},
    };
    for (const Field& f : fields) {
        const QString label = QString::fromUtf8(f.label);
        QLabel* value = valueText(QString::fromLatin1(f.name), label);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QString::fromUtf8(f.widest)) +
                               16);
        g->addWidget(caption(label, value), f.row, f.col);
        if (f.row == 2) { // the energy, with its unit behind it
            auto* energy = new QHBoxLayout;
            energy->addWidget(value);
            energy->addWidget(unit(QStringLiteral("кВтч")));
            energy->addStretch(1);
            g->addLayout(energy, f.row, f.col + 1);
        } else {
            g->addWidget(value, f.row, f.col + 1);
        }
    }
    g->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b :
         {button(QStringLiteral("Button7"), QStringLiteral("Считать учетную запись")),
          button(QStringLiteral("Button8"), QStringLiteral("Обнулить учетную запись"))}) {
        b->setEnabled(false); // the accounting jobs are not built yet
        buttons->addWidget(b);
    }
    g->addLayout(buttons, 2, 2, 1, 2);
    return box;
}

QWidget* ProtocolPage::buildLogButtons() {
    auto* box = new QGroupBox;
    auto* column = new QVBoxLayout(box);
    for (QPushButton* b :
         {button(QStringLiteral("Button1"), QStringLiteral("Считать протокол")),
          button(QStringLiteral("btn_save_prot"), QStringLiteral("Сохранить протокол"))}) {
        b->setEnabled(false); // the event log and report jobs are not built yet
        column->addWidget(b);
    }
    m_progress = progressBar(QStringLiteral("pb_prot"), 10, QStringLiteral("Ход выполнения"));
    column->addWidget(m_progress);
    column->addStretch(1);
    return box;
}

} // namespace kliv
