#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace kliv {

// The rest of a request's reply time-out, kept by a job that turns a reply away. The
// engine stops its time-out for every frame it hands over and then waits for nothing,
// so a job that will not take the frame (a block it did not ask for) waits out the time
// its request had left and then ends as if no answer had come.
class ReplyDeadline : public QObject {
    Q_OBJECT
  public:
    explicit ReplyDeadline(QObject* parent = nullptr);

    void sent(int timeoutMs); // a request has just left with this reply time-out
    void waitOut();           // a reply was turned away: expire when the request's would
    void stop();

    const QTimer& timer() const { return m_timer; }
    void onExpiry(); // the tick handler, callable directly

  Q_SIGNALS:
    void expired();

  private:
    QTimer m_timer;
    QElapsedTimer m_since;
    int m_timeoutMs = 0;
};

} // namespace kliv
