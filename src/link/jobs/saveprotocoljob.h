#pragma once

#include "link/job.h"
#include "link/jobs/eventlogreader.h"
#include "model/configschema.h"
#include "protocol/accounting.h"

namespace kliv {

// "Сохранить протокол": the configuration, the accounting record and the event log,
// read in a row on one line, so that a report holds what the relay holds now. A step
// that gets no answer ends the whole job; a later read never continues it.
class SaveProtocolJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::SaveProtocol; }
    enum class Step { ReadingConfiguration = 20, ReadingAccounting = 21, ReadingEvents = 22 };

    Step step() const { return m_step; }
    const Configuration& configuration() const { return m_configuration; }
    const AccountingRecord& accounting() const { return m_accounting; }
    const QList<EventRow>& events() const { return m_events; }

  Q_SIGNALS:
    void configurationRead(const kliv::Configuration& c);
    void accountingRead(const kliv::AccountingRecord& record);
    void eventsProgress(int blocks); // 0 as the log read starts, then 1..10

  protected:
    void begin() override;
    bool accepts(const QByteArray& frame) const override;
    void onReply(const QByteArray& frame) override;

  private:
    void onConfiguration(const QByteArray& frame);
    void onAccounting(const QByteArray& frame);
    void onEvents(const QByteArray& frame);

    Step m_step = Step::ReadingConfiguration;
    Configuration m_configuration;
    AccountingRecord m_accounting;
    EventLogReader m_reader;
    QList<EventRow> m_events;
};

} // namespace kliv
