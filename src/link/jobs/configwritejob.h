#pragma once

#include "link/job.h"
#include "protocol/configuration.h"

namespace kliv {

// "Записать конфигурацию": writes the configuration, then reads back what the relay now
// holds and compares it with what was sent, byte for byte. Only an equal block is a
// written configuration; any difference fails the job naming each field that differs.
// The relay's answer to the write itself proves nothing, so nothing is announced before
// the read-back: a front end reports the configuration written only on succeeded().
class ConfigWriteJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::ConfigWrite; }
    enum class Step { Writing, ReadingBack };

    explicit ConfigWriteJob(const Configuration& value);

    Step step() const { return m_step; }
    const Configuration& sent() const { return m_value; }
    // What the relay holds after the read-back, whatever the outcome.
    const Configuration& readBack() const { return m_readBack; }
    QList<config::FieldDifference> differences(const NumberLocale& loc) const;
    std::optional<RelayChange> change() const override;

  Q_SIGNALS:
    void readBackDone(const kliv::Configuration& c); // the relay's block, equal or not

  protected:
    QStringList refusal() const override;
    void begin() override;
    void onReply(const QByteArray& frame) override;

  private:
    void onWriteReply(const QByteArray& frame);
    void onReadReply(const QByteArray& frame);

    Configuration m_value;
    QByteArray m_block;
    Step m_step = Step::Writing;
    Configuration m_readBack;
    QByteArray m_readBlock;
};

} // namespace kliv
