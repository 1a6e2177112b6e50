#include "monitor/trafficwindow.h"

#include "files/wholefile.h"
#include "link/engine.h"
#include "monitor/trafficmodel.h"
#include "texts/messages.h"
#include "texts/traffictexts.h"
#include "widgets/fields.h"
#include "widgets/prompt.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace kliv {

namespace {

const QString PauseCaption = QStringLiteral("Пауза");
const QString ResumeCaption = QStringLiteral("Продолжить");

} // namespace

TrafficWindow::TrafficWindow(Engine& engine, Prompt& prompt, QWidget* parent)
    : QWidget(parent, Qt::Window), m_engine(engine), m_prompt(prompt),
      m_model(new TrafficModel(this)), m_view(new QTableView),
      m_pause(button(QStringLiteral("btn_pause"), PauseCaption)) {
    setObjectName(QStringLiteral("frmTraffic"));
    setWindowTitle(QStringLiteral("Обмен"));
    m_askSaveFile = [this](const QString& name) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить обмен"),
                                            QDir::home().filePath(name),
                                            QStringLiteral("Текст (*.txt)"));
    };

    m_view->setObjectName(QStringLiteral("grid_traffic"));
    m_view->setAccessibleName(QStringLiteral("Кадры обмена"));
    m_view->setModel(m_model);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setWordWrap(false);
    for (int c = 0; c < msg::TrafficColumns - 1; ++c)
        m_view->setColumnWidth(c, c == 5 ? 110 : 70);
    // The newest line stays in sight unless the user has scrolled up to read.
    connect(m_model, &TrafficModel::rowsInserted, this, [this] {
        QScrollBar* bar = m_view->verticalScrollBar();
        if (bar->value() >= bar->maximum() - 2 * m_view->verticalHeader()->defaultSectionSize())
            m_view->scrollToBottom();
    });

    auto* counts = new QHBoxLayout;
    for (std::size_t v = 0; v < m_counts.size(); ++v) {
        m_counts[v] = new QLabel;
        m_counts[v]->setObjectName(QStringLiteral("st_count%1").arg(v));
        // Room for seven digits from the start, so the row does not shift as counts grow.
        m_counts[v]->setMinimumWidth(m_counts[v]->fontMetrics().horizontalAdvance(
            QStringLiteral("%1: 0000000").arg(msg::verdictText(Verdict(v)))));
        counts->addWidget(m_counts[v]);
    }
    counts->addStretch(1);
    auto* clear = button(QStringLiteral("btn_clear"), QStringLiteral("Очистить"));
    auto* save = button(QStringLiteral("btn_save_traffic"), QStringLiteral("Сохранить…"));
    for (QPushButton* b : {m_pause, clear, save})
        counts->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(counts);

    connect(m_pause, &QPushButton::clicked, this, &TrafficWindow::togglePause);
    connect(clear, &QPushButton::clicked, m_model, &TrafficModel::clear);
    connect(save, &QPushButton::clicked, this, [this] {
        const QString name = QStringLiteral("обмен_%1.txt")
                                 .arg(QDateTime::currentDateTime().toString(u"ddMMyy_HHmmss"));
        if (const QString path = m_askSaveFile(name); !path.isEmpty())
            this->save(path);
    });
    connect(m_model, &TrafficModel::countsChanged, this, &TrafficWindow::showCounts);
    showCounts();
    resize(900, 480);
}

void TrafficWindow::showEvent(QShowEvent* e) {
    if (!m_listening)
        m_listening = connect(&m_engine, &Engine::traffic, m_model, &TrafficModel::add);
    QWidget::showEvent(e);
}

void TrafficWindow::hideEvent(QHideEvent* e) {
    disconnect(m_listening);
    m_listening = {};
    QWidget::hideEvent(e);
}

void TrafficWindow::togglePause() {
    m_model->setPaused(!m_model->paused());
    m_pause->setText(m_model->paused() ? ResumeCaption : PauseCaption);
}

void TrafficWindow::showCounts() {
    for (std::size_t v = 0; v < m_counts.size(); ++v)
        m_counts[v]->setText(QStringLiteral("%1: %2")
                                 .arg(msg::verdictText(Verdict(v)))
                                 .arg(m_model->count(Verdict(v))));
}

bool TrafficWindow::save(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    if (const QString why = files::writeWhole(path, m_model->text().toUtf8()); !why.isEmpty()) {
        m_prompt.show(msg::trafficNotSaved(shown), why);
        return false;
    }
    m_prompt.show(msg::trafficSaved(shown));
    return true;
}

} // namespace kliv
