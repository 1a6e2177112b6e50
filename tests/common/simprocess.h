#pragma once

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QtTest>
#include <optional>

namespace kliv::test {

// The simulated relay as a separate process on its own pseudo-terminal (env KLIV_SIM
// names the program; ctest sets it).
class SimProcess {
  public:
    explicit SimProcess(const QStringList& args = {}) {
        const QString program = qEnvironmentVariable("KLIV_SIM");
        m_proc.setProgram(program);
        m_proc.setArguments(args);
        m_proc.setProcessChannelMode(QProcess::SeparateChannels);
        m_proc.start();
        if (!m_proc.waitForStarted(5000))
            return;
        for (int i = 0; i < 50 && !m_proc.canReadLine(); ++i)
            m_proc.waitForReadyRead(100);
        m_path = QString::fromLocal8Bit(m_proc.readLine()).trimmed();
    }
    ~SimProcess() {
        m_proc.terminate();
        if (!m_proc.waitForFinished(3000))
            m_proc.kill();
        m_proc.waitForFinished(1000);
    }
    QString path() const { return m_path; }
    // A device path; under Wine, the COM port the Linux simulator's terminal is mapped to.
    bool ok() const {
        return m_path.startsWith(QLatin1Char('/')) || m_path.startsWith(QLatin1String("COM"));
    }

  private:
    QProcess m_proc;
    QString m_path;
};

// How far the simulated relay's clock stood from the PC's once the last clock set it took
// was in, in milliseconds, as its log (--log-file) says; nothing before the first.
inline std::optional<int> lastClockOffset(const QString& logPath) {
    static const QRegularExpression set(QStringLiteral("clock set to \\S+, (-?\\d+) ms from"));
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<int> ms;
    for (auto it = set.globalMatch(QString::fromUtf8(f.readAll())); it.hasNext();)
        ms = it.next().captured(1).toInt();
    return ms;
}

} // namespace kliv::test
