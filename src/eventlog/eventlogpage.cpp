#include "eventlog/eventlogpage.h"

#include "files/wholefile.h"
#include "link/engine.h"
#include "link/jobs/accountingreadjob.h"
#include "link/jobs/accountingresetjob.h"
#include "link/jobs/eventlogjob.h"
#include "texts/accountingtexts.h"
#include "texts/configtexts.h"
#include "texts/eventtexts.h"
#include "texts/messages.h"
#include "widgets/fields.h"
#include "widgets/prompt.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
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

constexpr std::array<int, EventLogPage::Columns> ColumnWidths = {45, 162, 48, 46, 122, 49, 50,
                                                                 48, 47,  47, 48, 49,  46};
constexpr int RowHeight = 24;
constexpr int GridFontPixels = 13;

const QString CsvCaption = QStringLiteral("Сохранить в CSV");

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

} // namespace

EventLogPage::EventLogPage(Engine& engine, Prompt& prompt, QWidget* parent)
    : QWidget(parent), m_engine(engine), m_prompt(prompt) {
    m_askSaveFile = [this](const QString& name) {
        return QFileDialog::getSaveFileName(this, CsvCaption, QDir::home().filePath(name),
                                            QStringLiteral("CSV (*.csv)"));
    };

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(buildAccounting(), 1);
    bottom->addWidget(buildLogButtons(), 0);

    auto* page = new QVBoxLayout(this);
    page->addWidget(buildGrid(), 1);
    page->addLayout(bottom);
}

QWidget* EventLogPage::buildGrid() {
    m_grid = new QTableWidget(DataRows, Columns);
    m_grid->setObjectName(QStringLiteral("StGr_prot"));
    m_grid->setAccessibleName(QStringLiteral("Протокол"));
    m_grid->setHorizontalHeaderLabels(eventlog::headers());
    QFont bold = m_grid->font();
    bold.setBold(true);
    bold.setPixelSize(GridFontPixels);
    // The column widths suit narrow faces; semi-condensed, the common wide sans faces
    // still fit "Выкл." into the 46-pixel column, with the cell's margins taken for the
    // last pixel rather than an ellipsis for the last letters.
    bold.setStretch(QFont::SemiCondensed);
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
    m_grid->setTextElideMode(Qt::ElideNone);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    return m_grid;
}

QWidget* EventLogPage::buildAccounting() {
    auto* box = new QGroupBox;
    box->setAccessibleName(QStringLiteral("Учетная запись"));
    auto* g = new QGridLayout(box);
    g->setHorizontalSpacing(6);
    struct Field {
        QLabel* EventLogPage::*member;
        const char* name;
        const char* label;
        const char* widest; // the longest text the field shows
        int row, col;
    };
    constexpr Field fields[] = {
        {&EventLogPage::m_start, "st_nuh", "Начало учета:", "00.00.2000г/00:00:00", 0, 0},
        {&EventLogPage::m_running, "st_tdv", "Наработка об., (ч:м:с):", "00.00.2000г/00:00:00", 1,
         0},
        {&EventLogPage::m_energy, "st_nwa", "Wа:", "0000000,0", 2, 0},
        {&EventLogPage::m_switchOns, "st_kvdv", "К-во включений оборуд.:", "000000", 0, 2},
        {&EventLogPage::m_trips, "st_kzdv", "К-во сработан. защит:", "000000", 1, 2},
    };
    for (const Field& f : fields) {
        const QString label = QString::fromUtf8(f.label);
        QLabel* value = valueText(QString::fromLatin1(f.name), label);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QString::fromUtf8(f.widest)) +
                               16);
        this->*f.member = value;
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

    QPushButton* read = button(QStringLiteral("Button7"), QStringLiteral("Считать учетную запись"));
    QPushButton* reset =
        button(QStringLiteral("Button8"), QStringLiteral("Обнулить учетную запись"));
    connect(read, &QPushButton::clicked, this, &EventLogPage::readAccounting);
    connect(reset, &QPushButton::clicked, this, &EventLogPage::resetAccounting);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(read);
    buttons->addWidget(reset);
    g->addLayout(buttons, 2, 2, 1, 2);
    return box;
}

QWidget* EventLogPage::buildLogButtons() {
    auto* box = new QGroupBox;
    box->setAccessibleName(QStringLiteral("Протокол событий"));
    auto* column = new QVBoxLayout(box);
    QPushButton* read = button(QStringLiteral("Button1"), QStringLiteral("Считать протокол"));
    QPushButton* report =
        button(QStringLiteral("btn_save_prot"), QStringLiteral("Сохранить протокол"));
    QPushButton* csv = button(QStringLiteral("btn_save_csv"), CsvCaption);
    connect(read, &QPushButton::clicked, this, &EventLogPage::readLog);
    connect(csv, &QPushButton::clicked, this, &EventLogPage::saveCsv);
    connect(report, &QPushButton::clicked, this, &EventLogPage::saveReportRequested);
    for (QPushButton* b : {read, report, csv})
        column->addWidget(b);
    m_progress = progressBar(QStringLiteral("pb_prot"), 10, QStringLiteral("Ход выполнения"));
    column->addWidget(m_progress);
    column->addStretch(1);
    return box;
}

// The grid is rebuilt only from a complete log, so a read that stops early leaves the
// rows of the last complete one.
void EventLogPage::readLog() {
    m_progress->setValue(0);
    auto* job = new EventLogJob;
    connect(job, &EventLogJob::progress, m_progress, &QProgressBar::setValue);
    connect(job, &Job::succeeded, this, [this, job] {
        showEvents(eventlog::texts(job->rows(), NumberLocale::system()));
        m_prompt.show(msg::protocolRead());
    });
    m_engine.start(job);
}

void EventLogPage::readAccounting() {
    auto* job = new AccountingReadJob;
    connect(job, &Job::succeeded, this, [this, job] {
        showAccounting(job->record());
        m_prompt.show(msg::accountingRead());
    });
    m_engine.start(job);
}

void EventLogPage::resetAccounting() {
    const Message question = msg::accountingResetQuestion();
    if (!m_prompt.ask(question.caption, question.text)) {
        m_prompt.show(msg::accountingResetCancelled());
        return;
    }
    auto* job = new AccountingResetJob;
    connect(job, &Job::succeeded, this, [this, job] {
        showAccounting(job->record()); // the record as the reset left it
        m_prompt.show(msg::accountingReset());
    });
    m_engine.start(job);
}

void EventLogPage::showEvents(const QList<EventTexts>& rows) {
    m_events = rows;
    m_grid->clearContents();
    m_grid->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        m_grid->setItem(r, 0, cell(QString::number(r + 1)));
        for (int c = 0; c < int(rows[r].size()); ++c)
            m_grid->setItem(r, c + 1, cell(rows[r][std::size_t(c)]));
    }
}

void EventLogPage::showAccounting(const AccountingRecord& record) {
    const AccountingTexts t = accounting::texts(record, NumberLocale::system());
    m_running->setText(t.running);
    m_switchOns->setText(t.switchOns);
    m_trips->setText(t.trips);
    m_energy->setText(t.energy);
    m_start->setText(t.start);
}

AccountingTexts EventLogPage::accountingTexts() const {
    return {m_start->text(), m_running->text(), m_switchOns->text(), m_trips->text(),
            m_energy->text()};
}

QString EventLogPage::csvFileName(int serial, const QDate& date) {
    return QStringLiteral("КЛИВ_№%1_%2.csv").arg(serial).arg(date.toString(u"ddMM_yy"));
}

void EventLogPage::saveCsv() {
    const QString path = m_askSaveFile(csvFileName(m_engine.serial(), QDate::currentDate()));
    if (path.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(path);
    if (const QString why = files::writeWhole(path, eventlog::csv(m_events).toUtf8());
        !why.isEmpty()) {
        m_prompt.show(msg::csvNotSaved(shown), why);
        return;
    }
    m_prompt.show(msg::csvSaved(shown));
}

} // namespace kliv
