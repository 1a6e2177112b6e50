#include "diag/recordpanel.h"

#include "diag/trendwindow.h"
#include "files/comtrade.h"
#include "files/liverecorder.h"
#include "link/engine.h"
#include "texts/livecsv.h"
#include "texts/messages.h"
#include "widgets/fields.h"
#include "widgets/prompt.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRegularExpression>

namespace kliv {

namespace {

const QString RecordCaption = QStringLiteral("Записать…");
const QString StopCaption = QStringLiteral("Остановить запись");

QString stamp() {
    return QDateTime::currentDateTime().toString(u"ddMMyy_HHmmss");
}

} // namespace

RecordPanel::RecordPanel(Engine& engine, Prompt& prompt, QWidget* parent)
    : QWidget(parent), m_engine(engine), m_prompt(prompt),
      m_record(button(QStringLiteral("btn_record"), RecordCaption)),
      m_snapshot(button(QStringLiteral("btn_snapshot"), QStringLiteral("Снимок…"))) {
    m_askSaveFile = [this](const QString& name) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить"),
                                            QDir::home().filePath(name));
    };
    m_askOpenFile = [this](const QString&) {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Открыть запись"),
                                            QDir::homePath(), QStringLiteral("CSV (*.csv)"));
    };
    auto* open = button(QStringLiteral("btn_open_record"), QStringLiteral("Открыть запись…"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    for (QPushButton* b : {m_record, m_snapshot, open})
        row->addWidget(b);
    m_record->setToolTip(QStringLiteral("Записывать текущие данные опроса в файл CSV"));
    m_snapshot->setToolTip(QStringLiteral("Сохранить осциллограмму графика (COMTRADE)"));

    connect(m_record, &QPushButton::clicked, this,
            [this] { recording() ? stopRecording() : startRecording(); });
    connect(m_snapshot, &QPushButton::clicked, this, &RecordPanel::saveSnapshot);
    connect(open, &QPushButton::clicked, this, &RecordPanel::openRecording);
    connect(&engine, &Engine::jobStarted, this,
            [this](Job* job) { pollStarted(job->openEnded()); });
    connect(&engine, &Engine::jobEnded, this, &RecordPanel::pollEnded);
    pollStarted(false);
}

RecordPanel::~RecordPanel() = default;

void RecordPanel::pollStarted(bool poll) {
    m_record->setEnabled(poll);
    m_snapshot->setEnabled(poll || m_lastWaveform);
}

// A recording lasts as long as the poll it records.
void RecordPanel::pollEnded() {
    if (recording())
        stopRecording();
    pollStarted(false);
}

void RecordPanel::takeLive(const LiveStatus& record) {
    if (m_recorder)
        m_recorder->add(QDateTime::currentDateTime(), record);
}

void RecordPanel::takeWaveform(const WaveformStore& samples) {
    m_lastWaveform = samples;
}

void RecordPanel::startRecording() {
    const QString path =
        m_askSaveFile(QStringLiteral("КЛИВ_№%1_%2.csv").arg(m_engine.serial()).arg(stamp()));
    if (path.isEmpty())
        return;
    QString why;
    m_recorder = files::LiveRecorder::start(path, liverecord::format(NumberLocale::system()), &why);
    if (!m_recorder) {
        m_prompt.show(msg::recordingNotStarted(QDir::toNativeSeparators(path)), why);
        return;
    }
    // At once, not when the poll ends: a recording that no longer reaches its file is no
    // recording.
    connect(m_recorder.get(), &files::LiveRecorder::failed, this, &RecordPanel::stopRecording);
    m_recordPath = path;
    m_record->setText(StopCaption);
}

void RecordPanel::stopRecording() {
    if (!m_recorder)
        return;
    const files::Recording r = m_recorder->stop();
    m_recorder.reset();
    m_record->setText(RecordCaption);
    const QString shown = QDir::toNativeSeparators(m_recordPath);
    if (r.whole())
        m_prompt.show(msg::recordingStopped(shown, r.written, r.received));
    else
        m_prompt.show(msg::recordingFailed(shown), msg::recordingFailure(r));
}

void RecordPanel::saveSnapshot() {
    if (!m_lastWaveform) {
        m_prompt.show(msg::snapshotNotYet());
        return;
    }
    comtrade::Snapshot s{m_engine.serial(), QDateTime::currentDateTime(), *m_lastWaveform};
    QString base = m_askSaveFile(QStringLiteral("КЛИВ_№%1_%2.cfg").arg(s.serial).arg(stamp()));
    if (base.isEmpty())
        return;
    base.remove(QRegularExpression(QStringLiteral("\\.(cfg|dat)$"),
                                   QRegularExpression::CaseInsensitiveOption));
    const QString shown = QDir::toNativeSeparators(base);
    if (const QString why = comtrade::write(base, s); !why.isEmpty()) {
        m_prompt.show(msg::snapshotNotSaved(shown), why);
        return;
    }
    m_prompt.show(msg::snapshotSaved(shown));
}

void RecordPanel::openRecording() {
    const QString path = m_askOpenFile({});
    if (path.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(path);
    if (QFile file(path); !file.open(QIODevice::ReadOnly)) {
        m_prompt.show(msg::recordingNotRead(shown), file.errorString());
        return;
    }
    auto* window = new TrendWindow(path, QFileInfo(path).fileName(), this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &TrendWindow::unreadable, this, [this, shown](const QString& why) {
        m_prompt.show(msg::recordingNotRead(shown), why);
    });
    window->show();
}

} // namespace kliv
