#pragma once

#include "link/job.h"

namespace kliv {

// "Версия программы МК": the relay's firmware version text.
class VersionJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::Version; }
    static constexpr int TextSize = 16;

    QString text() const { return m_text; }

    // The payload's own bytes, at most sixteen, up to the first zero: a short reply
    // must not show its sum bytes as characters.
    static QString textOf(const QByteArray& payload);

  protected:
    void begin() override;
    void onReply(const QByteArray& frame) override;

  private:
    QString m_text;
};

} // namespace kliv
