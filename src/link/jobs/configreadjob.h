#pragma once

#include "link/job.h"
#include "model/configschema.h"

namespace kliv {

// "Считать конфигурацию": the configuration the relay holds.
class ConfigReadJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::ConfigRead; }
    // As the page takes it (a list byte naming no item is the start-up item, spin values
    // held to their limits), so that whatever a relay holds can be shown, saved, compared
    // and written back; the block itself is exact.
    // The session's view of the block read (model::ConfigurationRead::shown).
    const Configuration& configuration() const;
    const QByteArray& block() const { return m_block; }

    // Before it starts: ask the firmware version first, for a settings file to name it.
    void askVersionFirst() { m_askVersion = true; }
    const QString& firmware() const { return m_firmware; }

    // The block of a read reply; empty when the reply is too short to be one, so that
    // leftovers are never shown as settings.
    static QByteArray blockOf(const QByteArray& frame);

  protected:
    void begin() override;
    void onReply(const QByteArray& frame) override;

  private:
    QByteArray m_block;
    bool m_askVersion = false;
    bool m_versionAsked = false; // the request in flight is the version's
    QString m_firmware;
};

} // namespace kliv
