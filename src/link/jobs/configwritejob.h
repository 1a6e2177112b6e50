#pragma once

#include "link/job.h"
#include "model/configschema.h"

namespace kliv {

// "Записать конфигурацию": reads the block the relay holds, writes it back with the fields
// asked for set over it (config::merge), then reads back what the relay now holds and
// compares it with what was sent, byte for byte. Only an equal block is a written
// configuration; any difference fails the job naming each field that differs. The relay's
// answer to the write itself proves nothing, so nothing is announced before the read-back:
// a front end reports the configuration written only on succeeded(). Both blocks go into
// the change journal, so that the write can be backed out.
class ConfigWriteJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::ConfigWrite; }
    enum class Step { ReadingHeld, Writing, ReadingBack };

    // Sets the fields `keys` of `wanted`; the relay keeps every other byte as it holds it.
    explicit ConfigWriteJob(const Configuration& wanted,
                            const QStringList& keys = config::fieldKeys());

    Step step() const { return m_step; }
    // What the relay holds after the read-back, whatever the outcome.
    const Configuration& readBack() const { return m_readBack; }
    QList<config::FieldDifference> differences() const;
    // The relay's block before the write once read, and after it once read back.
    std::optional<RelayChange> change() const override;

  Q_SIGNALS:
    void readBackDone(const kliv::Configuration& c); // the relay's block, equal or not

  protected:
    ConfigWriteJob(); // for a write that brings a block of its own
    // The block to write to a relay that holds `held`.
    virtual QByteArray blockFor(const QByteArray& held) const;
    QList<Problem> refusal() const override;
    void begin() override;
    void onReply(const QByteArray& frame) override;

  private:
    void onHeld(const QByteArray& frame);
    void onWriteReply(const QByteArray& frame);
    void onReadBack(const QByteArray& frame);

    Configuration m_wanted;
    QStringList m_keys;
    Step m_step = Step::ReadingHeld;
    QByteArray m_before, m_sent, m_after; // as read first, as written, as read back
    Configuration m_readBack;
};

} // namespace kliv
