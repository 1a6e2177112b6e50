#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace kliv {

class Engine;

// The main window's status bar: the port, the speed and the serial number the next job
// talks to, how long ago the last good reply came, and the requests sent again.
class StatusLine : public QWidget {
    Q_OBJECT
  public:
    explicit StatusLine(Engine& engine, QWidget* parent = nullptr);

    QString text() const; // all of it, as a screen reader reads it
    void tick();          // the age's once-a-second update, callable directly

  private:
    void showLine();

    Engine& m_engine;
    QLabel *m_line, *m_age, *m_repeats;
    QElapsedTimer m_lastReply;
    QTimer m_ticks;
};

} // namespace kliv
